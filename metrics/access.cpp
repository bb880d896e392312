#include "access.h"

#include <QCryptographicHash>
#include <QHostAddress>

#include <crypt.h>

#include <cstring>

namespace {
// Compares without returning early, so that timing says nothing of where two
// digests differ.
bool sameBytes(const QByteArray &a, const QByteArray &b)
{
    if (a.size() != b.size())
        return false;
    unsigned char differ = 0;
    for (int i = 0; i < a.size(); ++i)
        differ |= static_cast<unsigned char>(a[i] ^ b[i]);
    return differ == 0;
}

QByteArray digest(const QByteArray &credentials)
{
    return QCryptographicHash::hash(credentials, QCryptographicHash::Sha256);
}
}

QString accessProblem(const MetricsAccess &access)
{
    if (access.open())
        return QString();
    if (access.user.isEmpty())
        return QStringLiteral("un mot de passe est donné sans utilisateur (METRIQUES/Utilisateur)");
    if (access.user.contains(QLatin1Char(':')))
        return QStringLiteral("le nom d'utilisateur ne peut pas contenir « : »");
    if (access.passwordHash.isEmpty())
        return QStringLiteral("un utilisateur est donné sans l'empreinte de son mot de passe "
                              "(METRIQUES/EmpreinteMotDePasse)");
    // crypt(3) takes a few letters as an old DES salt: a password written
    // in clear would then be taken for a hash that nothing matches.
    crypt_data data = {};
    const char *checked = access.passwordHash.startsWith('$')
                              ? crypt_rn("", access.passwordHash.constData(), &data, sizeof data)
                              : nullptr;
    if (!checked || checked[0] == '*')
        return QStringLiteral("METRIQUES/EmpreinteMotDePasse n'est pas une empreinte de mot de passe reconnue : "
                              "écrivez-y ce que donne « quelvane --password-hash », jamais le mot de passe lui-même");
    return QString();
}

QString exposureWarning(const QString &address, const MetricsAccess &access)
{
    QString host = address.left(address.lastIndexOf(QLatin1Char(':')));
    if (host.startsWith(QLatin1Char('[')) && host.endsWith(QLatin1Char(']')))
        host = host.mid(1, host.size() - 2);
    if (QHostAddress(host).isLoopback())
        return QString();
    const QString who = access.open()
                            ? QStringLiteral("sans mot de passe")
                            : QStringLiteral("protégées par le mot de passe de l'utilisateur « %1 »").arg(access.user);
    return QStringLiteral("Attention : les métriques sont servies à tout le réseau sur %1, %2 ; elles disent le modèle, "
                          "le logiciel et le nom du Wi-Fi de la Livebox.")
        .arg(address, who);
}

QByteArray hashPassword(const QByteArray &password)
{
    char salt[CRYPT_GENSALT_OUTPUT_SIZE];
    if (!crypt_gensalt_rn("$2b$", 12, nullptr, 0, salt, sizeof salt))
        return QByteArray();
    crypt_data data = {};
    const char *hash = crypt_rn(password.constData(), salt, &data, sizeof data);
    const QByteArray made = hash && hash[0] == '$' ? QByteArray(hash) : QByteArray();
    std::memset(&data, 0, sizeof data); // it held the password
    return made;
}

bool passwordMatches(const QByteArray &password, const QByteArray &hash)
{
    if (!hash.startsWith('$') || password.contains('\0'))
        return false;
    crypt_data data = {};
    const char *made = crypt_rn(password.constData(), hash.constData(), &data, sizeof data);
    const bool matches = made && made[0] == '$' && sameBytes(QByteArray(made), hash);
    std::memset(&data, 0, sizeof data);
    return matches;
}

BasicAuth::BasicAuth(MetricsAccess access)
    : m_access(std::move(access))
{
}

bool BasicAuth::allows(const char *authorization) const
{
    if (m_access.open())
        return true;
    if (!authorization)
        return false;
    const QByteArray header = QByteArray(authorization).trimmed();
    if (!header.left(6).toLower().startsWith("basic "))
        return false;
    const auto decoded = QByteArray::fromBase64Encoding(header.mid(6).trimmed(), QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded)
        return false;
    const QByteArray credentials = *decoded;
    const int colon = credentials.indexOf(':');
    if (colon < 0)
        return false;
    const QByteArray user = credentials.left(colon), password = credentials.mid(colon + 1);
    const QByteArray key = digest(credentials);
    {
        std::lock_guard<std::mutex> lock(m_lastMatch);
        if (!m_matched.isEmpty() && sameBytes(key, m_matched))
            return true;
    }
    std::lock_guard<std::mutex> slow(m_slowCheck);
    // The password is checked even for a wrong user: the time taken says
    // nothing of which of the two was wrong.
    const bool matches = passwordMatches(password, m_access.passwordHash);
    if (!sameBytes(user, m_access.user.toUtf8()) || !matches)
        return false;
    std::lock_guard<std::mutex> lock(m_lastMatch);
    m_matched = key;
    return true;
}
