#include "settingstable.h"

#include <QRect>
#include <QSettings>
#include <QTime>
#include <QWidget>

#include <cmath>

namespace {
// The number a value holds, if it is one and lies within the limits.
bool numberWithin(const QVariant &value, double lowest, double highest, double *number)
{
    bool ok = false;
    *number = value.toDouble(&ok);
    return ok && std::isfinite(*number) && *number >= lowest && *number <= highest;
}
}

void readTable(QSettings &settings, const SettingsTable &table)
{
    for (const Setting &setting : table) {
        const QString key = QLatin1String(setting.key);
        QVariant value = settings.contains(key) ? settings.value(key) : setting.absent;
        if (setting.number && value.isValid()) {
            double number = 0;
            if (!numberWithin(value, setting.lowest, setting.highest, &number))
                value = setting.absent;
        }
        if (value.isValid())
            setting.apply(value);
    }
}

void writeTable(QSettings &settings, const SettingsTable &table)
{
    // QSettings writes each section's keys in its own order.
    for (const Setting &setting : table) {
        if (setting.value)
            settings.setValue(QLatin1String(setting.key), setting.value());
    }
}

namespace {
template <typename Number> Setting numeric(const char *key, Number *member, double lowest, double highest)
{
    Setting s{key, [member](const QVariant &v) { *member = v.value<Number>(); }, [member] { return QVariant(*member); }};
    s.lowest = lowest;
    s.highest = highest;
    s.number = true;
    return s;
}
}

Setting numberSetting(const char *key, double *member, double lowest, double highest)
{
    return numeric(key, member, lowest, highest);
}

Setting integerSetting(const char *key, int *member, int lowest, int highest)
{
    return numeric(key, member, lowest, highest);
}

Setting limitedSetting(const char *key, double *member, const ValueLimit &limit)
{
    Setting s = numberSetting(key, member, limit.lowest, limit.highest);
    const auto apply = s.apply;
    const double scale = std::pow(10.0, limit.decimals);
    s.apply = [apply, member, scale](const QVariant &v) {
        apply(v);
        *member = std::round(*member * scale) / scale;
    };
    return s;
}

Setting limitedSetting(const char *key, int *member, const ValueLimit &limit)
{
    return integerSetting(key, member, int(limit.lowest), int(limit.highest));
}

Setting durationSetting(const char *key, std::function<void(int)> apply, std::function<int()> value,
                        int highestSeconds)
{
    return {key,
            [apply, highestSeconds](const QVariant &v) {
                const QTime time = QTime::fromString(v.toString(), QStringLiteral("hh:mm:ss"));
                if (time.isValid())
                    apply(std::min(QTime(0, 0).secsTo(time), highestSeconds));
            },
            [value] { return QVariant(durationText(value())); }, QString()};
}

QString durationText(int seconds)
{
    return QTime(0, 0).addSecs(seconds).toString(QStringLiteral("HH:mm:ss"));
}

Setting flagSetting(const char *key, bool *member, const QVariant &absent)
{
    return {key, [member](const QVariant &v) { *member = v.toBool(); }, [member] { return QVariant(*member); }, absent};
}

Setting textSetting(const char *key, QString *member, int maxLength)
{
    return {key,
            [member, maxLength](const QVariant &v) {
                const QString text = v.toString();
                if (text.size() <= maxLength)
                    *member = text;
            },
            [member] { return QVariant(*member); }};
}

SettingsTable geometrySettings(const char *const (&keys)[4], QWidget *window, QRect *saved, const QVariant &absent)
{
    return {
        {keys[0], [saved](const QVariant &v) { saved->setHeight(v.toInt()); },
         [window] { return QVariant(window->geometry().height()); }, absent},
        {keys[1], [saved](const QVariant &v) { saved->setWidth(v.toInt()); },
         [window] { return QVariant(window->geometry().width()); }, absent},
        {keys[2], [saved](const QVariant &v) { saved->moveTop(v.toInt()); },
         [window] { return QVariant(window->geometry().y()); }, absent},
        {keys[3], [saved](const QVariant &v) { saved->moveLeft(v.toInt()); },
         [window] { return QVariant(window->geometry().x()); }, absent},
    };
}
