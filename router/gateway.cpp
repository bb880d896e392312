#include "gateway.h"

#include <QJsonArray>
#include <QMetaEnum>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QStringList>

namespace {
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

QByteArray headerValue(QByteArray value)
{
    value.replace('\r', QByteArray()).replace('\n', QByteArray());
    return value;
}

QByteArray cookiePairs(const QByteArray &setCookie)
{
    QList<QByteArray> pairs;
    for (const QByteArray &line : setCookie.split('\n')) {
        const int semicolon = line.indexOf(';');
        const QByteArray pair = (semicolon < 0 ? line : line.left(semicolon)).trimmed();
        if (pair.contains('='))
            pairs << pair;
    }
    return headerValue(pairs.join("; "));
}

QByteArray sessionCookie(const QByteArray &setCookie, const QByteArray &contextId)
{
    const QByteArray trimmed = setCookie.trimmed();
    const QByteArray cookie = trimmed.contains('\n') ? cookiePairs(trimmed) : setCookie;
    return headerValue(cookie + QByteArrayLiteral("; sah/contextId=") + contextId);
}

QJsonDocument parseReply(const QByteArray &bytes)
{
    const int nul = bytes.indexOf('\0');
    const QString text = QString::fromUtf8(bytes.constData(), nul < 0 ? bytes.size() : nul);
    return QJsonDocument::fromJson(text.toUtf8());
}

namespace {
bool carriesErrors(const QJsonValue &errors)
{
    switch (errors.type()) {
    case QJsonValue::Array:
        return !errors.toArray().isEmpty();
    case QJsonValue::Object:
        return !errors.toObject().isEmpty();
    case QJsonValue::String:
        return !errors.toString().isEmpty();
    case QJsonValue::Bool:
        return errors.toBool();
    case QJsonValue::Double:
        return errors.toDouble() != 0;
    default:
        return false;
    }
}

QString errorsText(const QJsonValue &errors)
{
    if (!errors.isArray())
        return QString::fromUtf8(QJsonDocument(QJsonArray{errors}).toJson(QJsonDocument::Compact));
    QStringList parts;
    for (const QJsonValue &item : errors.toArray()) {
        const QJsonObject error = item.toObject();
        if (error.isEmpty()) {
            parts << QString::fromUtf8(QJsonDocument(QJsonArray{item}).toJson(QJsonDocument::Compact));
            continue;
        }
        QString part = QStringLiteral("error %1").arg(error.value(QLatin1String("error")).toVariant().toString());
        const QString description = error.value(QLatin1String("description")).toString();
        if (!description.isEmpty())
            part += QStringLiteral(": ") + description;
        const QString info = error.value(QLatin1String("info")).toString();
        if (!info.isEmpty())
            part += QStringLiteral(" (") + info + QLatin1Char(')');
        parts << part;
    }
    return parts.join(QStringLiteral("; "));
}
}

QString refusalText(const QJsonDocument &reply)
{
    const QJsonObject root = reply.object();
    for (const QJsonValue &errors : {root.value(QLatin1String("errors")),
                                     root.value(QLatin1String("result")).toObject().value(QLatin1String("errors"))}) {
        if (carriesErrors(errors))
            return QStringLiteral("refused by the gateway: ") + errorsText(errors);
    }
    return QString();
}

QString GatewayReply::failure() const
{
    if (!ok)
        return error;
    if (!refusal.isEmpty())
        return refusal;
    if (json.isNull())
        return QStringLiteral("the reply is not JSON");
    return QString();
}

QByteArray sessionContext(const GatewayReply &login, QString *why)
{
    *why = login.failure();
    if (!why->isEmpty())
        return QByteArray();
    const QByteArray context =
        jsonText(objectAt(login.json.object(), QStringLiteral("data")), QStringLiteral("contextID")).toUtf8();
    if (context.isEmpty())
        *why = QStringLiteral("the login reply holds no session context");
    return context;
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

QString networkErrorText(QNetworkReply *reply)
{
    // Qt's own texts repeat the URL, query and all, in forms that no filter
    // can list, and the older gateways take the password in the query: the
    // diagnostics say what failed and where from the error's name, the HTTP
    // status and the host alone.
    const QMetaEnum errors = QMetaEnum::fromType<QNetworkReply::NetworkError>();
    const char *name = errors.valueToKey(reply->error());
    QString text = name ? QString::fromLatin1(name) : QStringLiteral("network error %1").arg(int(reply->error()));
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (status.isValid())
        text += QStringLiteral(", HTTP %1").arg(status.toInt());
    const QUrl url = reply->url();
    if (!url.host().isEmpty())
        text += QStringLiteral(" (") + url.host() + (url.port() >= 0 ? QStringLiteral(":%1").arg(url.port()) : QString())
                + QLatin1Char(')');
    return text;
}

GatewayReply readReply(QNetworkReply *reply, const QString &cut)
{
    GatewayReply result;
    if (!cut.isEmpty()) {
        result.error = cut;
    } else if (reply->error() != QNetworkReply::NoError) {
        result.error = networkErrorText(reply);
    } else {
        result = arrivedReply(reply->readAll(), reply->rawHeader("Set-Cookie"));
    }
    return result;
}

GatewayReply arrivedReply(const QByteArray &body, const QByteArray &setCookie)
{
    GatewayReply result;
    result.ok = true;
    result.body = body;
    result.json = parseReply(body);
    result.setCookie = setCookie;
    result.refusal = refusalText(result.json);
    return result;
}
