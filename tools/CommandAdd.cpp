#include "tools/ToolSupport.h"

#include "catalogue/clsDBRoutines.h"
#include "platform/KestrelError.h"

#include <cstdio>

namespace tool {
namespace {
const char* const kAddHelp =
    "Usage: kestrel-catalogue add FILE --name NAME --path PATH [--desc TEXT] [--icon ICON]\n"
    "Adds a program to the catalogue FILE, as the administrator's Add does: name,\n"
    "description, path and icon are stored without leading and trailing spaces, with\n"
    "today's date as the date added. A name that another program has already\n"
    "(letter case ignored) is refused: programs are found by their names.\n"
    "  --name NAME   the name shown under the program's icon (required)\n"
    "  --path PATH   the file that launching opens (required)\n"
    "  --desc TEXT   the description shown when the program is clicked\n"
    "  --icon ICON   an icon file to show instead of the default icon\n";
} // namespace

int add(const QStringList& args)
{
    if (wantsHelp(args))
        return std::fputs(kAddHelp, stdout), kOk;
    QString file;
    QString name, path, desc, icon;
    bool haveName = false, havePath = false;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args.at(i);
        QString* target = nullptr;
        if (arg == QStringLiteral("--name"))
            target = &name, haveName = true;
        else if (arg == QStringLiteral("--path"))
            target = &path, havePath = true;
        else if (arg == QStringLiteral("--desc"))
            target = &desc;
        else if (arg == QStringLiteral("--icon"))
            target = &icon;
        else if (arg.startsWith(QStringLiteral("--")))
            return usageError(QStringLiteral("add: unknown option %1").arg(arg), kAddHelp);
        else if (file.isNull())
            file = arg;
        else
            return usageError(QStringLiteral("add: unexpected argument %1").arg(arg), kAddHelp);
        if (target) {
            if (++i >= args.size())
                return usageError(QStringLiteral("add: %1 needs a value").arg(arg), kAddHelp);
            *target = args.at(i);
        }
    }
    if (file.isNull())
        return usageError(QStringLiteral("add: FILE is missing"), kAddHelp);
    if (!haveName || name.trimmed().isEmpty())
        return usageError(QStringLiteral("add: --name is missing or empty"), kAddHelp);
    if (!havePath || path.trimmed().isEmpty())
        return usageError(QStringLiteral("add: --path is missing or empty"), kAddHelp);
    requireCatalogue(file);

    // The catalogue's errors are said as the tool's own, naming the file.
    try {
        clsDBRoutines catalogue(CatalogueLocation{file, false});
        if (catalogue.programNameExists(name))
            return failOn(file, nameTakenReason(field(name.trimmed())));
        if (!catalogue.addProgram(name, desc, path, icon))
            return failOn(file, catalogue.lastWriteError()->description());
    } catch (const KestrelError& error) {
        return failOn(file, error.description());
    }
    out(QStringLiteral("Added %1\n").arg(field(name.trimmed())));
    return kOk;
}

} // namespace tool
