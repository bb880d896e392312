#pragma once

#include <QRect>

// A window's saved place, limited to what the screens can show: a size
// larger than the screen is cut to it, and a place off every screen moves
// onto the first. A hand-edited or foreign livebox.ini must not open a
// window of 24000 pixels, which the toolkit cannot even paint.
QRect fitToScreens(const QRect &saved);

// The client area of a window whose frame (title bar, borders) is `frame`,
// moved, and cut when it is larger, so that the whole framed window stands
// within `area`.
QRect framedWithin(const QRect &client, const QMargins &frame, const QRect &area);

class QWidget;
// Once `window` is shown and framed by the window manager, brings its frame
// within its screen's available area (the panels left free): a saved place
// at the screen's edge must not leave the title bar above it.
void keepFrameOnScreen(QWidget *window);
