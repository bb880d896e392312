#include "stopsignals.h"

#include <QSocketNotifier>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace {
int pipeEnds[2] = {-1, -1};

void onSignal(int)
{
    const char byte = 1;
    // Nothing more may be done in a handler; a full pipe already says it.
    ssize_t written = ::write(pipeEnds[0], &byte, 1);
    (void)written;
}
}

StopSignals::StopSignals(QObject *parent)
    : QObject(parent)
{
    // Non-blocking, so that the handler never waits on a full pipe; closed
    // on exec, so that an alert command inherits neither end.
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, pipeEnds) != 0)
        return;
    m_notifier = new QSocketNotifier(pipeEnds[1], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, [this] {
        char byte;
        ssize_t got = ::read(pipeEnds[1], &byte, 1);
        (void)got;
        emit stopAsked();
    });
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int stop : {SIGTERM, SIGINT, SIGHUP})
        sigaction(stop, &action, nullptr);
}

StopSignals::~StopSignals()
{
    // Gone with the end of the program: a stop asked now, while the exit
    // finishes, changes nothing.
    for (const int stop : {SIGTERM, SIGINT, SIGHUP})
        signal(stop, SIG_IGN);
}
