#include "admin/frmProgramDialog.h"

#include "admin/Controls.h"
#include "admin/frmSetup.h"
#include "admin/modMain.h"
#include "catalogue/clsDBRoutines.h"
#include "platform/identity/Identity.h"
#include "platform/ui/FileDialog.h"
#include "platform/ui/MessageBox.h"
#include "resources/KestrelResources.h"
#include "settings/FileChecks.h"
#include "settings/clsEnvironment.h"
#include "views/admin/ucProgramView.h"
#include "views/common/Twips.h"

#include <QAbstractItemView>
#include <QCompleter>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStringListModel>

namespace admin {

namespace {
// Where executables live on this platform; the browse dialog starts there.
const char* const kProgramsFolder = "/usr/bin";

// Offers the machine's groups and users for the audience typed after the last comma; the one
// chosen replaces that audience alone. The lists are read at the first letter typed, as a
// large user database may take a while.
void offerAudiences(QLineEdit* edit)
{
    auto* choices = new QStringListModel(edit);
    auto* completer = new QCompleter(choices, edit);
    completer->setCaseSensitivity(Qt::CaseInsensitive);
    completer->setFilterMode(Qt::MatchContains);
    completer->setWidget(edit);
    const auto typedSoFar = [edit] {
        return edit->text().left(edit->text().lastIndexOf(u',') + 1);
    };
    QObject::connect(edit, &QLineEdit::textEdited, completer, [=](const QString& text) {
        if (choices->rowCount() == 0) {
            QStringList names;
            for (const QString& group : identity::groupNames())
                names.append(QStringLiteral("group:") + group);
            for (const QString& user : identity::userNames())
                names.append(QStringLiteral("user:") + user);
            choices->setStringList(names);
        }
        const QString typed = text.mid(typedSoFar().size()).trimmed();
        if (typed.isEmpty())
            return completer->popup()->hide();
        // A name typed alone is looked for at the start of the names, not in "user:".
        completer->setCompletionPrefix(typed.contains(u':') ? typed : u':' + typed);
        completer->complete();
    });
    QObject::connect(completer, qOverload<const QString&>(&QCompleter::activated), edit,
                     [=](const QString& chosen) {
                         const QString before = typedSoFar();
                         edit->setText(before + (before.isEmpty() ? "" : " ") + chosen);
                     });
}

} // namespace

frmProgramDialog::frmProgramDialog(const QString& mStrTitle, const QString& mStrBanner,
                                   const QString& mStrAction, clsDBRoutines& catalogue,
                                   const QString& iconFolder, QWidget* parent)
    : QDialog(parent), mCatalogue(catalogue), mIconFolder(iconFolder)
{
    setWindowTitle(mStrTitle);
    setFont(windowFont());
    setFixedSize(twips::px(5340), twips::px(4365));

    mPicture1 = new QWidget(this);
    mPicture1->setObjectName("Picture1");
    mPicture1->setGeometry(twips::rect(0, 0, 5340, 735));
    mPicture1->setAutoFillBackground(true);
    QPalette banner = mPicture1->palette();
    banner.setColor(QPalette::Window, Qt::white);
    banner.setColor(QPalette::WindowText, Qt::black);
    mPicture1->setPalette(banner);
    // Artwork only: the logo with the rule under it, and the program's own icon.
    auto* image1 = addLabel(mPicture1, "Image1", {}, twips::rect(0, 0, 3000, 630));
    image1->setPixmap(kestrel_resources::picture(QString::fromLatin1(kestrel_resources::LogoPath)));
    auto* image2 = addLabel(mPicture1, "Image2", {}, twips::rect(0, 660, 3105, 30));
    image2->setPixmap(kestrel_resources::picture(QString::fromLatin1(kestrel_resources::RulePath)));
    mLabel4 = addLabel(mPicture1, "Label4", mStrBanner, twips::rect(4080, 0, 1095, 615));
    mLabel4->setWordWrap(true);
    mLabel4->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);

    addLabel(this, "Label1", "Program Name :", twips::rect(120, 1080, 1215, 255));
    mTxtProgramName = addTextBox(this, "txtProgramName", twips::rect(1440, 1065, 2775, 285));
    addLabel(this, "Label5", "Description of Program", twips::rect(1680, 1440, 1695, 255));
    mTxtProgramDescription = new QPlainTextEdit(this);
    mTxtProgramDescription->setObjectName("txtProgramDescription");
    mTxtProgramDescription->setGeometry(twips::rect(120, 1680, 5055, 855));
    mTxtProgramDescription->setTabChangesFocus(true);
    addLabel(this, "Label2", "Program's Exe Path :", twips::rect(120, 2880, 1575, 255));
    mTxtProgramPath = addTextBox(this, "txtProgramPath", twips::rect(1920, 2865, 2775, 285));
    mCmdExePath = addButton(this, "cmdExePath", "...", twips::rect(4800, 2880, 495, 255));
    addLabel(this, "Label3", "Program's Icon :", twips::rect(120, 3360, 1335, 255));
    mTxtProgramIcon = addTextBox(this, "txtProgramIcon", twips::rect(1920, 3345, 2775, 285));
    mCmdIconPath = addButton(this, "cmdIconPath", "...", twips::rect(4800, 3360, 495, 255));
    mCmdAdd = addButton(this, "cmdAdd", mStrAction, twips::rect(120, 3840, 735, 375));
    // Beside the action button, in the column of the paths: everyone while it is empty.
    addLabel(this, "lblAudiences", "Audiences :", twips::rect(960, 3870, 900, 255));
    mTxtAudiences = addTextBox(this, "txtAudiences", twips::rect(1920, 3855, 2775, 285));
    mTxtAudiences->setPlaceholderText("everyone");
    mTxtAudiences->setToolTip("Who the program is listed for, separated by commas: "
                              "group:NAME, user:NAME or host:PATTERN (host:lab2-*). "
                              "Empty: everyone.");
    offerAudiences(mTxtAudiences);
    auto* image3 = addLabel(this, "Image3", {}, twips::rect(4440, 960, 480, 480));
    image3->setPixmap(kestrel_resources::adminIcon().pixmap(32, 32));

    setTabChain({mTxtProgramName, mTxtProgramDescription, mTxtProgramPath, mCmdExePath,
                 mTxtProgramIcon, mCmdIconPath, mTxtAudiences, mCmdAdd});
    mTxtProgramName->setFocus();

    connect(mCmdAdd, &QPushButton::clicked, this, &frmProgramDialog::cmdAdd_Click);
    connect(mCmdExePath, &QPushButton::clicked, this, &frmProgramDialog::cmdExePath_Click);
    connect(mCmdIconPath, &QPushButton::clicked, this, &frmProgramDialog::cmdIconPath_Click);
}

bool frmProgramDialog::checkFields() const
{
    if (TrimSpaces(mTxtProgramName->text()).isEmpty() ||
        TrimSpaces(mTxtProgramPath->text()).isEmpty()) {
        message("Please fill all fields in.", "Error", platform::MsgIcon::Exclamation);
        return false;
    }
    return true;
}

bool frmProgramDialog::refusedAsTaken(clsDBRoutines::NamedWrite result) const
{
    if (result != clsDBRoutines::NamedWrite::Taken)
        return false;
    message(nameTakenReason(TrimSpaces(mTxtProgramName->text())), "Error",
            platform::MsgIcon::Exclamation);
    return true;
}

std::optional<QStringList> frmProgramDialog::typedAudiences() const
{
    QStringList audiences;
    for (const QString& part : mTxtAudiences->text().split(u',')) {
        const QString spec = part.trimmed();
        if (spec.isEmpty())
            continue;
        if (const std::optional<QString> problem = audienceProblem(spec)) {
            message(*problem, "Error", platform::MsgIcon::Exclamation);
            return std::nullopt;
        }
        audiences.append(spec);
    }
    return audiences;
}

void frmProgramDialog::finishSave(bool mBSaved, const QString& mStrDone, const QString& mStrReason)
{
    // A refusal keeps the dialog and what was typed, so the user can correct it.
    if (!mBSaved) {
        platform::MsgBoxWithReason({"Unable to add program",
                                    "Error",
                                    platform::MsgIcon::Critical,
                                    platform::MsgButtons::Ok,
                                    {},
                                    0},
                                   mStrReason);
        return;
    }
    message(mStrDone, "Sucess", platform::MsgIcon::Information);
    refreshSetupList();
    close();
}

void frmProgramDialog::refreshSetupList()
{
    // The add dialog outlives a closed setup window; then there is no list to refresh.
    if (frmSetup* setup = openSetupWindow())
        setup->ucProgramView1()->reloadView();
}

void frmProgramDialog::cmdAdd_Click()
{
    save();
}

void frmProgramDialog::cmdExePath_Click()
{
    if (auto chosen =
            platform::GetOpenFileName({"Select Program's Executable File..", kProgramsFolder}))
        mTxtProgramPath->setText(*chosen);
}

void frmProgramDialog::cmdIconPath_Click()
{
    if (auto chosen = platform::GetOpenFileName({"Select A Icon For This Program", mIconFolder}))
        mTxtProgramIcon->setText(TrimSpaces(*chosen));
}

} // namespace admin
