#pragma once

#include <QString>

// Plain decimal text: `decimals` digits after '.', no exponent, no grouping;
// a value that rounds to zero has no sign.
QString fixedText(double value, int decimals);
