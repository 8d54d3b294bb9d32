#include "admin/modMain.h"

#include "admin/Controls.h"
#include "admin/frmAddProgram.h"
#include "admin/frmSetup.h"
#include "catalogue/clsDBRoutines.h"
#include "platform/ui/MessageBox.h"
#include "settings/clsEnvironment.h"

#include <QPointer>

namespace admin {

namespace {
QString& startedSettingsFile()
{
    static QString path;
    return path;
}
QPointer<frmSetup>& setupInstance()
{
    static QPointer<frmSetup> window;
    return window;
}
QPointer<frmAddProgram>& addInstance()
{
    static QPointer<frmAddProgram> window;
    return window;
}
} // namespace

bool Main(const QString& mStrIniFile)
{
    startedSettingsFile() = mStrIniFile;
    if (!gEnvironment().loadSettings(mStrIniFile)) {
        platform::MsgBoxWithReason({"Error Loading Setttings, Closing",
                                    "Error",
                                    platform::MsgIcon::Critical,
                                    platform::MsgButtons::Ok,
                                    {},
                                    0},
                                   gEnvironment().LoadProblem());
        return false;
    }
    // Opened by its first statement, the list's as the setup window loads.
    openDBRoutines(catalogueLocation(gEnvironment(), false));
    setupWindow().show();
    return true;
}

QString settingsFile()
{
    return startedSettingsFile().isEmpty() ? settingsFilePath() : startedSettingsFile();
}

frmSetup& setupWindow()
{
    QPointer<frmSetup>& window = setupInstance();
    if (!window)
        window = new frmSetup(gDBRoutines(), gEnvironment());
    return *window;
}

frmSetup* openSetupWindow()
{
    return setupInstance().data();
}

void showAddProgram()
{
    QPointer<frmAddProgram>& window = addInstance();
    if (!window)
        window = new frmAddProgram(gDBRoutines(), gEnvironment().DefaultDialogIconPath());
    window->show();
    window->raise();
    window->activateWindow();
}

} // namespace admin
