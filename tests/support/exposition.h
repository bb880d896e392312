#pragma once

#include <QMap>
#include <QProcess>
#include <QStandardPaths>
#include <QString>

// The samples of a Prometheus text exposition, by their series as written:
// `name{label="value",...}` (labels in the order served) or `name`.
inline QMap<QString, double> samplesOf(const QByteArray &exposition)
{
    QMap<QString, double> samples;
    for (const QByteArray &line : exposition.split('\n')) {
        if (line.isEmpty() || line.startsWith('#'))
            continue;
        const int space = line.lastIndexOf(' ');
        samples.insert(QString::fromUtf8(line.left(space)), line.mid(space + 1).toDouble());
    }
    return samples;
}

// What `promtool check metrics` says of an exposition: empty when it accepts
// it, its complaint otherwise.
inline QString promtoolComplaint(const QByteArray &exposition)
{
    const QString promtool = QStandardPaths::findExecutable(QStringLiteral("promtool"));
    if (promtool.isEmpty())
        return QStringLiteral("promtool is missing: scripts/install-deps --tests installs it");
    QProcess check;
    check.start(promtool, {QStringLiteral("check"), QStringLiteral("metrics")});
    if (!check.waitForStarted(5000))
        return QStringLiteral("promtool did not start");
    check.write(exposition);
    check.closeWriteChannel();
    if (!check.waitForFinished(20000))
        return QStringLiteral("promtool did not finish");
    if (check.exitStatus() == QProcess::NormalExit && check.exitCode() == 0)
        return QString();
    return QString::fromUtf8(check.readAllStandardOutput() + check.readAllStandardError())
           + QStringLiteral(" (exit %1)").arg(check.exitCode());
}
