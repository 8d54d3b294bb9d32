#include "tools/ToolSupport.h"

#include "catalogue/CatalogueJson.h"
#include "catalogue/clsDBRoutines.h"

#include <cstdio>

namespace tool {
namespace {
const char* const kExportHelp =
    "Usage: kestrel-catalogue export FILE [JSON]\n"
    "Writes the programs of the catalogue FILE as JSON, in the order of the lists, to the\n"
    "file JSON (replaced only once it is whole; a FIFO or a device takes it as a stream,\n"
    "a symbolic link is refused) or to standard output:\n"
    "  {\"format\": \"kestrel-catalogue\", \"version\": 1, \"programs\": [\n"
    "    {\"name\": ..., \"description\": ..., \"path\": ..., \"icon\": ..., \"added\": ...}]}\n"
    "with \"picture\" for a stored icon and \"audiences\" (such as [\"group:staff\"]) for a\n"
    "program not meant for everyone.\n"
    "import reads it back.\n";
} // namespace

int exportCatalogue(const QStringList& args)
{
    if (wantsHelp(args))
        return std::fputs(kExportHelp, stdout), kOk;
    Arguments parsed;
    QString error;
    if (!parseArguments(args, {}, {}, parsed, error))
        return usageError(QStringLiteral("export: ") + error, kExportHelp);
    if (parsed.positional.isEmpty() || parsed.positional.size() > 2)
        return usageError(QStringLiteral("export: expected FILE and an optional JSON"),
                          kExportHelp);
    requireCatalogue(parsed.positional.first());
    const QByteArray json =
        catalogueToJson(openCatalogue(parsed.positional.first(), true)->loadCatalogue());
    writeOutput(parsed.positional.value(1), json);
    return kOk;
}

} // namespace tool
