#include "platform/database/DatabaseLocation.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QUrl>
#include <QUrlQuery>
#include <sys/vfs.h>

namespace {
// The connection parameters the client library accepts, apart from those of the URI's own
// parts (host, port, dbname, user) and the secrets, which are refused.
const QStringList kParameters = {
    QStringLiteral("hostaddr"),
    QStringLiteral("passfile"),
    QStringLiteral("channel_binding"),
    QStringLiteral("connect_timeout"),
    QStringLiteral("client_encoding"),
    QStringLiteral("options"),
    QStringLiteral("application_name"),
    QStringLiteral("fallback_application_name"),
    QStringLiteral("keepalives"),
    QStringLiteral("keepalives_idle"),
    QStringLiteral("keepalives_interval"),
    QStringLiteral("keepalives_count"),
    QStringLiteral("tcp_user_timeout"),
    QStringLiteral("gssencmode"),
    QStringLiteral("sslmode"),
    QStringLiteral("requiressl"),
    QStringLiteral("sslcompression"),
    QStringLiteral("sslcert"),
    QStringLiteral("sslkey"),
    QStringLiteral("sslrootcert"),
    QStringLiteral("sslcrl"),
    QStringLiteral("sslcrldir"),
    QStringLiteral("sslsni"),
    QStringLiteral("requirepeer"),
    QStringLiteral("ssl_min_protocol_version"),
    QStringLiteral("ssl_max_protocol_version"),
    QStringLiteral("krbsrvname"),
    QStringLiteral("gsslib"),
    QStringLiteral("service"),
    QStringLiteral("target_session_attrs"),
};
const QStringList kSecrets = {QStringLiteral("password"), QStringLiteral("sslpassword")};

bool validPort(const QString& text, int& port)
{
    bool ok = false;
    port = text.toInt(&ok);
    return ok && port > 0 && port < 65536 && !text.startsWith(u'+');
}
} // namespace

bool DatabaseLocation::looksLikeUri(const QString& text)
{
    static const QRegularExpression scheme(QStringLiteral("^\\s*[A-Za-z][A-Za-z0-9+.-]*://"));
    return scheme.match(text).hasMatch();
}

DatabaseLocation DatabaseLocation::parse(const QString& text)
{
    DatabaseLocation location;
    location.text = text;
    if (!looksLikeUri(text))
        return location;
    location.kind = Kind::Server;
    const auto refuse = [&location](const QString& why) {
        if (location.problem.isEmpty())
            location.problem = why;
        return location;
    };
    const QUrl url(text.trimmed(), QUrl::StrictMode);
    const QString scheme = text.trimmed().section(QStringLiteral("://"), 0, 0).toLower();
    if (scheme != QStringLiteral("postgresql") && scheme != QStringLiteral("postgres"))
        return refuse(
            QStringLiteral("the scheme \"%1\" is not postgresql:// or postgres://").arg(scheme));
    if (!url.password().isEmpty() || url.userInfo().contains(u':'))
        location.carriesSecret = true;
    const QUrlQuery query(url);
    for (const auto& [key, value] : query.queryItems(QUrl::FullyDecoded)) {
        if (kSecrets.contains(key))
            location.carriesSecret = true;
    }
    if (location.carriesSecret)
        return refuse(QStringLiteral("it carries a password; the settings file is readable by "
                                     "every user, so give the password in ~/.pgpass or "
                                     "PGPASSFILE instead"));
    if (!url.isValid())
        // Qt's reason repeats the whole text, which may hold a password in a form not parsed.
        return refuse(QStringLiteral("it is not a well-formed URI"));

    location.host = url.host(QUrl::FullyDecoded);
    location.user = url.userName(QUrl::FullyDecoded);
    if (url.port() != -1)
        location.port = url.port();
    QString database = url.path(QUrl::FullyDecoded);
    if (database.startsWith(u'/'))
        database.remove(0, 1);
    location.database = database;
    for (const auto& [key, value] : query.queryItems(QUrl::FullyDecoded)) {
        if (value.contains(u';'))
            return refuse(QStringLiteral("the value of %1 holds a ';'").arg(key));
        if (key == QStringLiteral("host")) {
            location.host = value;
        } else if (key == QStringLiteral("port")) {
            if (!validPort(value, location.port))
                return refuse(
                    QStringLiteral("the port \"%1\" is not a number from 1 to 65535").arg(value));
        } else if (key == QStringLiteral("dbname")) {
            location.database = value;
        } else if (key == QStringLiteral("user")) {
            location.user = value;
        } else if (kParameters.contains(key)) {
            location.parameters.append({key, value});
        } else {
            return refuse(QStringLiteral("\"%1\" is not a connection parameter").arg(key));
        }
    }
    if (location.database.isEmpty() || location.database.contains(u'/'))
        return refuse(QStringLiteral("it names no database (postgresql://host/DATABASE)"));
    if (location.host.isEmpty() && location.port != -1)
        return refuse(QStringLiteral("it names no host or socket folder"));
    return location;
}

QString DatabaseLocation::display() const
{
    if (!isServer())
        return text;
    QUrl url(text.trimmed(), QUrl::StrictMode);
    if (!url.isValid()) {
        // Not parsed, so whatever stands before the host's end may be a password: an
        // authority holding ':' or '@' is left out, and so is every password parameter.
        static const QRegularExpression authority(QStringLiteral("://[^/?#]*[:@][^/?#]*"));
        static const QRegularExpression passwordParameter(
            QStringLiteral("[?&](ssl)?password=[^&#]*"), QRegularExpression::CaseInsensitiveOption);
        QString shown = text.trimmed();
        shown.replace(authority, QStringLiteral("://..."));
        shown.replace(passwordParameter, QString());
        return shown;
    }
    url.setPassword({});
    QUrlQuery query(url);
    for (const QString& secret : kSecrets)
        query.removeAllQueryItems(secret);
    url.setQuery(query);
    return url.toString();
}

QString DatabaseLocation::serverDescription() const
{
    return QStringLiteral("host %1, port %2, database %3")
        .arg(host.isEmpty() ? QStringLiteral("(the local socket)") : host,
             port == -1 ? QStringLiteral("5432") : QString::number(port), database);
}

QString DatabaseLocation::parameter(const QString& name, const QString& fallback) const
{
    for (const auto& [key, value] : parameters)
        if (key == name)
            return value;
    return fallback;
}

bool onNetworkFileSystem(const QString& path)
{
    struct statfs info
    {
    };
    const QByteArray folder = QFile::encodeName(QFileInfo(path).absolutePath());
    if (::statfs(folder.constData(), &info) != 0)
        return false;
    switch (static_cast<quint32>(info.f_type)) {
    case 0x6969:     // NFS
    case 0x517B:     // SMB
    case 0xFF534D42: // CIFS
    case 0xFE534D42: // SMB2
    case 0x564C:     // NCP
    case 0x01021997: // 9P
    case 0x73757245: // Coda
    case 0x5346414F: // AFS
    case 0x6B414653: // kAFS
    case 0x47504653: // GPFS
    case 0x0BD00BD0: // Lustre
    case 0x00C36400: // Ceph
        return true;
    default:
        return false;
    }
}
