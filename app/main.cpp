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
    if (!headless) {
        // The window may hide in the tray, and then closing the chart window
        // must not end the program: only the main window's close does.
        application.setQuitOnLastWindowClosed(false);
        QObject::connect(&window, &MainWindow::closed, &application, &QApplication::quit, Qt::QueuedConnection);
        window.show();
        return application.exec();
    }

    // No window is ever shown, so none closing may end the program: only a
    // stop signal does.
    application.setQuitOnLastWindowClosed(false);

    // A service is stopped by SIGTERM: the poll under way is aborted, the
    // rows that wait are written (or reported), and the program ends well.
    StopSignals stop;
    QObject::connect(&stop, &StopSignals::stopAsked, &window, [&] {
        window.close();
        application.quit();
    });
    return application.exec();
}
