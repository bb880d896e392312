#include <QApplication>
#include <QDir>
#include <QLoggingCategory>
#include <QMessageBox>

#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>

#include <termios.h>
#include <unistd.h>

#include "acquisition/acquisition.h"
#include "common/appdir.h"
#include "common/datafolder.h"
#include "common/messages.h"
#include "language.h"
#include "mainwindow.h"
#include "metrics/access.h"
#include "options.h"
#include "stopsignals.h"
#include "version.h"

namespace {
// `--password-hash`: reads a password on the standard input (unseen when
// typed) and prints the hash that METRIQUES/EmpreinteMotDePasse takes. Read
// there rather than from the command line, which other users can list.
int printPasswordHash()
{
    const bool typed = isatty(STDIN_FILENO);
    termios before = {};
    if (typed) {
        std::fprintf(stderr, "Mot de passe des métriques : ");
        tcgetattr(STDIN_FILENO, &before);
        termios hidden = before;
        hidden.c_lflag &= ~tcflag_t(ECHO);
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &hidden);
    }
    std::string password;
    std::getline(std::cin, password);
    if (typed) {
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &before);
        std::fprintf(stderr, "\n");
    }
    if (!password.empty() && password.back() == '\r')
        password.pop_back();
    if (password.empty()) {
        std::fprintf(stderr, "quelvane: mot de passe vide\n");
        return 1;
    }
    const QByteArray hash = hashPassword(QByteArray::fromStdString(password));
    std::fill(password.begin(), password.end(), '\0');
    if (hash.isEmpty()) {
        std::fprintf(stderr, "quelvane: ce système ne sait pas faire d'empreinte bcrypt\n");
        return 1;
    }
    std::printf("%s\n", hash.constData());
    return 0;
}

// The data folder the options, the environment or the program's place
// give, ready to be written: false once the user has been told why not.
bool useDataFolder(const Options &options, bool headless, DataFolder *data)
{
    const QString environment = qEnvironmentVariable("QUELVANE_DIR");
    *data = chooseDataFolder(options.dir, environment, QCoreApplication::applicationDirPath(),
                             qEnvironmentVariable("XDG_DATA_HOME"), QDir::homePath());
    const bool asked = !options.dir.isEmpty() || !environment.isEmpty();
    QString error;
    // A portable folder nobody named behaves as it always has.
    if ((asked || !data->besideProgram) && !prepareDataFolder(data->path, &error)) {
        const QString text = QStringLiteral("Le dossier de données ne peut pas servir : %1").arg(error);
        if (headless)
            Messages::print(QStringLiteral("Quelvane"), text);
        else
            QMessageBox::critical(nullptr, QStringLiteral("Quelvane"), text);
        return false;
    }
    AppDir::setPath(data->path);
    if (!data->besideProgram)
        Messages::print(QStringLiteral("Quelvane"), dataFolderText(data->path));
    return true;
}

// Headless, the acquisition runs alone: no window is made, and the day
// report draws its plots from the chart data.
int runHeadless(QApplication &application, StopSignals &stop)
{
    application.setQuitOnLastWindowClosed(false);
    Acquisition acquisition;
    acquisition.readSettings();
    if (!acquisition.startMetrics())
        return 1;
    // Stopped by a signal, or by the session's end: the poll under way is
    // aborted, the rows that wait are written (or said lost), the settings
    // written, and the program ends well.
    const auto end = [&] {
        if (acquisition.runEnded())
            return;
        acquisition.endRun(true);
        acquisition.writeSettings();
        QCoreApplication::quit();
    };
    QObject::connect(&stop, &StopSignals::stopAsked, &acquisition, end);
    QObject::connect(&application, &QCoreApplication::aboutToQuit, &acquisition, end);
    acquisition.start();
    return application.exec();
}
}

int main(int argc, char *argv[])
{
    // Help and the version need no display, and touch no file.
    QStringList raw;
    for (int i = 0; i < argc; ++i)
        raw << QString::fromLocal8Bit(argv[i]);
    const Options early = parseOptions(raw);
    if (raw.contains(QStringLiteral("--help")) || raw.contains(QStringLiteral("-h"))) {
        std::printf("%s", helpText().toUtf8().constData());
        return 0;
    }
    if (raw.contains(QStringLiteral("--version"))) {
        std::printf("Quelvane - %s\n", programVersionText().toUtf8().constData());
        return 0;
    }
    if (early.action == Options::Action::PasswordHash)
        return printPasswordHash();
    const bool headless = early.headless;
    // Headless, no display is needed: the day reports still draw their plots.
    if (headless)
        qputenv("QT_QPA_PLATFORM", "offscreen");

    // The session manager's commit saves and goes on (MainWindow::commitData):
    // it must not close the windows, which would end the program at every
    // checkpoint.
QT_WARNING_PUSH
QT_WARNING_DISABLE_DEPRECATED
    QGuiApplication::setFallbackSessionManagementEnabled(false);
QT_WARNING_POP
    QApplication application(argc, argv);
    // Qt has taken its own options out: what is left must be the program's.
    const Options options = parseOptions(QCoreApplication::arguments());
    if (options.action == Options::Action::Refused) {
        std::fprintf(stderr, "quelvane: %s\nEssayez « quelvane --help ».\n", options.refusal.toUtf8().constData());
        return 2;
    }
    installQtTranslations(&application);
    // Before the window: a stop signal during its start-up or its end is
    // heard (and a second one, during the end, ignored).
    StopSignals stop;
    // Headless, the standard error is the journal of what boxes would have
    // said: the developers' debug lines stay out of it.
    if (headless)
        QLoggingCategory::setFilterRules(QStringLiteral("*.debug=false"));
    Messages::setHeadless(headless);
    DataFolder data;
    if (!useDataFolder(options, headless, &data))
        return 1;
    if (headless)
        return runHeadless(application, stop);
    MainWindow window;
    if (!data.besideProgram)
        window.showDataFolder(data.path);
    QObject::connect(&stop, &StopSignals::stopAsked, &window, &MainWindow::stopAsked);
    // Only the main window's close ends the program: it may hide in the tray
    // while the chart window closes.
    application.setQuitOnLastWindowClosed(false);
    QObject::connect(&window, &MainWindow::closed, &application, &QApplication::quit, Qt::QueuedConnection);
    // A session that ends without a stop signal (the session manager's
    // "die") still ends the run as a close would.
    QObject::connect(&application, &QCoreApplication::aboutToQuit, &window, &MainWindow::stopAsked);
    QObject::connect(&application, &QGuiApplication::commitDataRequest, &window, &MainWindow::commitData);
    window.show();
    // Stopped by a signal, the poll under way is aborted, the rows that wait
    // are written (or reported), the settings written, and the program ends
    // well.
    return application.exec();
}
