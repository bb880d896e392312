#pragma once

#include <QRect>

// A window's saved place, limited to what the screens can show: a size
// larger than the screen is cut to it, and a place off every screen moves
// onto the first. A hand-edited or foreign livebox.ini must not open a
// window of 24000 pixels, which the toolkit cannot even paint.
QRect fitToScreens(const QRect &saved);
