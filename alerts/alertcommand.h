#pragma once

#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>

class QProcess;

// The user's own command, run at each alert with the alert's fields as
// separate arguments, without a shell, and stopped at its time limit. It
// never holds a poll up: it runs beside the program, which learns of its end
// by a signal. A command that cannot start, fails or outlives its limit is
// reported once (`problem`), until it succeeds again or is changed.
class AlertCommand : public QObject
{
    Q_OBJECT

public:
    explicit AlertCommand(QObject *parent = nullptr);
    ~AlertCommand() override;

    // `command` is a program followed by arguments of its own, quoted as in
    // a terminal ("/usr/local/bin/alerte --mail 'moi@exemple.fr'").
    void run(const QString &command, int limitSeconds, const QStringList &fields);
    int running() const { return m_running.size(); }

    // Commands at once at most: a burst of alerts starts no more.
    static constexpr int maxRunning = 4;

signals:
    void problem(const QString &text);
    void finished(); // one run is over, well or not

private:
    void report(const QString &kind, const QString &text);
    void done(QProcess *process, const QString &kind, const QString &text);

    QString m_command;          // the command the reports are about
    QSet<QString> m_reported;   // the kinds of problem already reported for it
    QSet<QProcess *> m_running;
};
