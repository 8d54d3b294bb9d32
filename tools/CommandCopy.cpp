#include "tools/ToolSupport.h"

#include "catalogue/CatalogueFile.h"
#include "platform/database/DatabaseLocation.h"

#include <cstdio>

namespace tool {
namespace {
const char* const kCopyHelp =
    "Usage: kestrel-catalogue copy SOURCE DESTINATION [--replace]\n"
    "Copies every program and option row, keys, dates and icons included, from the\n"
    "catalogue SOURCE to the catalogue DESTINATION. Either may be a catalogue file or a\n"
    "postgresql:// URI; DESTINATION must be a catalogue already (see create). The copy is\n"
    "all or nothing.\n"
    "  --replace   replace the programs DESTINATION holds (refused otherwise)\n";
} // namespace

int copy(const QStringList& args)
{
    if (wantsHelp(args))
        return std::fputs(kCopyHelp, stdout), kOk;
    QStringList locations;
    bool replace = false;
    for (const QString& arg : args) {
        if (arg == QStringLiteral("--replace"))
            replace = true;
        else if (arg.startsWith(QStringLiteral("--")))
            return usageError(QStringLiteral("copy: unknown option %1").arg(arg), kCopyHelp);
        else
            locations.append(arg);
    }
    if (locations.size() != 2)
        return usageError(QStringLiteral("copy: expected SOURCE and DESTINATION"), kCopyHelp);
    for (const QString& location : locations)
        requireCatalogue(location);
    const CopyResult copied = copyCatalogue(locations[0], locations[1], replace);
    out(QStringLiteral("Copied %1 programs and %2 option rows from %3 to %4\n")
            .arg(copied.programs)
            .arg(copied.options)
            .arg(DatabaseLocation::parse(locations[0]).display(),
                 DatabaseLocation::parse(locations[1]).display()));
    return kOk;
}

} // namespace tool
