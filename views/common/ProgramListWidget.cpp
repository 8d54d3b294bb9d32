#include "views/common/ProgramListWidget.h"

#include <QMouseEvent>
#include <QStyledItemDelegate>

namespace {
constexpr QSize CellSize(88, 68);

// Every cell has the same size, so the view can lay out any number of items without
// measuring them; long names wrap onto a second line inside the cell.
class CellDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QSize sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const override
    {
        return CellSize;
    }
};
} // namespace

ProgramListWidget::ProgramListWidget(QWidget* parent) : QListWidget(parent)
{
    setObjectName(QStringLiteral("lstView"));
    setViewMode(QListView::IconMode);
    setMovement(QListView::Static);
    setResizeMode(QListView::Adjust);
    setWrapping(true);
    setWordWrap(true);
    setIconSize(QSize(32, 32));
    setGridSize(CellSize + QSize(4, 4));
    setItemDelegate(new CellDelegate(this));
    setSpacing(0);
    setTextElideMode(Qt::ElideRight);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setContextMenuPolicy(Qt::NoContextMenu);
    // Uniform item sizes keep filling and layout linear in the item count.
    setUniformItemSizes(true);
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
