#pragma once

#include <QIcon>
#include <QListWidget>
#include <QListWidgetItem>
#include <QMouseEvent>
#include <QPersistentModelIndex>

#include <functional>

// One program in the list. Name, path, picture and image index start out as members,
// answered by data(), instead of entries in the item's generic role list: that list costs
// about 250 bytes an item, a quarter of the memory of a 100,000-program list. setData
// works for every role as usual; a role it sets is kept by QListWidgetItem from then on.
class ProgramListItem : public QListWidgetItem
{
public:
    // Text is the name, DecorationRole the picture (none when null).
    static constexpr int PathRole = Qt::UserRole;
    static constexpr int ImageIndexRole = Qt::UserRole + 1;

    ProgramListItem(const QString& name, const QString& path, qint32 imageIndex, const QIcon& icon);

    QVariant data(int role) const override;
    void setData(int role, const QVariant& value) override;
    QListWidgetItem* clone() const override;

private:
    // The member answering a role, as a bit of mOwn; 0 for the roles of the base.
    static int memberBit(int role);

    QString mName;
    QString mPath;
    QIcon mIcon;
    qint32 mImageIndex;
    int mOwn; // the roles still answered by the members
};

// A program list (the full one or the search results) that reports every button release
// and every double-click over it to its holder, after its own handling (selection,
// clicks), so the holder sees the selection the gesture left.
template <class View> class ProgramListGestures : public View
{
public:
    using View::View;
    std::function<void(Qt::MouseButton button, const QPoint& viewportPos)> onMouseReleased;
    std::function<void()> onDoubleClicked;

    // Room above the first row, so that its icons stay off the list's edge; the strip is
    // painted as the list's own background.
    void keepOffTheTopEdge()
    {
        View::setViewportMargins(0, 6, 0, 0);
        View::setBackgroundRole(QPalette::Base);
        View::setAutoFillBackground(true);
    }

protected:
    void mouseReleaseEvent(QMouseEvent* event) override
    {
        const Qt::MouseButton button = event->button();
        const QPoint pos = event->position().toPoint();
        View::mouseReleaseEvent(event);
        if (onMouseReleased)
            onMouseReleased(button, pos);
    }
    void mouseDoubleClickEvent(QMouseEvent* event) override
    {
        View::mouseDoubleClickEvent(event);
        if (onDoubleClicked)
            onDoubleClicked();
    }
};

// The icon list inside ucProgramView (object name "lstView").
class ProgramListWidget : public ProgramListGestures<QListWidget>
{
    Q_OBJECT
public:
    explicit ProgramListWidget(QWidget* parent = nullptr);

    // The look and layout every program list shares (cells, icon size, wrapping).
    static void configure(QListView* list);

    // Scrolls the item into view: at once when the list is on screen, otherwise as it is
    // first shown (a list filled while hidden gets its real size only then).
    void scrollToItemWhenShown(QListWidgetItem* item);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    bool mPainted = false;
    QPersistentModelIndex mShownItem;
};
