#include "tools/ToolSupport.h"

#include "catalogue/ProgramImport.h"
#include "catalogue/StoredIcon.h"
#include "catalogue/clsDBRoutines.h"
#include "settings/FileChecks.h"

#include <cstdio>

namespace tool {
namespace {
const char* const kModifyHelp =
    "Usage: kestrel-catalogue modify FILE NAME [--name NEW] [--desc TEXT] [--path PATH]\n"
    "                                          [--icon ICON] [--audience SPEC]... [--everyone]\n"
    "Changes the program NAME (leading and trailing spaces and letter case aside) of the\n"
    "catalogue FILE, as the administrator's Modify does; what is not given stays. A new\n"
    "name that another program has is refused. --icon stores the file's picture (at\n"
    "most 1 MB) in the catalogue; --icon \"\" removes the custom icon and its picture.\n"
    "--audience (repeatable: group:NAME, user:NAME or host:PATTERN) replaces whom the\n"
    "launcher shows the program to; --everyone shows it to everyone again.\n";
} // namespace

int modify(const QStringList& args)
{
    const QStringList valueNames = {"--name", "--desc", "--path", "--icon", "--audience"};
    if (wantsHelp(args, valueNames))
        return std::fputs(kModifyHelp, stdout), kOk;
    Arguments parsed;
    QString error;
    if (!parseArguments(args, {"--everyone"}, valueNames, parsed, error))
        return usageError(QStringLiteral("modify: ") + error, kModifyHelp);
    if (parsed.positional.size() != 2)
        return usageError(QStringLiteral("modify: expected FILE and NAME"), kModifyHelp);
    if (parsed.values.isEmpty() && !parsed.has("everyone"))
        return usageError(QStringLiteral("modify: nothing to change"), kModifyHelp);
    if (parsed.values.contains("audience") && parsed.has("everyone"))
        return usageError(QStringLiteral("modify: --audience and --everyone exclude each other"),
                          kModifyHelp);
    if (parsed.values.contains("name") && parsed.values.value("name").trimmed().isEmpty())
        return usageError(QStringLiteral("modify: --name is empty"), kModifyHelp);
    if (parsed.values.contains("path") && parsed.values.value("path").trimmed().isEmpty())
        return usageError(QStringLiteral("modify: --path is empty"), kModifyHelp);
    const QString file = parsed.positional.at(0);
    const QString name = parsed.positional.at(1);
    const QStringList audiences = audienceArguments(parsed);
    requireCatalogue(file);

    const std::unique_ptr<clsDBRoutines> catalogue = openCatalogue(file, false);
    // Found, checked and changed in one step, so that no other writer takes the new name
    // or changes the program in between.
    int result = kOk;
    try {
        // Read first: an icon over the cap is refused with nothing changed.
        const std::optional<QByteArray> picture =
            readIconForCatalogue(TrimSpaces(parsed.values.value("icon")));
        catalogue->inOneStep([&] {
            const QList<ProgramRecord> programs = catalogue->loadCatalogue();
            const ProgramRecord* old = nullptr;
            for (const QString& form : nameForms(name))
                for (const ProgramRecord& program : programs)
                    if (!old && programNameKey(program.name) == programNameKey(form))
                        old = &program;
            if (!old) {
                result = fail(kFailed, QStringLiteral("%1: no program named \"%2\"")
                                           .arg(shown(file), field(TrimSpaces(name))));
                return;
            }
            const QString newName = TrimSpaces(parsed.values.value("name", old->name));
            for (const ProgramRecord& program : programs)
                if (programNameKey(program.name) == programNameKey(newName) &&
                    programNameKey(program.name) != programNameKey(old->name)) {
                    result = failOn(file, nameTakenReason(field(program.name)));
                    return;
                }
            const auto value = [&parsed](const char* key, const QString& current) {
                return parsed.values.value(QLatin1String(key), current);
            };
            if (!catalogue->updateProgram(old->name, newName, value("desc", old->description),
                                          value("path", old->path), value("icon", old->icon))) {
                result = failOn(file, QStringLiteral("\"%1\" could not be changed: %2")
                                          .arg(field(old->name), writeFailure(*catalogue)));
                return;
            }
            if (parsed.values.contains("icon"))
                catalogue->storeIcon(newName, parsed.values.value("icon"), picture, old->icon);
            // A failure here undoes the whole change: the step ends with the error.
            if ((parsed.values.contains("audience") || parsed.has("everyone")) &&
                !catalogue->setAudiences(newName, audiences))
                throw *catalogue->lastWriteError();
            out(QStringLiteral("Modified %1\n").arg(field(newName)));
        });
    } catch (const KestrelError& error) {
        // The step itself was refused (a user who may only read cannot lock the table).
        return failOn(file, QStringLiteral("\"%1\" could not be changed: %2")
                                .arg(field(TrimSpaces(name)), error.description()));
    }
    return result;
}
} // namespace tool
