#include "views/common/ProgramListSearch.h"

#include "catalogue/clsDBRoutines.h"
#include "platform/KestrelError.h"
#include "settings/FileChecks.h"
#include "views/common/BackgroundTask.h"
#include "views/common/FilteredProgramList.h"
#include "views/common/ProgramListWidget.h"

#include <QHash>
#include <QLabel>
#include <QScrollBar>
#include <QTimer>

namespace {
// Every program's stored name and description, in no particular order.
struct StoredDescriptions
{
    QStringList names, texts;
};

StoredDescriptions readDescriptions(clsDBRoutines& catalogue)
{
    StoredDescriptions stored;
    Recordset programs = catalogue.loadProgramDescriptions();
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

ProgramListSearch::ProgramListSearch(clsDBRoutines& catalogue, ProgramListWidget* list,
                                     FilteredProgramList* results, QLabel* noMatch, QWidget* view)
    : QObject(view), mCatalogue(catalogue), mList(list), mFiltered(results), mNoMatch(noMatch),
      mView(view)
{
}

bool ProgramListSearch::isFiltering() const
{
    return !mFilterText.trimmed().isEmpty();
}

QAbstractItemView* ProgramListSearch::visibleList() const
{
    if (!isFiltering() || mEveryRowMatches)
        return mList;
    return mFiltered;
}

void ProgramListSearch::setFilterText(const QString& text)
{
    if (text == mFilterText)
        return;
    mFilterText = text;
    apply();
}

QStringList ProgramListSearch::listNames() const
{
    QStringList names;
    names.reserve(mList->count());
    for (int row = 0; row < mList->count(); ++row)
        names.append(mList->item(row)->text());
    return names;
}

void ProgramListSearch::ensureIndex()
{
    if (mBuilt)
        return;
    // A search while the helper builds waits for it; before it started, the index is
    // built here.
    if (mBuilding) {
        mBuild.waitForFinished();
        takeIndex();
        return;
    }
    StoredDescriptions stored;
    try {
        stored = readDescriptions(mCatalogue);
    } catch (const KestrelError&) {
        // The catalogue is away (a server outage): the names alone are searched until the
        // list is filled again, and nothing typed is lost.
    }
    buildIndex(mIndex, listNames(), stored);
    mBuilt = true;
}

void ProgramListSearch::scheduleIndex()
{
    // Started a moment after the list has painted, so that neither the first paint nor the
    // rest of the window's start shares the processor with it.
    if (mBuilt || mScheduled || mBuilding)
        return;
    mScheduled = true;
    QTimer::singleShot(250, this, [this] {
        mScheduled = false;
        if (mView->isVisible())
            startIndex();
    });
}

void ProgramListSearch::startIndex()
{
    // The descriptions are read here, on the connection's thread; matching them to the list
    // and folding them (most of the few tenths of a second at 100,000 programs) run on a
    // helper. A catalogue that another program holds locked is not waited for; the first
    // search builds the index then.
    if (mBuilt || mBuilding)
        return;
    StoredDescriptions stored;
    try {
        const CatalogueWithoutWaiting noWait;
        stored = readDescriptions(mCatalogue);
    } catch (const KestrelError&) {
        return;
    }
    auto building = std::make_shared<ProgramSearchIndex>();
    mBuilding = building;
    mBuild = background::run(
        this, QThread::LowPriority,
        [building, names = listNames(), stored = std::move(stored)] {
            buildIndex(*building, names, stored);
        },
        // A build that a search took over already, or that a new fill dropped, is ignored.
        [this, building] {
            if (mBuilding == building)
                takeIndex();
        });
}

void ProgramListSearch::takeIndex()
{
    mIndex = std::move(*std::exchange(mBuilding, {}));
    mBuild = {};
    mBuilt = true;
}

void ProgramListSearch::dropIndex()
{
    // A build of the previous list is left to finish on its own and its result dropped:
    // the reload does not wait for it.
    mBuilding.reset();
    mBuild = {};
    mBuilt = false;
    mIndex.clear();
}

void ProgramListSearch::listFilled()
{
    dropIndex();
    if (isFiltering())
        apply();
}

void ProgramListSearch::listCleared()
{
    // The results refer to the list's rows: empty them first.
    mFiltered->filterModel()->setRows({});
    mHidden.clear();
    dropIndex();
}

void ProgramListSearch::setHiddenRows(std::vector<bool> hidden)
{
    const bool changed = hidden != mHidden;
    mHidden = std::move(hidden);
    // The results read the items' greyed look themselves, but not which rows are hidden.
    if (changed && isFiltering())
        apply();
    else
        mFiltered->viewport()->update();
}

bool ProgramListSearch::isWholeList(const std::vector<int>& rows) const
{
    if (!mHidden.empty() || rows.empty() || rows.size() != size_t(mList->count()))
        return false;
    for (size_t row = 0; row < rows.size(); ++row)
        if (rows[row] != int(row))
            return false;
    return true;
}

void ProgramListSearch::apply()
{
    const bool filtering = isFiltering();
    const QList<QListWidgetItem*> selection = mList->selectedItems();
    QListWidgetItem* selected = selection.isEmpty() ? nullptr : selection.first();
    std::vector<int> rows;
    if (filtering) {
        ensureIndex();
        rows = mIndex.match(mFilterText);
        if (!mHidden.empty())
            std::erase_if(rows, [this](int row) { return mHidden[size_t(row)]; });
    }
    // A filter every program passes shows the list itself: the results would be the same
    // rows in the same order, and laying out a second list of that size costs a keystroke
    // its frame. The list's scroll position is kept for when the filter is cleared.
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
            emit selectionHidden();
        } else if (selected) {
            selectInResults(selected);
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
    if (!showing->isVisibleTo(mView)) {
        const bool focused = hiding->hasFocus();
        showing->show();
        hiding->hide();
        if (focused)
            showing->setFocus(Qt::OtherFocusReason);
    }
}

void ProgramListSearch::selectInResults(QListWidgetItem* item)
{
    FilteredProgramModel* model = mFiltered->filterModel();
    const int row = model->rowOf(item);
    if (row >= 0)
        mFiltered->setCurrentIndex(model->index(row));
}
