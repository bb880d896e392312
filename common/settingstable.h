#pragma once

#include <QString>
#include <QVariant>
#include <QVector>

#include <functional>
#include <limits>

class QRect;
class QSettings;
class QWidget;

// One key of a window's table: how it is read, checked and written. A
// window's reading, writing and range checks are all driven by its table.
struct Setting
{
    const char *key;
    // Takes the value read; an absent key gives `absent` (an invalid
    // `absent`: the key is skipped and the member keeps its own value).
    std::function<void(const QVariant &)> apply;
    // What is written at exit; none: the key is only read here.
    std::function<QVariant()> value;
    QVariant absent = QVariant();
    // A number outside [lowest, highest], or text that is no number, reads
    // as `absent` (or, without one, leaves the member as it is).
    double lowest = -std::numeric_limits<double>::infinity();
    double highest = std::numeric_limits<double>::infinity();
    bool number = false;
};

using SettingsTable = QVector<Setting>;

// Reads the table's keys in its order.
void readTable(QSettings &settings, const SettingsTable &table);
// Writes every key that has a value.
void writeTable(QSettings &settings, const SettingsTable &table);

// Entries for the common kinds of member.
Setting numberSetting(const char *key, double *member, double lowest, double highest);
Setting integerSetting(const char *key, int *member, int lowest, int highest);
Setting flagSetting(const char *key, bool *member, const QVariant &absent = QVariant());
// A text longer than `maxLength` is a damaged file, not a setting: it is
// not taken (a time-label format of kilobytes would take minutes to draw).
Setting textSetting(const char *key, QString *member, int maxLength = 64);

// A value's range, and the decimals it is kept to, as its editor shows it:
// a value out of range is not taken, one in range is rounded.
struct ValueLimit
{
    double lowest;
    double highest;
    int decimals = 0;
};
Setting limitedSetting(const char *key, double *member, const ValueLimit &limit);
Setting limitedSetting(const char *key, int *member, const ValueLimit &limit);

// A duration written "HH:mm:ss", handed over in seconds, at most
// `highestSeconds`; a value that is no such time is not taken.
Setting durationSetting(const char *key, std::function<void(int)> apply, std::function<int()> value,
                        int highestSeconds);
QString durationText(int seconds);

// A window's geometry under four keys (height, width, y, x): read into
// `saved`, written from the window's geometry.
SettingsTable geometrySettings(const char *const (&keys)[4], QWidget *window, QRect *saved,
                               const QVariant &absent = QVariant());
