#pragma once

#include "catalogue/DesktopImport.h"

#include <QDialog>
#include <QImage>
#include <QList>

class clsDBRoutines;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace admin {

class frmSetup;

// Lists the machine's installed applications (their desktop entries) with icon, name and
// comment, and adds the chosen ones to the catalogue. The entries and icons are read on a
// second thread, so the window shows at once.
class frmAddInstalled : public QDialog
{
    Q_OBJECT
public:
    // Adds to the setup window's catalogue; folders: where the desktop entries are looked
    // for (none: the desktop's own).
    explicit frmAddInstalled(frmSetup* owner, const QStringList& folders = {});

    QListWidget* lstApplications() const { return mList; }
    // Whether the second thread has delivered the list.
    bool isLoaded() const { return mLoaded; }

signals:
    void loaded();
    void programsAdded();

private:
    struct Entry
    {
        DesktopCandidate candidate;
        QImage icon;
    };
    void showEntries(const QList<Entry>& entries);
    void filter(const QString& text);
    void addChosen();
    void markThoseInTheCatalogue();

    QLineEdit* mSearch = nullptr;
    QListWidget* mList = nullptr;
    QLabel* mStatus = nullptr;
    QPushButton* mAdd = nullptr;
    clsDBRoutines& mCatalogue;
    QList<ProgramRecord> mPrograms; // by row of the list
    bool mLoaded = false;
};

} // namespace admin
