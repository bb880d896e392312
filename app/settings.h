#pragma once

#include <QString>
#include <QTime>
#include <QVariant>

class QTimeEdit;

// Time keys hold "HH:mm:ss". A readable value is given to the editor, which
// clamps it to its range (and runs its change slot); a missing or unreadable
// one leaves the editor's own value.
void applyTimeSetting(const QVariant &value, QTimeEdit *editor);
QString timeSettingText(const QTime &time);

int secondsOf(const QTime &time);
int millisecondsOf(const QTime &time);
