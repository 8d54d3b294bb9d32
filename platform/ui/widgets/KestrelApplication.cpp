#include "platform/ui/widgets/KestrelApplication.h"

#include "platform/KestrelError.h"
#include "platform/ui/widgets/StartupWarmUp.h"

#include <QMetaObject>
#include <cstdio>

namespace {
// Handed from before the QApplication base is built to the member that owns it.
std::unique_ptr<platform::StartupWarmUp>& pendingWarmUp()
{
    static std::unique_ptr<platform::StartupWarmUp> warmUp;
    return warmUp;
}
} // namespace

// The warm-up starts before the QApplication base, whose connection to the display takes
// most of a start, and ends with the member, before that base goes.
KestrelApplication::KestrelApplication(int& argc, char** argv)
    : QApplication(startWarmUp(argc), argv), mWarmUp(std::move(pendingWarmUp()))
{
    mWarmUp->installFonts();
    mWarmUp->startWithApplication();
}

KestrelApplication::~KestrelApplication() = default;

int& KestrelApplication::startWarmUp(int& argc)
{
    pendingWarmUp() = std::make_unique<platform::StartupWarmUp>();
    return argc;
}

bool KestrelApplication::notify(QObject* receiver, QEvent* event)
{
    // After the fatal message nothing else of the program may run; only our own
    // queued exit request still gets through.
    if (mFailed && receiver != this)
        return false;
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        handleUnhandledError(std::current_exception());
    }
    return false;
}

int KestrelApplication::runGuarded(const std::function<int()>& body)
{
    mFailed = false;
    int result = 0;
    try {
        result = body();
    } catch (...) {
        handleUnhandledError(std::current_exception());
    }
    // Drop a pending exit request, so that a later run (a test) starts clean.
    QCoreApplication::removePostedEvents(this, QEvent::MetaCall);
    return mFailed ? UnhandledErrorExitCode : result;
}

platform::MsgRequest KestrelApplication::unhandledErrorMessage(std::exception_ptr error)
{
    QString text;
    QString helpFile;
    qint32 helpContext = 0;
    try {
        std::rethrow_exception(error);
    } catch (const KestrelError& e) {
        text = QStringLiteral("Error %1 in %2:\n\n%3")
                   .arg(e.number())
                   .arg(e.source(), e.description());
        helpFile = e.helpFile();
        helpContext = e.helpContext();
    } catch (const std::exception& e) {
        text = QStringLiteral("Unexpected error:\n\n%1").arg(QString::fromLocal8Bit(e.what()));
    } catch (...) {
        text = QStringLiteral("Unexpected error of an unknown kind.");
    }
    QString title = QCoreApplication::applicationName();
    return {text,     title,      platform::MsgIcon::Critical, platform::MsgButtons::Ok,
            helpFile, helpContext};
}

void KestrelApplication::handleUnhandledError(std::exception_ptr error)
{
    const platform::MsgRequest message = unhandledErrorMessage(error);
    if (mReporting || mFailed) {
        // A second error while the first is on screen: the program ends anyway.
        std::fprintf(stderr, "%s\n", qUtf8Printable(message.text));
        return;
    }
    mReporting = true;
    platform::MsgBox(message);
    mReporting = false;
    mFailed = true;
    QCoreApplication::exit(UnhandledErrorExitCode);
    // The error may come before the event loop runs (an event sent during start-up):
    // ask again once it does.
    QMetaObject::invokeMethod(
        this, [] { QCoreApplication::exit(UnhandledErrorExitCode); }, Qt::QueuedConnection);
}
