#include "platform/ui/widgets/KestrelApplication.h"

#include "platform/KestrelError.h"

#include <QMetaObject>
#include <cstdio>

KestrelApplication::KestrelApplication(int& argc, char** argv) : QApplication(argc, argv) {}

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
