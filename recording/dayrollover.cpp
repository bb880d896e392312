#include "dayrollover.h"

#include <algorithm>

#include "common/datetime.h"

bool LatestDay::reach(const QString &reading)
{
    const QDate date = readingDate(reading);
    if (!date.isValid() || (m_day.isValid() && date < m_day))
        return false;
    const bool later = m_day.isValid() && date > m_day;
    m_day = date;
    // A copy of its own: a reload rewrites its row's text in place, and a
    // shared text would be copied at every row.
    m_reading.resize(reading.size());
    std::copy(reading.constBegin(), reading.constEnd(), m_reading.begin());
    return later;
}

Rollover rolloverFor(LatestDay *latest, const QString &reading, bool saveAuto, bool pdfAuto, bool razAuto)
{
    const QString dayReading = latest->reading();
    if (!latest->reach(reading))
        return Rollover();
    return {saveAuto, pdfAuto, razAuto, dayReading};
}
