#include "views/admin/ucProgramView.h"

#include <QAction>
#include <QListWidget>
#include <QMenu>
#include <QScrollBar>

namespace admin {

ucProgramView::ucProgramView(clsDBRoutines& catalogue, const QString& defaultIcon, QWidget* parent)
    : ucProgramViewBase(catalogue, defaultIcon, parent),
      mMnuPopupMenu(new QMenu(QStringLiteral("PopupMenu"), this))
{
    mMnuPopupMenu->setObjectName(QStringLiteral("mnuPopupMenu"));
    const auto addItem = [this](const char* name, const QString& caption, auto signal) {
        QAction* action = mMnuPopupMenu->addAction(caption);
        action->setObjectName(QString::fromLatin1(name));
        connect(action, &QAction::triggered, this, signal);
    };
    const auto addSeparator = [this](const char* name) {
        mMnuPopupMenu->addSeparator()->setObjectName(QString::fromLatin1(name));
    };
    addItem("mnuPopupMenuAdd", QStringLiteral("Add"), &ucProgramView::AddMenuClicked);
    addItem("mnuPopupMenuModify", QStringLiteral("Modify"), &ucProgramView::ModifyMenuClicked);
    addSeparator("mnuPopupSep1");
    addItem("mnuPopupMenuDelete", QStringLiteral("Delete"), &ucProgramView::DeleteMenuClicked);
    addSeparator("mnuPopupMenuSep2");
    addItem("mnuPopupmenuProperties", QStringLiteral("Properties"),
            &ucProgramView::PropertiesClicked);
}

bool ucProgramView::loadView(bool /*mBImageList*/)
{
    fillViewWhenFree();
    return false;
}

void ucProgramView::reloadView()
{
    // The fill scrolls to the last program; a reload puts the list back where it was, with
    // a whole row at its top.
    QScrollBar* bar = lstView()->verticalScrollBar();
    const int kept = bar->value(), row = lstView()->gridSize().height();
    clearView();
    loadView(true);
    bar->setValue(row > 0 ? kept - kept % row : kept);
}

void ucProgramView::listMouseReleased(Qt::MouseButton button, const QPoint& viewportPos)
{
    if (button == Qt::RightButton)
        mMnuPopupMenu->popup(visibleList()->viewport()->mapToGlobal(viewportPos));
    else
        emit ItemClicked(selectedListItem());
}

void ucProgramView::listMenuKeyPressed(const QPoint& viewportPos)
{
    popupFromKeyboard(mMnuPopupMenu, viewportPos);
}

void ucProgramView::selectionActivated(QListWidgetItem* /*item*/)
{
    // The properties window only shows: an Enter meant for something else changes nothing.
    emit PropertiesClicked();
}

} // namespace admin
