#include "tools/ToolSupport.h"

#include "catalogue/CatalogueHealth.h"
#include "catalogue/CatalogueJson.h"
#include "catalogue/clsDBRoutines.h"
#include "platform/KestrelError.h"

#include <cstdio>

namespace tool {
namespace {
const char* const kCheckHelp =
    "Usage: kestrel-catalogue check FILE [--json]\n"
    "Lists the broken programs of the catalogue FILE, one a line as NAME: REASON. A program\n"
    "is broken when its path does not exist, is a program the user may not run, is a\n"
    "desktop entry whose program is not installed, or is a document no installed\n"
    "application opens; or when its custom icon cannot be read as a picture. An audience\n"
    "naming a group or user this machine does not know is listed as matching nobody.\n"
    "Exits 0 when no program is broken, 1 when any is, and 3 when the catalogue or another\n"
    "file cannot be read.\n"
    "  --json   write JSON in the layout export writes, format \"kestrel-catalogue-check\",\n"
    "           one broken program a line: {\"name\": ..., \"problem\": ...}\n";
} // namespace

int check(const QStringList& args)
{
    if (wantsHelp(args))
        return std::fputs(kCheckHelp, stdout), kOk;
    Arguments parsed;
    QString error;
    if (!parseArguments(args, {"--json"}, {}, parsed, error))
        return usageError(QStringLiteral("check: ") + error, kCheckHelp);
    if (parsed.positional.size() != 1)
        return usageError(QStringLiteral("check: expected only FILE"), kCheckHelp);
    // A catalogue that cannot be read is not a catalogue with broken programs: scripts
    // tell the two apart by the exit code.
    QList<BrokenProgram> broken;
    try {
        requireCatalogue(parsed.positional.first());
        CatalogueHealth health;
        const QList<ProgramRecord> programs = openCatalogue(parsed.positional.first(), true)
                                                  ->loadCatalogue(clsDBRoutines::Pictures::Heads);
        broken = findBrokenPrograms(programs, health);
        for (const ProgramRecord& program : programs)
            for (const QString& spec : program.audiences)
                if (!audienceNamesSomebody(spec))
                    broken.append({program.name, QStringLiteral("the audience %1 names no %2 on "
                                                                "this machine: it matches nobody")
                                                     .arg(spec, audienceKind(spec))});
    } catch (const ToolError& error) {
        throw ToolError{error.code == kFailed ? kUnreadable : error.code, error.message};
    } catch (const KestrelError& error) {
        return fail(kUnreadable, error.description());
    }
    if (parsed.has("json")) {
        QList<JsonRecord> list;
        for (const BrokenProgram& program : broken)
            list.append({{"name", program.name}, {"problem", program.problem}});
        writeOutput({}, listsToJson(QStringLiteral("kestrel-catalogue-check"), {{"broken", list}}));
    } else {
        QString text;
        for (const BrokenProgram& program : broken)
            text += field(program.name) + QStringLiteral(": ") + field(program.problem) + u'\n';
        writeOutput({}, text.toUtf8());
    }
    return broken.isEmpty() ? kOk : kFailed;
}

} // namespace tool
