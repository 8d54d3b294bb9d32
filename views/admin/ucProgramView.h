#pragma once

#include "views/common/ucProgramViewBase.h"

class QAction;
class QMenu;

namespace admin {

// The administrator's program list: reloadable, with the Add / Modify / Delete /
// Properties context menu at the mouse, whether or not a program is selected. A
// double-click means nothing here; Enter shows the program's properties, as the menu's
// Properties does (PropertiesClicked).
class ucProgramView : public ucProgramViewBase
{
    Q_OBJECT
public:
    ucProgramView(clsDBRoutines& catalogue, const QString& defaultIcon, QWidget* parent = nullptr);

    // Fills the view from the catalogue. The answer is always false; callers ignore it.
    // mBImageList only mattered to a toolkit whose image lists had to be re-bound after
    // refilling; here the view always draws from ImageList1.
    bool loadView(bool mBImageList = false);
    // Empties the view and fills it again from the catalogue.
    void reloadView();

    QMenu* mnuPopupMenu() const { return mMnuPopupMenu; }

signals:
    void AddMenuClicked();
    void ModifyMenuClicked();
    void DeleteMenuClicked();

protected:
    void listMouseReleased(Qt::MouseButton button, const QPoint& viewportPos) override;
    void listMenuKeyPressed(const QPoint& viewportPos) override;
    void selectionActivated(QListWidgetItem* item) override;

private:
    QMenu* mMnuPopupMenu;
};

} // namespace admin
