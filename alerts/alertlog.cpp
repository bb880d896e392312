#include "alertlog.h"

#include "alertrules.h"
#include "common/datetime.h"

namespace {
// A field of the row: the separator and line ends of a text that came from
// elsewhere (a Wi-Fi name, a command's complaint) cannot split the row.
QString field(QString text)
{
    text.replace(QLatin1Char(';'), QLatin1Char(','));
    text.replace(QLatin1Char('\r'), QLatin1Char(' '));
    text.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return text;
}
}

QString alertLogHeader()
{
    return QStringLiteral("DATE HEURE;REGLE;ETAT;VALEURS");
}

QString alertLogRow(const QDateTime &at, const Alert &alert)
{
    return formatDateTime(at) + QLatin1Char(';') + field(alert.rule) + QLatin1Char(';')
           + alertStateText(alert.state) + QLatin1Char(';') + field(alert.values);
}
