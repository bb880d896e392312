#include "linemodel.h"

#include <QJsonArray>

#include <algorithm>
#include <cmath>

namespace {

const char *const kCounters[] = {
    "ErroredSecs", "SeverelyErroredSecs", "ATUCCRCErrors", "CRCErrors", "ATUCFECErrors",
    "FECErrors", "ATUCHECErrors", "HECErrors", "CellDelin", "InitErrors",
    "InitTimeouts", "LinkRetrain", "LossOfFraming", "ReceiveBlocks", "TransmitBlocks",
};

std::int64_t num(const QJsonObject &v, const char *name)
{
    return static_cast<std::int64_t>(v.value(QLatin1String(name)).toDouble());
}

void add(QJsonObject &v, const char *name, std::int64_t delta)
{
    v.insert(QLatin1String(name), qint64(num(v, name) + delta));
}

QString hex(std::uint64_t value, int digits)
{
    return QStringLiteral("%1").arg(value, digits, 16, QLatin1Char('0')).right(digits).toUpper();
}

} // namespace

LineModel::LineModel(const Options &options) : m_options(options), m_rng(options.seed)
{
    // The gateway has been up for a few hours when the simulator starts.
    m_boot = Clock::now() - std::chrono::seconds(5 * 3600 + draw(0, 3599));
    m_syncAt = 40 + draw(0, 3 * 3600);
    m_pppAt = m_syncAt + draw(8, 15);

    const bool vdsl = m_options.vdsl;
    m_baseDownMax = vdsl ? draw(25000, 60000) : draw(9000, 18000);
    m_baseUpMax = vdsl ? draw(3500, 12000) : draw(950, 1100);
    m_baseDownMargin = draw(70, 110);
    m_baseUpMargin = draw(70, 110);
    const std::int64_t downAtt = vdsl ? draw(100, 450) : draw(200, 500);
    const std::int64_t upAtt = vdsl ? draw(100, 300) : draw(200, 300);

    QJsonObject &v = m_current;
    v.insert("LinkStatus", "Up");
    v.insert("DataPath", "Interleaved");
    v.insert("InterleaveDepth", 0);
    v.insert("ModulationType", vdsl ? "VDSL" : "ADSL_G.dmt.bis");
    v.insert("ModulationHint", vdsl ? "VDSL2" : "ADSL2+");
    v.insert("StandardUsed", vdsl ? "G.993.2_Annex_B" : "G.992.5_Annex_A");
    v.insert("FirmwareVersion", "4.14.4.1");
    v.insert("DownstreamAttenuation", qint64(downAtt));
    v.insert("UpstreamAttenuation", qint64(upAtt));
    if (vdsl) {
        v.insert("CurrentProfile", "17a");
    } else {
        v.insert("DownstreamLineAttenuation", qint64(downAtt + draw(5, 25)));
        v.insert("UpstreamLineAttenuation", qint64(upAtt + draw(5, 25)));
    }
    v.insert("DownstreamPower", qint64(draw(150, 200)));
    v.insert("UpstreamPower", qint64(draw(100, 130)));
    retrain(v);

    const std::int64_t initial[][2] = {
        {0, 50}, {0, 5}, {0, 100}, {0, 300}, {1000, 20000}, {10000, 200000}, {0, 20}, {0, 50},
        {0, 3}, {0, 0}, {0, 0}, {0, 2}, {0, 2}, {1000000, 5000000}, {500000, 2000000},
    };
    for (std::size_t i = 0; i < std::size(kCounters); ++i)
        v.insert(QLatin1String(kCounters[i]), qint64(draw(initial[i][0], initial[i][1])));

    v.insert("MTU", 1500);
    v.insert("SSID", m_options.ssid);
    v.insert("BSSID", QStringLiteral("F0:82:61:%1:%2:%3").arg(hex(draw(0, 255), 2), hex(draw(0, 255), 2), hex(draw(0, 255), 2)));
    v.insert("LinkType", "dsl");
    v.insert("LinkState", "up");
    v.insert("MACAddress", QStringLiteral("F0:82:61:%1:%2:%3").arg(hex(draw(0, 255), 2), hex(draw(0, 255), 2), hex(draw(0, 255), 2)));
    v.insert("Protocol", "dhcp");
    v.insert("ConnectionState", "Bound");
    v.insert("LastConnectionError", "None");
    // Documentation address blocks: never anyone's real address.
    v.insert("IPAddress", QStringLiteral("203.0.113.%1").arg(draw(2, 254)));
    v.insert("RemoteGateway", "203.0.113.1");
    v.insert("DNSServers", "192.0.2.53,198.51.100.53");
    v.insert("IPv6Address", QStringLiteral("2001:db8:%1::1").arg(hex(draw(0, 0xffff), 4).toLower()));
    v.insert("TransportType", "PPPoE");
    v.insert("MaxMRUSize", 1492);
    v.insert("PppConnectionStatus", "Connected");
    v.insert("PppUsername", QStringLiteral("fti/%1").arg(hex(draw(0, 0xffffffffLL), 8).toLower()));
    v.insert("Manufacturer", "Sagemcom");
    v.insert("ManufacturerOUI", "44A61E");
    v.insert("ModelName", "SagemcomFast5330b-r1");
    v.insert("Description", "SagemcomFast5330b-r1 Sagemcom fr");
    v.insert("ProductClass", "Livebox 4");
    v.insert("SerialNumber", QStringLiteral("AN%1").arg(draw(1000000000LL, 9999999999LL)));
    v.insert("HardwareVersion", "SG_LB4_1.2.1");
    v.insert("SoftwareVersion", "SG40_sip-fr-6.62.12.1");
    v.insert("RescueVersion", "SG40_sip-fr-6.52.18.1");
    v.insert("ModemFirmwareVersion", "4.14.4.1");
    v.insert("FirstUseDate", "2021-03-14T09:26:53Z");
    v.insert("Country", "fr");
    v.insert("DeviceStatus", "Up");
    v.insert("NumberOfReboots", qint64(draw(2, 30)));

    prepareNext();
}

std::int64_t LineModel::draw(std::int64_t low, std::int64_t high)
{
    return std::uniform_int_distribution<std::int64_t>(low, high)(m_rng);
}

std::int64_t LineModel::uptime() const
{
    return std::chrono::duration_cast<std::chrono::seconds>(Clock::now() - m_boot).count();
}

bool LineModel::poll()
{
    ++m_polls;
    const bool rebooted = m_nextReboot;
    if (m_nextReboot) {
        restartTimes();
    } else if (m_nextResync) {
        m_syncAt = uptime();
        m_pppAt = m_syncAt;
    }
    m_current = m_next;
    prepareNext();
    return rebooted;
}

void LineModel::resync()
{
    m_syncAt = uptime();
    m_pppAt = m_syncAt;
    add(m_current, "LinkRetrain", 1);
    retrain(m_current);
    prepareNext();
}

void LineModel::reboot()
{
    restartTimes();
    zeroCounters(m_current);
    add(m_current, "NumberOfReboots", 1);
    retrain(m_current);
    prepareNext();
}

void LineModel::restartTimes()
{
    m_boot = Clock::now() - std::chrono::seconds(60);
    m_syncAt = 40;
    m_pppAt = 50;
}

// The next poll's values are drawn ahead so that the state query can tell
// exactly what that poll will answer.
void LineModel::prepareNext()
{
    const int n = m_polls + 1;
    m_next = m_current;
    if (m_options.resyncEvery < 0 && m_options.rebootEvery < 0) {
        const std::int64_t roll = draw(0, 4999);
        m_nextReboot = roll == 0;
        m_nextResync = roll >= 1 && roll <= 10;
    } else {
        m_nextReboot = m_options.rebootEvery > 0 && n % m_options.rebootEvery == 0;
        m_nextResync = !m_nextReboot && m_options.resyncEvery > 0 && n % m_options.resyncEvery == 0;
    }
    if (m_nextReboot) {
        zeroCounters(m_next);
        add(m_next, "NumberOfReboots", 1);
        retrain(m_next);
        return;
    }
    if (n > 1)
        drift(m_next);
    if (m_nextResync) {
        add(m_next, "LinkRetrain", 1);
        retrain(m_next);
    }
}

void LineModel::drift(QJsonObject &v)
{
    add(v, "ErroredSecs", draw(0, 2));
    add(v, "SeverelyErroredSecs", draw(0, 9) == 0);
    add(v, "ATUCCRCErrors", draw(0, 3));
    add(v, "CRCErrors", draw(0, 5));
    add(v, "ATUCFECErrors", draw(10, 200));
    add(v, "FECErrors", draw(100, 900));
    add(v, "ATUCHECErrors", draw(0, 2));
    add(v, "HECErrors", draw(0, 3));
    add(v, "CellDelin", draw(0, 19) == 0);
    add(v, "ReceiveBlocks", draw(2000, 9000));
    add(v, "TransmitBlocks", draw(1000, 6000));
    // Margins wander but lean back towards the line's usual value.
    const std::pair<const char *, std::int64_t> margins[] = {{"DownstreamNoiseMargin", m_baseDownMargin},
                                                             {"UpstreamNoiseMargin", m_baseUpMargin}};
    for (const auto &[name, base] : margins) {
        const std::int64_t now = num(v, name);
        const std::int64_t step = now > base + 10 ? draw(-3, 2) : now < base - 10 ? draw(-2, 3) : draw(-3, 3);
        v.insert(QLatin1String(name), qint64(std::clamp<std::int64_t>(now + step, 60, 120)));
    }
}

// A new synchronisation settles on rates and margins a little apart from the last.
void LineModel::retrain(QJsonObject &v)
{
    const std::int64_t downMax = m_baseDownMax * (1000 + draw(-30, 30)) / 1000;
    const std::int64_t upMax =
        std::min<std::int64_t>(m_options.vdsl ? 20000 : 1100, m_baseUpMax * (1000 + draw(-30, 30)) / 1000);
    // VDSL firmware gives the attainable rates in bit/s, the synchronised ones in kbit/s.
    const std::int64_t maxUnit = m_options.vdsl ? 1000 : 1;
    v.insert("DownstreamMaxRate", qint64(downMax * maxUnit));
    v.insert("DownstreamCurrRate", qint64(downMax * draw(880, 980) / 1000));
    v.insert("UpstreamMaxRate", qint64(upMax * maxUnit));
    v.insert("UpstreamCurrRate", qint64(upMax * draw(850, 960) / 1000));
    v.insert("DownstreamNoiseMargin", qint64(std::clamp<std::int64_t>(m_baseDownMargin + draw(-10, 10), 60, 120)));
    v.insert("UpstreamNoiseMargin", qint64(std::clamp<std::int64_t>(m_baseUpMargin + draw(-10, 10), 60, 120)));
}

void LineModel::zeroCounters(QJsonObject &v)
{
    for (const char *name : kCounters)
        v.insert(QLatin1String(name), 0);
}

QJsonObject LineModel::withTimes(const QJsonObject &values, std::int64_t up, std::int64_t sync,
                                 std::int64_t ppp) const
{
    QJsonObject v = values;
    for (auto it = m_fixed.begin(); it != m_fixed.end(); ++it)
        v.insert(it.key(), it.value());
    // A fixed change time still gives a consistent duration unless that is fixed too.
    const auto since = [&](const char *fixedTime, std::int64_t at) {
        const QJsonValue fixedAt = m_fixed.value(QLatin1String(fixedTime));
        return qint64(std::max<std::int64_t>(0, up - (fixedAt.isDouble() ? static_cast<std::int64_t>(fixedAt.toDouble()) : at)));
    };
    const auto derive = [&](const char *name, qint64 value) {
        if (!m_fixed.contains(QLatin1String(name)))
            v.insert(QLatin1String(name), value);
    };
    derive("UpTime", up);
    derive("LastChangeTime", sync);
    derive("LastChange", since("LastChangeTime", sync));
    derive("PppLastChangeTime", ppp);
    derive("PppLastChange", since("PppLastChangeTime", ppp));
    return v;
}

QJsonObject LineModel::current() const
{
    return withTimes(m_current, uptime(), m_syncAt, m_pppAt);
}

QJsonObject LineModel::upcoming() const
{
    const std::int64_t now = uptime();
    QJsonObject v;
    if (m_nextReboot)
        v = withTimes(m_next, 60, 40, 50);
    else if (m_nextResync)
        v = withTimes(m_next, now, now, now);
    else
        v = withTimes(m_next, now, m_syncAt, m_pppAt);
    v.insert("polls", m_polls);
    v.insert("uptime", qint64(now));
    return v;
}

void LineModel::fix(const QString &name, const QJsonValue &value)
{
    if (value.isNull() || value.isUndefined())
        m_fixed.remove(name);
    else
        m_fixed.insert(name, normalised(value));
}

// Integral numbers are kept as integers so that they are written without a
// decimal point, whatever way they came in.
QJsonValue LineModel::normalised(const QJsonValue &value)
{
    if (!value.isDouble())
        return value;
    const double d = value.toDouble();
    if (std::isfinite(d) && d == std::floor(d) && std::fabs(d) < 9e15)
        return qint64(d);
    return value;
}
