#ifndef RECORDFILL_H
#define RECORDFILL_H

class QJsonObject;
struct LiveBoxInfos;

// The line object (rates, margins, attenuations, modulation) and the
// statistics object (error counters) carry the same member names in both
// gateway generations.
void fillLine(LiveBoxInfos *infos, const QJsonObject &line);
void fillStatistics(LiveBoxInfos *infos, const QJsonObject &stats);

#endif
