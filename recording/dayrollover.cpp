#include "dayrollover.h"

#include "common/datetime.h"

Rollover rolloverFor(const QString &previousReading, const QString &reading, bool saveAuto, bool pdfAuto, bool razAuto)
{
    if (!isNewDay(previousReading, reading))
        return Rollover();
    return {saveAuto, pdfAuto, razAuto};
}
