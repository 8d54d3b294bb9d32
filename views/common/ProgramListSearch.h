#pragma once

#include "views/common/ProgramSearch.h"

#include <QFuture>
#include <QObject>
#include <QString>
#include <memory>
#include <vector>

class clsDBRoutines;
class FilteredProgramList;
class ProgramListWidget;
class QAbstractItemView;
class QLabel;
class QListWidgetItem;
class QWidget;

// The search of a program list. A non-empty filter shows, instead of the list, only the
// programs whose name or description contains every word (letter case and accents
// ignored), names starting with the text first; the list keeps every item and the
// selection. With no match the list area says so (the label "lblNoMatch").
//
// The index of names and descriptions is built a moment after the list's first paint,
// the descriptions read here and matched and folded on a helper thread at low priority, or
// by the first search, whichever comes first; a search during the build waits for it.
class ProgramListSearch : public QObject
{
    Q_OBJECT
public:
    // view holds the list, the results and the label, and owns this search.
    ProgramListSearch(clsDBRoutines& catalogue, ProgramListWidget* list,
                      FilteredProgramList* results, QLabel* noMatch, QWidget* view);

    QString filterText() const { return mFilterText; }
    void setFilterText(const QString& text);
    bool isFiltering() const;
    // The list on screen: the list itself, or the results.
    QAbstractItemView* visibleList() const;
    // Selects the item in the results, when it is there.
    void selectInResults(QListWidgetItem* item);

    // The list has painted: the index is built soon.
    void scheduleIndex();
    qsizetype indexBytes() const { return mIndex.memoryBytes(); }
    bool indexBuilt() const { return mBuilt; }
    bool indexBuilding() const { return mBuilding != nullptr; }

    // The list was filled again: the index is stale, and the filter applies to the new rows.
    void listFilled();
    // The list is about to be emptied.
    void listCleared();
    // Rows that the health check hid (empty: none); such rows never show as results.
    void setHiddenRows(std::vector<bool> hidden);

signals:
    // A search hid the selected program: nothing is selected any more.
    void selectionHidden();

private:
    void apply();
    bool isWholeList(const std::vector<int>& rows) const;
    void ensureIndex();
    void startIndex();
    void takeIndex();
    void dropIndex();
    QStringList listNames() const;

    clsDBRoutines& mCatalogue;
    ProgramListWidget* mList;
    FilteredProgramList* mFiltered;
    QLabel* mNoMatch;
    QWidget* mView;
    ProgramSearchIndex mIndex;
    bool mBuilt = false;
    // The build on a helper thread, and the index it fills.
    std::shared_ptr<ProgramSearchIndex> mBuilding;
    QFuture<void> mBuild;
    bool mScheduled = false;
    QString mFilterText;
    bool mEveryRowMatches = false;
    // The list's scroll position before such a filter, or -1.
    int mListScroll = -1;
    // Per list row, whether the health check hid it; empty while no row is hidden.
    std::vector<bool> mHidden;
};
