#include "filenames.h"

#include "appdir.h"
#include "datetime.h"

QString safeFileName(const QString &ssid)
{
    static const QString forbidden = QStringLiteral("/\\:*?\"<>|");
    QString name = ssid;
    bool onlyDots = !name.isEmpty();
    for (QChar &c : name) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7f || forbidden.contains(c))
            c = QLatin1Char('_');
        onlyDots = onlyDots && c == QLatin1Char('.');
    }
    if (onlyDots)
        name.fill(QLatin1Char('_'));
    // A file name holds 255 bytes: the longest the program builds adds 39
    // to the network's name ("_Synchronisations_", a stamp, ".jpeg"). A
    // longer name (real ones hold 32 at most) is cut, on a character's
    // boundary, so that every file still has a name the disk takes.
    int bytes = 0;
    for (int i = 0; i < name.size(); ++i) {
        const bool pair = name.at(i).isHighSurrogate() && i + 1 < name.size();
        const int width = pair ? 4 : QString(name.at(i)).toUtf8().size();
        if (bytes + width > maxNameBytes) {
            name.truncate(i);
            break;
        }
        bytes += width;
        i += pair;
    }
    return name;
}

QString recordingFilePath(const QString &ssid)
{
    return AppDir::filePath(safeFileName(ssid) + QStringLiteral(".csv"));
}

QString synchroLogFilePath(const QString &ssid)
{
    return AppDir::filePath(safeFileName(ssid) + QStringLiteral("_SYNCHROS.csv"));
}

QString alertLogFilePath(const QString &ssid)
{
    return AppDir::filePath(safeFileName(ssid) + QStringLiteral("_ALERTES.csv"));
}

QString manualArchivePath(const QString &ssid, const QDateTime &now)
{
    return AppDir::filePath(QStringLiteral("archives/") + safeFileName(ssid) + fileStamp(now) + QStringLiteral(".csv"));
}

QString autoArchivePath(const QString &ssid, const QDateTime &previousReading)
{
    return AppDir::filePath(QStringLiteral("archives/") + safeFileName(ssid) + fileStamp(previousReading)
                            + QStringLiteral("auto.csv"));
}

QString autoReportPath(const QString &ssid, const QDateTime &previousReading)
{
    return exportFilePath(ssid, QStringLiteral("_Rapport"), previousReading, QStringLiteral("auto.pdf"));
}

QString exportFilePath(const QString &ssid, const QString &part, const QDateTime &at, const QString &suffix)
{
    return AppDir::filePath(QStringLiteral("export/") + safeFileName(ssid) + part + fileStamp(at) + suffix);
}
