#include "tools/ToolSupport.h"

#include "catalogue/CatalogueFile.h"

#include <QRegularExpression>
#include <cstdio>

namespace tool {
namespace {
const char* const kRolesHelp =
    "Usage: kestrel-catalogue roles [DATABASE]\n"
    "Prints the SQL that makes the two roles of a catalogue on a PostgreSQL server:\n"
    "kestrel_reader for launchers (reads only) and kestrel_writer for administrators.\n"
    "DATABASE is the database's name (kestrel when not given).\n";
} // namespace

int roles(const QStringList& args)
{
    if (wantsHelp(args))
        return std::fputs(kRolesHelp, stdout), kOk;
    Arguments parsed;
    QString error;
    if (!parseArguments(args, {}, {}, parsed, error))
        return usageError(QStringLiteral("roles: ") + error, kRolesHelp);
    if (parsed.positional.size() > 1)
        return usageError(QStringLiteral("roles: expected at most DATABASE"), kRolesHelp);
    const QString database = parsed.positional.value(0, QStringLiteral("kestrel"));
    static const QRegularExpression plainName(QStringLiteral("^[A-Za-z_][A-Za-z0-9_]*$"));
    if (!plainName.match(database).hasMatch())
        return usageError(
            QStringLiteral("roles: %1 is not a plain database name").arg(field(database)),
            kRolesHelp);
    out(catalogueRolesSql(database));
    return kOk;
}

} // namespace tool
