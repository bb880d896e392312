#include "linesamples.h"

#include <QRegularExpression>

#include <charconv>
#include <cmath>
#include <cstdlib>

#include "router/liveboxinfos.h"

namespace {
LineSample directed(const char *name, const char *direction, double value)
{
    return {name, {{"direction", direction}}, value, false};
}

// Margins, attenuations and powers as the gateway gives them, in tenths:
// 87 is served as 8.7, never as 8.699999999999999.
double tenthsAsDecibels(double tenths)
{
    return std::round(tenths) / tenthsPerDecibel;
}

LineSample counted(const char *name, const char *end, double value)
{
    LineSample s{name, {}, value, true};
    if (end)
        s.labels["end"] = end;
    return s;
}
}

QVector<LineSample> lineSamples(const LiveBoxInfos &r, double readAt, bool withPpp)
{
    // The gateway gives rates in kbit/s, served in bytes per second as
    // Prometheus's base unit wants (a dashboard multiplies by 8 for bit/s);
    // margins, attenuations and powers come in tenths of a decibel.
    QVector<LineSample> samples = {
        directed("quelvane_line_sync_rate_bytes_per_second", "down", r.DownstreamCurrRate * 125),
        directed("quelvane_line_sync_rate_bytes_per_second", "up", r.UpstreamCurrRate * 125),
        directed("quelvane_line_attainable_rate_bytes_per_second", "down", r.DownstreamMaxRate * 125),
        directed("quelvane_line_attainable_rate_bytes_per_second", "up", r.UpstreamMaxRate * 125),
        directed("quelvane_line_noise_margin_decibels", "down", tenthsAsDecibels(r.DownstreamNoiseMargin)),
        directed("quelvane_line_noise_margin_decibels", "up", tenthsAsDecibels(r.UpstreamNoiseMargin)),
        directed("quelvane_line_attenuation_decibels", "down", tenthsAsDecibels(r.DownstreamAttenuation)),
        directed("quelvane_line_attenuation_decibels", "up", tenthsAsDecibels(r.UpstreamAttenuation)),
        directed("quelvane_line_output_power_dbm", "down", tenthsAsDecibels(r.DownstreamPower)),
        directed("quelvane_line_output_power_dbm", "up", tenthsAsDecibels(r.UpstreamPower)),
        // "near" is the gateway's end of the line, "far" the exchange's (ATU-C).
        counted("quelvane_line_crc_errors_total", "near", r.CRCErrors),
        counted("quelvane_line_crc_errors_total", "far", r.ATUCCRCErrors),
        counted("quelvane_line_fec_errors_total", "near", r.FECErrors),
        counted("quelvane_line_fec_errors_total", "far", r.ATUCFECErrors),
        counted("quelvane_line_hec_errors_total", "near", r.HECErrors),
        counted("quelvane_line_hec_errors_total", "far", r.ATUCHECErrors),
        counted("quelvane_line_errored_seconds_total", nullptr, r.ErroredSecs),
        counted("quelvane_line_severely_errored_seconds_total", nullptr, r.SeverelyErroredSecs),
        {"quelvane_line_last_synchronisation_timestamp_seconds", {}, std::floor(readAt - r.LastChange), false},
        {"quelvane_gateway_start_timestamp_seconds", {}, std::floor(readAt - r.LastChangeTime - r.LastChange), false},
    };
    // VDSL gateways give no line attenuation (0): no series rather than a
    // false zero.
    if (r.DownstreamLineAttenuation != 0)
        samples.append(directed("quelvane_line_loop_attenuation_decibels", "down", tenthsAsDecibels(r.DownstreamLineAttenuation)));
    if (r.UpstreamLineAttenuation != 0)
        samples.append(directed("quelvane_line_loop_attenuation_decibels", "up", tenthsAsDecibels(r.UpstreamLineAttenuation)));
    samples.append({"quelvane_line_up", {}, lineUp(r) ? 1.0 : 0.0, false});
    if (withPpp)
        samples.append({"quelvane_internet_connection_timestamp_seconds", {}, std::floor(readAt - r.PppLastChange), false});
    return samples;
}

std::string lineSampleHelp(const std::string &name)
{
    static const std::map<std::string, std::string> help = {
        {"quelvane_line_up", "1 when the last good poll read a synchronised DSL line, 0 when not."},
        {"quelvane_line_sync_rate_bytes_per_second", "Synchronised rate of the DSL line."},
        {"quelvane_line_attainable_rate_bytes_per_second", "Attainable (maximum) rate of the DSL line."},
        {"quelvane_line_noise_margin_decibels", "Noise margin of the DSL line."},
        {"quelvane_line_attenuation_decibels", "Signal attenuation of the DSL line."},
        {"quelvane_line_loop_attenuation_decibels", "Line (loop) attenuation of the DSL line, where the gateway gives it."},
        {"quelvane_line_output_power_dbm", "Output power as the gateway reports it."},
        {"quelvane_line_crc_errors_total", "CRC errors counted by the gateway (near) or the exchange (far)."},
        {"quelvane_line_fec_errors_total", "FEC corrections counted by the gateway (near) or the exchange (far)."},
        {"quelvane_line_hec_errors_total", "HEC errors counted by the gateway (near) or the exchange (far)."},
        {"quelvane_line_errored_seconds_total", "Errored seconds counted by the gateway."},
        {"quelvane_line_severely_errored_seconds_total", "Severely errored seconds counted by the gateway."},
        {"quelvane_line_last_synchronisation_timestamp_seconds", "Time of the last DSL synchronisation."},
        {"quelvane_gateway_start_timestamp_seconds", "Time of the gateway's last start."},
        {"quelvane_internet_connection_timestamp_seconds", "Time of the last internet (PPP) connection."},
    };
    const auto found = help.find(name);
    return found == help.end() ? std::string() : found->second;
}

std::string shortestValues(const std::string &exposition)
{
    std::string out;
    out.reserve(exposition.size());
    size_t start = 0;
    while (start < exposition.size()) {
        size_t end = exposition.find('\n', start);
        if (end == std::string::npos)
            end = exposition.size();
        const std::string line = exposition.substr(start, end - start);
        // A sample's value is its last field: no timestamps are served.
        const size_t space = line.rfind(' ');
        if (line.empty() || line[0] == '#' || space == std::string::npos) {
            out += line;
        } else {
            const std::string value = line.substr(space + 1);
            char *parsed = nullptr;
            const double number = std::strtod(value.c_str(), &parsed);
            char shortest[32];
            // Whole numbers (counts, times) in full rather than as "1e+06".
            const bool whole = std::fabs(number) < 1e15 && number == std::trunc(number);
            const auto written = whole ? std::to_chars(shortest, shortest + sizeof shortest, static_cast<long long>(number))
                                       : std::to_chars(shortest, shortest + sizeof shortest, number);
            const bool finite = std::isfinite(number) && parsed && *parsed == '\0' && written.ec == std::errc();
            out += finite ? line.substr(0, space + 1) + std::string(shortest, written.ptr) : line;
        }
        if (end < exposition.size())
            out += '\n';
        start = end + 1;
    }
    return out;
}

QString metricsAddress(const QString &text)
{
    static const QRegularExpression form(QStringLiteral("^(?:\\[?([^\\]]*)\\]?:)?(\\d{1,5})$"));
    const QRegularExpressionMatch m = form.match(text.trimmed());
    if (!m.hasMatch() || m.captured(2).toInt() > 65535)
        return QString();
    QString host = m.captured(1);
    if (host.isEmpty() || host == QLatin1String("localhost"))
        host = QStringLiteral("127.0.0.1");
    else if (host.contains(QLatin1Char(':')))
        host = QLatin1Char('[') + host + QLatin1Char(']'); // an IPv6 address
    return host + QLatin1Char(':') + m.captured(2);
}
