#pragma once

#include <string>

// cpp-httplib hides the socket of a request, so the faults that act on the
// connection itself find it among the process's descriptors by its two ends.

// The descriptor of the accepted connection from peerAddr:peerPort to our
// localPort, or -1.
int findConnection(int localPort, const std::string &peerAddr, int peerPort);

// Drops the connection with a reset, without a byte of reply. The descriptor
// stays open on a fresh unconnected socket so that httplib, which still owns
// the number, fails its writes and closes it as usual.
void resetConnection(int fd);

// True once the peer has closed its end (or the descriptor is gone).
bool peerClosed(int fd);

// Ends every accepted connection to localPort, so that idle keep-alive
// connections do not hold up the shutdown.
void shutdownConnections(int localPort);
