#pragma once

#include <QMessageBox>
#include <QString>

#include <functional>

class QWidget;

// Everything a box says goes through here. On the desktop it is a box; in
// the headless mode, which has no one to answer a box, it is one line on the
// standard error.
namespace Messages {
void setHeadless(bool headless);
bool headless();

// A warning shown without holding anything up (the program goes on while it
// is open); `dismissed` runs when it is answered.
void warnLater(QWidget *parent, const QString &title, const QString &text, std::function<void()> dismissed = {});

// Closes the warnings of this title and text still open: what they said has
// ended (their `dismissed` runs, as when answered).
void withdraw(const QString &title, const QString &text);

// A box the user asked for by an action of theirs: answered before the
// action goes on.
void warning(QWidget *parent, const QString &title, const QString &text);
void information(QWidget *parent, const QString &title, const QString &text);
// A question the user's action asked for, answered before it goes on.
// Headless, where no one can answer, it is said and gets no button.
QMessageBox::StandardButton question(QWidget *parent, const QString &title, const QString &text,
                                     QMessageBox::StandardButtons buttons);

// The headless line of a message, and its printing on the standard error.
QString line(const QString &title, const QString &text);
void print(const QString &title, const QString &text);
}
