#pragma once

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>

#include "app/mainwindow.h"

// The window's start-up polls the gateway without holding up the event
// loop: wait until it is over (its polls, and the warning a closer answers).
inline bool startedUp(MainWindow &window, int ms = 30000)
{
    QElapsedTimer clock;
    clock.start();
    while (window.startingUp() && clock.elapsed() < ms)
        QTest::qWait(5);
    return !window.startingUp();
}

// Runs `start`, which begins a poll, and waits until the poll and all that
// follows it (display, recording, curves, the cycle's re-arm) are over.
template <typename Start> bool polled(MainWindow &window, Start start, int ms = 30000)
{
    QSignalSpy ended(&window, &MainWindow::pollEnded);
    start();
    return !ended.isEmpty() || ended.wait(ms);
}
