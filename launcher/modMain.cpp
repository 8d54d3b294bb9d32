#include "launcher/modMain.h"

#include "catalogue/clsDBRoutines.h"
#include "launcher/LaunchLog.h"
#include "launcher/frmView.h"
#include "platform/KestrelError.h"
#include "platform/log/Log.h"
#include "platform/shell/Shell.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/MousePointer.h"
#include "settings/FileChecks.h"
#include "settings/clsEnvironment.h"
#include "settings/clsIniFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QSet>
#include <cstdio>

namespace modMain {

namespace {
constexpr qint32 NoProgramPath = KestrelErrorNumber::FileNotFound;
constexpr qint32 ShellRefused = KestrelErrorNumber::PathFileAccessError;

// [Logging] LaunchLog: a file that every launch is also appended to; absent, none. A
// relative path is taken from the program folder, like the installation's other files.
void configureLaunchLog()
{
    clsIniFile ini;
    ini.setFullPath(settingsFilePath());
    ini.setSectionName(QStringLiteral("Logging"));
    const QString named = TrimSpaces(ini.GetString(QStringLiteral("LaunchLog"), QString()));
    launchlog::setFile(named.isEmpty() ? QString() : QDir(programFolder()).absoluteFilePath(named));
}

// A log that cannot be written is told in the status panel and never changes the launch.
void logLaunch(const QString& program, const QString& path, const KestrelError* failure)
{
    const QString notice = launchlog::record(program, path, failure == nullptr,
                                             failure ? failure->description() : QString());
    if (!notice.isEmpty())
        if (frmView* view = frmView::existingInstance())
            view->showNotice(notice);
}

// A kiosk opens a catalogue the settings refused (a file not there yet) where they meant it:
// its window shows the error and tries again until the catalogue can be read.
CatalogueLocation launcherLocation()
{
    try {
        return catalogueLocation(gEnvironment(), true);
    } catch (const KestrelError&) {
        if (!gEnvironment().Kiosk())
            throw;
        return {gEnvironment().ConfiguredDatabasePath(), true};
    }
}
} // namespace

void Main()
{
    // Missing or unreadable settings do not stop the launcher: it goes on with what
    // loadSettings left (the defaults, where the file cannot be created), and says why on
    // standard error.
    if (!gEnvironment().loadSettings(settingsFilePath()))
        std::fprintf(stderr, "Kestrel: %s\n",
                     qUtf8Printable(platform::log::terminalText(gEnvironment().LoadProblem())));
    configureLaunchLog();
    openCatalogue();
    frmView::Instance().show();
}

void openCatalogue()
{
    // The launcher only reads. The catalogue is opened by its first statement, the list's
    // as the window loads. A room's idle launchers hold none of the server's few connection
    // slots. It lists only the programs meant for the user running it, on this host.
    setCatalogueReadOnly(true);
    clsDBRoutines& catalogue = openDBRoutines(launcherLocation());
    catalogue.setCloseWhenIdle(true);
    catalogue.setViewer(currentViewer());
}

void openMainWindow()
{
    frmView::open(gDBRoutines(), {gEnvironment().DefaultIcon(), gEnvironment().HideBroken(),
                                  gEnvironment().RefreshSeconds(), gEnvironment().Kiosk(),
                                  gEnvironment().KioskResetSeconds()});
}

namespace {
QSet<QString>& pending()
{
    static QSet<QString> programs;
    return programs;
}

// Every launch ends here, started or failed, with the path it was given ("" when the
// catalogue gave none) and the outcome: the one place where that outcome is known.
void finishLaunch(const QString& program, const QString& path, const KestrelError* failure,
                  const LaunchDone& done)
{
    logLaunch(program, path, failure);
    pending().remove(program);
    if (pending().isEmpty())
        platform::setMousePointer(platform::MousePointer::Default);
    if (failure) {
        platform::MsgBox({QStringLiteral("Unable to execute program : ") + program +
                              QStringLiteral(". Error Follows"),
                          QStringLiteral("Error"),
                          platform::MsgIcon::Exclamation,
                          platform::MsgButtons::Ok,
                          {},
                          0});
        platform::ShowError(*failure);
    }
    if (done)
        done(failure == nullptr);
}
} // namespace

bool LaunchProgram(const QString& name, LaunchDone done, std::function<void()> ended)
{
    const QString program = TrimSpaces(name);
    if (pending().contains(program))
        return false;
    pending().insert(program);
    platform::setMousePointer(platform::MousePointer::Hourglass);
    QString path;
    try {
        path = TrimSpaces(gDBRoutines().getProgramPath(program));
        // Handing the shell nothing would silently do nothing: report it.
        if (path.isEmpty())
            throw KestrelError(
                NoProgramPath, QStringLiteral("Kestrel"),
                QStringLiteral("The catalogue holds no path for the program \"%1\".").arg(program));
    } catch (const KestrelError& error) {
        finishLaunch(program, path, &error, done);
        return true;
    }
    // Answered on the application's thread, which lives as long as the program.
    platform::ShellExecuteAsync(
        {path, QString()}, QCoreApplication::instance(),
        [program, path, done, ended](const platform::ShellResult& result) {
            if (result.ok) {
                if (ended && result.pid > 0)
                    platform::whenProcessEnds(result.pid, QCoreApplication::instance(), ended);
                finishLaunch(program, path, nullptr, done);
            } else {
                const KestrelError error(ShellRefused, QStringLiteral("Kestrel"), result.error);
                finishLaunch(program, path, &error, done);
            }
        });
    return true;
}

int PendingLaunches()
{
    return int(pending().size());
}

} // namespace modMain
