#pragma once

#include <QDateTime>
#include <QString>

// The Wi-Fi name as a file name: characters that are not allowed in file
// names or that separate paths become '_', as does a name made only of dots,
// so that a network name can never point outside the application folder.
// Names longer than `maxNameBytes` in UTF-8 are cut.
QString safeFileName(const QString &ssid);
constexpr int maxNameBytes = 200;

// Files named after the network, in the application folder.
QString recordingFilePath(const QString &ssid);
QString synchroLogFilePath(const QString &ssid);
QString alertLogFilePath(const QString &ssid);
QString manualArchivePath(const QString &ssid, const QDateTime &now);
QString autoArchivePath(const QString &ssid, const QDateTime &previousReading);
QString autoReportPath(const QString &ssid, const QDateTime &previousReading);
// A file of the export folder: <Wi-Fi name><part><stamp of `at`><suffix>.
QString exportFilePath(const QString &ssid, const QString &part, const QDateTime &at, const QString &suffix);
