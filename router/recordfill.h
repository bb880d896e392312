#pragma once

#include <QVector>

class QJsonObject;
struct LiveBoxInfos;

// The line object (rates, margins, attenuations, modulation) and the
// statistics object (error counters) carry the same member names in both
// gateway generations.
void fillLine(LiveBoxInfos *infos, const QJsonObject &line);
void fillStatistics(LiveBoxInfos *infos, const QJsonObject &stats);

// The whole record from the replies of a newer gateway's poll (line and
// ATM, statistics, Wi-Fi, WAN, device), in the documented order. Replies
// missing from the end of the list count as empty.
void fillFromNewerReplies(LiveBoxInfos *infos, const QVector<QJsonObject> &replies);

// The whole record from the replies of an older gateway's poll (line, PPP,
// statistics, Wi-Fi, WAN, device list), in the documented order.
void fillFromOlderReplies(LiveBoxInfos *infos, const QVector<QJsonObject> &replies);
