#include "views/launcher/ucProgramView.h"

#include <QListWidget>
#include <QMenu>

namespace launcher {

ucProgramView::ucProgramView(clsDBRoutines& catalogue, const QString& defaultIcon, QWidget* parent)
    : ucProgramViewBase(catalogue, defaultIcon, parent), mMenu(new QMenu(this))
{
    setObjectName(QStringLiteral("ucProgramView"));
    mMenu->setObjectName(QStringLiteral("mnuPopupmenu"));
    mMenu->setTitle(QStringLiteral("PopupMenu"));
    QAction* properties = mMenu->addAction(QStringLiteral("Properties"));
    properties->setObjectName(QStringLiteral("mnuPopupmenuProperties"));
    connect(properties, &QAction::triggered, this, &ucProgramView::PropertiesClicked);
}

bool ucProgramView::loadView()
{
    fillViewWhenFree();
    return false;
}

void ucProgramView::listMouseReleased(Qt::MouseButton button, const QPoint& viewportPos)
{
    QListWidgetItem* selected = selectedListItem();
    if (!selected)
        return;
    if (button == Qt::RightButton) {
        const QPoint at(visibleItemRect(selected).left(), viewportPos.y());
        mMenu->popup(visibleList()->viewport()->mapToGlobal(at));
    } else {
        emit ItemClicked(selected);
    }
}

void ucProgramView::listMenuKeyPressed(const QPoint& viewportPos)
{
    if (selectedListItem())
        popupFromKeyboard(mMenu, viewportPos);
}

} // namespace launcher
