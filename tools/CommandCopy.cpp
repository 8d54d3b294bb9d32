#include "tools/ToolSupport.h"

#include "catalogue/CatalogueFile.h"
#include "platform/database/DatabaseLocation.h"

#include <cstdio>

namespace tool {
namespace {
const char* const kCopyHelp =
    "Usage: kestrel-catalogue copy SOURCE DESTINATION [--replace]\n"
    "Copies every program and option row, keys, dates, icons and audiences included, from\n"
    "the catalogue SOURCE to the catalogue DESTINATION. Either may be a catalogue file or a\n"
    "postgresql:// URI; DESTINATION must be a catalogue already (see create). The copy is\n"
    "all or nothing.\n"
    "  --replace   replace the programs DESTINATION holds (refused otherwise)\n";
} // namespace

int copy(const QStringList& args)
{
    if (wantsHelp(args))
        return std::fputs(kCopyHelp, stdout), kOk;
    Arguments parsed;
    QString error;
    if (!parseArguments(args, {"--replace"}, {}, parsed, error))
        return usageError(QStringLiteral("copy: ") + error, kCopyHelp);
    const QStringList& locations = parsed.positional;
    const bool replace = parsed.has("replace");
    if (locations.size() != 2)
        return usageError(QStringLiteral("copy: expected SOURCE and DESTINATION"), kCopyHelp);
    for (const QString& location : locations)
        requireCatalogue(location);
    const CopyResult copied = copyCatalogue(locations[0], locations[1], replace);
    out(QStringLiteral("Copied %1 programs and %2 option rows from %3 to %4\n")
            .arg(copied.programs)
            .arg(copied.options)
            .arg(shown(locations[0]), shown(locations[1])));
    return kOk;
}

} // namespace tool
