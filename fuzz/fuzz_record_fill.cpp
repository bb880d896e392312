// Replies of either gateway generation, as bytes off the wire, into a record.
#include <QJsonObject>

#include "router/gateway.h"
#include "router/liveboxinfos.h"
#include "router/recordfill.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), int(size));
    // The same reply stands for every request of a poll: each look-up then
    // meets whatever shape the input has.
    const QJsonObject reply = parseReply(bytes).object();
    const QVector<QJsonObject> newer(5, reply);
    const QVector<QJsonObject> older(6, reply);
    LiveBoxInfos record;
    fillFromNewerReplies(&record, newer);
    fillFromOlderReplies(&record, older);
    splitDnsServers(QString::fromUtf8(bytes), &record);
    refusalText(parseReply(bytes));
    cookiePairs(bytes);
    return 0;
}
