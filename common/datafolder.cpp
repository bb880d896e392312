#include "datafolder.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryFile>

DataFolder chooseDataFolder(const QString &option, const QString &environment, const QString &programDir,
                            const QString &xdgDataHome, const QString &home)
{
    const auto asked = [&](const QString &dir) {
        const QString absolute = QDir::cleanPath(QDir(dir).absolutePath());
        return DataFolder{absolute, absolute == QDir::cleanPath(programDir)};
    };
    if (!option.isEmpty())
        return asked(option);
    if (!environment.isEmpty())
        return asked(environment);
    const QDir program(programDir);
    const bool installed = program.dirName() == QLatin1String("bin")
                           && QFileInfo(program.filePath(QStringLiteral("../share/quelvane"))).isDir();
    if (!installed)
        return {programDir, true};
    // The XDG rule: a relative XDG_DATA_HOME is to be ignored.
    const QString dataHome = QDir::isAbsolutePath(xdgDataHome) ? xdgDataHome : home + QStringLiteral("/.local/share");
    return {QDir::cleanPath(dataHome + QStringLiteral("/quelvane")), false};
}

bool prepareDataFolder(const QString &path, QString *error)
{
    const QFileInfo info(path);
    if (info.exists() && !info.isDir()) {
        *error = QStringLiteral("« %1 » n'est pas un dossier.").arg(path);
        return false;
    }
    if (!info.exists()) {
        // Its parents as the system makes them; the folder itself its owner's.
        if (!QDir().mkpath(path)) {
            *error = QStringLiteral("le dossier « %1 » ne peut pas être créé.").arg(path);
            return false;
        }
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    // Permissions say little under root or on a share: a file says all.
    QTemporaryFile probe(path + QStringLiteral("/.quelvane-XXXXXX"));
    if (!probe.open()) {
        *error = QStringLiteral("le dossier « %1 » n'accepte pas l'écriture de fichiers.").arg(path);
        return false;
    }
    return true;
}

QString dataFolderText(const QString &path)
{
    return QStringLiteral("Dossier de données : %1").arg(QDir::toNativeSeparators(path));
}
