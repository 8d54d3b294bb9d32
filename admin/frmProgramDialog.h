#pragma once

#include <QDialog>

class clsDBRoutines;
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

protected:
    // The dialog works on catalogue; iconFolder is where the icon browser starts.
    frmProgramDialog(const QString& mStrTitle, const QString& mStrBanner, const QString& mStrAction,
                     clsDBRoutines& catalogue, const QString& iconFolder, QWidget* parent);

    clsDBRoutines& catalogue() const { return mCatalogue; }

    // The name and the executable path are required; says so and answers false otherwise.
    bool checkFields() const;
    // A name another program has already is refused with the reason (a program keeps its
    // own, mStrOwnName, in any letter case); the dialog stays open for a correction.
    bool checkNameFree(const QString& mStrOwnName) const;
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
};

} // namespace admin
