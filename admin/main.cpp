#include "KestrelVersion.h"
#include "admin/modMain.h"
#include "catalogue/clsDBRoutines.h"
#include "platform/ui/widgets/KestrelApplication.h"
#include "platform/ui/widgets/RealHandlers.h"
#include "resources/KestrelResources.h"
#include "settings/clsEnvironment.h"
#include "settings/clsIniFile.h"

#include <cstdlib>

int main(int argc, char** argv)
{
    if (kestrel::printVersionIfAsked(argc, argv, "KestrelAdmin"))
        return 0;
    KestrelApplication app(argc, argv);
    KestrelApplication::setApplicationName(QStringLiteral("KestrelAdmin"));
    KestrelApplication::setWindowIcon(kestrel_resources::adminIcon());
    // A modeless add dialog keeps the program running after the setup window closed.
    KestrelApplication::setQuitOnLastWindowClosed(true);
    platform::installRealHandlers();
    clsIniFile::setLogicErrorHandler(platform::MsgBox);

    const int result = app.runGuarded([] {
        if (!admin::Main(settingsFilePath()))
            return EXIT_FAILURE;
        return KestrelApplication::exec();
    });
    releaseDBRoutines();
    return result;
}
