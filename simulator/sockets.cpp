#include "sockets.h"

#include <arpa/inet.h>
#include <dirent.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <functional>

namespace {

bool ends(int fd, int &localPort, std::string &peerAddr, int &peerPort)
{
    sockaddr_in local{}, peer{};
    socklen_t localLen = sizeof local, peerLen = sizeof peer;
    if (getsockname(fd, reinterpret_cast<sockaddr *>(&local), &localLen) != 0 || local.sin_family != AF_INET)
        return false;
    if (getpeername(fd, reinterpret_cast<sockaddr *>(&peer), &peerLen) != 0 || peer.sin_family != AF_INET)
        return false;
    char text[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &peer.sin_addr, text, sizeof text);
    localPort = ntohs(local.sin_port);
    peerAddr = text;
    peerPort = ntohs(peer.sin_port);
    return true;
}

void forEachConnection(int localPort, const std::function<bool(int, const std::string &, int)> &visit)
{
    DIR *dir = opendir("/proc/self/fd");
    if (!dir)
        return;
    while (dirent *entry = readdir(dir)) {
        char *end = nullptr;
        const long fd = std::strtol(entry->d_name, &end, 10);
        if (end == entry->d_name || *end != '\0' || fd == dirfd(dir))
            continue;
        int port = 0, peerPort = 0;
        std::string peerAddr;
        if (ends(static_cast<int>(fd), port, peerAddr, peerPort) && port == localPort
            && !visit(static_cast<int>(fd), peerAddr, peerPort))
            break;
    }
    closedir(dir);
}

} // namespace

int findConnection(int localPort, const std::string &peerAddr, int peerPort)
{
    int found = -1;
    forEachConnection(localPort, [&](int fd, const std::string &addr, int port) {
        if (addr == peerAddr && port == peerPort)
            found = fd;
        return found < 0;
    });
    return found;
}

void resetConnection(int fd)
{
    if (fd < 0)
        return;
    const linger abortive{1, 0};
    setsockopt(fd, SOL_SOCKET, SO_LINGER, &abortive, sizeof abortive);
    const int placeholder = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (placeholder < 0) {
        shutdown(fd, SHUT_RDWR);
        return;
    }
    dup2(placeholder, fd); // closing the last reference sends the reset
    close(placeholder);
}

bool peerClosed(int fd)
{
    if (fd < 0)
        return true;
    char byte;
    const ssize_t n = recv(fd, &byte, 1, MSG_PEEK | MSG_DONTWAIT);
    return n == 0 || (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR);
}

void shutdownConnections(int localPort)
{
    forEachConnection(localPort, [](int fd, const std::string &, int) {
        shutdown(fd, SHUT_RDWR);
        return true;
    });
}
