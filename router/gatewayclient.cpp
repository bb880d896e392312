#include "gatewayclient.h"

#include <QDebug>
#include <QFile>
#include <QNetworkAccessManager>
#include <QNetworkReply>

#include "recordfill.h"
#include "requests.h"

// The trace of the latest newer-scheme poll. It is emptied when the poll
// starts and each step is written as it ends, in one write, so that during a
// hung poll it shows the step it hangs at rather than an earlier poll.
class GatewayClient::Trace
{
public:
    explicit Trace(const QString &path)
        : m_file(path)
    {
        m_file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text | QIODevice::Unbuffered);
    }
    ~Trace() { flush(); }
    bool isOpen() const { return m_file.isOpen(); }

    // Writes what was gathered since the last flush.
    void flush()
    {
        if (m_text.isEmpty())
            return;
        m_file.write(m_text);
        m_text.clear();
    }

    Trace &operator<<(const char *text)
    {
        m_text += text;
        return *this;
    }
    Trace &operator<<(const QByteArray &bytes)
    {
        m_text += bytes;
        return *this;
    }
    Trace &operator<<(const QString &text)
    {
        m_text += text.toUtf8();
        return *this;
    }

private:
    QFile m_file;
    QByteArray m_text;
};

GatewayClient::GatewayClient(QNetworkAccessManager *manager, QObject *parent)
    : QObject(parent)
    , m_manager(manager)
{
    qRegisterMetaType<GatewayClient::Result>();
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        if (!m_reply)
            return;
        m_cut = QStringLiteral("no complete reply within %1 ms").arg(m_deadlineMs);
        m_reply->abort();
    });
}

GatewayClient::~GatewayClient()
{
    // The reply must not call back into a client that is gone.
    if (m_reply) {
        m_reply->disconnect(this);
        m_reply->abort();
        delete m_reply;
    }
}

bool GatewayClient::poll(Scheme scheme, const Account &account, const LiveBoxInfos &current)
{
    if (busy())
        return false;
    m_result = Result();
    m_result.scheme = scheme;
    m_result.record = current;
    m_account = account;
    m_clock.start();
    if (scheme == Scheme::Older) {
        m_operation = Operation::Poll;
        olderLogin();
        return true;
    }
    if (!m_tracePath.isEmpty()) {
        m_trace.reset(new Trace(m_tracePath));
        // Trouble with the trace never costs a poll: without a file, the
        // poll goes on untraced.
        if (!m_trace->isOpen()) {
            m_trace.reset();
        } else {
            *m_trace << "Version LB4 02/06/19 - 19h40\n\n";
            m_trace->flush();
        }
    }
    m_operation = Operation::Poll;
    newerLogin([this] { newerData(0); });
    return true;
}

bool GatewayClient::restart(const Account &account)
{
    if (busy())
        return false;
    m_result = Result();
    m_result.scheme = Scheme::Newer;
    m_account = account;
    m_clock.start();
    m_operation = Operation::Restart;
    newerLogin([this] { restartRequest(); });
    return true;
}

void GatewayClient::abort()
{
    if (!m_reply)
        return;
    m_cut = QStringLiteral("aborted");
    m_result.aborted = true;
    m_reply->abort();
}

void GatewayClient::send(const QNetworkRequest &sent, const QByteArray &body, bool get, Handler then)
{
    m_then = std::move(then);
    m_cut.clear();
    // Every header the gateway gets is set here: whatever cookie jar the
    // manager has must neither add cookies nor keep the gateway's.
    QNetworkRequest request = sent;
    request.setAttribute(QNetworkRequest::CookieLoadControlAttribute, QNetworkRequest::Manual);
    request.setAttribute(QNetworkRequest::CookieSaveControlAttribute, QNetworkRequest::Manual);
    // Left to itself, Qt asks for compressed replies and inflates each one
    // whole before its size can be counted: a few megabytes could become
    // gigabytes. Asking for none, Qt leaves any encoding as it comes, so the
    // size limit below counts the bytes the program reads, and a compressed
    // body sent anyway is no JSON: a failed request.
    request.setRawHeader("Accept-Encoding", "identity");
    QNetworkReply *reply = get ? m_manager->get(request) : m_manager->post(request, body);
    m_reply = reply;
    connect(reply, &QNetworkReply::downloadProgress, this, [this, reply](qint64 received, qint64 total) {
        if (m_cut.isEmpty() && (received > maxReplyBytes || total > maxReplyBytes)) {
            m_cut = QStringLiteral("reply larger than %1 bytes").arg(maxReplyBytes);
            reply->abort();
        }
    });
    connect(reply, &QNetworkReply::finished, this, &GatewayClient::replyFinished);
    m_timer.start(m_deadlineMs);
}

void GatewayClient::replyFinished()
{
    QNetworkReply *reply = m_reply;
    if (!reply)
        return;
    m_timer.stop();
    m_reply = nullptr;
    const GatewayReply read = readReply(reply, m_cut);
    reply->deleteLater();
    Handler then = std::move(m_then);
    m_then = nullptr;
    // An aborted operation ends here: it says nothing of the session.
    if (m_result.aborted) {
        m_result.failure = read.failure();
        finish(false);
        return;
    }
    then(read);
}

void GatewayClient::olderLogin()
{
    m_request = QNetworkRequest(restLoginUrl(m_account.livebox, m_account.user, m_account.password));
    m_request.setRawHeader("Content-Type", "application/json");
    send(m_request, QByteArray(), false, [this](const GatewayReply &login) {
        if (!openSession(login))
            return;
        m_request.setRawHeader("X-Context", headerValue(m_contextId));
        m_request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("application/json"));
        // Real firmware ties the session to a cookie set at the login; it goes
        // back on this poll's requests only, never on a later poll's.
        const QByteArray cookies = cookiePairs(login.setCookie);
        if (!cookies.isEmpty())
            m_request.setRawHeader("Cookie", cookies);
        m_replies = QVector<QJsonObject>(olderRequests().size());
        olderData(0);
    });
}

void GatewayClient::olderData(int index)
{
    const RestRequest &step = olderRequests().at(index);
    m_request.setUrl(gatewayUrl(m_account.livebox, step.path));
    send(m_request, step.body, step.get, [this, index, &step](const GatewayReply &reply) {
        const QString failure = dataFailure(reply, step.values);
        if (!failure.isEmpty()) {
            failStep(reply, "Failure", failure);
            return;
        }
        m_replies[index] = reply.json.object();
        if (index + 1 < m_replies.size()) {
            olderData(index + 1);
            return;
        }
        fillFromOlderReplies(&m_result.record, m_replies);
        finish(true);
    });
}

void GatewayClient::newerLogin(std::function<void()> then)
{
    QNetworkRequest request(gatewayUrl(m_account.livebox, QStringLiteral("/ws")));
    request.setRawHeader("Content-Type", "application/x-sah-ws-4-call+json");
    request.setRawHeader("Authorization", "X-Sah-Login");
    send(request, wsLoginBody(m_account.user, m_account.password), false,
         [this, then = std::move(then)](const GatewayReply &login) {
             if (!openSession(login))
                 return;
             m_cookie = login.setCookie;
             then();
         });
}

bool GatewayClient::openSession(const GatewayReply &login)
{
    QString why;
    m_contextId = sessionContext(login, &why);
    if (m_contextId.isEmpty()) {
        qDebug().noquote() << "Failure" << why;
        m_result.session = Session::Closed;
        m_result.loginFailed = true;
        m_result.failure = why;
        finish(false);
        return false;
    }
    m_result.session = Session::Opened;
    return true;
}

namespace {
// Every later request of a newer-scheme session: a second request object,
// without the login's authorisation.
QNetworkRequest sessionRequest(const QString &livebox, const QByteArray &contentType, const QByteArray &contextId,
                               const QByteArray &cookie)
{
    QNetworkRequest request(gatewayUrl(livebox, QStringLiteral("/ws")));
    request.setRawHeader("Content-Type", contentType);
    request.setRawHeader("X-Context", headerValue(contextId));
    request.setRawHeader("cookie", sessionCookie(cookie, contextId));
    return request;
}
}

void GatewayClient::newerData(int index)
{
    if (index == 0) {
        m_request = sessionRequest(m_account.livebox, "application/x-sah-ws-4-call+json", m_contextId, m_cookie);
        m_replies = QVector<QJsonObject>(newerCalls().size());
    }
    const ServiceCall &call = newerCalls().at(index);
    send(m_request, call.body, false, [this, index, &call](const GatewayReply &reply) {
        const QString failure = dataFailure(reply, call.values);
        if (m_trace) {
            // The reply as text, up to a NUL as it was read, whenever it could
            // be read at all: one without its values shows what it held.
            if (reply.usable()) {
                const int nul = reply.body.indexOf('\0');
                *m_trace << call.marker << "\n" << (nul < 0 ? reply.body : reply.body.left(nul)) << "\n";
            }
            if (!failure.isEmpty())
                *m_trace << "failure " << call.name << failure << "\n";
            m_trace->flush();
        }
        if (!failure.isEmpty()) {
            failStep(reply, QByteArrayLiteral("Failure ") + call.name, failure);
            return;
        }
        m_replies[index] = reply.json.object();
        if (index + 1 < m_replies.size()) {
            newerData(index + 1);
            return;
        }
        if (m_trace)
            *m_trace << "\nEXTRACTION DES INFOS\n\n";
        fillFromNewerReplies(&m_result.record, m_replies);
        if (m_trace) {
            *m_trace << "hardware version = " << m_result.record.HardwareVersion << "\n";
            *m_trace << "LastChange = " << QString::number(m_result.record.LastChange, 'g', 6) << "\n";
        }
        finish(true);
    });
}

void GatewayClient::restartRequest()
{
    const QNetworkRequest request = sessionRequest(m_account.livebox, "application/json", m_contextId, m_cookie);
    send(request, restartBody(), false, [this](const GatewayReply &reply) {
        // The restart's answer need not be JSON: only a transport error or a
        // refusal fails it.
        if (!reply.ok || reply.refused()) {
            failStep(reply, "Failure REBOOT", reply.failure());
            return;
        }
        finish(true);
    });
}

void GatewayClient::failStep(const GatewayReply &reply, const QByteArray &label, const QString &failure)
{
    // A refusal means the gateway no longer holds the session.
    if (reply.refused())
        m_result.session = Session::Closed;
    qDebug().noquote() << label.constData() << failure;
    m_result.failure = failure;
    finish(false);
}

void GatewayClient::finish(bool complete)
{
    const Operation operation = m_operation;
    m_trace.reset(); // the last step written now, before anyone reads it
    m_result.complete = complete;
    m_result.elapsedMs = m_clock.isValid() ? m_clock.elapsed() : 0;
    m_operation = Operation::None;
    m_request = QNetworkRequest();
    m_contextId.clear();
    m_cookie.clear();
    m_replies.clear();
    // Free before anyone hears of it: the listener may start the next one.
    const Result result = m_result;
    if (operation == Operation::Restart)
        emit restartFinished(result);
    else
        emit pollFinished(result);
}
