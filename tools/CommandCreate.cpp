#include "tools/ToolSupport.h"

#include "catalogue/CatalogueFile.h"
#include "platform/database/DatabaseLocation.h"

#include <cstdio>

namespace tool {
namespace {
const char* const kCreateHelp =
    "Usage: kestrel-catalogue create FILE|URI\n"
    "Makes FILE an empty catalogue: the tables Program and Program_Options, no programs.\n"
    "An existing FILE is left alone and the command fails.\n"
    "With a URI, postgresql://[user@]host[:port]/dbname[?param=value&...], the catalogue\n"
    "goes into that database on a PostgreSQL server, which must exist already (create it\n"
    "with createdb) and hold no catalogue.\n";
} // namespace

int create(const QStringList& args)
{
    if (wantsHelp(args))
        return std::fputs(kCreateHelp, stdout), kOk;
    Arguments parsed;
    QString error;
    if (!parseArguments(args, {}, {}, parsed, error))
        return usageError(QStringLiteral("create: ") + error, kCreateHelp);
    const QStringList& files = parsed.positional;
    if (files.size() != 1 || (files.first().startsWith(u'-') && !args.contains("--")))
        return usageError(files.isEmpty() ? QStringLiteral("create: FILE is missing")
                                          : QStringLiteral("create: expected only FILE"),
                          kCreateHelp);
    createCatalogue(files.first());
    out(QStringLiteral("Created the empty catalogue %1\n").arg(shown(files.first())));
    return kOk;
}

} // namespace tool
