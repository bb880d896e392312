#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QJsonObject>
#include <QNetworkRequest>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <QVector>

#include <functional>
#include <memory>

#include "gateway.h"
#include "liveboxinfos.h"

class QNetworkAccessManager;
class QNetworkReply;

// The gateway's sysbus service: the two login schemes, the two retrievals,
// the restart and the newer scheme's trace. One operation at a time, and it
// never waits: each request is sent, and the next one goes out when its reply
// has come, so that nothing the user opens meanwhile can hold a poll up.
class GatewayClient : public QObject
{
    Q_OBJECT

public:
    enum class Scheme { Older, Newer }; // "LB 2 ou 3", "LB 3 ou 4"

    // Where the gateway is and who logs in.
    struct Account
    {
        QString livebox;
        QString user;
        QString password;
    };

    // What an operation says of the session flag `connected`.
    enum class Session { Unchanged, Opened, Closed };

    struct Result
    {
        Scheme scheme = Scheme::Older;
        // Every reply usable and holding its values: `record` holds the new
        // reading (a poll), or the restart was sent and acknowledged.
        bool complete = false;
        Session session = Session::Unchanged;
        bool loginFailed = false; // the login itself failed or was refused
        bool aborted = false;
        QString failure; // why it failed, as the diagnostics say it
        LiveBoxInfos record;
        qint64 elapsedMs = 0; // from the first request to the end, on a monotonic clock
    };

    explicit GatewayClient(QNetworkAccessManager *manager, QObject *parent = nullptr);
    ~GatewayClient() override;

    // A request that stays silent or trickles ends as a failure after this.
    void setDeadline(int milliseconds) { m_deadlineMs = milliseconds; }
    int deadline() const { return m_deadlineMs; }
    static constexpr qint64 maxReplyBytes = 8 * 1024 * 1024;

    // The newer scheme's trace of its latest poll, emptied as a poll starts
    // and written step by step; empty: no trace.
    void setTracePath(const QString &path) { m_tracePath = path; }

    bool busy() const { return m_operation != Operation::None; }

    // Starts a poll; the record is filled from `current`, so that what a
    // reply does not say keeps its value. False, and nothing sent, while
    // another operation runs.
    bool poll(Scheme scheme, const Account &account, const LiveBoxInfos &current);
    // Logs in with the newer scheme and asks the gateway to restart.
    bool restart(const Account &account);
    // Ends the operation under way as a failure, at once.
    void abort();

signals:
    void pollFinished(const GatewayClient::Result &result);
    void restartFinished(const GatewayClient::Result &result);

private:
    enum class Operation { None, Poll, Restart };
    using Handler = std::function<void(const GatewayReply &)>;
    class Trace;

    void send(const QNetworkRequest &request, const QByteArray &body, bool get, Handler then);
    void replyFinished();

    // Takes the login's context; a failed login ends the operation.
    bool openSession(const GatewayReply &login);
    void olderLogin();
    void olderData(int index);
    void newerLogin(std::function<void()> then);
    void newerData(int index);
    void restartRequest();
    void finish(bool complete);
    // Ends the operation as failed at `reply`, for the reason `failure`.
    void failStep(const GatewayReply &reply, const QByteArray &label, const QString &failure);

    QNetworkAccessManager *m_manager;
    int m_deadlineMs = 30000;
    QString m_tracePath;

    // The operation under way.
    Operation m_operation = Operation::None;
    Account m_account;
    Result m_result;
    QElapsedTimer m_clock;
    QNetworkRequest m_request;
    QByteArray m_contextId;
    QByteArray m_cookie;
    QVector<QJsonObject> m_replies;
    std::unique_ptr<Trace> m_trace;

    // The request under way.
    QPointer<QNetworkReply> m_reply;
    Handler m_then;
    QTimer m_timer;
    QString m_cut;
};

Q_DECLARE_METATYPE(GatewayClient::Result)
