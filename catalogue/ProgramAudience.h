#pragma once

// Audiences: the people and places a program is meant for. A program names none (it is for
// everyone) or any number of "group:NAME", "user:NAME" and "host:GLOB"; it is shown to a
// viewer any one of them matches. An audience only hides a program from a list: it forbids
// nobody to run it.
#include <QString>
#include <QStringList>
#include <optional>

// The person and the place a list is shown for.
struct Viewer
{
    QString user;
    QStringList groups;
    QStringList hostNames; // short and full
    // The full host name is still to be asked of the resolver (resolveFullHostName): only
    // a catalogue with host audiences needs it, and the answer may take a while.
    bool fullNamePending = false;
};

// The user running this program (getpwuid(getuid())), their groups (getgrouplist) and
// this host's name (gethostname); the full name when gethostname gives one, else pending.
Viewer currentViewer();
// A viewer named user on host ("" for this host), as the user database knows them; a
// user it does not know belongs to no group (identity::userExists tells).
Viewer viewerFor(const QString& user, const QString& host = {});
// Asks the resolver for the full host name of a viewer whose full name is pending; a host
// without one keeps its short name alone.
void resolveFullHostName(Viewer& viewer);

// nullopt when spec is one of group:NAME, user:NAME, host:GLOB; else why not (the message
// shows the three forms).
std::optional<QString> audienceProblem(const QString& spec);
// The name or pattern after the prefix; "group", "user" or "host" for kind.
QString audienceKind(const QString& spec);
QString audienceName(const QString& spec);
// Whether a host:GLOB audience names one of the viewer's host names. Users and groups are
// matched by the catalogue's own statement (clsDBRoutines::viewerFilter).
bool hostAudienceMatches(const QString& spec, const Viewer& viewer);
// Whether the named group or user exists on this machine (host: always true).
bool audienceNamesSomebody(const QString& spec);
// The audiences as stored: each once, sorted.
QStringList normalizedAudiences(const QStringList& audiences);
