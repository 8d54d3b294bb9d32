#include "tools/ToolSupport.h"

#include "catalogue/CatalogueFile.h"

#include <cstdio>

namespace tool {
namespace {
const char* const kCreateHelp =
    "Usage: kestrel-catalogue create FILE\n"
    "Makes FILE an empty catalogue: the tables Program and Program_Options, no programs.\n"
    "An existing FILE is left alone and the command fails.\n";
} // namespace

int create(const QStringList& args)
{
    if (wantsHelp(args))
        return std::fputs(kCreateHelp, stdout), kOk;
    if (args.size() != 1 || args.first().startsWith(u'-'))
        return usageError(args.isEmpty() ? QStringLiteral("create: FILE is missing")
                                         : QStringLiteral("create: expected only FILE"),
                          kCreateHelp);
    createCatalogue(args.first());
    out(QStringLiteral("Created the empty catalogue %1\n").arg(args.first()));
    return kOk;
}

} // namespace tool
