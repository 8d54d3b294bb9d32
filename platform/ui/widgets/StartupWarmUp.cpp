#include "platform/ui/widgets/StartupWarmUp.h"

#include "platform/database/Connection.h"

#ifdef KESTREL_HAVE_FONTCONFIG
#include <fontconfig/fontconfig.h>
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
}

void StartupWarmUp::startDriverLoad()
{
    if (!mDriver.joinable())
        mDriver = std::thread([] { Connection::preloadDriver(); });
}

} // namespace platform
