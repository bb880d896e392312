#include "gateway.h"

#include <QEventLoop>
#include <QJsonArray>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>

QByteArray jsonQuoted(const QString &text)
{
    QByteArray out;
    out.reserve(text.size() + 2);
    for (const QChar c : text) {
        const ushort u = c.unicode();
        if (u == '"' || u == '\\') {
            out += '\\';
            out += char(u);
        } else if (u >= 0x20 && u < 0x7f) {
            out += char(u);
        } else {
            out += "\\u" + QByteArray::number(u, 16).rightJustified(4, '0');
        }
    }
    return out;
}

QByteArray wsLoginBody(const QString &user, const QString &password)
{
    return QByteArrayLiteral(R"({"service":"sah.Device.Information","method":"createContext",)"
                             R"("parameters":{"applicationName":"so_sdkut","username":")")
           + jsonQuoted(user) + QByteArrayLiteral(R"(","password":")") + jsonQuoted(password)
           + QByteArrayLiteral(R"("}})");
}

QUrl gatewayUrl(const QString &livebox, const QString &path)
{
    return QUrl(QStringLiteral("http://") + livebox + path, QUrl::TolerantMode);
}

QUrl restLoginUrl(const QString &livebox, const QString &user, const QString &password)
{
    const QByteArray url = QByteArrayLiteral("http://") + livebox.toUtf8() + QByteArrayLiteral("/authenticate?username=")
                           + QUrl::toPercentEncoding(user) + QByteArrayLiteral("&password=")
                           + QUrl::toPercentEncoding(password);
    return QUrl::fromEncoded(url, QUrl::TolerantMode);
}

QByteArray sessionCookie(const QByteArray &setCookie, const QByteArray &contextId)
{
    return setCookie + QByteArrayLiteral("; sah/contextId=") + contextId;
}

QJsonDocument parseReply(const QByteArray &bytes)
{
    const int nul = bytes.indexOf('\0');
    const QString text = QString::fromUtf8(bytes.constData(), nul < 0 ? bytes.size() : nul);
    return QJsonDocument::fromJson(text.toUtf8());
}

QJsonObject objectAt(const QJsonObject &root, const QString &path)
{
    QJsonObject object = root;
    for (const QStringRef &step : path.splitRef(QLatin1Char('.'), Qt::SkipEmptyParts))
        object = object.value(step).toObject();
    return object;
}

double jsonNumber(const QJsonObject &object, const QString &key)
{
    const QJsonValue value = object.value(key);
    return value.isDouble() ? value.toDouble() : 0.0;
}

QString jsonText(const QJsonObject &object, const QString &key)
{
    const QJsonValue value = object.value(key);
    return value.isString() ? value.toString() : QString();
}

QJsonObject arrayElement(const QJsonObject &object, const QString &key, int index)
{
    return object.value(key).toArray().at(index).toObject();
}

QString redactedErrorText(QNetworkReply *reply)
{
    QString text = reply->errorString();
    const QUrl url = reply->url();
    if (url.hasQuery()) {
        for (QUrl::ComponentFormattingOptions form : {QUrl::FullyEncoded, QUrl::PrettyDecoded, QUrl::FullyDecoded})
            text.replace(QLatin1Char('?') + url.query(form), QString());
    }
    return text;
}

GatewayExchange::GatewayExchange(QNetworkAccessManager &manager, int deadlineMs, qint64 maxReplyBytes)
    : m_manager(manager)
    , m_deadlineMs(deadlineMs)
    , m_maxReplyBytes(maxReplyBytes)
{
}

GatewayExchange::Reply GatewayExchange::post(const QNetworkRequest &request, const QByteArray &body)
{
    return await(m_manager.post(request, body));
}

GatewayExchange::Reply GatewayExchange::get(const QNetworkRequest &request)
{
    return await(m_manager.get(request));
}

void GatewayExchange::abort()
{
    if (m_pending)
        m_pending->abort();
}

GatewayExchange::Reply GatewayExchange::await(QNetworkReply *reply)
{
    enum class Cut { None, Deadline, TooLarge } cut = Cut::None;
    QEventLoop loop;
    QTimer deadline;
    deadline.setSingleShot(true);
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    QObject::connect(&deadline, &QTimer::timeout, reply, [&] {
        cut = Cut::Deadline;
        reply->abort();
    });
    QObject::connect(reply, &QNetworkReply::downloadProgress, reply, [&](qint64 received, qint64 total) {
        if (cut == Cut::None && (received > m_maxReplyBytes || total > m_maxReplyBytes)) {
            cut = Cut::TooLarge;
            reply->abort();
        }
    });

    m_pending = reply;
    deadline.start(m_deadlineMs);
    if (!reply->isFinished())
        loop.exec();
    deadline.stop();
    m_pending = nullptr;

    Reply result;
    if (cut == Cut::Deadline) {
        result.error = QStringLiteral("no complete reply within %1 ms").arg(m_deadlineMs);
    } else if (cut == Cut::TooLarge) {
        result.error = QStringLiteral("reply larger than %1 bytes").arg(m_maxReplyBytes);
    } else if (reply->error() != QNetworkReply::NoError) {
        result.error = redactedErrorText(reply);
    } else {
        result.ok = true;
        result.body = reply->readAll();
        result.json = parseReply(result.body);
        result.setCookie = reply->rawHeader("Set-Cookie");
    }
    delete reply;
    return result;
}
