#include "display.h"

#include "common/numbers.h"
#include "router/liveboxinfos.h"

QString synchroDurationText(double seconds)
{
    if (!(seconds >= 0) || seconds > 1e12)
        return unknownText();
    const qint64 s = qint64(seconds);
    const QChar zero(QLatin1Char('0'));
    return QStringLiteral("%1Jr %2H %3mn %4s")
        .arg(s / 86400, 2, 10, zero)
        .arg((s % 86400) / 3600, 2, 10, zero)
        .arg((s % 3600) / 60, 2, 10, zero)
        .arg(s % 60, 2, 10, zero);
}

QList<QPair<QString, QString>> displayTexts(const LiveBoxInfos &now, const LiveBoxInfos &before)
{
    const auto kbps = [](double v) { return fixedText(v, 0) + QStringLiteral(" Kb/s"); };
    const auto mbps = [](double v) { return fixedText(v * 0.85 / 1000, 2) + QStringLiteral(" Mb/s"); };
    const auto dB = [](double tenths) { return fixedText(decibels(tenths), 1) + QStringLiteral(" dB"); };
    const auto secs = [](double v) { return fixedText(v, 0) + QStringLiteral(" s"); };
    const auto count = [](double v) { return fixedText(v, 0); };

    return {
        {"editDateTime", now.DateTime},
        {"editRebootTime", now.RebootDateTime},
        {"editSynchroTime", now.SynchroDateTime},
        // From the gateway's own count of seconds: two local date-times an hour
        // apart read the same in the hour the clocks repeat.
        {"editSynchroDuree",
         parseDateTime(now.DateTime).isValid() ? synchroDurationText(now.LastChange) : unknownText()},
        {"editUpStreamCurrRate", kbps(now.UpstreamCurrRate)},
        {"editDownStreamCurrRate", kbps(now.DownstreamCurrRate)},
        {"editUpStreamMaxRate", kbps(now.UpstreamMaxRate)},
        {"editDownStreamMaxRate", kbps(now.DownstreamMaxRate)},
        // The useful rate is 85 % of the synchronisation rate, not of the maximum.
        {"editUpStreamUseRate", mbps(now.UpstreamCurrRate)},
        {"editDownStreamUseRate", mbps(now.DownstreamCurrRate)},
        {"editSSID", now.SSID},
        {"editModulationType", now.ModulationType},
        {"editModulationHint", now.ModulationHint},
        {"editNumberOfReboot", count(now.NumberOfReboots)},
        {"editSoftwareVersion", now.SoftwareVersion},
        {"editHardwareVersion", now.HardwareVersion},

        {"editDateTime_3", now.DateTime},
        {"editConnectTime", now.PppDateTime},
        {"editTransportType", now.Protocol},
        {"editMaxMRUSize", count(now.MTU)},
        {"editIPAdress", now.IPAddress},
        {"editDNS1", now.DNSServer1},
        {"editDNS2", now.DNSServer2},

        {"editDateTime_2", now.DateTime},
        {"editUpStreamNoiseMargin", dB(now.UpstreamNoiseMargin)},
        {"editDownStreamNoiseMargin", dB(now.DownstreamNoiseMargin)},
        // The line attenuation is shown, not the signal attenuation, unless
        // the gateway gives none.
        {"editUpStreamAttenuation", dB(shownAttenuation(now.UpstreamLineAttenuation, now.UpstreamAttenuation))},
        {"editDownStreamAttenuation",
         dB(shownAttenuation(now.DownstreamLineAttenuation, now.DownstreamAttenuation))},
        {"editErroredSec", secs(now.ErroredSecs)},
        {"editSeverelyErroredSec", secs(now.SeverelyErroredSecs)},
        {"editCRCErrors", count(now.CRCErrors)},
        {"editATUCCRCErrors", count(now.ATUCCRCErrors)},
        {"editHECErrors", count(now.HECErrors)},
        {"editATUCHECErrors", count(now.ATUCHECErrors)},
        {"editFECErrors", count(now.FECErrors)},
        {"editATUCFECErrors", count(now.ATUCFECErrors)},
        {"editLinkRetran", count(now.LinkRetrain)},
        {"editInitErrors", count(now.InitErrors)},

        {"editUpStreamNoiseDelta", dB(now.UpstreamNoiseMargin - before.UpstreamNoiseMargin)},
        {"editDownStreamNoiseDelta", dB(now.DownstreamNoiseMargin - before.DownstreamNoiseMargin)},
        {"editErroredSecDelta", secs(now.ErroredSecs - before.ErroredSecs)},
        {"editSeverelyErroredSecDelta", secs(now.SeverelyErroredSecs - before.SeverelyErroredSecs)},
        {"editCRCDelta", count(now.CRCErrors - before.CRCErrors)},
        {"editATUCCRCDelta", count(now.ATUCCRCErrors - before.ATUCCRCErrors)},
        {"editHECDelta", count(now.HECErrors - before.HECErrors)},
        {"editATUCHECDelta", count(now.ATUCHECErrors - before.ATUCHECErrors)},
        {"editFECDelta", count(now.FECErrors - before.FECErrors)},
        {"editATUCFECDelta", count(now.ATUCFECErrors - before.ATUCFECErrors)},
    };
}
