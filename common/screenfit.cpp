#include "screenfit.h"

#include <QGuiApplication>
#include <QScreen>

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
