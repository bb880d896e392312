#pragma once

#include <QString>
#include <QTime>
#include <QVariant>

#include <QAbstractButton>
#include <QObject>

class QTimeEdit;

// A control bound to the setting it shows: it takes the setting's value
// (a spin box may round or clamp it, which the setting then takes), and
// passes on each change at once.
inline void bindCheck(QObject *owner, QAbstractButton *box, bool *member)
{
    box->setChecked(*member);
    QObject::connect(box, &QAbstractButton::toggled, owner, [member](bool on) { *member = on; });
}

template <typename Spin, typename Number> void bindSpin(QObject *owner, Spin *spin, Number *member)
{
    spin->setValue(*member);
    *member = spin->value();
    QObject::connect(spin, QOverload<decltype(spin->value())>::of(&Spin::valueChanged), owner,
                     [member](decltype(spin->value()) v) { *member = v; });
}

// Time keys hold "HH:mm:ss". A readable value is given to the editor, which
// clamps it to its range (and runs its change slot); a missing or unreadable
// one leaves the editor's own value.
void applyTimeSetting(const QVariant &value, QTimeEdit *editor);
QString timeSettingText(const QTime &time);

int secondsOf(const QTime &time);
int millisecondsOf(const QTime &time);
