#pragma once

#include <QString>
#include <QVector>

#include <map>
#include <string>

struct LiveBoxInfos;

// The line's values as Prometheus names them: base units (bits per second,
// decibels, seconds since the epoch), labels for direction and end.
struct LineSample
{
    std::string name;
    std::map<std::string, std::string> labels;
    double value;
    bool counter; // the gateway's own cumulative count
};

// Every value of a good reading. `readAt` is the reading's instant in
// seconds since the epoch; the internet connection's time is given only by
// the older gateways (`withPpp`).
QVector<LineSample> lineSamples(const LiveBoxInfos &reading, double readAt, bool withPpp);
// The HELP text of a sample's name; empty for a name it does not know.
std::string lineSampleHelp(const std::string &name);

// The exposition text with each sample's value written as the shortest
// text that reads back as the same number: the library writes sixteen
// digits, so that 8.7 would read "8.699999999999999".
std::string shortestValues(const std::string &exposition);

// The address to bind: "127.0.0.1:9464" from "9464", ":9464" or
// "localhost:9464", "[::1]:9464" from "::1:9464" or "[::1]:9464", and any
// other "address:port" as it is; empty when the text names no port.
QString metricsAddress(const QString &text);
