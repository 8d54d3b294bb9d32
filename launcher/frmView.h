#pragma once

#include <QWidget>
#include <functional>

class clsDBRoutines;
class Kiosk;
class KestrelError;
class QLabel;
class QListWidgetItem;
class QStatusBar;
class QTimer;

namespace launcher {
class ucLeftFrame;
class ucProgramView;
} // namespace launcher

// The launcher's only main window: the left panel, the program list and the status bar.
// It exists at most once; closing it (Quit or the close box) destroys it and so ends
// the program, except at a kiosk (Settings::kiosk).
class frmView : public QWidget
{
    Q_OBJECT
public:
    // What the window needs of the settings.
    struct Settings
    {
        QString defaultIcon;       // the picture of a program without one of its own
        bool hideBroken = false;   // broken programs hidden rather than greyed
        qint32 refreshSeconds = 0; // the catalogue's changes shown within; 0: never
        bool kiosk = false;        // a kiosk's whole session (Kiosk.h)
        qint32 kioskResetSeconds = 120;
    };

    // The window, made by start-up (modMain::openMainWindow) on first use.
    static frmView& Instance();
    // Makes the window on that catalogue and loads it (its list filled), unless it exists.
    // When loading throws, nothing is kept.
    static frmView& open(clsDBRoutines& catalogue, const Settings& settings);
    // The window if it exists, else nullptr.
    static frmView* existingInstance();
    ~frmView() override;

    launcher::ucLeftFrame* ucLeftFrame1() const { return mLeftFrame; }
    launcher::ucProgramView* ucProgramView1() const { return mProgramView; }
    QStatusBar* sbar() const { return mStatusBar; }
    // A notice for the user in the status panel (a launch log that cannot be written).
    void showNotice(const QString& text);

protected:
    void resizeEvent(QResizeEvent* event) override;
    // Keeps the window's size and position for the user's next start. A kiosk's window
    // closes only as the program ends, and keeps nothing.
    void closeEvent(QCloseEvent* event) override;

private:
    frmView(clsDBRoutines& catalogue, const Settings& settings);
    void load();
    void layoutChildren();
    void startRefresh(qint32 seconds);

    void programClicked(QListWidgetItem* item);
    void programDoubleClicked(QListWidgetItem* item);
    void launchSelected();
    void launch(const QString& name);
    void openProperties();
    void showLaunchFailure();
    void updateStatusPanels();
    // A catalogue read that failed (the server away): the error's box once, then only the
    // status panel, until a read works again. retrying is said after "Catalogue not
    // reachable".
    void catalogueFailed(const KestrelError& error, const QString& retrying = {});
    void catalogueReadAgain();
    // A kiosk whose catalogue cannot be read says so and tries again every few seconds.
    void kioskCatalogueFailed(const KestrelError& error);
    void kioskRetry();
    // The search and the selection cleared, for the next person at a kiosk.
    void clearForNextPerson();
    // For a launch at a kiosk: the window in front again once the program ends.
    std::function<void()> comeBackWhenEnded();

    clsDBRoutines& mCatalogue;
    QString mDefaultIcon;
    launcher::ucLeftFrame* mLeftFrame;
    launcher::ucProgramView* mProgramView;
    QStatusBar* mStatusBar;
    QLabel* mCapsPanel;
    QLabel* mDatePanel;
    QLabel* mStatusPanel;
    QLabel* mTimePanel;
    QTimer* mClock;
    bool mCatalogueAway = false;
    Kiosk* mKiosk = nullptr;
};
