#include "views/common/ucProgramViewBase.h"

#include "catalogue/clsDBRoutines.h"
#include "platform/KestrelError.h"
#include "platform/ui/widgets/LoadPicture.h"
#include "settings/FileChecks.h"
#include "settings/clsEnvironment.h"
#include "views/common/FilteredProgramList.h"
#include "views/common/IconCache.h"
#include "views/common/ProgramListWidget.h"
#include "views/common/SearchField.h"
#include "views/common/Twips.h"

#include <QGuiApplication>
#include <QHash>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidgetItem>
#include <QScrollBar>
#include <QSet>
#include <QThread>
#include <QTimer>
#include <atomic>
#include <future>
#include <vector>

namespace {
// On a dense screen the icon is drawn from the file's largest image, not enlarged from
// the one nearest the icon size; otherwise only that nearest image is decoded.
QList<QImage> readIconFile(const QString& path, bool dense)
{
    try {
        return dense ? platform::readIconImages(path) : QList<QImage>{platform::readPicture(path)};
    } catch (const KestrelError&) {
        // A missing or broken icon file leaves its programs without an image.
        return {};
    }
}

// The icon of each file. What the icon cache holds unchanged is taken from it; the rest is
// decoded, one decode per file, two at a time: this thread and a helper take the next file
// in turn. Only images are made on the helper; icons are made here.
QHash<QString, QIcon> readIcons(const QSet<QString>& files)
{
    const bool dense = qGuiApp && qGuiApp->devicePixelRatio() > 1.0;
    IconCache cache(IconCache::defaultFile(dense));
    cache.load();
    QHash<QString, QIcon> icons;
    QStringList paths;
    QStringList stamps;
    for (const QString& path : files) {
        const QString stamp = IconCache::stamp(path);
        if (std::optional<QList<QImage>> cached = cache.take(path, stamp)) {
            icons.insert(path, platform::iconFromImages(*cached));
        } else {
            paths.append(path);
            stamps.append(stamp);
        }
    }
    std::vector<QList<QImage>> images(size_t(paths.size()));
    std::atomic<qsizetype> next = 0;
    const auto decodeRest = [&] {
        for (qsizetype i = next++; i < paths.size(); i = next++)
            images[size_t(i)] = readIconFile(paths.at(i), dense);
    };
    {
        // Anything but a bad picture (memory running out) is raised here, the helper's
        // through get(); should this thread's come first, the future waits for the helper.
        std::future<void> helper;
        if (paths.size() > 1)
            helper = std::async(std::launch::async, decodeRest);
        decodeRest();
        if (helper.valid())
            helper.get();
    }
    for (qsizetype i = 0; i < paths.size(); ++i) {
        cache.insert(paths.at(i), stamps.at(i), images[size_t(i)]);
        icons.insert(paths.at(i), platform::iconFromImages(images[size_t(i)]));
    }
    cache.save();
    return icons;
}
} // namespace

ucProgramViewBase::ucProgramViewBase(QWidget* parent)
    : QWidget(parent), mList(new ProgramListWidget(this)),
      mFiltered(new FilteredProgramList(mList, this)), mNoMatch(new QLabel(this))
{
    mFiltered->hide();
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
    layoutList();
}

ucProgramViewBase::~ucProgramViewBase()
{
    if (mSearchThread) {
        mSearchThread->wait();
        delete mSearchThread;
    }
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
    if (mFilterText.trimmed().isEmpty() || mEveryRowMatches)
        return mList;
    return mFiltered;
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
    if (text == mFilterText)
        return;
    mFilterText = text;
    applyFilter();
}

void ucProgramViewBase::attachSearchField(SearchField* field)
{
    connect(field, &QLineEdit::textChanged, this, &ucProgramViewBase::setFilterText);
    connect(field, &QLineEdit::returnPressed, this, &ucProgramViewBase::activateSelection);
    connect(field, &SearchField::leaveDown, this, [this] {
        visibleList()->setFocus(Qt::TabFocusReason);
        const QList<QListWidgetItem*> shown = shownItems();
        if (!selectedListItem() && !shown.isEmpty()) {
            if (visibleList() == mList)
                mList->setCurrentItem(shown.first());
            else
                selectInFiltered(shown.first());
            emit ItemClicked(shown.first());
        }
    });
}

void ucProgramViewBase::activateSelection()
{
    QListWidgetItem* item = selectedListItem();
    if (!item && mEveryRowMatches && mList->count() > 0) {
        item = mList->item(0);
        mList->setCurrentItem(item);
    } else if (!item && visibleList() == mFiltered && !mFiltered->filterModel()->rows().empty()) {
        item = mList->item(mFiltered->filterModel()->rows().front());
        selectInFiltered(item);
    }
    if (item)
        selectionActivated(item);
}

namespace {
// Every program's stored name and description, in no particular order.
struct StoredDescriptions
{
    QStringList names, texts;
};

StoredDescriptions readDescriptions()
{
    StoredDescriptions stored;
    Recordset programs = gDBRoutines().loadProgramDescriptions();
    stored.names.reserve(programs.RecordCount());
    stored.texts.reserve(programs.RecordCount());
    for (programs.MoveFirst(); !programs.Eof(); programs.MoveNext()) {
        stored.names.append(programs.Fields(QStringLiteral("Program_Name")).toString());
        stored.texts.append(programs.Fields(QStringLiteral("Program_Desc")).toString());
    }
    programs.Close();
    return stored;
}

// The list's names with the first description stored under each.
void buildIndex(ProgramSearchIndex& index, const QStringList& names,
                const StoredDescriptions& stored)
{
    QHash<QString, QString> descriptions;
    descriptions.reserve(stored.names.size());
    for (qsizetype i = 0; i < stored.names.size(); ++i) {
        const QString name = TrimSpaces(stored.names.at(i));
        if (!descriptions.contains(name))
            descriptions.insert(name, stored.texts.at(i));
    }
    QStringList texts;
    texts.reserve(names.size());
    for (const QString& name : names)
        texts.append(descriptions.value(name));
    descriptions = {};
    index.build(names, texts);
}
} // namespace

QStringList ucProgramViewBase::listNames() const
{
    QStringList names;
    names.reserve(mList->count());
    for (int row = 0; row < mList->count(); ++row)
        names.append(mList->item(row)->text());
    return names;
}

void ucProgramViewBase::ensureSearchIndex()
{
    if (mSearchBuilt)
        return;
    // A search while the second thread builds waits for it; before it started, the index
    // is built here.
    if (mSearchThread) {
        takeSearchIndex();
        return;
    }
    buildIndex(mSearch, listNames(), readDescriptions());
    mSearchBuilt = true;
}

void ucProgramViewBase::scheduleSearchIndex()
{
    // Started a moment after the list has painted, so that neither the first paint nor the
    // rest of the window's start shares the processor with it.
    if (mSearchBuilt || mSearchScheduled || mSearchThread)
        return;
    mSearchScheduled = true;
    QTimer::singleShot(250, this, [this] {
        mSearchScheduled = false;
        if (isVisible())
            startSearchIndex();
    });
}

void ucProgramViewBase::startSearchIndex()
{
    // The descriptions are read here, on the connection's thread; matching them to the list
    // and folding them (most of the few tenths of a second at 100,000 programs) run on a
    // second thread, taken over here when it ends. A catalogue that another program holds
    // locked is not waited for; the first search builds the index then.
    if (mSearchBuilt || mSearchThread)
        return;
    StoredDescriptions stored;
    try {
        const CatalogueWithoutWaiting noWait;
        stored = readDescriptions();
    } catch (const KestrelError&) {
        return;
    }
    mSearchResult = std::make_shared<ProgramSearchIndex>();
    mSearchThread =
        QThread::create([result = mSearchResult, names = listNames(), stored = std::move(stored)] {
            buildIndex(*result, names, stored);
        });
    connect(mSearchThread, &QThread::finished, this, &ucProgramViewBase::takeSearchIndex);
    mSearchThread->start(QThread::LowPriority);
}

void ucProgramViewBase::takeSearchIndex()
{
    if (!mSearchThread)
        return;
    mSearchThread->wait();
    delete std::exchange(mSearchThread, nullptr);
    mSearch = std::move(*std::exchange(mSearchResult, {}));
    mSearchBuilt = true;
}

void ucProgramViewBase::dropSearchIndex()
{
    // A build of the previous list is left to finish on its own and its result dropped:
    // the reload does not wait for it.
    if (mSearchThread) {
        disconnect(mSearchThread, nullptr, this, nullptr);
        connect(mSearchThread, &QThread::finished, mSearchThread, &QObject::deleteLater);
        mSearchThread = nullptr;
        mSearchResult.reset();
    }
    mSearchBuilt = false;
    mSearch.clear();
}

bool ucProgramViewBase::isWholeList(const std::vector<int>& rows) const
{
    if (!mHidden.empty() || rows.empty() || rows.size() != size_t(mList->count()))
        return false;
    for (size_t row = 0; row < rows.size(); ++row)
        if (rows[row] != int(row))
            return false;
    return true;
}

BrokenMarker* ucProgramViewBase::markBroken(BrokenMarker::Mode mode)
{
    // lstView stays hidden when the window opens on a search.
    mMarker = BrokenMarker::attach(mList, mode, this);
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
    const bool changed = hidden != mHidden;
    mHidden = std::move(hidden);
    // The results read the items' greyed look themselves, but not which rows are hidden.
    if (changed && !mFilterText.trimmed().isEmpty())
        applyFilter();
    else
        mFiltered->viewport()->update();
}

void ucProgramViewBase::applyFilter()
{
    const bool filtering = !mFilterText.trimmed().isEmpty();
    QListWidgetItem* selected = selectedListItem();
    std::vector<int> rows;
    if (filtering) {
        ensureSearchIndex();
        rows = mSearch.match(mFilterText);
        if (!mHidden.empty())
            std::erase_if(rows, [this](int row) { return mHidden[size_t(row)]; });
    }
    // A filter every program passes shows lstView itself: the results would be the same
    // rows in the same order, and laying out a second list of that size costs a keystroke
    // its frame. lstView's scroll position is kept for when the filter is cleared.
    const bool whole = filtering && isWholeList(rows);
    if (filtering && mListScroll < 0)
        mListScroll = mList->verticalScrollBar()->value();
    mEveryRowMatches = whole;
    const bool results = filtering && !whole;
    QAbstractItemView* hiding = results ? static_cast<QAbstractItemView*>(mList) : mFiltered;
    QAbstractItemView* showing = results ? static_cast<QAbstractItemView*>(mFiltered) : mList;
    if (whole) {
        mFiltered->filterModel()->setRows({});
        mNoMatch->hide();
        if (selected)
            mList->scrollToItem(selected);
        else
            mList->scrollToTop();
    } else if (filtering) {
        // A holder may paint its items its own way: the results are drawn the same.
        if (mFiltered->itemDelegate() != mList->itemDelegate())
            mFiltered->setItemDelegate(mList->itemDelegate());
        mFiltered->filterModel()->setRows(std::move(rows));
        // A selection the filter hides is dropped, so Enter takes the first match.
        if (selected && mFiltered->filterModel()->rowOf(selected) < 0) {
            mList->clearSelection();
            mList->setCurrentItem(nullptr);
            emit SelectionHidden();
        } else if (selected) {
            selectInFiltered(selected);
        }
        const bool none = mFiltered->filterModel()->rows().empty();
        if (none) {
            QString shown = mFilterText.simplified();
            if (shown.size() > 40)
                shown = shown.left(40) + QChar(0x2026);
            mNoMatch->setText(QStringLiteral("No programs match \"%1\".").arg(shown));
            mNoMatch->raise();
        }
        mNoMatch->setVisible(none);
    } else {
        mFiltered->filterModel()->setRows({});
        mNoMatch->hide();
        if (selected)
            mList->scrollToItem(selected);
        else if (mListScroll >= 0)
            mList->verticalScrollBar()->setValue(mListScroll);
        mListScroll = -1;
    }
    if (!showing->isVisibleTo(this)) {
        const bool focused = hiding->hasFocus();
        showing->show();
        hiding->hide();
        if (focused)
            showing->setFocus(Qt::OtherFocusReason);
    }
}

void ucProgramViewBase::selectInFiltered(QListWidgetItem* item)
{
    FilteredProgramModel* model = mFiltered->filterModel();
    const int row = model->rowOf(item);
    if (row >= 0)
        mFiltered->setCurrentIndex(model->index(row));
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
        scheduleSearchIndex();
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

void ucProgramViewBase::fillView()
{
    dropSearchIndex();
    Recordset programs = gDBRoutines().loadPrograms();
    if (programs.RecordCount() == 0) {
        programs.Close();
        return;
    }

    // The current row's icon file: its own, or the installation's default.
    const QString defaultIcon = gEnvironment().DefaultIcon();
    const auto iconFile = [&programs, &defaultIcon] {
        const QString customIcon =
            TrimSpaces(programs.Fields(QStringLiteral("Program_CustomIcon")).toString());
        return customIcon.isEmpty() ? defaultIcon : customIcon;
    };
    QSet<QString> iconFiles;
    programs.MoveFirst();
    while (!programs.Eof()) {
        iconFiles.insert(iconFile());
        programs.MoveNext();
    }
    const QHash<QString, QIcon> icons = readIcons(iconFiles);
    programs.MoveFirst();
    while (!programs.Eof()) {
        const QIcon picture = icons.value(iconFile());
        if (!picture.isNull())
            mImageList1.Add(TrimSpaces(programs.Fields(QStringLiteral("Program_Name")).toString()),
                            picture);
        programs.MoveNext();
    }

    // The health check looks at the same rows, so it need not read the catalogue again.
    QList<ProgramRecord> checked;
    if (mMarker)
        checked.reserve(programs.RecordCount());
    QListWidgetItem* last = nullptr;
    programs.MoveFirst();
    while (!programs.Eof()) {
        const QString name = TrimSpaces(programs.Fields(QStringLiteral("Program_Name")).toString());
        const QString path = TrimSpaces(programs.Fields(QStringLiteral("Program_Path")).toString());
        const qint32 imageIndex = mImageList1.indexOf(name);
        if (mMarker)
            checked.append(
                {name,
                 {},
                 path,
                 TrimSpaces(programs.Fields(QStringLiteral("Program_CustomIcon")).toString()),
                 {}});
        // Built completely before it joins the list: no change signals per field.
        auto* item = new ProgramListItem(name, path, imageIndex,
                                         imageIndex > 0 ? mImageList1.image(imageIndex) : QIcon());
        mList->addItem(item);
        last = item;
        programs.MoveNext();
    }
    programs.Close();
    if (mMarker)
        mMarker->useFilledPrograms(std::move(checked));
    if (last)
        mList->scrollToItemWhenShown(last);
    if (!mFilterText.trimmed().isEmpty())
        applyFilter();
}

void ucProgramViewBase::fillViewWhenFree()
{
    if (!mWaitingFor.isValid())
        mWaitingFor.start();
    try {
        const CatalogueWithoutWaiting noWait;
        fillView();
    } catch (const KestrelError& error) {
        if (!isCatalogueBusy(error) || mWaitingFor.hasExpired(qint64(catalogueLockWait()) * 1000)) {
            mWaitingFor.invalidate();
            setWaitingText({});
            throw;
        }
        setWaitingText(QStringLiteral("The catalogue is busy: another program holds it "
                                      "locked. Waiting for it..."));
        QTimer::singleShot(200, this, &ucProgramViewBase::fillViewWhenFree);
        return;
    }
    mWaitingFor.invalidate();
    setWaitingText({});
}

void ucProgramViewBase::setWaitingText(const QString& text)
{
    if (text.isEmpty() && !mWaitingLabel)
        return;
    if (!mWaitingLabel) {
        mWaitingLabel = new QLabel(mList->viewport());
        mWaitingLabel->setObjectName(QStringLiteral("lblCatalogueBusy"));
        mWaitingLabel->setWordWrap(true);
        mWaitingLabel->setAlignment(Qt::AlignCenter);
    }
    mWaitingLabel->setGeometry(mList->viewport()->rect().adjusted(12, 12, -12, -12));
    mWaitingLabel->setText(text);
    mWaitingLabel->setVisible(!text.isEmpty());
    emit CatalogueWaiting(text);
}

void ucProgramViewBase::clearView()
{
    // The results refer to lstView's rows: empty them first.
    mFiltered->filterModel()->setRows({});
    mHidden.clear();
    mList->clear();
    mImageList1.Clear();
    dropSearchIndex();
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
