#pragma once

#include "catalogue/clsDBRoutines.h"

#include <QDialog>
#include <optional>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QWidget;

namespace admin {

// The window the add and the modify dialog both are: a banner, the four entries with
// their browse buttons and one action button. The two differ in titles and in what the
// action button does.
class frmProgramDialog : public QDialog
{
    Q_OBJECT
public:
    QLineEdit* txtProgramName() const { return mTxtProgramName; }
    QPlainTextEdit* txtProgramDescription() const { return mTxtProgramDescription; }
    QLineEdit* txtProgramPath() const { return mTxtProgramPath; }
    QLineEdit* txtProgramIcon() const { return mTxtProgramIcon; }
    QPushButton* cmdAdd() const { return mCmdAdd; }
    // The program's audiences, separated by commas; empty: everyone.
    QLineEdit* txtAudiences() const { return mTxtAudiences; }

protected:
    // The dialog works on catalogue; iconFolder is where the icon browser starts.
    frmProgramDialog(const QString& mStrTitle, const QString& mStrBanner, const QString& mStrAction,
                     clsDBRoutines& catalogue, const QString& iconFolder, QWidget* parent);

    clsDBRoutines& catalogue() const { return mCatalogue; }

    // The name and the executable path are required; says so and answers false otherwise.
    bool checkFields() const;
    // After a write that checks the name: a name another program has already is refused
    // with the reason, and the dialog stays open for a correction. Answers whether it was.
    bool refusedAsTaken(clsDBRoutines::NamedWrite result) const;
    // The audiences typed, each checked; a malformed one is said (with the forms meant) and
    // the answer is nullopt.
    std::optional<QStringList> typedAudiences() const;
    // Reports the outcome of a save; on success refreshes the setup window's list and
    // closes the dialog.
    // mStrReason goes beside the fixed failure message.
    void finishSave(bool mBSaved, const QString& mStrDone, const QString& mStrReason = {});

private:
    // After a change to the catalogue: the setup window's list, when it is still open.
    static void refreshSetupList();

private slots:
    void cmdAdd_Click();
    void cmdExePath_Click();
    void cmdIconPath_Click();

private:
    virtual void save() = 0;

    clsDBRoutines& mCatalogue;
    QString mIconFolder;

    QWidget* mPicture1 = nullptr;
    QLabel* mLabel4 = nullptr;
    QLineEdit* mTxtProgramName = nullptr;
    QPlainTextEdit* mTxtProgramDescription = nullptr;
    QLineEdit* mTxtProgramPath = nullptr;
    QLineEdit* mTxtProgramIcon = nullptr;
    QPushButton* mCmdExePath = nullptr;
    QPushButton* mCmdIconPath = nullptr;
    QPushButton* mCmdAdd = nullptr;
    QLineEdit* mTxtAudiences = nullptr;
};

} // namespace admin
