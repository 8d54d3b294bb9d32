#include "admin/frmSetup.h"

#include "admin/Controls.h"
#include "admin/frmAddInstalled.h"
#include "admin/frmModifyProgram.h"
#include "admin/frmViewAs.h"
#include "admin/modMain.h"
#include "catalogue/clsDBRoutines.h"
#include "platform/KestrelError.h"
#include "platform/database/DatabaseLocation.h"
#include "platform/identity/Identity.h"
#include "platform/ui/FileDialog.h"
#include "platform/ui/MessageBox.h"
#include "settings/FileChecks.h"
#include "settings/clsEnvironment.h"
#include "views/admin/frmProperties.h"
#include "views/admin/ucLeftFrame.h"
#include "views/admin/ucProgramView.h"
#include "views/common/ProgramHealth.h"
#include "views/common/SearchField.h"
#include "views/common/Twips.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSettings>

namespace admin {

frmSetup::frmSetup(clsDBRoutines& catalogue, clsEnvironment& settings, QWidget* parent)
    : QWidget(parent), mCatalogue(catalogue), mSettings(settings)
{
    setObjectName("frmSetup");
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle("Kestrel Setup....");
    setFont(windowFont());
    // Opens at the designed size and layout, and may grow from there (layoutChildren).
    const QSize designed(twips::px(9030), twips::px(5550));
    setMinimumSize(designed);
    resize(designed);

    mUcLeftFrame1 = new ucLeftFrame(this);
    mUcLeftFrame1->setObjectName("ucLeftFrame1");
    mUcLeftFrame1->setGeometry(twips::rect(0, 0, 3015, 5535));

    mFrEnviro = new QGroupBox("Environment Settings", this);
    mFrEnviro->setObjectName("frEnviro");
    mFrEnviro->setGeometry(twips::rect(3120, 0, 5895, 975));
    addLabel(mFrEnviro, "Label1", "Database Location :", twips::rect(120, 480, 1455, 255));
    mTxtDatabaseLocation =
        addTextBox(mFrEnviro, "txtDatabaseLocation", twips::rect(1680, 465, 3375, 285));
    mCmdBrowse = addButton(mFrEnviro, "cmdBrowse", "...", twips::rect(5160, 480, 615, 255));

    mFrPrograms = new QGroupBox("Program Setup", this);
    mFrPrograms->setObjectName("frPrograms");
    mFrPrograms->setGeometry(twips::rect(3120, 960, 5895, 2775));
    mUcProgramView1 = placed(new ucProgramView(catalogue, settings.DefaultIcon(), mFrPrograms),
                             "ucProgramView1", twips::rect(240, 240, 5535, 1935));
    mCmdAdd = addButton(mFrPrograms, "cmdAdd", "Add", twips::rect(120, 2280, 735, 375));
    mCmdModify = addButton(mFrPrograms, "cmdModify", "Modify", twips::rect(960, 2280, 735, 375));
    mCmdDelete = addButton(mFrPrograms, "cmdDelete", "Delete", twips::rect(1800, 2280, 735, 375));
    mCmdProp = addButton(mFrPrograms, "cmdProp", "Properties", twips::rect(4800, 2280, 975, 375));
    // In the free space between Delete and Properties.
    mCmdAddInstalled = addButton(mFrPrograms, "cmdAddInstalled", "Add Installed...",
                                 twips::rect(2640, 2280, 1290, 375));
    mCmdCheck = addButton(mFrPrograms, "cmdCheck", "Check", twips::rect(3990, 2280, 735, 375));
    mBrokenMarker = mUcProgramView1->markBroken(BrokenMarker::Grey);

    // Below the programs' frame, in the window's free bottom strip.
    mCmdViewAs = addButton(this, "cmdViewAs", "View as...", twips::rect(3240, 3840, 1095, 375));
    mLblViewingAs = addLabel(this, "lblViewingAs", {}, twips::rect(4440, 3840, 4455, 375));
    mLblViewingAs->setWordWrap(true);

    // The search field sits in the left panel's free space below the logo, where the
    // launcher has its own.
    mTxtSearch = new SearchField(mUcLeftFrame1);
    mTxtSearch->setGeometry(twips::rect(120, 810, 2775, 345));
    mUcProgramView1->attachSearchField(mTxtSearch);
    mTxtSearch->captureTyping(this);

    setTabChain({mUcLeftFrame1, mTxtDatabaseLocation, mCmdBrowse, mTxtSearch, mUcProgramView1,
                 mCmdDelete, mCmdAdd, mCmdModify, mCmdAddInstalled, mCmdCheck, mCmdProp,
                 mCmdViewAs});

    connect(mCmdBrowse, &QPushButton::clicked, this, &frmSetup::cmdBrowse_Click);
    connect(mTxtDatabaseLocation, &QLineEdit::returnPressed, this,
            &frmSetup::txtDatabaseLocation_Return);
    connect(mCmdAdd, &QPushButton::clicked, this, &showAddProgram);
    connect(mCmdModify, &QPushButton::clicked, this, &frmSetup::cmdModify_Click);
    connect(mCmdDelete, &QPushButton::clicked, this, &frmSetup::deleteSelectedProgram);
    connect(mCmdProp, &QPushButton::clicked, this, &frmSetup::cmdProp_Click);
    connect(mCmdAddInstalled, &QPushButton::clicked, this, &frmSetup::cmdAddInstalled_Click);
    connect(mCmdCheck, &QPushButton::clicked, this, &frmSetup::cmdCheck_Click);
    connect(mCmdViewAs, &QPushButton::clicked, this, &frmSetup::cmdViewAs_Click);
    connect(mUcProgramView1, &ucProgramView::AddMenuClicked, this, &showAddProgram);
    connect(mUcProgramView1, &ucProgramView::ModifyMenuClicked, this, &frmSetup::cmdModify_Click);
    connect(mUcProgramView1, &ucProgramView::DeleteMenuClicked, this,
            &frmSetup::deleteSelectedProgram);
    connect(mUcProgramView1, &ucProgramView::PropertiesClicked, this, &frmSetup::cmdProp_Click);
    connect(mUcLeftFrame1, &ucLeftFrame::QuitClicked, this, &QWidget::close);

    // Beyond the designed size the frames, the location field and the list take the room;
    // the buttons keep to the frame's bottom, "..." and Properties to its right edge.
    mAnchors = {{mUcLeftFrame1, GrowDown},
                {mFrEnviro, GrowRight},
                {mTxtDatabaseLocation, GrowRight},
                {mCmdBrowse, MoveRight},
                {mFrPrograms, GrowRight | GrowDown},
                {mUcProgramView1, GrowRight | GrowDown},
                {mCmdAdd, MoveDown},
                {mCmdModify, MoveDown},
                {mCmdDelete, MoveDown},
                {mCmdAddInstalled, MoveDown},
                {mCmdCheck, MoveDown},
                {mCmdProp, MoveRight | MoveDown},
                {mCmdViewAs, MoveDown},
                {mLblViewingAs, MoveDown | GrowRight}};
    for (Anchor& anchor : mAnchors)
        anchor.designed = anchor.widget->geometry();
    restoreGeometry(userSettings().value(QStringLiteral("frmSetup/geometry")).toByteArray());

    mSavedLocation = mSettings.DatabasePath();
    mTxtDatabaseLocation->setText(mSavedLocation);
    mUcProgramView1->loadView();
}

QSettings frmSetup::userSettings()
{
    // Per user, as the launcher keeps its own: Kestrel.ini is shared and may be read-only.
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Kestrel"),
                     QStringLiteral("admin"));
}

void frmSetup::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    const int dx = width() - minimumWidth(), dy = height() - minimumHeight();
    for (const Anchor& anchor : mAnchors)
        anchor.widget->setGeometry(
            anchor.designed
                .translated(anchor.how & MoveRight ? dx : 0, anchor.how & MoveDown ? dy : 0)
                .adjusted(0, 0, anchor.how & GrowRight ? dx : 0, anchor.how & GrowDown ? dy : 0));
}

void frmSetup::closeEvent(QCloseEvent* event)
{
    userSettings().setValue(QStringLiteral("frmSetup/geometry"), saveGeometry());
    // A view chosen here ends with the window; the catalogue object may outlive it.
    mCatalogue.setViewer(std::nullopt);
    QWidget::closeEvent(event);
}

void frmSetup::cmdBrowse_Click()
{
    const auto chosen =
        platform::GetOpenFileName({"Select Database...", mSettings.DefaultDialogDatabasePath()});
    if (!chosen || TrimSpaces(*chosen).isEmpty())
        return;
    if (*chosen == TrimSpaces(mTxtDatabaseLocation->text())) {
        message("Database is same as selected file", "Same", platform::MsgIcon::Exclamation);
        return;
    }
    // SQLite's locks do not hold on network file systems: say so once, when it is chosen.
    if (onNetworkFileSystem(*chosen))
        message("The catalogue file lies on a network file system. Several machines must not "
                "share one catalogue file: its locks do not hold there and it can be corrupted. "
                "Put a room's catalogue on a PostgreSQL server instead.",
                "Database Location", platform::MsgIcon::Exclamation);
    saveLocation(TrimSpaces(*chosen));
}

// A server's URI typed into the location field and confirmed with Enter. It is tried before
// it is saved; one that fails is kept only when the administrator says so.
void frmSetup::txtDatabaseLocation_Return()
{
    const QString typed = TrimSpaces(mTxtDatabaseLocation->text());
    if (!DatabaseLocation::looksLikeUri(typed) || typed == mSavedLocation)
        return;
    const DatabaseLocation location = DatabaseLocation::parse(typed);
    if (!location.problem.isEmpty()) {
        mTxtDatabaseLocation->setText(mSavedLocation);
        message("The catalogue location " + location.display() +
                    " cannot be used: " + location.problem,
                "Database Location", platform::MsgIcon::Critical);
        return;
    }
    try {
        clsDBRoutines trial({typed, false});
        trial.loadPrograms();
    } catch (const KestrelError& error) {
        if (platform::MsgBox({error.description() + "\n\nKeep the new location anyway?",
                              "Database Location",
                              platform::MsgIcon::Question,
                              platform::MsgButtons::YesNo,
                              {},
                              0}) != platform::MsgAnswer::Yes) {
            mTxtDatabaseLocation->setText(mSavedLocation);
            return;
        }
    }
    saveLocation(typed);
}

QString frmSetup::defaultIcon() const
{
    return mSettings.DefaultIcon();
}

void frmSetup::saveLocation(const QString& location)
{
    // The new location is for the next start: the open catalogue and its list keep theirs,
    // and the field shows what was saved, so that it is not taken for the one in use.
    if (!mSettings.saveSettings(settingsFile(), location, false, false, 2)) {
        mTxtDatabaseLocation->setText(mSavedLocation);
        message("Unable to save settings", "Error", platform::MsgIcon::Critical);
        return;
    }
    mSavedLocation = location;
    mTxtDatabaseLocation->setText(location);
    message("Database Location has been updated\n\nKestrel and KestrelAdmin use it from their "
            "next start; this window keeps the catalogue it opened.",
            "Information", platform::MsgIcon::Information);
}

void frmSetup::cmdAddInstalled_Click()
{
    // The window compares with every program, not only those "View as..." shows.
    const std::optional<Viewer> viewer = mCatalogue.viewer();
    mCatalogue.setViewer(std::nullopt);
    frmAddInstalled window(this);
    bool added = false;
    connect(&window, &frmAddInstalled::programsAdded, this, [&added] { added = true; });
    window.exec();
    mCatalogue.setViewer(viewer);
    if (added)
        mUcProgramView1->reloadView();
}

void frmSetup::cmdCheck_Click()
{
    // The files are looked at on the health check's thread; the answer comes when it is done.
    mCmdCheck->setEnabled(false);
    const QMetaObject::Connection answer = connect(
        &ProgramHealth::instance(), &ProgramHealth::checked, this,
        [this] {
            mCmdCheck->setEnabled(true);
            const QHash<QString, QString>& problems = ProgramHealth::instance().problems();
            QStringList lines;
            for (int row = 0; row < mUcProgramView1->lstView()->count(); ++row) {
                const QString name = mUcProgramView1->lstView()->item(row)->text();
                if (const QString problem = ProgramHealth::instance().problem(name);
                    !problem.isEmpty())
                    lines.append(name.left(80) + QStringLiteral(": ") + problem.left(200));
            }
            lines.removeDuplicates();
            const qsizetype shown = 30;
            QString text = problems.isEmpty() ? QStringLiteral("No program is broken.")
                                              : QStringLiteral("%1 broken:\n").arg(lines.size()) +
                                                    lines.mid(0, shown).join(u'\n');
            if (lines.size() > shown)
                text += QStringLiteral("\n... and %1 more").arg(lines.size() - shown);
            message(text, "Check",
                    problems.isEmpty() ? platform::MsgIcon::Information
                                       : platform::MsgIcon::Exclamation);
        },
        Qt::SingleShotConnection);
    try {
        mBrokenMarker->checkNow();
    } catch (const KestrelError& error) {
        // The server away: said, and Check works again once it is back.
        disconnect(answer);
        mCmdCheck->setEnabled(true);
        platform::ShowError(error);
    }
}

void frmSetup::cmdModify_Click()
{
    // As Delete: with nothing selected there is nothing to modify.
    if (mUcProgramView1->selectedItem().isEmpty())
        return;
    frmModifyProgram dialog(this);
    try {
        dialog.setProgram(mUcProgramView1->selectedItem());
    } catch (const KestrelError& error) {
        // The program cannot be read (the server away): no dialog to type into.
        platform::ShowError(error);
        return;
    }
    dialog.exec();
}

void frmSetup::cmdProp_Click()
{
    frmProperties window(this);
    window.setProgram(mUcProgramView1->selectedItem());
    if (window.isOpen())
        window.exec();
}

void frmSetup::deleteSelectedProgram()
{
    // With nothing selected there is nothing to delete, and nothing to ask.
    const QString name = mUcProgramView1->selectedItem();
    if (name.isEmpty())
        return;
    if (platform::MsgBox({"Delete " + name + "?",
                          "Question",
                          platform::MsgIcon::Question,
                          platform::MsgButtons::YesNo,
                          {},
                          0}) != platform::MsgAnswer::Yes)
        return;
    if (mCatalogue.deleteProgram(mUcProgramView1->selectedItem())) {
        message("Program has been deleted", "Confirmation", platform::MsgIcon::Information);
        mUcProgramView1->reloadView();
    } else {
        platform::MsgBoxWithReason({"Couldn't Delete Program",
                                    "Error",
                                    platform::MsgIcon::Critical,
                                    platform::MsgButtons::Ok,
                                    {},
                                    0},
                                   mCatalogue.lastWriteFailure());
    }
}

void frmSetup::cmdViewAs_Click()
{
    if (mCatalogue.viewer()) {
        viewAll();
        return;
    }
    frmViewAs ask(this);
    const auto typed = [](const QLineEdit* field) { return TrimSpaces(field->text()); };
    if (ask.exec() == QDialog::Accepted && !typed(ask.txtUser()).isEmpty())
        viewAs(typed(ask.txtUser()), typed(ask.txtHost()));
}

bool frmSetup::viewAs(const QString& mStrUser, const QString& mStrHost)
{
    if (!identity::userExists(mStrUser)) {
        message("There is no user \"" + mStrUser + "\" on this machine. The list stays as it was.",
                "View as", platform::MsgIcon::Exclamation);
        return false;
    }
    mCatalogue.setViewer(viewerFor(mStrUser, mStrHost));
    mUcProgramView1->reloadView();
    mLblViewingAs->setText(
        QStringLiteral("Shown as %1 sees it on %2; the other programs are hidden.")
            .arg(mStrUser, mStrHost.isEmpty() ? "this host" : mStrHost));
    mCmdViewAs->setText("All programs");
    return true;
}

void frmSetup::viewAll()
{
    mCatalogue.setViewer(std::nullopt);
    mUcProgramView1->reloadView();
    mLblViewingAs->clear();
    mCmdViewAs->setText("View as...");
}

} // namespace admin
