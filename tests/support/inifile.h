#pragma once

#include <QFile>
#include <QMap>
#include <QString>
#include <QTextStream>

// The raw text of every key of an INI file, as "SECTION/Key" -> value text,
// so that tests check the forms written, not what QSettings makes of them.
inline QMap<QString, QString> readIniText(const QString &path)
{
    QMap<QString, QString> keys;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return keys;
    QTextStream in(&file);
    in.setCodec("UTF-8");
    QString section;
    while (!in.atEnd()) {
        const QString line = in.readLine().trimmed();
        if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
            section = line.mid(1, line.size() - 2);
            if (section == QLatin1String("General"))
                section.clear();
        } else if (line.contains(QLatin1Char('='))) {
            const int eq = line.indexOf(QLatin1Char('='));
            const QString key = line.left(eq).trimmed();
            keys.insert(section.isEmpty() ? key : section + QLatin1Char('/') + key, line.mid(eq + 1).trimmed());
        }
    }
    return keys;
}
