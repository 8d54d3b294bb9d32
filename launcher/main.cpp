#include "KestrelVersion.h"
#include "catalogue/clsDBRoutines.h"
#include "launcher/modMain.h"
#include "platform/ui/widgets/KestrelApplication.h"
#include "platform/ui/widgets/RealHandlers.h"
#include "settings/clsIniFile.h"

int main(int argc, char** argv)
{
    if (kestrel::printVersionIfAsked(argc, argv, "Kestrel"))
        return 0;
    KestrelApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Kestrel"));
    platform::installRealHandlers();
    clsIniFile::setLogicErrorHandler(platform::MsgBox);
    const int exitCode = app.runGuarded([&app] {
        modMain::Main();
        return app.exec();
    });
    // The catalogue closes while Qt's database drivers are still loaded.
    releaseDBRoutines();
    return exitCode;
}
