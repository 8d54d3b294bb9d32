#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <functional>
#include <sys/types.h>
#include <vector>

// Who runs this program and where, as the system's user and group databases and its host
// name say; never from the environment, which a user sets as they like.
namespace identity {

// The login name of uid; empty when the user database has none.
QString userName(uid_t uid);
bool userExists(const QString& user);
bool groupExists(const QString& group);

// The names of the groups user belongs to, the primary group first; empty for a user the
// user database does not know. A group without a name is left out.
QStringList groupsOf(const QString& user);

// The signature of getgrouplist, so the buffer's growth can be driven by a stand-in.
using GroupListFunction = std::function<int(const char*, gid_t, gid_t*, int*)>;
// The group ids of user with primary group primary, asking list with a buffer that grows
// until every group fits (a user may be in more groups than any fixed buffer holds).
std::vector<gid_t> groupIds(const QByteArray& user, gid_t primary, const GroupListFunction& list);

// This machine's name as gethostname gives it.
QString hostName();
// The canonical name the resolver gives host (getaddrinfo with AI_CANONNAME); empty when it
// gives none or the same name. May wait for name service.
QString fullHostName(const QString& host);

// Every user and every group the databases list (for completing typed names), sorted.
QStringList userNames();
QStringList groupNames();

} // namespace identity
