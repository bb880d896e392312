#include "recordfill.h"

#include <QJsonObject>

#include "gateway.h"
#include "liveboxinfos.h"

#define NUMBER(object, key) infos->key = jsonNumber(object, QStringLiteral(#key))
#define TEXT(object, key) infos->key = jsonText(object, QStringLiteral(#key))

void fillLine(LiveBoxInfos *infos, const QJsonObject &line)
{
    NUMBER(line, LastChange);
    NUMBER(line, LastChangeTime);
    NUMBER(line, DownstreamAttenuation);
    NUMBER(line, DownstreamLineAttenuation);
    NUMBER(line, DownstreamCurrRate);
    NUMBER(line, DownstreamMaxRate);
    NUMBER(line, DownstreamNoiseMargin);
    NUMBER(line, DownstreamPower);
    NUMBER(line, UpstreamAttenuation);
    NUMBER(line, UpstreamLineAttenuation);
    NUMBER(line, UpstreamCurrRate);
    NUMBER(line, UpstreamMaxRate);
    NUMBER(line, UpstreamNoiseMargin);
    NUMBER(line, UpstreamPower);
    TEXT(line, ModulationType);
    TEXT(line, ModulationHint);
}

void fillStatistics(LiveBoxInfos *infos, const QJsonObject &stats)
{
    NUMBER(stats, ErroredSecs);
    NUMBER(stats, SeverelyErroredSecs);
    NUMBER(stats, ATUCCRCErrors);
    NUMBER(stats, CRCErrors);
    NUMBER(stats, ATUCFECErrors);
    NUMBER(stats, FECErrors);
    NUMBER(stats, ATUCHECErrors);
    NUMBER(stats, HECErrors);
    NUMBER(stats, CellDelin);
    NUMBER(stats, InitErrors);
    NUMBER(stats, InitTimeouts);
    NUMBER(stats, LinkRetrain);
    NUMBER(stats, LossOfFraming);
    NUMBER(stats, ReceiveBlocks);
    NUMBER(stats, TransmitBlocks);
}
