#include "numbers.h"

QString fixedText(double value, int decimals)
{
    QString text = QString::number(value, 'f', decimals);
    // A value that rounds to zero is 0, never "-0" nor "-0.0".
    if (text.startsWith(QLatin1Char('-'))) {
        bool zero = true;
        for (int i = 1; i < text.size() && zero; ++i)
            zero = text.at(i) == QLatin1Char('0') || text.at(i) == QLatin1Char('.');
        if (zero)
            text.remove(0, 1);
    }
    return text;
}
