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
// Whatever case or encoding the key is written in: libpq's password and sslpassword, and
// anything else a careless hand may have meant as one.
bool isSecret(const QString& key)
{
    return key.contains(QStringLiteral("password"), Qt::CaseInsensitive);
}

bool validPort(const QString& text, int& port)
{
    bool ok = false;
    port = text.toInt(&ok);
    return ok && port > 0 && port < 65536 && !text.startsWith(u'+');
}

// Messages show at most this many characters of a location: a long one keeps its ends.
QString shortened(const QString& text)
{
    constexpr qsizetype kKeep = 300;
    if (text.size() <= kKeep)
        return text;
    return text.left(kKeep / 2) + QChar(0x2026) + text.right(kKeep / 2 - 1);
}

// A URI cut into scheme, user information, host list and the rest (path, query, fragment),
// without decoding: the host list may name several hosts, which QUrl does not take.
struct UriParts
{
    QString scheme, userInfo, hosts, rest;
    bool hasUserInfo = false;
};

UriParts splitUri(const QString& text)
{
    UriParts parts;
    const qsizetype schemeEnd = text.indexOf(QStringLiteral("://"));
    parts.scheme = text.left(schemeEnd);
    const qsizetype start = schemeEnd + 3;
    qsizetype end = start;
    while (end < text.size() && !QStringLiteral("/?#").contains(text.at(end)))
        ++end;
    const QString authority = text.mid(start, end - start);
    const qsizetype at = authority.lastIndexOf(u'@');
    parts.hasUserInfo = at >= 0;
    parts.userInfo = at >= 0 ? authority.left(at) : QString();
    parts.hosts = authority.mid(at + 1);
    parts.rest = text.mid(end);
    return parts;
}

// One host[:port] of a host list: answers false when it is not well formed.
bool parseHost(const QString& entry, QString& host, QString& port)
{
    const QUrl url(QStringLiteral("postgresql://") + entry + u'/', QUrl::StrictMode);
    if (entry.isEmpty() || !url.isValid() || !url.userInfo().isEmpty())
        return false;
    host = url.host(QUrl::FullyDecoded);
    port = url.port() == -1 ? QString() : QString::number(url.port());
    return !host.isEmpty();
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
    QUrl url(text.trimmed(), QUrl::StrictMode);
    const QString scheme = text.trimmed().section(QStringLiteral("://"), 0, 0).toLower();
    if (scheme != QStringLiteral("postgresql") && scheme != QStringLiteral("postgres"))
        return refuse(
            QStringLiteral("the scheme \"%1\" is not postgresql:// or postgres://").arg(scheme));
    const UriParts parts = splitUri(text.trimmed());
    if (parts.userInfo.contains(u':'))
        location.carriesSecret = true;
    for (const QString& item : parts.rest.section(u'?', 1).section(u'#', 0, 0).split(u'&'))
        if (isSecret(QUrl::fromPercentEncoding(item.section(u'=', 0, 0).toUtf8())))
            location.carriesSecret = true;
    if (location.carriesSecret)
        return refuse(QStringLiteral("it carries a password; the settings file is readable by "
                                     "every user, so give the password in ~/.pgpass or "
                                     "PGPASSFILE instead"));
    // Several hosts, each with its own port or none, are checked one by one; the rest of
    // the URI is read with the first in their place.
    QStringList hosts, ports;
    if (parts.hosts.contains(u',')) {
        for (const QString& entry : parts.hosts.split(u',')) {
            QString host, port;
            if (!parseHost(entry, host, port))
                return refuse(
                    QStringLiteral("the host \"%1\" is not well-formed").arg(shortened(entry)));
            hosts.append(host);
            ports.append(port);
        }
        url = QUrl(parts.scheme + QStringLiteral("://") +
                       (parts.hasUserInfo ? parts.userInfo + u'@' : QString()) +
                       parts.hosts.section(u',', 0, 0) + parts.rest,
                   QUrl::StrictMode);
    }
    if (!url.isValid())
        // Qt's reason repeats the whole text, which may hold a password in a form not parsed.
        return refuse(QStringLiteral("it is not a well-formed URI"));
    const QUrlQuery query(url);
    location.host = url.host(QUrl::FullyDecoded);
    location.user = url.userName(QUrl::FullyDecoded);
    if (url.port() != -1)
        location.port = url.port();
    if (!hosts.isEmpty()) {
        location.host = hosts.join(u',');
        location.port = -1;
        if (!ports.join(QString()).isEmpty())
            location.ports = ports.join(u',');
    }
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
            // One port for every host, or one per host.
            for (const QString& port : value.split(u','))
                if (!validPort(port, location.port))
                    return refuse(QStringLiteral("the port \"%1\" is not a number from 1 to 65535")
                                      .arg(shortened(port)));
            location.ports = value.contains(u',') ? value : QString();
            if (!location.ports.isEmpty())
                location.port = -1;
        } else if (key == QStringLiteral("dbname")) {
            location.database = value;
        } else if (key == QStringLiteral("user")) {
            location.user = value;
        } else if (key == QStringLiteral("pool_mode")) {
            // A pooler that hands out each statement alone cannot hold a write's transaction.
            if (value != QStringLiteral("session") && value != QStringLiteral("transaction"))
                return refuse(QStringLiteral("pool_mode \"%1\" is not session or transaction")
                                  .arg(shortened(value)));
            location.transactionPooling = value == QStringLiteral("transaction");
        } else if (kParameters.contains(key)) {
            location.parameters.append({key, value});
        } else {
            return refuse(QStringLiteral("\"%1\" is not a connection parameter").arg(key));
        }
    }
    if (location.database.isEmpty() || location.database.contains(u'/'))
        return refuse(QStringLiteral("it names no database (postgresql://host/DATABASE)"));
    if (location.host.isEmpty() && (location.port != -1 || !location.ports.isEmpty()))
        return refuse(QStringLiteral("it names no host or socket folder"));
    if (const qsizetype count = location.ports.count(u',') + 1;
        count > 1 && count != location.host.count(u',') + 1)
        return refuse(QStringLiteral("it gives %1 ports for %2 hosts")
                          .arg(count)
                          .arg(location.host.count(u',') + 1));
    if (const QString timeout = location.parameter(QStringLiteral("connect_timeout"));
        !timeout.isEmpty() &&
        !QRegularExpression(QStringLiteral("^-?\\d{1,9}$")).match(timeout).hasMatch())
        return refuse(QStringLiteral("the connect_timeout \"%1\" is not a number of seconds")
                          .arg(shortened(timeout)));
    return location;
}

QString DatabaseLocation::display() const
{
    if (!isServer())
        return shortened(text);
    // Built from the text's parts, never from a parse that may have failed: the user
    // information loses all after its ':', the query every password parameter, and an
    // authority or path that cannot be told apart from a password is left out.
    const UriParts parts = splitUri(text.trimmed());
    QString shown = parts.scheme + QStringLiteral("://");
    if (parts.hasUserInfo)
        shown += parts.userInfo.section(u':', 0, 0) + u'@';
    QString host, port;
    bool hostsWellFormed = parts.hosts.isEmpty();
    for (const QString& entry : parts.hosts.split(u',', Qt::SkipEmptyParts))
        hostsWellFormed = parseHost(entry, host, port);
    shown += hostsWellFormed ? parts.hosts : QStringLiteral("...");
    const QString path = parts.rest.section(u'?', 0, 0).section(u'#', 0, 0);
    shown += path.contains(u'@') || path.contains(u':') ? QStringLiteral("/...") : path;
    QStringList kept;
    for (const QString& item :
         parts.rest.section(u'?', 1).section(u'#', 0, 0).split(u'&', Qt::SkipEmptyParts))
        if (!isSecret(QUrl::fromPercentEncoding(item.toUtf8()))) // key or value
            kept.append(item);
    if (!kept.isEmpty())
        shown += u'?' + kept.join(u'&');
    return shortened(shown);
}

QString DatabaseLocation::serverDescription() const
{
    return QStringLiteral("host %1, port %2, database %3")
        .arg(host.isEmpty() ? QStringLiteral("(the local socket)") : shortened(host),
             !ports.isEmpty() ? ports
             : port == -1     ? QStringLiteral("5432")
                              : QString::number(port),
             shortened(database));
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
