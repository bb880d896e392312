#pragma once

#include <QDateTime>
#include <QString>

struct Alert;

// The alert log beside the recording: a header, then one row per alert
// (date-time, rule, state, values), each field free of ';' and line ends.
QString alertLogHeader();
QString alertLogRow(const QDateTime &at, const Alert &alert);
