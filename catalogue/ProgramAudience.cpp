#include "catalogue/ProgramAudience.h"

#include "platform/identity/Identity.h"

#include <fnmatch.h>
#include <unistd.h>

namespace {
const QString kForms = QStringLiteral("group:NAME, user:NAME or host:PATTERN (for example "
                                      "group:staff, user:alice, host:lab2-*)");

QString shortName(const QString& host)
{
    return host.section(u'.', 0, 0);
}

// Short first, then the full name where it differs.
QStringList hostNamesOf(const QString& host)
{
    QStringList names{shortName(host)};
    if (host.contains(u'.'))
        names.append(host);
    return names;
}
} // namespace

Viewer currentViewer()
{
    Viewer viewer = viewerFor(identity::userName(::getuid()));
    return viewer;
}

Viewer viewerFor(const QString& user, const QString& host)
{
    Viewer viewer;
    viewer.user = user;
    viewer.groups = identity::groupsOf(user);
    const QString name = host.isEmpty() ? identity::hostName() : host;
    viewer.hostNames = hostNamesOf(name);
    viewer.fullNamePending = host.isEmpty() && !name.contains(u'.');
    return viewer;
}

void resolveFullHostName(Viewer& viewer)
{
    if (!viewer.fullNamePending)
        return;
    viewer.fullNamePending = false;
    const QString full = identity::fullHostName(viewer.hostNames.value(0));
    if (full.contains(u'.') && !viewer.hostNames.contains(full))
        viewer.hostNames.append(full);
}

QString audienceKind(const QString& spec)
{
    return spec.section(u':', 0, 0);
}

QString audienceName(const QString& spec)
{
    return spec.section(u':', 1);
}

std::optional<QString> audienceProblem(const QString& spec)
{
    const QString kind = audienceKind(spec);
    const QString name = audienceName(spec);
    if (!spec.contains(u':') || (kind != QLatin1String("group") && kind != QLatin1String("user") &&
                                 kind != QLatin1String("host")))
        return QStringLiteral("\"%1\" is not an audience: write %2.").arg(spec, kForms);
    if (name.isEmpty())
        return QStringLiteral("\"%1\" names nobody: write %2.").arg(spec, kForms);
    for (const QChar c : name)
        if (c.isSpace() || c.category() == QChar::Other_Control)
            return QStringLiteral("\"%1\" holds a space or a control character: write %2.")
                .arg(spec, kForms);
    // A pattern's last backslash would escape nothing; the shell takes it literally, fnmatch
    // matches nothing, so it is refused rather than guessed.
    if (kind == QLatin1String("host")) {
        qsizetype backslashes = 0;
        for (qsizetype i = name.size() - 1; i >= 0 && name[i] == u'\\'; --i)
            ++backslashes;
        if (backslashes % 2)
            return QStringLiteral("\"%1\" ends in a backslash that escapes nothing: write "
                                  "\\\\ for a backslash itself, or write %2.")
                .arg(spec, kForms);
    }
    return std::nullopt;
}

bool hostAudienceMatches(const QString& spec, const Viewer& viewer)
{
    const QString name = audienceName(spec);
    if (audienceKind(spec) != QLatin1String("host") || name.isEmpty())
        return false;
    // Host names compare without regard to letter case, as the name service does.
    const QByteArray pattern = name.toLocal8Bit();
    for (const QString& host : viewer.hostNames)
        if (!host.isEmpty() &&
            ::fnmatch(pattern.constData(), host.toLocal8Bit().constData(), FNM_CASEFOLD) == 0)
            return true;
    return false;
}

bool audienceNamesSomebody(const QString& spec)
{
    const QString kind = audienceKind(spec);
    if (kind == QLatin1String("group"))
        return identity::groupExists(audienceName(spec));
    if (kind == QLatin1String("user"))
        return identity::userExists(audienceName(spec));
    return true;
}

QStringList normalizedAudiences(const QStringList& audiences)
{
    QStringList stored;
    for (const QString& spec : audiences)
        stored.append(spec.trimmed());
    stored.removeAll(QString());
    stored.sort();
    stored.removeDuplicates();
    return stored;
}
