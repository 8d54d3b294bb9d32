#pragma once

#include "platform/ui/MessageBox.h"

#include <QApplication>
#include <exception>
#include <functional>
#include <memory>

namespace platform {
class StartupWarmUp;
}

// The application object of both programs and their top-level error handler: an
// error that no code handles, whether it escapes an event handler or the start-up
// procedure, is shown in a critical message box naming its number, source and
// description, and the program then ends with UnhandledErrorExitCode.
class KestrelApplication : public QApplication
{
    Q_OBJECT

public:
    static constexpr int UnhandledErrorExitCode = 1;

    KestrelApplication(int& argc, char** argv);
    ~KestrelApplication() override;

    bool notify(QObject* receiver, QEvent* event) override;

    // Runs the start-up procedure (and usually exec()) under the same guard; answers
    // its result, or UnhandledErrorExitCode after an unhandled error.
    int runGuarded(const std::function<int()>& body);

    // The message shown for an error nobody handled (the current exception).
    static platform::MsgRequest unhandledErrorMessage(std::exception_ptr error);

    bool hasFailed() const { return mFailed; }

private:
    static int& startWarmUp(int& argc);
    void handleUnhandledError(std::exception_ptr error);

    std::unique_ptr<platform::StartupWarmUp> mWarmUp;

    bool mFailed = false;
    bool mReporting = false;
};
