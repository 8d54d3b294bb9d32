#include "tools/ToolSupport.h"

#include "catalogue/clsDBRoutines.h"
#include "platform/KestrelError.h"
#include "settings/FileChecks.h"

#include <cstdio>

namespace tool {
namespace {
const char* const kAddHelp =
    "Usage: kestrel-catalogue add FILE --name NAME --path PATH [--desc TEXT] [--icon ICON]\n"
    "                                  [--audience SPEC]...\n"
    "Adds a program to the catalogue FILE, as the administrator's Add does: name,\n"
    "description, path and icon are stored without leading and trailing spaces, with\n"
    "today's date as the date added. A name that another program has already\n"
    "(letter case ignored) is refused: programs are found by their names.\n"
    "  --name NAME   the name shown under the program's icon (required)\n"
    "  --path PATH   the file that launching opens (required)\n"
    "  --desc TEXT   the description shown when the program is clicked\n"
    "  --icon ICON   an icon file to show instead of the default icon; its picture\n"
    "                (at most 1 MB) is stored in the catalogue, for every workstation\n"
    "  --audience SPEC  who the launcher shows the program to, repeatable: group:NAME,\n"
    "                user:NAME or host:PATTERN (a shell pattern of the short or full host\n"
    "                name, such as host:lab2-*); without it, everyone\n";
} // namespace

int add(const QStringList& args)
{
    const QStringList valueNames = {"--name", "--path", "--desc", "--icon", "--audience"};
    if (wantsHelp(args, valueNames))
        return std::fputs(kAddHelp, stdout), kOk;
    Arguments parsed;
    QString error;
    if (!parseArguments(args, {}, valueNames, parsed, error))
        return usageError(QStringLiteral("add: ") + error, kAddHelp);
    if (parsed.positional.isEmpty())
        return usageError(QStringLiteral("add: FILE is missing"), kAddHelp);
    if (parsed.positional.size() > 1)
        return usageError(QStringLiteral("add: unexpected argument %1").arg(parsed.positional[1]),
                          kAddHelp);
    const QString file = parsed.positional.first();
    const QString name = parsed.values.value("name"), path = parsed.values.value("path");
    if (name.trimmed().isEmpty())
        return usageError(QStringLiteral("add: --name is missing or empty"), kAddHelp);
    if (path.trimmed().isEmpty())
        return usageError(QStringLiteral("add: --path is missing or empty"), kAddHelp);
    const QStringList audiences = audienceArguments(parsed);
    requireCatalogue(file);

    // The catalogue's errors are said as the tool's own, naming the file.
    try {
        clsDBRoutines catalogue(CatalogueLocation{file, false});
        switch (catalogue.addProgramIfNameFree(name, parsed.values.value("desc"), path,
                                               parsed.values.value("icon"), audiences)) {
        case clsDBRoutines::NamedWrite::Taken:
            return failOn(file, nameTakenReason(field(TrimSpaces(name))));
        case clsDBRoutines::NamedWrite::Failed:
            return failOn(file, writeFailure(catalogue));
        case clsDBRoutines::NamedWrite::Done:
            break;
        }
    } catch (const KestrelError& error) {
        return failOn(file, error.description());
    }
    out(QStringLiteral("Added %1\n").arg(field(TrimSpaces(name))));
    return kOk;
}

} // namespace tool
