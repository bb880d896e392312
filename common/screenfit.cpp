#include "screenfit.h"

#include <QGuiApplication>
#include <QScreen>
#include <QStyle>
#include <QTimer>
#include <QWidget>

#include <algorithm>

QRect fitToScreens(const QRect &saved)
{
    const QScreen *screen = QGuiApplication::screenAt(saved.topLeft());
    const bool onScreen = screen != nullptr;
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return saved;
    const QRect area = screen->availableGeometry();
    QRect fitted(saved.topLeft(), saved.size().boundedTo(area.size()).expandedTo(QSize(0, 0)));
    if (!onScreen)
        fitted.moveTopLeft(area.topLeft());
    return fitted;
}

QRect framedWithin(const QRect &client, const QMargins &frame, const QRect &area)
{
    const QRect room = area.marginsRemoved(frame);
    QRect fitted(client.topLeft(), client.size().boundedTo(room.size()));
    fitted.moveLeft(std::clamp(fitted.left(), room.left(), std::max(room.left(), room.right() - fitted.width() + 1)));
    fitted.moveTop(std::clamp(fitted.top(), room.top(), std::max(room.top(), room.bottom() - fitted.height() + 1)));
    return fitted;
}

namespace {
void bringFrameIn(QWidget *window)
{
    const QScreen *screen = window->screen();
    if (!screen || !window->isVisible())
        return;
    const QRect client = window->geometry();
    const QRect framed = window->frameGeometry();
    // Where the window manager does not say what its frame is, a title bar
    // of the style's height and thin borders are assumed.
    const int title = window->style()->pixelMetric(QStyle::PM_TitleBarHeight) + 4;
    const QMargins frame = framed.contains(client) && framed != client
                               ? QMargins(client.left() - framed.left(), client.top() - framed.top(),
                                          framed.right() - client.right(), framed.bottom() - client.bottom())
                               : QMargins(4, title, 4, 4);
    const QRect fitted = framedWithin(client, frame, screen->availableGeometry());
    if (fitted != client)
        window->setGeometry(fitted);
}
}

void keepFrameOnScreen(QWidget *window)
{
    // The window manager frames a window a moment after it is mapped.
    for (int ms : {0, 250, 1000})
        QTimer::singleShot(ms, window, [window] { bringFrameIn(window); });
}
