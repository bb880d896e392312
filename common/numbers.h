#pragma once

#include <QString>

// Plain decimal text: `decimals` digits after '.', no exponent, no grouping.
QString fixedText(double value, int decimals);
