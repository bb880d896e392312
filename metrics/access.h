#pragma once

#include <QByteArray>
#include <QString>

#include <memory>
#include <mutex>

// Who may read the metrics: anyone when no user is set, otherwise HTTP basic
// authentication as Prometheus's own exporters ask it, the password known
// only by its crypt(3) hash (bcrypt "$2y$"/"$2b$", yescrypt "$y$",
// SHA-512 "$6$").
struct MetricsAccess
{
    QString user;
    QByteArray passwordHash;

    bool open() const { return user.isEmpty() && passwordHash.isEmpty(); }
};

// Why `access` cannot protect the metrics, in the user's words; empty when
// it can. Never quotes the hash, which may be a password written in clear.
QString accessProblem(const MetricsAccess &access);

// What the user must know when `address` ("host:port") lets other machines
// read the metrics: the gateway's model, firmware and Wi-Fi name are among
// them. Empty for a loopback address.
QString exposureWarning(const QString &address, const MetricsAccess &access);

// A bcrypt hash of `password` with a fresh salt; empty if the system's
// crypt(3) cannot make one.
QByteArray hashPassword(const QByteArray &password);

// Whether `password` is the one `hash` was made from.
bool passwordMatches(const QByteArray &password, const QByteArray &hash);

// Checks the "Authorization" header of each request, from any of the
// server's threads. A hash is slow to check on purpose: the credentials
// that last matched are kept as a digest so that a scraper's every request
// does not pay it again, and the slow checks run one at a time so that
// guesses cost one core at most.
class BasicAuth
{
public:
    explicit BasicAuth(MetricsAccess access);

    // `authorization` is the header's value, null when absent.
    bool allows(const char *authorization) const;

private:
    MetricsAccess m_access;
    mutable std::mutex m_slowCheck;
    mutable std::mutex m_lastMatch;
    mutable QByteArray m_matched; // digest of the credentials that last matched
};
