#include "views/common/ProgramListWidget.h"

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

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        // A program without a picture keeps the picture's room: its label lines up.
        option->features |= QStyleOptionViewItem::HasDecoration;
    }
};
} // namespace

namespace {
enum MemberBit { NameBit = 1, PathBit = 2, IconBit = 4, ImageIndexBit = 8 };
} // namespace

ProgramListItem::ProgramListItem(const QString& name, const QString& path, qint32 imageIndex,
                                 const QIcon& icon)
    : mName(name), mPath(path), mIcon(icon), mImageIndex(imageIndex),
      mOwn(NameBit | PathBit | ImageIndexBit | (icon.isNull() ? 0 : IconBit))
{
}

int ProgramListItem::memberBit(int role)
{
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return NameBit;
    case Qt::DecorationRole:
        return IconBit;
    case PathRole:
        return PathBit;
    case ImageIndexRole:
        return ImageIndexBit;
    default:
        return 0;
    }
}

QVariant ProgramListItem::data(int role) const
{
    switch (memberBit(role) & mOwn) {
    case NameBit:
        return mName;
    case IconBit:
        return mIcon;
    case PathBit:
        return mPath;
    case ImageIndexBit:
        return mImageIndex;
    default:
        return QListWidgetItem::data(role);
    }
}

void ProgramListItem::setData(int role, const QVariant& value)
{
    // The role passes to the base, which stores the value and tells the list.
    switch (memberBit(role) & mOwn) {
    case NameBit:
        mName.clear();
        break;
    case IconBit:
        mIcon = QIcon();
        break;
    case PathBit:
        mPath.clear();
        break;
    default:
        break;
    }
    mOwn &= ~memberBit(role);
    QListWidgetItem::setData(role, value);
}

QListWidgetItem* ProgramListItem::clone() const
{
    return new ProgramListItem(*this);
}

ProgramListWidget::ProgramListWidget(QWidget* parent) : ProgramListGestures<QListWidget>(parent)
{
    setObjectName(QStringLiteral("lstView"));
    configure(this);
    keepOffTheTopEdge();
    setItemDelegate(new CellDelegate(this));
}

void ProgramListWidget::configure(QListView* list)
{
    list->setViewMode(QListView::IconMode);
    list->setMovement(QListView::Static);
    list->setResizeMode(QListView::Adjust);
    list->setWrapping(true);
    list->setWordWrap(true);
    list->setIconSize(QSize(32, 32));
    list->setGridSize(CellSize + QSize(4, 4));
    list->setSpacing(0);
    list->setTextElideMode(Qt::ElideRight);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list->setContextMenuPolicy(Qt::NoContextMenu);
    // Uniform item sizes keep filling and layout linear in the item count.
    list->setUniformItemSizes(true);
    list->setAccessibleName(QStringLiteral("Programs"));
}

void ProgramListWidget::scrollToItemWhenShown(QListWidgetItem* item)
{
    mShownItem = indexFromItem(item);
    // A hidden list would be laid out for a size it does not have yet, only to be laid
    // out again when shown; it scrolls once it has its real size (resizeEvent).
    if (mPainted || isVisible())
        scrollToItem(item);
}

void ProgramListWidget::resizeEvent(QResizeEvent* event)
{
    QListWidget::resizeEvent(event);
    if (mPainted)
        return;
    // The view gets its real size only as its window is shown; left to itself it would
    // lay the items out again just after its first paint and paint a second time. Until
    // that first paint the new layout is made at once, and the item stays in view.
    executeDelayedItemsLayout();
    if (mShownItem.isValid())
        scrollTo(mShownItem);
}

void ProgramListWidget::paintEvent(QPaintEvent* event)
{
    mPainted = true;
    QListWidget::paintEvent(event);
}
