#pragma once

#include <QStringList>

#include "common/filenames.h"
#include "recording/pendinglines.h"
#include "recording/rowformat.h"
#include "router/liveboxinfos.h"

// Every field of a record as one text, so that "left as it was" is checked whole.
inline QString wholeRecord(const LiveBoxInfos &r)
{
    return csvRow(r) + QStringList{r.SSID, r.RebootDateTime, r.SynchroDateTime, r.PppDateTime, r.SoftwareVersion,
                                   r.HardwareVersion, r.ModulationType, r.ModulationHint, r.DNSServer1,
                                   r.DNSServer2, r.Protocol, QString::number(r.NumberOfReboots),
                                   QString::number(r.MTU)}
                           .join('|');
}
