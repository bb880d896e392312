#include "synthesis.h"

#include <QFile>
#include <QTextStream>
#include <QVector>

#include <qwt_date.h>

#include "common/datetime.h"
#include "common/synchrolog.h"

QPointF synthesisPoint(const QString &dateTime)
{
    const QDateTime when = parseDateTime(dateTime);
    if (!when.isValid())
        return QPointF(-1, 0);
    const QTime time = when.time();
    return QPointF(time.hour() + time.minute() / 60.0 + time.second() / 3600.0,
                   QwtDate::toDouble(QDateTime(when.date(), QTime(0, 0))));
}

QList<double> synthesisDays(const QDate &today, int days)
{
    QList<double> midnights;
    for (int back = days - 1; back >= 0; --back)
        midnights << QwtDate::toDouble(QDateTime(today.addDays(-back), QTime(0, 0)));
    return midnights;
}

SynthesisPoints readSynthesis(const QString &logPath)
{
    QFile file(logPath);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return SynthesisPoints();
    return readSynthesis(&file);
}

SynthesisPoints readSynthesis(QIODevice *log)
{
    SynthesisPoints points;
    QTextStream in(log);
    if (!in.atEnd())
        in.readLine(); // header
    QString line;
    while (in.readLineInto(&line)) {
        const QVector<QStringRef> fields = line.splitRef(QLatin1Char(';'));
        points.synchro.append(synthesisPoint(fields.value(SynchroLogSynchro).toString()));
        points.reboot.append(synthesisPoint(fields.value(SynchroLogReboot).toString()));
        if (fields.size() > SynchroLogConnection)
            points.connexion.append(synthesisPoint(fields.at(SynchroLogConnection).toString()));
    }
    return points;
}
