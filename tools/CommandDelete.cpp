#include "tools/ToolSupport.h"

#include "catalogue/ProgramImport.h"
#include "catalogue/clsDBRoutines.h"
#include "settings/FileChecks.h"

#include <QSet>
#include <cstdio>

namespace tool {
namespace {
const char* const kDeleteHelp =
    "Usage: kestrel-catalogue delete FILE NAME\n"
    "Deletes the program NAME (leading and trailing spaces and letter case aside) from the\n"
    "catalogue FILE: every row of that name, as the administrator's Delete does.\n";
} // namespace

int remove(const QStringList& args)
{
    if (wantsHelp(args))
        return std::fputs(kDeleteHelp, stdout), kOk;
    Arguments parsed;
    QString error;
    if (!parseArguments(args, {}, {}, parsed, error))
        return usageError(QStringLiteral("delete: ") + error, kDeleteHelp);
    if (parsed.positional.size() != 2)
        return usageError(QStringLiteral("delete: expected FILE and NAME"), kDeleteHelp);
    const QString file = parsed.positional.at(0);
    const QString name = parsed.positional.at(1);
    requireCatalogue(file);

    const std::unique_ptr<clsDBRoutines> catalogue = openCatalogue(file, false);
    QSet<QString> stored;
    const QList<ProgramRecord> programs = catalogue->loadCatalogue();
    QString matched = name;
    for (const QString& form : nameForms(name)) {
        for (const ProgramRecord& program : programs)
            if (programNameKey(program.name) == programNameKey(form))
                stored.insert(program.name);
        if (!stored.isEmpty()) {
            matched = form;
            break;
        }
    }
    if (stored.isEmpty())
        return fail(kFailed, QStringLiteral("%1: no program named \"%2\"")
                                 .arg(shown(file), field(TrimSpaces(name))));
    for (const QString& storedName : stored)
        if (!catalogue->deleteProgram(storedName))
            return failOn(file, QStringLiteral("\"%1\" could not be deleted: %2")
                                    .arg(field(storedName), writeFailure(*catalogue)));
    out(QStringLiteral("Deleted %1\n").arg(field(TrimSpaces(matched))));
    return kOk;
}

} // namespace tool
