#include "platform/ui/widgets/StartupWarmUp.h"

#include "platform/database/Connection.h"

#include <QGuiApplication>
#include <QImageReader>

#ifdef KESTREL_HAVE_FONTCONFIG
#include <fontconfig/fontconfig.h>
#endif
#ifdef KESTREL_HAVE_QTDBUS
#include <QDBusConnection>
#endif

namespace platform {

StartupWarmUp::StartupWarmUp()
{
#ifdef KESTREL_HAVE_FONTCONFIG
    // Qt's font database starts from fontconfig's current configuration, which FcInit
    // loads once per process.
    mFonts = std::thread([] { FcInit(); });
#endif
}

StartupWarmUp::~StartupWarmUp()
{
    if (mFonts.joinable())
        mFonts.join();
    if (mDriver.joinable())
        mDriver.join();
    if (mSessionBus.joinable())
        mSessionBus.join();
}

void StartupWarmUp::startDriverLoad()
{
    if (!mDriver.joinable())
        mDriver = std::thread([] {
            Connection::preloadDriver();
            // The first picture of a fill reads the image plug-ins' descriptions (every
            // plug-in file) to find which one reads it.
            QImageReader::supportedImageFormats();
        });
#ifdef KESTREL_HAVE_QTDBUS
    // The bridge asks for the same shared connection and finds it made (or failed) here.
    // Other platforms (offscreen in the tests) have no bridge and never connect.
    const QString platform = QGuiApplication::platformName();
    if (!mSessionBus.joinable() &&
        (platform == QLatin1String("xcb") || platform.startsWith(QLatin1String("wayland"))))
        mSessionBus = std::thread([] { QDBusConnection::sessionBus(); });
#endif
}

} // namespace platform
