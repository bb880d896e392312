#include "settingsfile.h"

#include <QFile>

#include "appdir.h"

QString settingsFilePath()
{
    return AppDir::filePath(QStringLiteral("livebox.ini"));
}

void restrictToOwner(const QString &path)
{
    if (QFile::exists(path))
        QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}
