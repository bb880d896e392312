#include "numbers.h"

QString fixedText(double value, int decimals)
{
    return QString::number(value, 'f', decimals);
}
