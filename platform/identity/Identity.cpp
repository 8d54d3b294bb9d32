#include "platform/identity/Identity.h"

#include <algorithm>
#include <cerrno>
#include <grp.h>
#include <netdb.h>
#include <pwd.h>
#include <unistd.h>

namespace identity {
namespace {
// One entry of the user or group database by a reentrant lookup (getpwnam_r and its kind),
// its buffer grown while the entry does not fit.
template <typename Key, typename Entry>
bool lookUp(int (*lookup)(Key, Entry*, char*, size_t, Entry**), Key key, Entry& entry,
            std::vector<char>& buffer)
{
    buffer.resize(1024);
    for (;;) {
        Entry* found = nullptr;
        const int error = lookup(key, &entry, buffer.data(), buffer.size(), &found);
        if (error == ERANGE && buffer.size() < (1u << 24)) {
            buffer.resize(buffer.size() * 2);
            continue;
        }
        return error == 0 && found;
    }
}

// The name of the entry found; empty for none.
template <typename Key, typename Entry>
QString nameOf(int (*lookup)(Key, Entry*, char*, size_t, Entry**), Key key, char* Entry::*name)
{
    Entry entry{};
    std::vector<char> buffer;
    return lookUp(lookup, key, entry, buffer) ? QString::fromLocal8Bit(entry.*name) : QString();
}

// Every entry's name of the user or group database, sorted, each once.
template <typename Entry>
QStringList everyName(void (*open)(), Entry* (*next)(), void (*close)(), char* Entry::*name)
{
    QStringList names;
    open();
    while (const Entry* entry = next())
        names.append(QString::fromLocal8Bit(entry->*name));
    close();
    names.sort();
    names.removeDuplicates();
    return names;
}
} // namespace

QString userName(uid_t uid)
{
    return nameOf(::getpwuid_r, uid, &passwd::pw_name);
}

bool userExists(const QString& user)
{
    const QByteArray name = user.toLocal8Bit();
    return !name.isEmpty() && !nameOf(::getpwnam_r, name.constData(), &passwd::pw_name).isEmpty();
}

bool groupExists(const QString& groupName)
{
    const QByteArray name = groupName.toLocal8Bit();
    return !name.isEmpty() && !nameOf(::getgrnam_r, name.constData(), &group::gr_name).isEmpty();
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
    const QByteArray name = user.toLocal8Bit();
    passwd entry{};
    std::vector<char> buffer;
    if (name.isEmpty() || !lookUp(::getpwnam_r, name.constData(), entry, buffer))
        return {};
    QStringList names;
    for (const gid_t id : groupIds(entry.pw_name, entry.pw_gid, ::getgrouplist)) {
        const QString found = nameOf(::getgrgid_r, id, &group::gr_name);
        if (!found.isEmpty() && !names.contains(found))
            names.append(found);
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
    return everyName(::setpwent, ::getpwent, ::endpwent, &passwd::pw_name);
}

QStringList groupNames()
{
    return everyName(::setgrent, ::getgrent, ::endgrent, &group::gr_name);
}

} // namespace identity
