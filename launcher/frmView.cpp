#include "launcher/frmView.h"

#include "catalogue/clsDBRoutines.h"
#include "launcher/CapsLock.h"
#include "launcher/Kiosk.h"
#include "launcher/modMain.h"
#include "platform/KestrelError.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/widgets/KestrelApplication.h"
#include "resources/KestrelResources.h"
#include "settings/FileChecks.h"
#include "views/common/CommandLabel.h"
#include "views/common/ProgramHealth.h"
#include "views/common/ProgramListRefresh.h"
#include "views/common/SearchField.h"
#include "views/common/Twips.h"
#include "views/launcher/frmProperties.h"
#include "views/launcher/ucLeftFrame.h"
#include "views/launcher/ucProgramView.h"

#include <QDate>
#include <QDialog>
#include <QLabel>
#include <QListWidget>
#include <QListWidgetItem>
#include <QLocale>
#include <QPointer>
#include <QSettings>
#include <QStatusBar>
#include <QTime>
#include <QTimer>

#include <memory>

namespace {
QPointer<frmView>& instance()
{
    static QPointer<frmView> window;
    return window;
}

// A panel of that width, or at least that width when it stretches.
QLabel* addPanel(QStatusBar* bar, const QString& name, int widthTwips, int stretch = 0)
{
    auto* panel = new QLabel(bar);
    panel->setObjectName(name);
    if (stretch > 0)
        panel->setMinimumWidth(twips::px(widthTwips));
    else
        panel->setFixedWidth(twips::px(widthTwips));
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    panel->setContentsMargins(3, 0, 3, 0);
    bar->addWidget(panel, stretch);
    return panel;
}

constexpr int kKioskRetrySeconds = 5;
} // namespace

frmView& frmView::Instance()
{
    if (!instance())
        modMain::openMainWindow();
    return *instance();
}

frmView& frmView::open(clsDBRoutines& catalogue, const Settings& settings)
{
    if (!instance()) {
        std::unique_ptr<frmView> window(new frmView(catalogue, settings));
        window->load();
        instance() = window.release();
    }
    return *instance();
}

frmView* frmView::existingInstance()
{
    return instance();
}

frmView::frmView(clsDBRoutines& catalogue, const Settings& settings)
    : mCatalogue(catalogue), mDefaultIcon(settings.defaultIcon),
      mLeftFrame(new launcher::ucLeftFrame(this)),
      mProgramView(new launcher::ucProgramView(catalogue, settings.defaultIcon, this)),
      mStatusBar(new QStatusBar(this)), mClock(new QTimer(this))
{
    setObjectName(QStringLiteral("frmView"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Kestrel "));
    setWindowIcon(kestrel_resources::launcherIcon());
    // Opens at the designed size and layout, and may grow from there.
    const QSize designed(twips::px(9345), twips::px(5460));
    setMinimumSize(designed);
    resize(designed);

    mLeftFrame->setObjectName(QStringLiteral("ucLeftFrame1"));
    mProgramView->setObjectName(QStringLiteral("ucProgramView1"));
    mProgramView->markBroken(settings.hideBroken ? BrokenMarker::Hide : BrokenMarker::Grey);

    // The status bar keeps its panels current itself; only a notice (showNotice) replaces
    // the status panel's text.
    mStatusBar->setObjectName(QStringLiteral("sbar"));
    mStatusBar->setSizeGripEnabled(false);
    mCapsPanel = addPanel(mStatusBar, QStringLiteral("sbarCaps"), 1440);
    mCapsPanel->setText(QStringLiteral("CAPS"));
    mCapsPanel->setAlignment(Qt::AlignCenter);
    mDatePanel = addPanel(mStatusBar, QStringLiteral("sbarDate"), 1440);
    // The status panel takes a wider window's room, so the clock keeps to the right edge.
    mStatusPanel = addPanel(mStatusBar, QStringLiteral("sbarStatus"), 4950, 1);
    mStatusPanel->setText(QStringLiteral("STATUS"));
    mTimePanel = addPanel(mStatusBar, QStringLiteral("sbarTime"), 1440);
    updateStatusPanels();
    connect(mClock, &QTimer::timeout, this, &frmView::updateStatusPanels);
    mClock->start(1000);

    // Search: typing anywhere in the window filters the list.
    SearchField* search = mLeftFrame->txtSearch();
    mProgramView->attachSearchField(search);
    search->captureTyping(this);
    QWidget::setTabOrder(search, mProgramView->lstView());
    QWidget::setTabOrder(mProgramView->lstView(), mProgramView->lstFiltered());
    QWidget::setTabOrder(mProgramView->lstFiltered(), mLeftFrame->launchCommand());
    QWidget::setTabOrder(mLeftFrame->launchCommand(), mLeftFrame->propertiesCommand());
    QWidget::setTabOrder(mLeftFrame->propertiesCommand(), mLeftFrame->quitCommand());

    layoutChildren();
    if (settings.kiosk) {
        mKiosk = new Kiosk(this, settings.kioskResetSeconds, [this] { clearForNextPerson(); });
        mLeftFrame->hideQuit();
    } else {
        restoreGeometry(QSettings(QSettings::NativeFormat, QSettings::UserScope,
                                  QStringLiteral("Kestrel"), QStringLiteral("launcher"))
                            .value(QStringLiteral("frmView/geometry"))
                            .toByteArray());
        connect(mLeftFrame, &launcher::ucLeftFrame::QuitClicked, this, &QWidget::close);
    }

    connect(mProgramView, &launcher::ucProgramView::ItemClicked, this, &frmView::programClicked);
    connect(mProgramView, &launcher::ucProgramView::ListDoubleClicked, this,
            &frmView::programDoubleClicked);
    // The panel never describes, or offers to launch, a program the list does not show.
    connect(mProgramView, &launcher::ucProgramView::SelectionHidden, this, [this] {
        mLeftFrame->setDescription({});
        mLeftFrame->displayLabels(false);
    });
    connect(mProgramView, &launcher::ucProgramView::PropertiesClicked, this,
            &frmView::openProperties);
    connect(mLeftFrame, &launcher::ucLeftFrame::LaunchedClicked, this, &frmView::launchSelected);
    connect(mLeftFrame, &launcher::ucLeftFrame::PropertiesClicked, this, &frmView::openProperties);
    connect(mProgramView, &launcher::ucProgramView::CatalogueWaiting, this,
            [this](const QString& status) {
                mStatusPanel->setText(status.isEmpty() ? QStringLiteral("STATUS")
                                                       : QStringLiteral("Catalogue busy: waiting"));
                mStatusPanel->setToolTip(status);
            });
    if (settings.refreshSeconds > 0)
        startRefresh(settings.refreshSeconds);
}

void frmView::startRefresh(qint32 seconds)
{
    auto* refresh = new ProgramListRefresh(mCatalogue, mProgramView, seconds);
    // The panel describes the selected program as the catalogue has it now.
    connect(refresh, &ProgramListRefresh::refreshed, this, [this] {
        if (QListWidgetItem* item = mProgramView->selectedListItem()) {
            try {
                programClicked(item);
            } catch (const KestrelError&) {
                // Gone again meanwhile: the description shown stays until the next click.
            }
        }
    });
    // One line while checks fail, taken away when they work again.
    connect(refresh, &ProgramListRefresh::notice, this,
            [this, shown = QString()](const QString& text) mutable {
                if (!text.isEmpty()) {
                    showNotice(shown = text);
                } else if (mStatusPanel->toolTip() == shown) {
                    mStatusPanel->setText(QStringLiteral("STATUS"));
                    mStatusPanel->setToolTip({});
                }
            });
}

frmView::~frmView() = default;

void frmView::layoutChildren()
{
    // At the designed size every child is where it was designed to be; beyond it the
    // list takes the extra room, the left panel only grows in height, and the status bar
    // keeps to the bottom edge.
    const int extraWidth = width() - twips::px(9345);
    const int extraHeight = height() - twips::px(5460);
    mLeftFrame->setGeometry(twips::rect(0, 0, 3015, 5175).adjusted(0, 0, 0, extraHeight));
    mProgramView->setGeometry(
        twips::rect(3120, 0, 6255, 5175).adjusted(0, 0, extraWidth, extraHeight));
    const int barHeight = twips::px(375);
    mStatusBar->setGeometry(0, height() - barHeight, width(), barHeight);
}

void frmView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    layoutChildren();
}

void frmView::closeEvent(QCloseEvent* event)
{
    if (mKiosk) {
        if (mKiosk->ending())
            QWidget::closeEvent(event);
        else
            event->ignore();
        return;
    }
    // Per user, beside the user's other settings: Kestrel.ini is shared and may be
    // read-only.
    QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Kestrel"),
              QStringLiteral("launcher"))
        .setValue(QStringLiteral("frmView/geometry"), saveGeometry());
    QWidget::closeEvent(event);
}

void frmView::load()
{
    if (mKiosk)
        mProgramView->setFillFailureHandler(
            [this](const KestrelError& error) { kioskCatalogueFailed(error); });
    mProgramView->loadView();
}

void frmView::kioskCatalogueFailed(const KestrelError& error)
{
    // Tried again also while the error's box waits for someone to close it.
    QTimer::singleShot(std::chrono::seconds(kKioskRetrySeconds), this, &frmView::kioskRetry);
    // The box over the window, which shows first.
    QTimer::singleShot(0, this, [this, error] {
        catalogueFailed(error,
                        QStringLiteral(", trying again every %1 seconds").arg(kKioskRetrySeconds));
    });
}

void frmView::kioskRetry()
{
    try {
        // A catalogue another program holds locked is tried again like any other failure.
        const CatalogueWithoutWaiting noWait;
        mProgramView->refill();
    } catch (const KestrelError& error) {
        kioskCatalogueFailed(error);
        return;
    }
    catalogueReadAgain();
}

void frmView::clearForNextPerson()
{
    // A properties window left open is closed as well.
    for (QDialog* dialog : findChildren<QDialog*>())
        dialog->reject();
    mLeftFrame->txtSearch()->clear();
    mProgramView->lstView()->setCurrentItem(nullptr);
    mProgramView->lstView()->clearSelection();
    mProgramView->lstView()->scrollToTop();
    mLeftFrame->setDescription({});
    mLeftFrame->displayLabels(false);
}

void frmView::programClicked(QListWidgetItem* item)
{
    if (!item)
        return;
    QString description;
    try {
        description = mCatalogue.getProgramDescription(item->text());
    } catch (const KestrelError& error) {
        catalogueFailed(error);
        return;
    }
    catalogueReadAgain();
    mLeftFrame->setDescription(description);
    mLeftFrame->displayLabels(true);
}

void frmView::catalogueFailed(const KestrelError& error, const QString& retrying)
{
    // The list stays, and so does the window: the next click tries again. The status panel
    // says so already while the box is up.
    showNotice(QStringLiteral("Catalogue not reachable%1: %2").arg(retrying, error.description()));
    if (!std::exchange(mCatalogueAway, true))
        platform::MsgBox(KestrelApplication::unhandledErrorMessage(std::make_exception_ptr(error)));
}

void frmView::catalogueReadAgain()
{
    if (!std::exchange(mCatalogueAway, false))
        return;
    mStatusPanel->setText(QStringLiteral("STATUS"));
    mStatusPanel->setToolTip({});
}

void frmView::programDoubleClicked(QListWidgetItem* item)
{
    if (!item)
        return;
    launch(item->text());
}

void frmView::launchSelected()
{
    const QString selected = mProgramView->selectedItem();
    if (TrimSpaces(selected).isEmpty())
        return;
    launch(selected);
}

void frmView::launch(const QString& name)
{
    // The outcome comes later; the window may be gone by then.
    QPointer<frmView> window(this);
    modMain::LaunchProgram(
        name,
        [window](bool started) {
            if (!window)
                return;
            if (started) // its path was read
                window->catalogueReadAgain();
            else
                window->showLaunchFailure();
            if (window->mKiosk)
                window->mKiosk->resetNow();
        },
        comeBackWhenEnded());
}

std::function<void()> frmView::comeBackWhenEnded()
{
    if (!mKiosk)
        return {};
    return [kiosk = QPointer<Kiosk>(mKiosk)] {
        if (kiosk)
            kiosk->comeBack();
    };
}

void frmView::openProperties()
{
    // The properties window ignores the outcome.
    launcher::frmProperties window(
        mCatalogue, mDefaultIcon,
        [ended = comeBackWhenEnded()](const QString& name) {
            return modMain::LaunchProgram(name, {}, ended);
        },
        this);
    window.setProgram(mProgramView->selectedItem());
    if (window.isOpen())
        window.exec();
}

void frmView::showLaunchFailure()
{
    platform::MsgBox({QStringLiteral("Unable to execute ") + mProgramView->selectedItem() +
                          QStringLiteral(". If problem continues please contact administrator"),
                      QStringLiteral("Error"),
                      platform::MsgIcon::Information,
                      platform::MsgButtons::Ok,
                      {},
                      0});
}

void frmView::showNotice(const QString& text)
{
    // Shortened to the panel; the whole text stays in the tooltip.
    mStatusPanel->setText(
        mStatusPanel->fontMetrics().elidedText(text, Qt::ElideMiddle, mStatusPanel->width() - 4));
    mStatusPanel->setToolTip(text);
}

void frmView::updateStatusPanels()
{
    const QLocale locale;
    mCapsPanel->setEnabled(capsLockOn());
    mDatePanel->setText(locale.toString(QDate::currentDate(), QLocale::ShortFormat));
    mTimePanel->setText(locale.toString(QTime::currentTime(), QLocale::ShortFormat));
}
