#pragma once

#include "views/common/ImageList.h"
#include "views/common/ProgramListWidget.h"

#include <QWidget>

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
    const ImageList& ImageList1() const { return mImageList1; }

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

protected:
    // Fills the image list and then appends one item per catalogue program, in the
    // catalogue's order, and scrolls the last one into view. An empty catalogue leaves
    // everything as it was. Each distinct icon file is decoded once; a program whose icon
    // cannot be loaded gets no image. Catalogue errors are thrown to the caller.
    void fillView();
    // Removes every item and every image.
    void clearView();

    // A mouse button was released over the list, after the list handled it.
    virtual void listMouseReleased(Qt::MouseButton button, const QPoint& viewportPos) = 0;

    void resizeEvent(QResizeEvent* event) override;

private:
    void layoutList();

    ProgramListWidget* mList;
    ImageList mImageList1;
};
