#include "appdir.h"

#include <QCoreApplication>

namespace {
QString &overridePath()
{
    static QString dir;
    return dir;
}
}

QString AppDir::path()
{
    const QString &dir = overridePath();
    return dir.isEmpty() ? QCoreApplication::applicationDirPath() : dir;
}

QString AppDir::filePath(const QString &name)
{
    return path() + QLatin1Char('/') + name;
}

void AppDir::setPath(const QString &dir)
{
    overridePath() = dir;
}
