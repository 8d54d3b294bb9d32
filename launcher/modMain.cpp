#include "launcher/modMain.h"

#include "catalogue/clsDBRoutines.h"
#include "launcher/frmView.h"
#include "platform/KestrelError.h"
#include "platform/shell/Shell.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/MousePointer.h"
#include "settings/FileChecks.h"
#include "settings/clsEnvironment.h"

namespace modMain {

namespace {
constexpr qint32 NoProgramPath = KestrelErrorNumber::FileNotFound;
constexpr qint32 ShellRefused = KestrelErrorNumber::PathFileAccessError;
} // namespace

void Main()
{
    // Missing or unreadable settings do not stop the launcher: it goes on with what
    // loadSettings left.
    static_cast<void>(gEnvironment().loadSettings(settingsFilePath()));
    setCatalogueReadOnly(true);
    frmView::Instance().show();
}

bool LaunchProgram(const QString& name)
{
    const QString program = TrimSpaces(name);
    try {
        platform::setMousePointer(platform::MousePointer::Hourglass);
        const QString path = TrimSpaces(gDBRoutines().getProgramPath(program));
        // Handing the shell nothing would silently do nothing: report it.
        if (path.isEmpty())
            throw KestrelError(
                NoProgramPath, QStringLiteral("Kestrel"),
                QStringLiteral("The catalogue holds no path for the program \"%1\".").arg(program));
        const platform::ShellResult result = platform::ShellExecute({path, QString()});
        if (!result.ok)
            throw KestrelError(ShellRefused, QStringLiteral("Kestrel"), result.error);
        platform::setMousePointer(platform::MousePointer::Default);
        return true;
    } catch (const KestrelError& error) {
        platform::setMousePointer(platform::MousePointer::Default);
        platform::MsgBox({QStringLiteral("Unable to execute program : ") + program +
                              QStringLiteral(". Error Follows"),
                          QStringLiteral("Error"),
                          platform::MsgIcon::Exclamation,
                          platform::MsgButtons::Ok,
                          {},
                          0});
        platform::ShowError(error);
        return false;
    }
}

} // namespace modMain
