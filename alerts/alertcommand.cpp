#include "alertcommand.h"

#include <QProcess>
#include <QTimer>
#include <QVariant>

#include <csignal>
#include <unistd.h>

namespace {
// The command leads a process group of its own, so that what it starts (a
// hung `mail` or `curl`) ends with it at its limit and at exit.
class GroupProcess : public QProcess
{
public:
    using QProcess::QProcess;

protected:
    void setupChildProcess() override { ::setpgid(0, 0); }
};

void killGroup(QProcess *process)
{
    const qint64 pid = process->processId();
    if (pid > 0)
        ::kill(-pid_t(pid), SIGKILL);
    process->kill();
}
}

AlertCommand::AlertCommand(QObject *parent)
    : QObject(parent)
{
}

AlertCommand::~AlertCommand()
{
    // Whatever still runs at exit is stopped rather than waited for.
    for (QProcess *process : qAsConst(m_running)) {
        process->disconnect(this);
        killGroup(process);
        process->waitForFinished(1000);
    }
}

void AlertCommand::report(const QString &kind, const QString &text)
{
    if (m_reported.contains(kind))
        return;
    m_reported.insert(kind);
    emit problem(text);
}

void AlertCommand::run(const QString &command, int limitSeconds, const QStringList &fields)
{
    if (command != m_command) {
        m_command = command;
        m_reported.clear();
    }
    QStringList words = QProcess::splitCommand(command);
    if (words.isEmpty())
        return;
    if (m_running.size() >= maxRunning) {
        report(QStringLiteral("busy"),
               QStringLiteral("%1 commandes d'alerte tournent encore : « %2 » n'est pas relancée").arg(maxRunning).arg(command));
        return;
    }
    const QString program = words.takeFirst();
    auto *process = new GroupProcess(this);
    process->setProgram(program);
    process->setArguments(words + fields);
    // Its output is of no use here, and a full pipe would hold it up.
    process->setStandardOutputFile(QProcess::nullDevice());
    process->setStandardErrorFile(QProcess::nullDevice());
    process->setStandardInputFile(QProcess::nullDevice());
    m_running.insert(process);

    auto *limit = new QTimer(process);
    limit->setSingleShot(true);
    connect(limit, &QTimer::timeout, process, [process] {
        process->setProperty("outlived", true);
        killGroup(process);
    });
    connect(process, &QProcess::errorOccurred, this, [this, process, program](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            done(process, QStringLiteral("start"),
                 QStringLiteral("la commande d'alerte « %1 » n'a pas pu être lancée (introuvable ou non exécutable)")
                     .arg(program));
    });
    connect(process, QOverload<int, QProcess::ExitStatus>::of(&QProcess::finished), this,
            [this, process, program, limitSeconds](int code, QProcess::ExitStatus status) {
                if (process->property("outlived").toBool())
                    done(process, QStringLiteral("limit"),
                         QStringLiteral("la commande d'alerte « %1 » a dépassé %2 s et a été arrêtée")
                             .arg(program)
                             .arg(limitSeconds));
                else if (status != QProcess::NormalExit || code != 0)
                    done(process, QStringLiteral("failed"),
                         QStringLiteral("la commande d'alerte « %1 » a échoué (code %2)")
                             .arg(program)
                             .arg(status == QProcess::NormalExit ? code : -1));
                else
                    done(process, QString(), QString());
            });
    process->start();
    limit->start(limitSeconds * 1000);
}

void AlertCommand::done(QProcess *process, const QString &kind, const QString &text)
{
    if (!m_running.remove(process))
        return;
    process->deleteLater();
    if (kind.isEmpty())
        m_reported.clear(); // it works: a later problem is news again
    else
        report(kind, text);
    emit finished();
}
