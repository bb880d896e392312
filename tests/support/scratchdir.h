#pragma once

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>

#include "common/appdir.h"

// A throw-away application folder: everything the program writes beside
// itself goes here for the life of the object.
class ScratchDir
{
public:
    ScratchDir()
    {
        AppDir::setPath(m_dir.path());
        QDir(m_dir.path()).mkpath(QStringLiteral("archives"));
        QDir(m_dir.path()).mkpath(QStringLiteral("export"));
    }
    ~ScratchDir() { AppDir::setPath(QString()); }

    QString path() const { return m_dir.path(); }
    QString file(const QString &name) const { return m_dir.filePath(name); }

    void write(const QString &name, const QByteArray &content) const
    {
        QFile f(file(name));
        if (f.open(QIODevice::WriteOnly))
            f.write(content);
    }

    QByteArray read(const QString &name) const
    {
        QFile f(file(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

private:
    QTemporaryDir m_dir;
};
