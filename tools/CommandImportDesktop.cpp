#include "tools/ToolSupport.h"

#include "catalogue/DesktopImport.h"
#include "catalogue/ProgramImport.h"
#include "catalogue/clsDBRoutines.h"
#include "platform/KestrelError.h"
#include "platform/desktop/XdgDirs.h"

#include <QFileInfo>
#include <cstdio>

namespace tool {
namespace {
const char* const kImportDesktopHelp =
    "Usage: kestrel-catalogue import-desktop FILE [DIR...] [--update] [--dry-run] [--verbose]\n"
    "Adds the applications that desktop entries describe to the catalogue FILE. Reads the\n"
    "*.desktop files below each DIR, by default the applications folders of $XDG_DATA_HOME\n"
    "and $XDG_DATA_DIRS; an entry id found in an earlier folder hides the same id later.\n"
    "Only Type=Application entries are taken; NoDisplay, Hidden and entries whose TryExec\n"
    "program is missing are skipped. Each program gets the entry's Name and Comment (else\n"
    "GenericName) in the language of LC_ALL, LC_MESSAGES or LANG, the entry file as its\n"
    "path, and the entry's icon from the icon theme (nearest to 48 pixels).\n"
    "All programs are added together or, on a failure, none.\n"
    "  --update    update programs whose name exists instead of skipping them\n"
    "  --dry-run   show what would be added and updated, change nothing\n"
    "  --verbose   say what happens to each entry, and why one is skipped\n"
    "Ends with the line \"N added, M updated, K skipped\" (with --dry-run \"would add N,\n"
    "would update M, would skip K\").\n";
} // namespace

int importDesktop(const QStringList& args)
{
    if (wantsHelp(args))
        return std::fputs(kImportDesktopHelp, stdout), kOk;
    Arguments parsed;
    QString error;
    if (!parseArguments(args, {"--update", "--dry-run", "--verbose"}, {}, parsed, error))
        return usageError(QStringLiteral("import-desktop: ") + error, kImportDesktopHelp);
    if (parsed.positional.isEmpty())
        return usageError(QStringLiteral("import-desktop: FILE is missing"), kImportDesktopHelp);
    const QString file = parsed.positional.first();
    QStringList folders = parsed.positional.mid(1);
    for (const QString& folder : folders)
        if (!QFileInfo(folder).isDir())
            return fail(kFailed, QStringLiteral("%1: no such folder").arg(field(folder)));
    if (folders.isEmpty())
        folders = desktop::applicationDirs();
    const bool dryRun = parsed.has("dry-run");
    const bool verbose = parsed.has("verbose");
    requireCatalogue(file);

    const std::unique_ptr<clsDBRoutines> catalogue = openCatalogue(file, dryRun);
    // The folders are read before the step, so that other writers do not wait for them.
    const QList<DesktopCandidate> entries = readInstalledApplications(folders);
    const auto offer = [&](ImportPlan& plan) {
        qsizetype added = 0, updated = 0, skipped = 0;
        for (const DesktopCandidate& entry : entries) {
            if (!entry.skipReason.isEmpty()) {
                ++skipped;
                if (verbose)
                    out(QStringLiteral("skipped %1: %2\n")
                            .arg(field(entry.file), field(entry.skipReason)));
                continue;
            }
            const ProgramRecord& program = entry.program;
            QString iconNote = entry.iconNote;
            QString reason;
            switch (plan.offer(program, reason)) {
            case ImportPlan::Added:
                ++added;
                if (verbose || dryRun)
                    out(QStringLiteral("%1 %2 (%3)\n")
                            .arg(dryRun ? QStringLiteral("would add") : QStringLiteral("added"),
                                 field(program.name), field(entry.file)));
                break;
            case ImportPlan::Updated:
                ++updated;
                if (verbose || dryRun)
                    out(QStringLiteral("%1 %2 (%3)\n")
                            .arg(dryRun ? QStringLiteral("would update")
                                        : QStringLiteral("updated"),
                                 field(program.name), field(entry.file)));
                break;
            case ImportPlan::Skipped:
                ++skipped;
                if (verbose)
                    out(QStringLiteral("skipped %1 (%2): %3\n")
                            .arg(field(program.name), field(entry.file), reason));
                iconNote.clear();
                break;
            }
            if (verbose && !iconNote.isEmpty())
                out(QStringLiteral("  without an icon: %1\n").arg(field(iconNote)));
        }
        return ImportCounts{added, updated, skipped};
    };
    return runImport(*catalogue, parsed.has("update"), dryRun, file, offer);
}

} // namespace tool
