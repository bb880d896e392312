#pragma once

#include <QList>
#include <QPair>
#include <QString>

struct LiveBoxInfos;

// Time since the last synchronisation, from the gateway's count of
// seconds: "03Jr 07H 05mn 09s"; "inconnu" for a count that is not one.
QString synchroDurationText(double seconds);

// The text of every display field of the three measurement tabs, by the
// field's object name: values from `now`, variations against `before`.
QList<QPair<QString, QString>> displayTexts(const LiveBoxInfos &now, const LiveBoxInfos &before);
