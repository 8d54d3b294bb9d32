#pragma once

#include <QObject>
#include <QTimer>
#include <functional>

class QWidget;

// What makes the launcher's window a kiosk's whole session ([General] Kiosk=1): it fills
// the screen without a frame, set by hand since no window manager may run to honour "full
// screen"; it may close only when the program itself is ending (SIGTERM, SIGHUP or SIGINT,
// as a session ends); and after resetSeconds without key or mouse input anywhere in the
// program, reset runs so the next person finds it as it started.
class Kiosk : public QObject
{
    Q_OBJECT
public:
    Kiosk(QWidget* window, qint32 resetSeconds, std::function<void()> reset);
    ~Kiosk() override;

    // Whether the program is ending, and the window may close.
    bool ending() const { return mEnding; }
    // Runs reset now, and again after the next idle time.
    void resetNow();
    // The window in front again with the keyboard (a program it started has ended).
    void comeBack();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void fillScreen();
    void end();

    QWidget* mWindow;
    QTimer mIdle;
    std::function<void()> mReset;
    bool mEnding = false;
};
