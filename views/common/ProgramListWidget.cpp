#include "views/common/ProgramListWidget.h"

#include <QMouseEvent>

ProgramListWidget::ProgramListWidget(QWidget* parent) : QListWidget(parent)
{
    setObjectName(QStringLiteral("lstView"));
    setViewMode(QListView::IconMode);
    setMovement(QListView::Static);
    setResizeMode(QListView::Adjust);
    setWrapping(true);
    setWordWrap(true);
    setIconSize(QSize(32, 32));
    setGridSize(QSize(92, 72));
    setSpacing(0);
    setTextElideMode(Qt::ElideRight);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setContextMenuPolicy(Qt::NoContextMenu);
    // Uniform item sizes and a batched layout keep filling linear in the item count.
    setUniformItemSizes(true);
    setLayoutMode(QListView::Batched);
    setBatchSize(2000);
}

void ProgramListWidget::mouseReleaseEvent(QMouseEvent* event)
{
    const Qt::MouseButton button = event->button();
    const QPoint pos = event->position().toPoint();
    QListWidget::mouseReleaseEvent(event);
    emit mouseReleased(button, pos);
}

void ProgramListWidget::mouseDoubleClickEvent(QMouseEvent* event)
{
    QListWidget::mouseDoubleClickEvent(event);
    emit doubleClicked();
}
