#pragma once

#include <thread>

namespace platform {

// Start-up work that only fills caches of the whole process, done on second threads
// while the GUI thread connects to the display and builds the first window: connecting
// to the session bus, which the accessibility bridge would otherwise wait for on the
// first text (or, with no bus, for the failed attempt to start one), loading the font
// configuration, which the first text measurement would otherwise wait for, and the
// database driver, which the first catalogue open would. (The icon decoders are not among
// them: a start usually finds its icons already decoded, and loading them would only take
// processor time from the window.) No program state is touched. Should the GUI thread get
// there first, it does the same work itself (Qt D-Bus, fontconfig and Qt SQL allow that),
// so only the time changes.
class StartupWarmUp
{
public:
    // Starts on the session bus and the fonts; needs no application object. Construct it
    // on the thread that will run the application.
    StartupWarmUp();
    // Waits for whatever is still running.
    ~StartupWarmUp();

    StartupWarmUp(const StartupWarmUp&) = delete;
    StartupWarmUp& operator=(const StartupWarmUp&) = delete;

    // Makes the font configuration loaded on the second thread the process's own. Call
    // once the application object exists and before anything measures text: the first
    // text measurement would otherwise load a configuration of its own.
    void installFonts();

    // Starts on the database driver; call once the application object exists.
    void startWithApplication();

private:
    std::thread mBus;
    std::thread mFonts;
    std::thread mDriver;
    // The configuration the fonts thread loaded, until installFonts (a fontconfig FcConfig).
    void* mFontConfig = nullptr;
};

} // namespace platform
