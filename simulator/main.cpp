#include "simulatedgateway.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>

#include <csignal>
#include <cstdio>
#include <iostream>
#include <pthread.h>
#include <thread>

namespace {

[[noreturn]] void usage(const std::string &why)
{
    std::cerr << "quelvane-gateway-sim: " << why << '\n';
    std::exit(2);
}

int number(const QCommandLineParser &parser, const QString &name, int fallback)
{
    if (!parser.isSet(name))
        return fallback;
    bool ok = false;
    const int value = parser.value(name).toInt(&ok);
    if (!ok || value < 0)
        usage("--" + name.toStdString() + " takes a whole number");
    return value;
}

// "65" is a number, "true" a boolean, "\"65\"" a text; anything else is taken as text.
QJsonValue fixedValue(const QString &text)
{
    const QJsonDocument doc = QJsonDocument::fromJson(QStringLiteral("[%1]").arg(text).toUtf8());
    if (doc.isArray() && doc.array().size() == 1) {
        const QJsonValue value = doc.array().at(0);
        if (value.isDouble() || value.isBool() || value.isString())
            return value;
    }
    return text;
}

} // namespace

int main(int argc, char **argv)
{
    // Blocked before any thread exists, so that only the waiting thread below
    // ever takes them.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("quelvane-gateway-sim"));
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Stand-in for a Livebox gateway's sysbus service, on 127.0.0.1."));
    parser.addHelpOption();
    parser.addOptions({
        {"port", "Port to listen on; 0 picks a free one.", "N", "0"},
        {"user", "Login name.", "U", "admin"},
        {"password", "Login password.", "P", "secret"},
        {"seed", "Seed of the line model.", "N", "1"},
        {"ssid", "Wi-Fi network name.", "NAME", "Livebox-1234"},
        {"fix", "Holds a member at a constant value (repeatable).", "FIELD=VALUE"},
        {"fault", "Applies a fault to every matching request (repeatable).", "TARGET:KIND[:PARAM]"},
        {"resync-every", "Resynchronises the line every N polls (0: never).", "N"},
        {"reboot-every", "Restarts the gateway every N polls (0: never).", "N"},
        {"firmware", "Answers as the protocol is documented (documented) or as real firmware (real): refusals inside "
                     "HTTP 200 replies, session cookies at both logins.", "documented|real", "documented"},
        {"line", "The line's kind: adsl, or vdsl (attainable rates in bit/s, no line attenuation).",
         "adsl|vdsl", "adsl"},
        {"keep-alive", "Keeps connections open between requests (each POST then waits out the delayed "
                       "acknowledgement of its headers)."},
    });
    parser.process(app);
    if (!parser.positionalArguments().isEmpty())
        usage("unexpected argument " + parser.positionalArguments().first().toStdString());

    Gateway::Options options;
    options.user = parser.value("user").toStdString();
    options.password = parser.value("password").toStdString();
    options.model.ssid = parser.value("ssid");
    bool seedOk = false;
    options.model.seed = parser.value("seed").toULongLong(&seedOk);
    if (!seedOk)
        usage("--seed takes a whole number");
    options.keepAlive = parser.isSet("keep-alive");
    const QString firmware = parser.value("firmware");
    if (firmware != "documented" && firmware != "real")
        usage("--firmware takes documented or real");
    options.realFirmware = firmware == "real";
    const QString line = parser.value("line");
    if (line != "adsl" && line != "vdsl")
        usage("--line takes adsl or vdsl");
    options.model.vdsl = line == "vdsl";
    options.model.resyncEvery = number(parser, "resync-every", -1);
    options.model.rebootEvery = number(parser, "reboot-every", -1);
    for (const QString &text : parser.values("fault")) {
        std::string error;
        const auto fault = parseFault(text.toStdString(), &error);
        if (!fault)
            usage(error);
        options.faults.push_back(*fault);
    }

    Gateway gateway(options);
    for (const QString &text : parser.values("fix")) {
        const int eq = text.indexOf('=');
        if (eq <= 0)
            usage("--fix takes FIELD=VALUE");
        gateway.model().fix(text.left(eq), fixedValue(text.mid(eq + 1)));
    }

    const int port = gateway.bind(number(parser, "port", 0));
    if (port <= 0) {
        std::cerr << "quelvane-gateway-sim: cannot listen on 127.0.0.1:" << parser.value("port").toStdString() << '\n';
        return 1;
    }

    std::thread waiter([&] {
        int signal = 0;
        sigwait(&stopSignals, &signal);
        gateway.stop();
    });
    std::printf("quelvane-gateway-sim listening on 127.0.0.1:%d\n", port);
    std::fflush(stdout);

    gateway.run();
    // If the server ended by itself, wake the waiter so that it can be joined.
    kill(getpid(), SIGTERM);
    waiter.join();
    return 0;
}
