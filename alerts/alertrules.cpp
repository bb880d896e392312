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

}

double ErrorRate::take(qint64 atMs, double count)
{
    // A counter that went back (a restart) starts a new measure.
    if (!m_readings.isEmpty() && (count < m_readings.last().count || atMs <= m_readings.last().atMs))
        m_readings.clear();
    m_readings.append({atMs, count});
    // Keep the newest reading a whole window old, and those after it.
    int reference = -1;
    for (int i = m_readings.size() - 2; i >= 0; --i) {
        if (atMs - m_readings.at(i).atMs >= windowMs) {
            reference = i;
            break;
        }
    }
    if (reference < 0)
        return -1;
    m_readings.remove(0, reference);
    const Reading &from = m_readings.first();
    return (count - from.count) * 60000.0 / double(atMs - from.atMs);
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
                        QStringLiteral("synchronisée le %1, débits %2 / %3 Kb/s")
                            .arg(now.SynchroDateTime, number(now.DownstreamCurrRate), number(now.UpstreamCurrRate))});
    if (poll.withPpp && !restart && s.connection && now.PppLastChangeTime != m_last.PppLastChangeTime)
        alerts->append({QStringLiteral("Nouvelle connexion internet"), AlertState::Event,
                        QStringLiteral("connectée le %1").arg(now.PppDateTime)});
    if (restart || resync) {
        const double before = m_syncRate;
        m_syncRate = now.DownstreamCurrRate;
        if (s.rateDrop && before > 0 && now.DownstreamCurrRate < before * (1 - s.rateDropPercent / 100))
            alerts->append({QStringLiteral("Chute du débit descendant"), AlertState::Event,
                            QStringLiteral("de %1 à %2 Kb/s (-%3 %), seuil %4 %")
                                .arg(number(before), number(now.DownstreamCurrRate),
                                     fixedText(100 * (before - now.DownstreamCurrRate) / before, 1),
                                     number(s.rateDropPercent))});
    }
}

void AlertRules::checkStates(const AlertSettings &s, const PollOutcome &poll, QVector<Alert> *alerts)
{
    const LiveBoxInfos &now = poll.reading;
    const auto margin = [&](bool *on, double tenths, const QString &rule) {
        const double db = decibels(tenths);
        turn(on, s.margin, db < s.marginDb, rule,
             QStringLiteral("%1 dB, seuil %2 dB").arg(fixedText(db, 1), number(s.marginDb)), alerts);
    };
    margin(&m_marginDown, now.DownstreamNoiseMargin, QStringLiteral("Marge de bruit descendante basse"));
    margin(&m_marginUp, now.UpstreamNoiseMargin, QStringLiteral("Marge de bruit montante basse"));

    const auto errors = [&](int k, bool *on, bool enabled, double threshold, double count, const QString &rule) {
        const double rate = m_rates[k].take(poll.atMs, count);
        if (enabled && rate < 0)
            return; // no rate this time: the state stays as it was
        const bool above = rate > threshold;
        if (above)
            m_aboveAtMs[k] = poll.atMs;
        // Raised at once; ended only once the rate has stayed below its
        // threshold for a whole window, so that a burst makes one pair.
        const bool state = above || (*on && poll.atMs - m_aboveAtMs[k] < ErrorRate::windowMs);
        turn(on, enabled, state, rule,
             QStringLiteral("%1 par minute, seuil %2").arg(fixedText(rate, 1), number(threshold)), alerts);
    };
    errors(0, &m_crcNear, s.crc, s.crcPerMinute, now.CRCErrors, QStringLiteral("Erreurs CRC"));
    errors(1, &m_crcFar, s.crc, s.crcPerMinute, now.ATUCCRCErrors, QStringLiteral("Erreurs ATU-C CRC"));
    errors(2, &m_fecNear, s.fec, s.fecPerMinute, now.FECErrors, QStringLiteral("Erreurs FEC"));
    errors(3, &m_fecFar, s.fec, s.fecPerMinute, now.ATUCFECErrors, QStringLiteral("Erreurs ATU-C FEC"));
}
