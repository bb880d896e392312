#include "datetime.h"

#include <algorithm>
#include <cmath>
#include <limits>

QString formatDateTime(const QDateTime &dateTime)
{
    return dateTime.toString(dateTimeFormat());
}

namespace {
struct DateTimeFields
{
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};

// The exact shape "dd/MM/yyyy hh:mm:ss", digits and separators in place.
bool splitDateTime(const QString &text, DateTimeFields *f)
{
    if (text.size() != 19)
        return false;
    const QChar *c = text.constData();
    const auto number = [c](int from, int digits, int *value) {
        *value = 0;
        for (int i = from; i < from + digits; ++i) {
            const ushort u = c[i].unicode();
            if (u < '0' || u > '9')
                return false;
            *value = *value * 10 + (u - '0');
        }
        return true;
    };
    return c[2] == QLatin1Char('/') && c[5] == QLatin1Char('/') && c[10] == QLatin1Char(' ')
           && c[13] == QLatin1Char(':') && c[16] == QLatin1Char(':') && number(0, 2, &f->day)
           && number(3, 2, &f->month) && number(6, 4, &f->year) && number(11, 2, &f->hour)
           && number(14, 2, &f->minute) && number(17, 2, &f->second);
}
}

QDateTime parseDateTime(const QString &text)
{
    DateTimeFields f;
    if (!splitDateTime(text, &f))
        return QDateTime::fromString(text, dateTimeFormat());
    const QDate date(f.year, f.month, f.day);
    const QTime time(f.hour, f.minute, f.second);
    if (!date.isValid() || !time.isValid())
        return QDateTime();
    return QDateTime(date, time);
}

double epochMsecs(const QString &text)
{
    // Consecutive rows repeat the previous reading's time, and share the
    // hour's offset from UTC. One cache per thread: a reload runs beside the
    // window.
    thread_local QString lastText;
    thread_local double lastValue = 0;
    thread_local DateTimeFields hourKey;
    thread_local double hourStart = 0;
    if (!lastText.isNull() && text == lastText)
        return lastValue;

    double value = std::numeric_limits<double>::quiet_NaN();
    DateTimeFields f;
    if (splitDateTime(text, &f) && QDate::isValid(f.year, f.month, f.day) && QTime::isValid(f.hour, f.minute, f.second)) {
        if (f.year != hourKey.year || f.month != hourKey.month || f.day != hourKey.day || f.hour != hourKey.hour) {
            const QDateTime start(QDate(f.year, f.month, f.day), QTime(f.hour, 0, 0));
            hourKey = f;
            hourStart = start.isValid() ? double(start.toMSecsSinceEpoch()) : std::numeric_limits<double>::quiet_NaN();
        }
        value = hourStart + (f.minute * 60 + f.second) * 1000.0;
        if (std::isnan(value)) { // an hour that begins in a clock change
            const QDateTime exact = parseDateTime(text);
            if (exact.isValid())
                value = double(exact.toMSecsSinceEpoch());
        }
    } else {
        const QDateTime parsed = QDateTime::fromString(text, dateTimeFormat());
        if (parsed.isValid())
            value = double(parsed.toMSecsSinceEpoch());
    }
    // A copy of its own, so that the caller's text is never shared and can
    // be rewritten in place by the next row.
    lastText.resize(text.size());
    std::copy(text.constData(), text.constData() + text.size(), lastText.data());
    lastValue = value;
    return value;
}

QDateTime secondsBefore(const QDateTime &now, double secondsAgo)
{
    const double back = -secondsAgo;
    // About 290 000 years: far beyond any up-time, well inside qint64.
    constexpr double limit = 9.0e12;
    if (!std::isfinite(back) || std::fabs(back) > limit)
        return now;
    return now.addSecs(static_cast<qint64>(back));
}

double laterInstantOf(const QString &text, double msecs)
{
    const double none = std::numeric_limits<double>::quiet_NaN();
    if (std::isnan(msecs))
        return none;
    const QDateTime at = QDateTime::fromMSecsSinceEpoch(qint64(msecs));
    // The clock falls back within the next hours by the change of offset.
    const int back = at.offsetFromUtc() - at.addSecs(3 * 3600).offsetFromUtc();
    if (back <= 0)
        return none;
    const double later = msecs + back * 1000.0;
    return formatDateTime(QDateTime::fromMSecsSinceEpoch(qint64(later))) == text ? later : none;
}

double earlierInstantOf(const QString &text, double msecs)
{
    const double none = std::numeric_limits<double>::quiet_NaN();
    if (std::isnan(msecs))
        return none;
    const QDateTime at = QDateTime::fromMSecsSinceEpoch(qint64(msecs));
    // The clock fell back within the previous hours by the change of offset.
    const int back = at.addSecs(-3 * 3600).offsetFromUtc() - at.offsetFromUtc();
    if (back <= 0)
        return none;
    const double earlier = msecs - back * 1000.0;
    return formatDateTime(QDateTime::fromMSecsSinceEpoch(qint64(earlier))) == text ? earlier : none;
}

QString fileStamp(const QDateTime &dateTime)
{
    return dateTime.toString(QStringLiteral("_yyyyMMdd_HHmmss"));
}

QDate readingDate(const QString &text)
{
    DateTimeFields f;
    if (splitDateTime(text, &f))
        return QTime::isValid(f.hour, f.minute, f.second) ? QDate(f.year, f.month, f.day) : QDate();
    return QDateTime::fromString(text, dateTimeFormat()).date();
}

namespace {
// A zone changes its offset at most once between two probes this far apart.
constexpr qint64 probeStep = 6LL * 3600 * 1000;
// A look-up farther than this from what is known starts afresh rather than
// probing every step of the way.
constexpr qint64 farAway = 8LL * 24 * 3600 * 1000;
constexpr qint64 julianDayOfEpoch = 2440588;

int systemOffset(qint64 msecs)
{
    return QDateTime::fromMSecsSinceEpoch(msecs, Qt::LocalTime).offsetFromUtc();
}
}

void LocalZone::extendLater()
{
    const Span last = m_spans.back();
    const qint64 known = last.end - 1;
    const qint64 probe = known + probeStep;
    if (systemOffset(probe) == last.offset) {
        m_spans.back().end = probe + 1;
        return;
    }
    // The change lies in (known, probe]: pin it to the millisecond.
    qint64 lo = known, hi = probe;
    while (hi - lo > 1) {
        const qint64 mid = lo + (hi - lo) / 2;
        (systemOffset(mid) == last.offset ? lo : hi) = mid;
    }
    m_spans.back().end = hi;
    m_spans.push_back(Span{hi, hi + 1, systemOffset(hi)});
}

void LocalZone::extendEarlier()
{
    const Span first = m_spans.front();
    const qint64 probe = first.start - probeStep;
    if (systemOffset(probe) == first.offset) {
        m_spans.front().start = probe;
        return;
    }
    qint64 lo = probe, hi = first.start;
    while (hi - lo > 1) {
        const qint64 mid = lo + (hi - lo) / 2;
        (systemOffset(mid) == first.offset ? hi : lo) = mid;
    }
    m_spans.front().start = hi;
    m_spans.insert(m_spans.begin(), Span{lo, hi, systemOffset(lo)});
    ++m_hit;
}

void LocalZone::cover(qint64 msecs)
{
    if (m_spans.empty() || msecs < m_spans.front().start - farAway || msecs >= m_spans.back().end + farAway) {
        m_spans.assign(1, Span{msecs, msecs + 1, systemOffset(msecs)});
        m_hit = 0;
        return;
    }
    while (msecs >= m_spans.back().end)
        extendLater();
    while (msecs < m_spans.front().start)
        extendEarlier();
}

int LocalZone::offsetAt(qint64 msecs)
{
    cover(msecs);
    const auto holds = [msecs](const Span &s) { return msecs >= s.start && msecs < s.end; };
    if (m_hit >= m_spans.size() || !holds(m_spans[m_hit])) {
        const auto after = std::upper_bound(m_spans.begin(), m_spans.end(), msecs,
                                            [](qint64 t, const Span &s) { return t < s.start; });
        m_hit = size_t(after - m_spans.begin()) - 1;
    }
    return m_spans[m_hit].offset;
}

int LocalZone::instantsOf(const QString &text, double instants[2])
{
    DateTimeFields f;
    if (!splitDateTime(text, &f) || f.hour > 23 || f.minute > 59 || f.second > 59)
        return -1;
    // Rows come by the thousand for each day: its number is kept.
    const int key = (f.year * 100 + f.month) * 100 + f.day;
    if (key != m_dayKey) {
        if (!QDate::isValid(f.year, f.month, f.day))
            return -1;
        m_dayKey = key;
        m_dayNumber = QDate(f.year, f.month, f.day).toJulianDay() - julianDayOfEpoch;
    }
    // The reading as if it were UTC; an instant it names lies within the
    // largest offset of it (14 h).
    const qint64 local = m_dayNumber * 86400000 + (f.hour * 3600 + f.minute * 60 + f.second) * 1000LL;
    const qint64 reach = 15LL * 3600 * 1000;
    offsetAt(local - reach);
    const size_t firstSpan = m_hit;
    offsetAt(local + reach);
    int count = 0;
    for (size_t i = firstSpan; i < m_spans.size() && m_spans[i].start <= local + reach && count < 2; ++i) {
        const qint64 t = local - m_spans[i].offset * 1000LL;
        if (t >= m_spans[i].start && t < m_spans[i].end)
            instants[count++] = double(t);
    }
    return count;
}
