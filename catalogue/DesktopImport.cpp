#include "catalogue/DesktopImport.h"

#include "catalogue/CatalogueHealth.h"
#include "catalogue/StoredIcon.h"
#include "platform/KestrelError.h"
#include "platform/desktop/DesktopEntry.h"
#include "platform/desktop/IconTheme.h"
#include "platform/desktop/XdgDirs.h"

#include <QDir>

QList<DesktopCandidate> readInstalledApplications(const QStringList& folders)
{
    const QStringList locales = desktop::localeKeys();
    desktop::IconFinder icons;
    CatalogueHealth health;
    QList<DesktopCandidate> candidates;
    for (const desktop::EntryFile& entry :
         desktop::desktopEntryFiles(folders.isEmpty() ? desktop::applicationDirs() : folders)) {
        DesktopCandidate candidate;
        candidate.file = entry.path;
        desktop::DesktopApplication app;
        if (!desktop::readDesktopApplication(entry.path, locales, app, candidate.skipReason) ||
            !(candidate.skipReason = desktop::applicationSkipReason(app)).isEmpty()) {
            candidates.append(candidate);
            continue;
        }
        candidate.program = {app.name, app.description(), app.file, {}, {}};
        if (!app.icon.isEmpty()) {
            // An absolute path is taken as it is, so that a bad one is reported as such.
            QString& icon = candidate.program.icon;
            icon = QDir::isAbsolutePath(app.icon) ? app.icon : icons.find(app.icon);
            if (icon.isEmpty())
                candidate.iconNote = QStringLiteral("icon %1 not found").arg(app.icon);
            else if (QString problem = health.iconProblem(icon); !problem.isEmpty())
                candidate.iconNote = problem, icon.clear();
            // Stored with the program, as a chosen icon is; one over the cap only named.
            try {
                if (const std::optional<QByteArray> picture = readIconForCatalogue(icon))
                    candidate.program.picture = *picture;
            } catch (const KestrelError&) {
            }
        }
        candidates.append(candidate);
    }
    return candidates;
}
