#pragma once

#include "views/common/ImageList.h"
#include "views/common/ProgramHealth.h"
#include "views/common/ProgramListFill.h"
#include "views/common/ProgramListSearch.h"
#include "views/common/ProgramListWidget.h"

#include <QStringList>
#include <QWidget>

class FilteredProgramList;
class QLabel;
class QMenu;
class SearchField;

// The part of the program list view that both programs share: the icon list "lstView",
// its layout, keys, selection and events. Filling it from the catalogue is ProgramListFill's
// (which holds the image list ImageList1), searching it ProgramListSearch's.
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
    // The list reads the programs from catalogue; defaultIcon is the picture of a program
    // without one of its own.
    ucProgramViewBase(clsDBRoutines& catalogue, const QString& defaultIcon,
                      QWidget* parent = nullptr);

    // Trimmed name of the selected program, "" when nothing is selected.
    QString selectedItem() const;
    // The selected list item, or nullptr.
    QListWidgetItem* selectedListItem() const;

    QListWidget* lstView() const;

    // Search. A non-empty filter shows, instead of lstView, only the programs whose name or
    // description contains every word (letter case and accents ignored), names starting
    // with the text first; lstView keeps every item and the selection. With no match the
    // list area says so.
    QString filterText() const { return mSearch->filterText(); }
    void setFilterText(const QString& text);
    // The search results' list, "lstFiltered" (hidden while there is no filter).
    QAbstractItemView* lstFiltered() const;
    // The list on screen: lstView, or the search results.
    QAbstractItemView* visibleList() const;
    // The programs shown, in their order on screen.
    QList<QListWidgetItem*> shownItems() const;
    // Wires a search field to this list: its text filters and selects the first match, Up
    // and Down move the selection through the results, Enter launches, Page Down moves into
    // them.
    void attachSearchField(SearchField* field);
    // Bytes the search index holds. It is built when the window is idle after the list's
    // first paint, or by the first search, whichever comes first.
    qsizetype searchIndexBytes() const { return mSearch->indexBytes(); }
    bool searchIndexBuilt() const { return mSearch->indexBuilt(); }
    bool searchIndexBuilding() const { return mSearch->indexBuilding(); }
    // What Enter does: the selected program, or with a filter and no selection the first
    // match (which becomes selected and is reported as clicked), is handed to
    // selectionActivated.
    void activateSelection();
    const ImageList& ImageList1() const { return mFill->images(); }
    // Marks the broken programs, in lstView and in the search results alike: greyed with
    // the reason as tool tip, or hidden. The check uses the programs the fill read.
    BrokenMarker* markBroken(BrokenMarker::Mode mode);

    // Reads the catalogue again and shows it in place of the list, keeping the search, the
    // selection (when that program is still shown) and the scroll position. When the
    // catalogue cannot be read, the list stays as it was and the error is thrown.
    void refill();
    // A first fill that fails goes to failed instead of being thrown (see
    // ProgramListFill::fillWhenFree).
    void setFillFailureHandler(std::function<void(const KestrelError&)> failed)
    {
        mFill->setFailureHandler(std::move(failed));
    }
    // See ProgramListFill::setFillHooks.
    void setFillHooks(std::function<void()> beforeRead, std::function<void()> afterFill)
    {
        mFill->setFillHooks(std::move(beforeRead), std::move(afterFill));
    }

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
    // Appends the catalogue's programs; see ProgramListFill::fillWhenFree.
    void fillViewWhenFree() { mFill->fillWhenFree(); }
    // Removes every item and every image.
    void clearView();

    // A mouse button was released over the visible list, after the list handled it.
    virtual void listMouseReleased(Qt::MouseButton button, const QPoint& viewportPos) = 0;
    // Enter on a program; by default reported as a double-click on it (ListDoubleClicked).
    virtual void selectionActivated(QListWidgetItem* item) { emit ListDoubleClicked(item); }
    // The menu key or Shift+F10 in the list; viewportPos is below the selected item, or
    // the list's middle when nothing is selected.
    virtual void listMenuKeyPressed(const QPoint& viewportPos) = 0;

    // Opens the menu at viewportPos of the visible list with its first entry active, as a
    // menu opened by a key is, so Enter chooses it.
    void popupFromKeyboard(QMenu* menu, const QPoint& viewportPos) const;

    // Where the item is drawn in the visible list (viewport coordinates); empty when the
    // item is not shown.
    QRect visibleItemRect(QListWidgetItem* item) const;

    bool eventFilter(QObject* watched, QEvent* event) override;

    void resizeEvent(QResizeEvent* event) override;

private:
    void layoutList();
    void filled(const QList<ProgramRecord>& programs);
    void filteredSelectionChanged();
    // While searching, selects the first match (always, or only when nothing is selected).
    void selectFirstMatch(bool always);
    // The program shown step places after from (nullptr: the first shown), or nullptr.
    QListWidgetItem* shownNeighbour(QListWidgetItem* from, int step) const;
    // Selects the item where it is shown and reports it as a click on it.
    void showItem(QListWidgetItem* item);
    void brokenMarked();

    ProgramListWidget* mList;
    FilteredProgramList* mFiltered;
    QLabel* mNoMatch;
    ProgramListFill* mFill;
    ProgramListSearch* mSearch;
    clsDBRoutines& mCatalogue;
    BrokenMarker* mMarker = nullptr;
};
