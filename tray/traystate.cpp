#include "traystate.h"

#include "common/numbers.h"
#include "router/liveboxinfos.h"

LineLight lineLight(bool acquiring, bool lastPollGood, bool lineUp, bool thresholdCrossed)
{
    if (!acquiring)
        return LineLight::Off;
    if (!lastPollGood || !lineUp)
        return LineLight::Bad;
    return thresholdCrossed ? LineLight::Warning : LineLight::Good;
}

QString lineLightText(LineLight light)
{
    switch (light) {
    case LineLight::Off:
        return QStringLiteral("Acquisition arrêtée");
    case LineLight::Good:
        return QStringLiteral("Ligne en bon état");
    case LineLight::Warning:
        return QStringLiteral("Seuil d'alerte franchi");
    case LineLight::Bad:
        return QStringLiteral("Interrogations en échec ou ligne coupée");
    }
    return QString();
}

QString trayToolTip(LineLight light, const LiveBoxInfos *reading)
{
    QString tip = QStringLiteral("Quelvane : ") + lineLightText(light);
    if (!reading)
        return tip;
    const auto dB = [](double tenths) { return fixedText(decibels(tenths), 1); };
    tip += QStringLiteral("\nDébits : %1 / %2 Kb/s")
               .arg(fixedText(reading->DownstreamCurrRate, 0), fixedText(reading->UpstreamCurrRate, 0));
    tip += QStringLiteral("\nMarges de bruit : %1 / %2 dB")
               .arg(dB(reading->DownstreamNoiseMargin), dB(reading->UpstreamNoiseMargin));
    tip += QStringLiteral("\nDernière synchronisation : ") + reading->SynchroDateTime;
    return tip;
}
