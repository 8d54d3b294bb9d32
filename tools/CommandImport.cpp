#include "tools/ToolSupport.h"

#include "catalogue/CatalogueJson.h"
#include "catalogue/ProgramImport.h"
#include "catalogue/clsDBRoutines.h"
#include "platform/KestrelError.h"
#include "settings/FileChecks.h"

#include <cstdio>

namespace tool {
namespace {
const char* const kImportHelp =
    "Usage: kestrel-catalogue import FILE JSON [--update] [--dry-run] [--verbose]\n"
    "Adds the programs of JSON (as export writes it) to the catalogue FILE, with their\n"
    "dates added as written. A program whose name exists (leading and trailing spaces and\n"
    "letter case aside) is skipped. The file is checked whole first, and the programs are\n"
    "added together: on any fault nothing is added. A program's \"audiences\" say who\n"
    "sees it; an updated program without them is for everyone.\n"
    "  --update    update programs whose name exists instead of skipping them\n"
    "  --dry-run   show what would be added and updated, change nothing\n"
    "  --verbose   say what happens to each program, and why one is skipped\n"
    "Ends with the line \"N added, M updated, K skipped\" (with --dry-run \"would add N,\n"
    "would update M, would skip K\").\n";
} // namespace

int importCatalogue(const QStringList& args)
{
    if (wantsHelp(args))
        return std::fputs(kImportHelp, stdout), kOk;
    Arguments parsed;
    QString error;
    if (!parseArguments(args, {"--update", "--dry-run", "--verbose"}, {}, parsed, error))
        return usageError(QStringLiteral("import: ") + error, kImportHelp);
    if (parsed.positional.size() != 2)
        return usageError(QStringLiteral("import: expected FILE and JSON"), kImportHelp);
    const QString file = parsed.positional.at(0);
    const QString json = parsed.positional.at(1);
    const bool dryRun = parsed.has("dry-run");
    const bool verbose = parsed.has("verbose");
    const QByteArray data = readInputFile(json, kMaxCatalogueJsonSize);
    QList<ProgramRecord> programs;
    if (!catalogueFromJson(data, programs, error))
        return fail(kFailed, QStringLiteral("%1: %2; nothing was imported").arg(json, error));
    requireCatalogue(file);

    const std::unique_ptr<clsDBRoutines> catalogue = openCatalogue(file, dryRun);
    // A program added or updated, named when asked or when nothing is changed.
    const auto told = [&](const QString& would, const QString& done, const ProgramRecord& program) {
        if (verbose || dryRun)
            out(QStringLiteral("%1 %2\n").arg(dryRun ? would : done,
                                              field(TrimSpaces(program.name))));
    };
    const auto offer = [&](ImportPlan& plan) {
        qsizetype added = 0, updated = 0, skipped = 0;
        for (qsizetype i = 0; i < programs.size(); ++i) {
            const ProgramRecord& program = programs.at(i);
            QString reason;
            switch (plan.offer(program, reason, true)) {
            case ImportPlan::Added:
                ++added;
                told(QStringLiteral("would add"), QStringLiteral("added"), program);
                break;
            case ImportPlan::Updated:
                ++updated;
                told(QStringLiteral("would update"), QStringLiteral("updated"), program);
                break;
            case ImportPlan::Skipped:
                ++skipped;
                if (verbose)
                    out(QStringLiteral("skipped program %1 \"%2\": %3\n")
                            .arg(i + 1)
                            .arg(field(TrimSpaces(program.name)), reason));
                break;
            }
        }
        return ImportCounts{added, updated, skipped};
    };
    return runImport(*catalogue, parsed.has("update"), dryRun, file, offer);
}

} // namespace tool
