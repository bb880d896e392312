#include "alertrules.h"

#include "common/numbers.h"

namespace {
// A number as the alert's values show it: a whole number without decimals.
QString number(double value)
{
    return value == qint64(value) ? QString::number(qint64(value)) : fixedText(value, 1);
}

// Turns a state on or off, and says so once at each turn. A rule switched
// off forgets its state without a word: it did not end, it is not watched.
void turn(bool *on, bool enabled, bool now, const QString &rule, const QString &values, QVector<Alert> *alerts)
{
    if (!enabled)
        *on = false;
    if (!enabled || now == *on)
        return;
    *on = now;
    alerts->append({rule, now ? AlertState::Raised : AlertState::Cleared, values});
}

// Errors per minute between two readings; negative when it cannot be told
// (the counter went back at a restart, or no time passed).
double perMinute(double before, double now, qint64 elapsedMs)
{
    if (now < before || elapsedMs <= 0)
        return -1;
    return (now - before) * 60000.0 / double(elapsedMs);
}
}

QString alertStateText(AlertState state)
{
    switch (state) {
    case AlertState::Event:
        return QStringLiteral("événement");
    case AlertState::Raised:
        return QStringLiteral("déclenchée");
    case AlertState::Cleared:
        return QStringLiteral("rétablie");
    }
    return QString();
}

bool AlertRules::thresholdCrossed() const
{
    return m_marginDown || m_marginUp || m_crcNear || m_crcFar || m_fecNear || m_fecFar;
}

QVector<Alert> AlertRules::check(const AlertSettings &settings, const PollOutcome &poll)
{
    QVector<Alert> alerts;
    if (!poll.good) {
        ++m_failures;
        turn(&m_failuresRaised, settings.failedPolls, m_failures >= settings.failedPollCount,
             QStringLiteral("Échecs d'interrogation"),
             QStringLiteral("%1 interrogations de la Livebox échouées de suite").arg(m_failures), &alerts);
        return alerts;
    }
    turn(&m_failuresRaised, settings.failedPolls, false, QStringLiteral("Échecs d'interrogation"),
         QStringLiteral("Livebox lue de nouveau après %1 échecs").arg(m_failures), &alerts);
    m_failures = 0;

    checkEvents(settings, poll, &alerts);
    checkStates(settings, poll, &alerts);
    m_last = poll.reading;
    m_lastAtMs = poll.atMs;
    m_hasReading = true;
    return alerts;
}

void AlertRules::checkEvents(const AlertSettings &s, const PollOutcome &poll, QVector<Alert> *alerts)
{
    const LiveBoxInfos &now = poll.reading;
    if (!m_hasReading) {
        // The first reading of a run is the baseline, not an event.
        m_syncRate = now.DownstreamCurrRate;
        return;
    }
    // A restart brings a new synchronisation and connection with it: one
    // alert says it all.
    const bool restart = restarted(m_last, now);
    const bool resync = resynchronised(m_last, now);
    if (restart && s.restart)
        alerts->append({QStringLiteral("Redémarrage de la Livebox"), AlertState::Event,
                        QStringLiteral("démarrée le %1").arg(now.RebootDateTime)});
    if (resync && s.resync)
        alerts->append({QStringLiteral("Resynchronisation DSL"), AlertState::Event,
                        QStringLiteral("synchronisée le %1, débits %2 / %3 kb/s")
                            .arg(now.SynchroDateTime, number(now.DownstreamCurrRate), number(now.UpstreamCurrRate))});
    if (poll.withPpp && !restart && s.connection && now.PppLastChangeTime != m_last.PppLastChangeTime)
        alerts->append({QStringLiteral("Nouvelle connexion internet"), AlertState::Event,
                        QStringLiteral("connectée le %1").arg(now.PppDateTime)});
    if (restart || resync) {
        const double before = m_syncRate;
        m_syncRate = now.DownstreamCurrRate;
        if (s.rateDrop && before > 0 && now.DownstreamCurrRate < before * (1 - s.rateDropPercent / 100))
            alerts->append({QStringLiteral("Chute du débit descendant"), AlertState::Event,
                            QStringLiteral("de %1 à %2 kb/s (-%3 %), seuil %4 %")
                                .arg(number(before), number(now.DownstreamCurrRate),
                                     fixedText(100 * (before - now.DownstreamCurrRate) / before, 1),
                                     number(s.rateDropPercent))});
    }
}

void AlertRules::checkStates(const AlertSettings &s, const PollOutcome &poll, QVector<Alert> *alerts)
{
    const LiveBoxInfos &now = poll.reading;
    const auto margin = [&](bool *on, double tenths, const QString &rule) {
        const double db = tenths / 10;
        turn(on, s.margin, db < s.marginDb, rule,
             QStringLiteral("%1 dB, seuil %2 dB").arg(fixedText(db, 1), number(s.marginDb)), alerts);
    };
    margin(&m_marginDown, now.DownstreamNoiseMargin, QStringLiteral("Marge de bruit descendante basse"));
    margin(&m_marginUp, now.UpstreamNoiseMargin, QStringLiteral("Marge de bruit montante basse"));

    const qint64 elapsed = poll.atMs - m_lastAtMs;
    const auto errors = [&](bool *on, bool enabled, double threshold, double before, double count,
                            const QString &rule) {
        const double rate = m_hasReading ? perMinute(before, count, elapsed) : -1;
        if (enabled && rate < 0)
            return; // no rate this time: the state stays as it was
        turn(on, enabled, rate > threshold, rule,
             QStringLiteral("%1 par minute, seuil %2").arg(fixedText(rate, 1), number(threshold)), alerts);
    };
    errors(&m_crcNear, s.crc, s.crcPerMinute, m_last.CRCErrors, now.CRCErrors, QStringLiteral("Erreurs CRC"));
    errors(&m_crcFar, s.crc, s.crcPerMinute, m_last.ATUCCRCErrors, now.ATUCCRCErrors,
           QStringLiteral("Erreurs ATU-C CRC"));
    errors(&m_fecNear, s.fec, s.fecPerMinute, m_last.FECErrors, now.FECErrors, QStringLiteral("Erreurs FEC"));
    errors(&m_fecFar, s.fec, s.fecPerMinute, m_last.ATUCFECErrors, now.ATUCFECErrors,
           QStringLiteral("Erreurs ATU-C FEC"));
}
