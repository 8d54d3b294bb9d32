#pragma once

#include "views/common/ImageList.h"
#include "views/common/ProgramHealth.h"
#include "views/common/ProgramListWidget.h"
#include "views/common/ProgramSearch.h"

#include <QElapsedTimer>
#include <QStringList>
#include <QWidget>
#include <memory>

class FilteredProgramList;
class QLabel;
class QThread;
class SearchField;

// The part of the program list view that both programs share: the icon list "lstView",
// the image list ImageList1, filling both from the catalogue, the selection and the layout.
//
// Variants. Each program has its own ucProgramView, ucLeftFrame and frmProperties, derived
// from the *Base classes of views/common and living in a namespace of their own:
//   launcher::ucProgramView   views/launcher, library kestrel_views_launcher
//   admin::ucProgramView      views/admin,    library kestrel_views_admin
// Both variant libraries link kestrel_views (this folder) and may be linked together.
//
// A variant adds its context menu, its own events and its loadView, and decides what a
// mouse-button release over the list means (listMouseReleased).
class ucProgramViewBase : public QWidget
{
    Q_OBJECT
public:
    explicit ucProgramViewBase(QWidget* parent = nullptr);
    ~ucProgramViewBase() override;

    // Trimmed name of the selected program, "" when nothing is selected.
    QString selectedItem() const;
    // The selected list item, or nullptr.
    QListWidgetItem* selectedListItem() const;

    QListWidget* lstView() const;

    // Search. A non-empty filter shows, instead of lstView, only the programs whose name or
    // description contains every word (letter case and accents ignored), names starting
    // with the text first; lstView keeps every item and the selection. With no match the
    // list area says so.
    QString filterText() const { return mFilterText; }
    void setFilterText(const QString& text);
    // The search results' list, "lstFiltered" (hidden while there is no filter).
    QAbstractItemView* lstFiltered() const;
    // The list on screen: lstView, or the search results.
    QAbstractItemView* visibleList() const;
    // The programs shown, in their order on screen.
    QList<QListWidgetItem*> shownItems() const;
    // Wires a search field to this list: its text filters, Enter launches, Down moves
    // into the results.
    void attachSearchField(SearchField* field);
    // Bytes the search index holds. It is built when the window is idle after the list's
    // first paint, or by the first search, whichever comes first.
    qsizetype searchIndexBytes() const { return mSearch.memoryBytes(); }
    bool searchIndexBuilt() const { return mSearchBuilt; }
    bool searchIndexBuilding() const { return mSearchThread != nullptr; }
    // What Enter does: the selected program, or with a filter and no selection the first
    // match (which becomes selected), is handed to selectionActivated.
    void activateSelection();
    const ImageList& ImageList1() const { return mImageList1; }
    // Marks the broken programs, in lstView and in the search results alike: greyed with
    // the reason as tool tip, or hidden. The check uses the programs the fill read.
    BrokenMarker* markBroken(BrokenMarker::Mode mode);

    // Item roles: text is the trimmed name, PathRole the trimmed path, ImageIndexRole the
    // 1-based image index (0: no icon).
    static constexpr int PathRole = ProgramListItem::PathRole;
    static constexpr int ImageIndexRole = ProgramListItem::ImageIndexRole;

signals:
    // Item is the selected item (nullptr when none) for any double-click on the list.
    void ListDoubleClicked(QListWidgetItem* Item);
    void ItemClicked(QListWidgetItem* Item);
    void RightMouseClicked();
    void PropertiesClicked();
    // A search hid the selected program: nothing is selected any more.
    void SelectionHidden();
    // While the first fill waits for another program's lock on the catalogue: what to
    // show in a status area; empty once the wait is over.
    void CatalogueWaiting(const QString& status);

protected:
    // Fills the image list and then appends one item per catalogue program, in the
    // catalogue's order, and scrolls the last one into view. An empty catalogue leaves
    // everything as it was. Each distinct icon file is decoded once; a program whose icon
    // cannot be loaded gets no image. Catalogue errors are thrown to the caller.
    void fillView();
    // fillView for a window that is about to show: while another program holds the
    // catalogue locked, the list says so and tries again, so the window shows at once and
    // fills when the catalogue is free. When the catalogue's lock wait is over, the
    // lock's error is thrown as fillView throws it.
    void fillViewWhenFree();
    // Removes every item and every image.
    void clearView();

    // A mouse button was released over the visible list, after the list handled it.
    virtual void listMouseReleased(Qt::MouseButton button, const QPoint& viewportPos) = 0;
    // Enter on a program; by default reported as a double-click on it (ListDoubleClicked).
    virtual void selectionActivated(QListWidgetItem* item) { emit ListDoubleClicked(item); }
    // The menu key or Shift+F10 in the list; viewportPos is below the selected item, or
    // the list's middle when nothing is selected.
    virtual void listMenuKeyPressed(const QPoint& viewportPos) = 0;

    // Where the item is drawn in the visible list (viewport coordinates); empty when the
    // item is not shown.
    QRect visibleItemRect(QListWidgetItem* item) const;

    bool eventFilter(QObject* watched, QEvent* event) override;

    void resizeEvent(QResizeEvent* event) override;

private:
    void layoutList();
    void applyFilter();
    bool isWholeList(const std::vector<int>& rows) const;
    void ensureSearchIndex();
    void scheduleSearchIndex();
    void startSearchIndex();
    void takeSearchIndex();
    void dropSearchIndex();
    QStringList listNames() const;
    void filteredSelectionChanged();
    void selectInFiltered(QListWidgetItem* item);
    void setWaitingText(const QString& text);
    void brokenMarked();

    ProgramListWidget* mList;
    FilteredProgramList* mFiltered;
    QLabel* mNoMatch;
    ImageList mImageList1;
    ProgramSearchIndex mSearch;
    bool mSearchBuilt = false;
    // The build on a second thread, and the index it fills.
    QThread* mSearchThread = nullptr;
    std::shared_ptr<ProgramSearchIndex> mSearchResult;
    bool mSearchScheduled = false;
    QString mFilterText;
    QElapsedTimer mWaitingFor;
    QLabel* mWaitingLabel = nullptr;
    // The filter passes every program in list order, so lstView shows the result.
    bool mEveryRowMatches = false;
    // lstView's scroll position before such a filter, or -1.
    int mListScroll = -1;
    BrokenMarker* mMarker = nullptr;
    // Per lstView row, whether the marker hid it; empty while no row is hidden.
    std::vector<bool> mHidden;
};
