#pragma once

#include <QByteArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QString>
#include <QUrl>

class QNetworkReply;

// Building requests and reading replies of the gateway's "sysbus" service.

// Login body of the newer gateways. User name and password are written as
// JSON strings with everything outside printable ASCII as \u escapes, so the
// body is plain ASCII whatever the password holds; letters and digits come
// out exactly as typed.
QByteArray wsLoginBody(const QString &user, const QString &password);

// Login URL of the older gateways, credentials percent-encoded as query
// values so that "&", "#", "+" or "=" in a password cannot break the query.
QUrl restLoginUrl(const QString &livebox, const QString &user, const QString &password);

QUrl gatewayUrl(const QString &livebox, const QString &path);

// The newer gateways want the login's cookie back along with the context.
// One Set-Cookie is sent back as it came (attributes included, as the
// gateway's own web pages do); several, which Qt joins with line feeds, as
// their name=value pairs. The value never holds a line break.
QByteArray sessionCookie(const QByteArray &setCookie, const QByteArray &contextId);

// The name=value pairs of the cookies a login set, joined by "; ", without
// their attributes; empty when it set none.
QByteArray cookiePairs(const QByteArray &setCookie);

// A header value as sent: without the line breaks that would end the header.
QByteArray headerValue(QByteArray value);

// A reply is read as UTF-8 up to the first NUL; anything that does not parse
// is an empty document, whose look-ups all give the defaults below.
QJsonDocument parseReply(const QByteArray &bytes);

// Real firmware refuses a session (wrong password, expired context) with an
// HTTP 200 reply that holds an "errors" list, at the top for the newer calls
// and under "result" for the older REST paths. Returns the errors as one
// text, or an empty text when the reply carries none.
QString refusalText(const QJsonDocument &reply);

// Follows a dotted member path; a missing or non-object step gives an
// empty object.
QJsonObject objectAt(const QJsonObject &root, const QString &path);

// A member that is missing or of another JSON type gives 0 or the empty
// text: the gateway's digits in quotes are not a number.
double jsonNumber(const QJsonObject &object, const QString &key);
QString jsonText(const QJsonObject &object, const QString &key);

// Element `index` of the array member `key`, as an object.
QJsonObject arrayElement(const QJsonObject &object, const QString &key, int index);

// What failed and where, for the diagnostics: the error's name, the HTTP
// status and the host, never the URL's query (the older login's password).
QString networkErrorText(QNetworkReply *reply);


// A reply as the program reads it.
struct GatewayReply
{
    bool ok = false;
    QString error;      // failure text, without the URL
    QByteArray body;    // raw reply bytes
    QJsonDocument json; // parsed body (empty when it does not parse)
    QByteArray setCookie;
    QString refusal;    // the gateway's own refusal inside a complete reply

    // A reply whose values may reach the record: it arrived whole, it is
    // JSON, and the gateway did not refuse the request in it.
    bool usable() const { return ok && refusal.isEmpty() && !json.isNull(); }
    bool refused() const { return ok && !refusal.isEmpty(); }
    // Why the reply is not usable, for the diagnostics.
    QString failure() const;
};

// A finished network reply, read: `cut` says why the program ended it
// early (empty when it did not).
GatewayReply readReply(QNetworkReply *reply, const QString &cut);
// A reply that arrived whole, read from its body and Set-Cookie header.
GatewayReply arrivedReply(const QByteArray &body, const QByteArray &setCookie = QByteArray());

// The session context a login reply opens: data.contextID. Empty when the
// login failed, whether by an error, by a refusal inside the reply, or by a
// reply without a context; `why` then says which.
QByteArray sessionContext(const GatewayReply &login, QString *why);
