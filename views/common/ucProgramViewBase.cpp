#include "views/common/ucProgramViewBase.h"

#include "views/common/FilteredProgramList.h"
#include "views/common/ProgramListWidget.h"
#include "views/common/SearchField.h"
#include "views/common/Twips.h"

#include <QKeyEvent>
#include <QLabel>
#include <QListWidgetItem>
#include <QMenu>
#include <QScrollBar>
#include <QShortcut>

ucProgramViewBase::ucProgramViewBase(clsDBRoutines& catalogue, const QString& defaultIcon,
                                     QWidget* parent)
    : QWidget(parent), mList(new ProgramListWidget(this)),
      mFiltered(new FilteredProgramList(mList, this)), mNoMatch(new QLabel(this)),
      mFill(new ProgramListFill(catalogue, defaultIcon, mList, this)),
      mSearch(new ProgramListSearch(catalogue, mList, mFiltered, mNoMatch, this)),
      mCatalogue(catalogue)
{
    mFiltered->hide();
    connect(mFill, &ProgramListFill::filled, this, &ucProgramViewBase::filled);
    connect(mFill, &ProgramListFill::waiting, this, &ucProgramViewBase::CatalogueWaiting);
    connect(mSearch, &ProgramListSearch::selectionHidden, this,
            &ucProgramViewBase::SelectionHidden);
    connect(mList, &QListWidget::itemClicked, this, &ucProgramViewBase::ItemClicked);
    connect(mFiltered, &QAbstractItemView::clicked, this, [this](const QModelIndex& index) {
        if (QListWidgetItem* item = mFiltered->filterModel()->item(index))
            emit ItemClicked(item);
    });
    const auto released = [this](Qt::MouseButton button, const QPoint& pos) {
        listMouseReleased(button, pos);
    };
    const auto doubleClicked = [this] { emit ListDoubleClicked(selectedListItem()); };
    mList->onMouseReleased = released;
    mList->onDoubleClicked = doubleClicked;
    mFiltered->onMouseReleased = released;
    mFiltered->onDoubleClicked = doubleClicked;
    connect(mFiltered->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &ucProgramViewBase::filteredSelectionChanged);

    mNoMatch->setObjectName(QStringLiteral("lblNoMatch"));
    mNoMatch->setTextFormat(Qt::PlainText);
    mNoMatch->setWordWrap(true);
    mNoMatch->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    mNoMatch->setAttribute(Qt::WA_TransparentForMouseEvents);
    mNoMatch->hide();

    for (QAbstractItemView* list :
         {static_cast<QAbstractItemView*>(mList), static_cast<QAbstractItemView*>(mFiltered)})
        list->installEventFilter(this);
    mList->viewport()->installEventFilter(this);
    // Alt+Enter anywhere in the window: the selected program's properties, as desktops do.
    for (QKeyCombination keys : {Qt::ALT | Qt::Key_Return, Qt::ALT | Qt::Key_Enter})
        connect(new QShortcut(keys, this, nullptr, nullptr, Qt::WindowShortcut),
                &QShortcut::activated, this, [this] {
                    if (selectedListItem())
                        emit PropertiesClicked();
                });
    layoutList();
}

QListWidget* ucProgramViewBase::lstView() const
{
    return mList;
}

QAbstractItemView* ucProgramViewBase::lstFiltered() const
{
    return mFiltered;
}

QAbstractItemView* ucProgramViewBase::visibleList() const
{
    return mSearch->visibleList();
}

QList<QListWidgetItem*> ucProgramViewBase::shownItems() const
{
    QList<QListWidgetItem*> items;
    if (visibleList() == mList) {
        items.reserve(mList->count());
        for (int row = 0; row < mList->count(); ++row)
            items.append(mList->item(row));
    } else {
        items.reserve(qsizetype(mFiltered->filterModel()->rows().size()));
        for (int row : mFiltered->filterModel()->rows())
            items.append(mList->item(row));
    }
    return items;
}

void ucProgramViewBase::popupFromKeyboard(QMenu* menu, const QPoint& viewportPos) const
{
    menu->popup(visibleList()->viewport()->mapToGlobal(viewportPos));
    for (QAction* action : menu->actions())
        if (!action->isSeparator() && action->isEnabled() && action->isVisible()) {
            menu->setActiveAction(action);
            break;
        }
}

QRect ucProgramViewBase::visibleItemRect(QListWidgetItem* item) const
{
    if (visibleList() == mList)
        return item ? mList->visualItemRect(item) : QRect();
    FilteredProgramModel* model = mFiltered->filterModel();
    const int row = model->rowOf(item);
    return row < 0 ? QRect() : mFiltered->visualRect(model->index(row));
}

void ucProgramViewBase::setFilterText(const QString& text)
{
    if (text == filterText())
        return;
    mSearch->setFilterText(text);
    selectFirstMatch(true);
}

void ucProgramViewBase::selectFirstMatch(bool always)
{
    // The first match is what Enter starts: it is shown selected, as a click shows it.
    if (!mSearch->isFiltering() || (!always && selectedListItem()))
        return;
    if (QListWidgetItem* first = shownNeighbour(nullptr, 1))
        showItem(first);
}

QListWidgetItem* ucProgramViewBase::shownNeighbour(QListWidgetItem* from, int step) const
{
    if (visibleList() != mList) {
        const std::vector<int>& rows = mFiltered->filterModel()->rows();
        const int at = from ? mFiltered->filterModel()->rowOf(from) : -1;
        const int next = at < 0 ? 0 : at + step;
        return next >= 0 && size_t(next) < rows.size() ? mList->item(rows[size_t(next)]) : nullptr;
    }
    for (int row = from ? mList->row(from) + step : 0; row >= 0 && row < mList->count();
         row += step)
        if (!mList->item(row)->isHidden())
            return mList->item(row);
    return nullptr;
}

void ucProgramViewBase::showItem(QListWidgetItem* item)
{
    if (visibleList() == mList) {
        mList->setCurrentItem(item);
        mList->scrollToItem(item);
    } else {
        mSearch->selectInResults(item);
    }
    emit ItemClicked(item);
}

void ucProgramViewBase::attachSearchField(SearchField* field)
{
    connect(field, &QLineEdit::textChanged, this, &ucProgramViewBase::setFilterText);
    connect(field, &QLineEdit::returnPressed, this, &ucProgramViewBase::activateSelection);
    connect(field, &SearchField::stepSelection, this, [this](int step) {
        QListWidgetItem* selected = selectedListItem();
        if (QListWidgetItem* next = shownNeighbour(selected, selected ? step : 1))
            showItem(next);
    });
    connect(field, &SearchField::leaveDown, this, [this] {
        visibleList()->setFocus(Qt::TabFocusReason);
        if (QListWidgetItem* first = selectedListItem() ? nullptr : shownNeighbour(nullptr, 1))
            showItem(first);
    });
}

void ucProgramViewBase::activateSelection()
{
    QListWidgetItem* item = selectedListItem();
    if (!item && mSearch->isFiltering() && (item = shownNeighbour(nullptr, 1)))
        showItem(item);
    if (item)
        selectionActivated(item);
}

BrokenMarker* ucProgramViewBase::markBroken(BrokenMarker::Mode mode)
{
    // lstView stays hidden when the window opens on a search.
    mMarker = BrokenMarker::attach(mList, mode, mCatalogue, this);
    mFill->setKeepPrograms(true);
    connect(mMarker, &BrokenMarker::marked, this, &ucProgramViewBase::brokenMarked);
    return mMarker;
}

void ucProgramViewBase::brokenMarked()
{
    std::vector<bool> hidden;
    if (mMarker->mode() == BrokenMarker::Hide) {
        for (int row = 0; row < mList->count(); ++row)
            if (mList->item(row)->isHidden()) {
                hidden.resize(size_t(mList->count()));
                hidden[size_t(row)] = true;
            }
    }
    mSearch->setHiddenRows(std::move(hidden));
    selectFirstMatch(false);
}

void ucProgramViewBase::filteredSelectionChanged()
{
    // lstView keeps the selection, so selectedItem answers the same with or without a filter.
    const QModelIndexList selected = mFiltered->selectionModel()->selectedIndexes();
    QListWidgetItem* item =
        selected.isEmpty() ? nullptr : mFiltered->filterModel()->item(selected.first());
    if (item) {
        mList->setCurrentItem(item);
    } else if (mFiltered->isVisibleTo(this)) {
        mList->clearSelection();
    }
}

bool ucProgramViewBase::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Paint && watched == mList->viewport() && mList->count() > 0)
        mSearch->scheduleIndex();
    if (event->type() != QEvent::KeyPress || (watched != mList && watched != mFiltered))
        return QWidget::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    const Qt::KeyboardModifiers modifiers = key->modifiers() & ~Qt::KeypadModifier;
    switch (key->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (modifiers != Qt::NoModifier)
            break;
        activateSelection();
        return true;
    case Qt::Key_F10:
        if (modifiers != Qt::ShiftModifier)
            break;
        [[fallthrough]];
    case Qt::Key_Menu: {
        QAbstractItemView* list = visibleList();
        const QRect rect = visibleItemRect(selectedListItem());
        listMenuKeyPressed(rect.isValid() ? QPoint(rect.left(), rect.center().y())
                                          : list->viewport()->rect().center());
        return true;
    }
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Home:
    case Qt::Key_End:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown: {
        // Moving through the grid shows the new program as a click on it does.
        QListWidgetItem* before = selectedListItem();
        watched->event(event);
        QListWidgetItem* after = selectedListItem();
        if (after && after != before)
            emit ItemClicked(after);
        return true;
    }
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

QListWidgetItem* ucProgramViewBase::selectedListItem() const
{
    const QList<QListWidgetItem*> selected = mList->selectedItems();
    return selected.isEmpty() ? nullptr : selected.first();
}

QString ucProgramViewBase::selectedItem() const
{
    const QListWidgetItem* item = selectedListItem();
    return item ? item->text() : QString();
}

void ucProgramViewBase::filled(const QList<ProgramRecord>& programs)
{
    if (mMarker)
        mMarker->useFilledPrograms(programs);
    mSearch->listFilled();
}

void ucProgramViewBase::refill()
{
    const QString selected = selectedItem();
    QAbstractItemView* shown = visibleList();
    const int scroll = shown->verticalScrollBar()->value();
    // Emptied only once the rows are read: a catalogue that cannot be read keeps the list.
    mFill->fill([this] { clearView(); });
    if (mMarker)
        mMarker->mark();
    QListWidgetItem* item =
        selected.isEmpty() ? nullptr : mList->findItems(selected, Qt::MatchExactly).value(0);
    if (item && visibleList() == mFiltered && mFiltered->filterModel()->rowOf(item) < 0)
        item = nullptr; // changed so that the search no longer shows it
    if (item) {
        mList->setCurrentItem(item);
        mSearch->selectInResults(item);
    } else if (!selected.isEmpty()) {
        emit SelectionHidden();
    }
    // The new rows are laid out at once, so that the old position is within reach.
    if (visibleList() == shown) {
        shown->doItemsLayout();
        shown->verticalScrollBar()->setValue(scroll);
    }
}

void ucProgramViewBase::clearView()
{
    mSearch->listCleared();
    mFill->clear();
}

void ucProgramViewBase::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    layoutList();
}

void ucProgramViewBase::layoutList()
{
    const QRect area(0, 0, width(), qMax(0, height() - twips::px(100)));
    mList->setGeometry(area);
    mFiltered->setGeometry(area);
    mNoMatch->setGeometry(area.adjusted(12, 12, -12, 0).intersected(QRect(0, 0, width(), 80)));
}
