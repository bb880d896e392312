#include <QApplication>
#include <QLoggingCategory>

#include <cstring>

#include "common/messages.h"
#include "mainwindow.h"
#include "stopsignals.h"

int main(int argc, char *argv[])
{
    bool headless = false;
    for (int i = 1; i < argc; ++i)
        headless = headless || std::strcmp(argv[i], "--headless") == 0;
    // Headless, no display is needed: the day reports still draw their plots.
    if (headless)
        qputenv("QT_QPA_PLATFORM", "offscreen");

    QApplication application(argc, argv);
    // Headless, the standard error is the journal of what boxes would have
    // said: the developers' debug lines stay out of it.
    if (headless)
        QLoggingCategory::setFilterRules(QStringLiteral("*.debug=false"));
    Messages::setHeadless(headless);
    MainWindow window;
    if (window.cannotStart())
        return 1;
    // Only the main window's close ends the program: it may hide in the tray
    // while the chart window closes, and headless no window is ever shown.
    application.setQuitOnLastWindowClosed(false);
    QObject::connect(&window, &MainWindow::closed, &application, &QApplication::quit, Qt::QueuedConnection);
    if (!headless) {
        window.show();
        return application.exec();
    }

    // A service is stopped by SIGTERM: the poll under way is aborted, the
    // rows that wait are written (or reported), and the program ends well.
    StopSignals stop;
    QObject::connect(&stop, &StopSignals::stopAsked, &window, &MainWindow::close);
    return application.exec();
}
