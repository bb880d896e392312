#pragma once

#include <QElapsedTimer>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>
#include <QThread>

#include <csignal>

#include "support/scratchdir.h"
#include "support/simulator.h"

// The program as a service runs it: headless, from a folder of its own,
// with no display at all.
class Headless
{
public:
    // `zone`, when given, is the program's TZ. With `desktop`, the windowed
    // program instead, on the test's own (offscreen) display.
    // With `addressSpace`, under that limit of memory, as on a small board.
    Headless(const ScratchDir &dir, const QStringList &arguments = {}, const QString &zone = QString(),
             bool desktop = false, qint64 addressSpace = 0, const QString &programDir = QString(),
             const QMap<QString, QString> &variables = {})
    {
        // The program in `programDir` (beside the data by default).
        const QString folder = programDir.isEmpty() ? dir.path() : programDir;
        const QString program = folder + QStringLiteral("/quelvane");
        QFile::copy(QStringLiteral(QUELVANE_PROGRAM_PATH), program);
        QFile::setPermissions(program, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (auto it = variables.begin(); it != variables.end(); ++it)
            environment.insert(it.key(), it.value());
        if (!desktop) {
            for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
                environment.remove(QString::fromLatin1(name));
        }
        if (!zone.isEmpty())
            environment.insert(QStringLiteral("TZ"), zone);
        process.setProcessEnvironment(environment);
        const QStringList all = (desktop ? QStringList() : QStringList{QStringLiteral("--headless")}) + arguments;
        if (addressSpace > 0)
            // prlimit sets the limit and becomes the program: the same process.
            process.start(QStringLiteral("prlimit"),
                          QStringList{QStringLiteral("--as=%1").arg(addressSpace), QStringLiteral("--"), program} + all);
        else
            process.start(program, all);
        process.waitForStarted(5000);
    }

    // Sends `signal` and, `afterMs` later, the same again.
    qint64 stopTwice(int signal, int afterMs)
    {
        QElapsedTimer clock;
        clock.start();
        ::kill(pid_t(process.processId()), signal);
        QThread::msleep(afterMs);
        ::kill(pid_t(process.processId()), signal);
        return process.waitForFinished(15000) ? clock.elapsed() : -1;
    }

    // Its exit code, and what it said when that is not 0.
    bool endedWell()
    {
        if (process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0)
            return true;
        qWarning("status %d, code %d:\n%s", int(process.exitStatus()), process.exitCode(),
                 qPrintable(errorLines().join(QLatin1Char('\n'))));
        return false;
    }

    ~Headless()
    {
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished(5000);
        }
    }

    // Sends `signal`; the milliseconds until the program ended, -1 if it
    // had not within 15 s.
    qint64 stop(int signal = SIGTERM)
    {
        QElapsedTimer clock;
        clock.start();
        ::kill(pid_t(process.processId()), signal);
        return process.waitForFinished(15000) ? clock.elapsed() : -1;
    }

    // The lines the program wrote to its standard error so far.
    QStringList errorLines()
    {
        m_errors += QString::fromUtf8(process.readAllStandardError());
        return m_errors.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }

    QProcess process;

private:
    QString m_errors;
};

inline QByteArray headlessSettings(const Simulator &sim, const QString &password = QStringLiteral("secret"))
{
    // The network's name as a run before stored it; the shortest interval
    // the program takes.
    return settingsFor(sim, 0, password) + "SSID=Livebox-1234\n[MONITOR]\nCycle=00:00:05\n";
}
