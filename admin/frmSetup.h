#pragma once

#include <QRect>
#include <QWidget>

#include <vector>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSettings;
class SearchField;
class BrokenMarker;
class clsDBRoutines;
class clsEnvironment;

namespace admin {

class ucLeftFrame;
class ucProgramView;

// The administrator's main window: where the catalogue lies, and its programs with the
// commands Add, Modify, Delete and Properties.
class frmSetup : public QWidget
{
    Q_OBJECT
public:
    // Shows and changes the settings' catalogue location and the programs of catalogue.
    frmSetup(clsDBRoutines& catalogue, clsEnvironment& settings, QWidget* parent = nullptr);

    // What the windows it opens work on.
    clsDBRoutines& catalogue() const { return mCatalogue; }
    clsEnvironment& settings() const { return mSettings; }
    QString defaultIcon() const;

    ucProgramView* ucProgramView1() const { return mUcProgramView1; }
    ucLeftFrame* ucLeftFrame1() const { return mUcLeftFrame1; }
    QLineEdit* txtDatabaseLocation() const { return mTxtDatabaseLocation; }
    SearchField* txtSearch() const { return mTxtSearch; }

    // Fills the list as mStrUser would see it on mStrHost ("": this host). A user this
    // machine does not know is said, and the list stays as it was; answers whether it changed.
    bool viewAs(const QString& mStrUser, const QString& mStrHost);
    // Every program again.
    void viewAll();

protected:
    void resizeEvent(QResizeEvent* event) override;
    // Keeps the window's size and position for the user's next start.
    void closeEvent(QCloseEvent* event) override;

private slots:
    void cmdBrowse_Click();
    void txtDatabaseLocation_Return();
    void cmdAddInstalled_Click();
    void cmdCheck_Click();
    void cmdModify_Click();
    void cmdProp_Click();
    void deleteSelectedProgram();
    void cmdViewAs_Click();

private:
    // Saves the location for the next start; the field then shows it.
    void saveLocation(const QString& location);
    clsDBRoutines& mCatalogue;
    clsEnvironment& mSettings;
    ucLeftFrame* mUcLeftFrame1 = nullptr;
    QGroupBox* mFrEnviro = nullptr;
    QLineEdit* mTxtDatabaseLocation = nullptr;
    QPushButton* mCmdBrowse = nullptr;
    QGroupBox* mFrPrograms = nullptr;
    ucProgramView* mUcProgramView1 = nullptr;
    QPushButton* mCmdAdd = nullptr;
    QPushButton* mCmdModify = nullptr;
    QPushButton* mCmdDelete = nullptr;
    QPushButton* mCmdProp = nullptr;
    QPushButton* mCmdAddInstalled = nullptr;
    SearchField* mTxtSearch = nullptr;
    QPushButton* mCmdCheck = nullptr;
    QPushButton* mCmdViewAs = nullptr;
    QLabel* mLblViewingAs = nullptr;
    BrokenMarker* mBrokenMarker = nullptr;
    // The location last saved, or the one in use when none was saved.
    QString mSavedLocation;
    // How each control follows the window beyond its designed size.
    enum Follow { GrowRight = 1, GrowDown = 2, MoveRight = 4, MoveDown = 8 };
    struct Anchor
    {
        QWidget* widget;
        int how;
        QRect designed = {};
    };
    std::vector<Anchor> mAnchors;
    static QSettings userSettings();
};

} // namespace admin
