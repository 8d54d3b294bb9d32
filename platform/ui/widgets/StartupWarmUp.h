#pragma once

#include <thread>

namespace platform {

// Start-up work that only fills caches of the whole process, done on second threads
// while the GUI thread connects to the display and builds the first window:
// - the font configuration, which the first text measurement would otherwise wait for;
// - the database driver, which the first catalogue open would;
// - the image plug-ins' descriptions, which the first picture would;
// - on the desktop platforms, the session bus connection that Qt's accessibility bridge
//   makes at the first change of a widget (where no bus runs, the failed attempt to start
//   one takes several ms).
// No program state is touched. Should the GUI thread get there first, it does the same
// work itself (fontconfig, Qt SQL, Qt's plug-in loader and Qt D-Bus all allow that), so
// only the time changes.
class StartupWarmUp
{
public:
    // Starts on the fonts; needs no application object.
    StartupWarmUp();
    // Waits for whatever is still running.
    ~StartupWarmUp();

    StartupWarmUp(const StartupWarmUp&) = delete;
    StartupWarmUp& operator=(const StartupWarmUp&) = delete;

    // Starts on the rest; call once the application object exists.
    void startDriverLoad();

private:
    std::thread mFonts;
    std::thread mDriver;
    std::thread mSessionBus;
};

} // namespace platform
