#include "platform/identity/Identity.h"

#include <algorithm>
#include <cerrno>
#include <grp.h>
#include <netdb.h>
#include <pwd.h>
#include <unistd.h>

namespace identity {
namespace {
// Buffers of getpwnam_r and getgrgid_r: grown while the entry does not fit.
template <typename Entry, typename Lookup>
bool lookUp(Entry& entry, std::vector<char>& buffer, Lookup lookup)
{
    buffer.resize(1024);
    for (;;) {
        Entry* found = nullptr;
        const int error = lookup(&entry, buffer.data(), buffer.size(), &found);
        if (error == ERANGE && buffer.size() < (1u << 24)) {
            buffer.resize(buffer.size() * 2);
            continue;
        }
        return error == 0 && found;
    }
}

bool passwdOf(const QString& user, passwd& entry, std::vector<char>& buffer)
{
    const QByteArray name = user.toLocal8Bit();
    return !name.isEmpty() && lookUp(entry, buffer, [&](passwd* e, char* b, size_t n, passwd** r) {
        return ::getpwnam_r(name.constData(), e, b, n, r);
    });
}

QString groupName(gid_t gid)
{
    group entry{};
    std::vector<char> buffer;
    if (!lookUp(entry, buffer, [&](group* e, char* b, size_t n, group** r) {
            return ::getgrgid_r(gid, e, b, n, r);
        }))
        return {};
    return QString::fromLocal8Bit(entry.gr_name);
}
} // namespace

QString userName(uid_t uid)
{
    passwd entry{};
    std::vector<char> buffer;
    if (!lookUp(entry, buffer, [&](passwd* e, char* b, size_t n, passwd** r) {
            return ::getpwuid_r(uid, e, b, n, r);
        }))
        return {};
    return QString::fromLocal8Bit(entry.pw_name);
}

bool userExists(const QString& user)
{
    passwd entry{};
    std::vector<char> buffer;
    return passwdOf(user, entry, buffer);
}

bool groupExists(const QString& name)
{
    const QByteArray wanted = name.toLocal8Bit();
    if (wanted.isEmpty())
        return false;
    group entry{};
    std::vector<char> buffer;
    return lookUp(entry, buffer, [&](group* e, char* b, size_t n, group** r) {
        return ::getgrnam_r(wanted.constData(), e, b, n, r);
    });
}

std::vector<gid_t> groupIds(const QByteArray& user, gid_t primary, const GroupListFunction& list)
{
    std::vector<gid_t> ids(64);
    for (;;) {
        int count = int(ids.size());
        if (list(user.constData(), primary, ids.data(), &count) >= 0) {
            ids.resize(size_t(count));
            return ids;
        }
        // count now says how many there are; a list that grew meanwhile asks again.
        ids.resize(std::max(size_t(count), ids.size() * 2));
    }
}

QStringList groupsOf(const QString& user)
{
    passwd entry{};
    std::vector<char> buffer;
    if (!passwdOf(user, entry, buffer))
        return {};
    QStringList names;
    for (const gid_t id : groupIds(entry.pw_name, entry.pw_gid, ::getgrouplist)) {
        const QString name = groupName(id);
        if (!name.isEmpty() && !names.contains(name))
            names.append(name);
    }
    return names;
}

QString hostName()
{
    char name[256] = {};
    if (::gethostname(name, sizeof name - 1) != 0)
        return {};
    return QString::fromLocal8Bit(name);
}

QString fullHostName(const QString& host)
{
    const QByteArray name = host.toLocal8Bit();
    if (name.isEmpty())
        return {};
    addrinfo hints{};
    hints.ai_flags = AI_CANONNAME;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (::getaddrinfo(name.constData(), nullptr, &hints, &found) != 0 || !found)
        return {};
    const QString full =
        found->ai_canonname ? QString::fromLocal8Bit(found->ai_canonname) : QString();
    ::freeaddrinfo(found);
    return full.compare(host, Qt::CaseInsensitive) == 0 ? QString() : full;
}

QStringList userNames()
{
    QStringList names;
    ::setpwent();
    while (const passwd* entry = ::getpwent())
        names.append(QString::fromLocal8Bit(entry->pw_name));
    ::endpwent();
    names.sort();
    names.removeDuplicates();
    return names;
}

QStringList groupNames()
{
    QStringList names;
    ::setgrent();
    while (const group* entry = ::getgrent())
        names.append(QString::fromLocal8Bit(entry->gr_name));
    ::endgrent();
    names.sort();
    names.removeDuplicates();
    return names;
}

} // namespace identity
