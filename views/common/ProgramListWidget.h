#pragma once

#include <QIcon>
#include <QListWidget>
#include <QListWidgetItem>
#include <QPersistentModelIndex>

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

// The icon list inside ucProgramView (object name "lstView"). It reports every button
// release and every double-click over it, after its own handling (selection, clicks),
// so the holder sees the selection the gesture left.
class ProgramListWidget : public QListWidget
{
    Q_OBJECT
public:
    explicit ProgramListWidget(QWidget* parent = nullptr);

    // The look and layout every program list shares (cells, icon size, wrapping).
    static void configure(QListView* list);

    // Scrolls the item into view: at once when the list is on screen, otherwise as it is
    // first shown (a list filled while hidden gets its real size only then).
    void scrollToItemWhenShown(QListWidgetItem* item);

signals:
    void mouseReleased(Qt::MouseButton button, const QPoint& viewportPos);
    void doubleClicked();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    bool mPainted = false;
    QPersistentModelIndex mShownItem;
};
