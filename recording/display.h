#pragma once

#include <QList>
#include <QPair>
#include <QString>

struct LiveBoxInfos;

// Time from the last synchronisation to the reading, "03Jr 07H 05mn 09s".
// "inconnu" when either date does not parse or the synchronisation lies
// after the reading, rather than a wrapped-around count of days.
QString synchroDurationText(const QString &reading, const QString &synchro);

// The text of every display field of the three measurement tabs, by the
// field's object name: values from `now`, variations against `before`.
QList<QPair<QString, QString>> displayTexts(const LiveBoxInfos &now, const LiveBoxInfos &before);
