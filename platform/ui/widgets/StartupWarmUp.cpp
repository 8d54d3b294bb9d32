#include "platform/ui/widgets/StartupWarmUp.h"

#include "platform/database/Connection.h"

#include <QDBusConnection>
#include <QThread>
#include <cstdlib>

#ifdef KESTREL_HAVE_FONTCONFIG
#include <fontconfig/fontconfig.h>
#endif

namespace platform {

namespace {
#ifdef KESTREL_HAVE_FONTCONFIG
// The configuration fontconfig's own start loads (FONTCONFIG_FILE, or the system's
// fonts.conf with what it includes, the user's files among them) and its fonts, without
// the rest of that start: reading every configuration file the system offers but does
// not use, which fontconfig only lists and which costs nearly as much again. Null where
// fontconfig's own start must decide (a configuration that does not load, no cache
// folder, a system root, FC_DEBUG asked for its reports); that start then runs as usual.
FcConfig* loadFontConfig()
{
    if (std::getenv("FC_DEBUG") || std::getenv("FONTCONFIG_SYSROOT"))
        return nullptr;
    FcConfig* config = FcConfigCreate();
    if (!config)
        return nullptr;
    bool usable = FcConfigParseAndLoad(config, nullptr, FcTrue);
    if (usable) {
        FcStrList* cacheDirs = FcConfigGetCacheDirs(config);
        usable = cacheDirs && FcStrListNext(cacheDirs);
        if (cacheDirs)
            FcStrListDone(cacheDirs);
    }
    if (usable && FcConfigBuildFonts(config))
        return config;
    FcConfigDestroy(config);
    return nullptr;
}
#endif

} // namespace

StartupWarmUp::StartupWarmUp()
{
    // Qt takes the first thread that asks for its thread data for the main thread, for as
    // long as that thread lives: this one must ask before the bus thread does.
    QThread::currentThread();
    mBus = std::thread([] { QDBusConnection::sessionBus(); });
#ifdef KESTREL_HAVE_FONTCONFIG
    mFonts = std::thread([this] {
        if (FcConfig* config = loadFontConfig())
            mFontConfig = config;
        else
            FcInit();
    });
#endif
}

StartupWarmUp::~StartupWarmUp()
{
    if (mBus.joinable())
        mBus.join();
    if (mFonts.joinable())
        mFonts.join();
    if (mDriver.joinable())
        mDriver.join();
#ifdef KESTREL_HAVE_FONTCONFIG
    if (mFontConfig)
        FcConfigDestroy(static_cast<FcConfig*>(mFontConfig));
#endif
}

void StartupWarmUp::installFonts()
{
    if (mFonts.joinable())
        mFonts.join();
#ifdef KESTREL_HAVE_FONTCONFIG
    if (auto* config = static_cast<FcConfig*>(mFontConfig)) {
        mFontConfig = nullptr;
        // The process's configuration holds its own reference.
        FcConfigSetCurrent(config);
        FcConfigDestroy(config);
    }
#endif
}

void StartupWarmUp::startWithApplication()
{
    if (!mDriver.joinable())
        mDriver = std::thread([] { Connection::preloadDriver(); });
}

} // namespace platform
