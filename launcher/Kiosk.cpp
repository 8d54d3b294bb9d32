#include "launcher/Kiosk.h"

#include <QApplication>
#include <QEvent>
#include <QScreen>
#include <QSocketNotifier>
#include <QWidget>

#include <climits>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {
// The ending signals are written here by the handler and read on the window's thread.
int endingPipe[2] = {-1, -1};

void signalled(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(endingPipe[1], &byte, 1);
}

constexpr int kEndingSignals[] = {SIGTERM, SIGHUP, SIGINT};

void takeX11Focus(WId window);
} // namespace

Kiosk::Kiosk(QWidget* window, qint32 resetSeconds, std::function<void()> reset)
    : QObject(window), mWindow(window), mReset(std::move(reset))
{
    window->setWindowFlag(Qt::FramelessWindowHint);
    window->setWindowState(Qt::WindowFullScreen);
    fillScreen();
    if (QScreen* screen = window->screen())
        connect(screen, &QScreen::geometryChanged, this, &Kiosk::fillScreen);

    mIdle.setSingleShot(true);
    // The timer counts milliseconds in an int: a larger setting means "about 24 days".
    mIdle.setInterval(std::chrono::seconds(qMin(resetSeconds, INT_MAX / 1000)));
    connect(&mIdle, &QTimer::timeout, this, [this] { mReset(); });
    mIdle.start();
    qApp->installEventFilter(this);

    if (endingPipe[0] < 0 && ::pipe2(endingPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    auto* notifier = new QSocketNotifier(endingPipe[0], QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, &Kiosk::end);
    struct sigaction action = {};
    action.sa_handler = signalled;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int number : kEndingSignals)
        sigaction(number, &action, nullptr);
}

Kiosk::~Kiosk()
{
    // A signal after the window went ends the program as it would have without a kiosk.
    for (int number : kEndingSignals)
        std::signal(number, SIG_DFL);
}

void Kiosk::fillScreen()
{
    if (QScreen* screen = mWindow->screen())
        mWindow->setGeometry(screen->geometry());
}

void Kiosk::end()
{
    char bytes[16];
    while (::read(endingPipe[0], bytes, sizeof bytes) > 0) {
    }
    mEnding = true;
    mWindow->close();
}

void Kiosk::resetNow()
{
    mReset();
    mIdle.start();
}

void Kiosk::comeBack()
{
    mWindow->raise();
    mWindow->activateWindow();
    takeX11Focus(mWindow->winId());
}

bool Kiosk::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress:
        // Without a window manager a click alone gives no window the keyboard.
        if (!mWindow->isActiveWindow() && !QApplication::activeModalWidget())
            comeBack();
        mIdle.start();
        break;
    case QEvent::KeyPress:
    case QEvent::MouseMove:
    case QEvent::Wheel:
    case QEvent::TouchBegin:
        mIdle.start();
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

// Last: Xlib's macros (KeyPress, None, ...) would clash with the code above.
#if KESTREL_HAVE_X11
#include <X11/Xlib.h>
#endif

namespace {
// Qt asks for the focus with the time of the last event this program saw, which the X
// server ignores when another program took the focus since (a program started from the
// list); with no window manager nothing else gives it back.
void takeX11Focus([[maybe_unused]] WId window)
{
#if KESTREL_HAVE_X11
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11 || !x11->display())
        return;
    XSetInputFocus(x11->display(), Window(window), RevertToParent, CurrentTime);
    XFlush(x11->display());
#endif
}
} // namespace
