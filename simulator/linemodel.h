#pragma once

#include <QJsonObject>
#include <QString>

#include <chrono>
#include <cstdint>
#include <random>

// The simulated gateway's values, kept flat by member name (PPP members that
// clash with line members carry a "Ppp" prefix). Not thread-safe: the server
// serialises access.
class LineModel
{
public:
    struct Options {
        std::uint64_t seed = 1;
        QString ssid = QStringLiteral("Livebox-1234");
        int resyncEvery = -1; // -1: random events; 0: never; N: every N polls
        int rebootEvery = -1;
        // A VDSL2 line as real firmware gives it: attainable rates in bit/s,
        // no line-attenuation members, a profile.
        bool vdsl = false;
    };

    explicit LineModel(const Options &options);

    // One successful login. Returns true when the gateway restarted with it,
    // so that the caller can drop the sessions it holds.
    bool poll();
    void resync();
    void reboot();

    // Values as the data calls answer them now.
    QJsonObject current() const;
    // Values the next poll would answer if it came now, plus "polls" and "uptime".
    QJsonObject upcoming() const;

    // A null value unfixes the member.
    void fix(const QString &name, const QJsonValue &value);

    static QJsonValue normalised(const QJsonValue &value);

private:
    using Clock = std::chrono::steady_clock;

    std::int64_t draw(std::int64_t low, std::int64_t high);
    std::int64_t uptime() const;
    QJsonObject withTimes(const QJsonObject &values, std::int64_t up, std::int64_t sync, std::int64_t ppp) const;
    void prepareNext();
    void drift(QJsonObject &v);
    void retrain(QJsonObject &v);
    void restartTimes();
    static void zeroCounters(QJsonObject &v);

    Options m_options;
    std::mt19937_64 m_rng;
    QJsonObject m_current;
    QJsonObject m_next;
    QJsonObject m_fixed;
    bool m_nextResync = false;
    bool m_nextReboot = false;
    int m_polls = 0;
    Clock::time_point m_boot;
    std::int64_t m_syncAt = 0; // up-time of the last DSL synchronisation
    std::int64_t m_pppAt = 0;  // up-time of the last PPP connection
    std::int64_t m_baseDownMax = 0;
    std::int64_t m_baseUpMax = 0;
    std::int64_t m_baseDownMargin = 0;
    std::int64_t m_baseUpMargin = 0;
};
