#include "views/common/ucProgramViewBase.h"

#include "catalogue/clsDBRoutines.h"
#include "platform/KestrelError.h"
#include "platform/ui/widgets/LoadPicture.h"
#include "settings/FileChecks.h"
#include "settings/clsEnvironment.h"
#include "views/common/ProgramListWidget.h"
#include "views/common/Twips.h"

#include <QHash>
#include <QListWidgetItem>

namespace {
// One decode per distinct file during a fill; failures are remembered too. The list
// shows one icon size, so only the file's image nearest to it is decoded.
class PictureCache
{
public:
    QIcon picture(const QString& path)
    {
        auto it = mPictures.constFind(path);
        if (it != mPictures.constEnd())
            return *it;
        QIcon icon;
        try {
            icon = QIcon(platform::loadPicture(path));
        } catch (const KestrelError&) {
            // A missing or broken icon file leaves its program without an image.
        }
        mPictures.insert(path, icon);
        return icon;
    }

private:
    QHash<QString, QIcon> mPictures;
};
} // namespace

ucProgramViewBase::ucProgramViewBase(QWidget* parent)
    : QWidget(parent), mList(new ProgramListWidget(this))
{
    connect(mList, &QListWidget::itemClicked, this, &ucProgramViewBase::ItemClicked);
    connect(mList, &ProgramListWidget::mouseReleased, this,
            [this](Qt::MouseButton button, const QPoint& pos) { listMouseReleased(button, pos); });
    connect(mList, &ProgramListWidget::doubleClicked, this,
            [this] { emit ListDoubleClicked(selectedListItem()); });
    layoutList();
}

ucProgramViewBase::~ucProgramViewBase() = default;

QListWidget* ucProgramViewBase::lstView() const
{
    return mList;
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
    Recordset programs = gDBRoutines().loadPrograms();
    if (programs.RecordCount() == 0) {
        programs.Close();
        return;
    }

    const QString defaultIcon = gEnvironment().DefaultIcon();
    PictureCache pictures;
    programs.MoveFirst();
    while (!programs.Eof()) {
        const QString customIcon =
            TrimSpaces(programs.Fields(QStringLiteral("Program_CustomIcon")).toString());
        const QIcon picture = pictures.picture(customIcon.isEmpty() ? defaultIcon : customIcon);
        if (!picture.isNull())
            mImageList1.Add(TrimSpaces(programs.Fields(QStringLiteral("Program_Name")).toString()),
                            picture);
        programs.MoveNext();
    }

    QListWidgetItem* last = nullptr;
    programs.MoveFirst();
    while (!programs.Eof()) {
        const QString name = TrimSpaces(programs.Fields(QStringLiteral("Program_Name")).toString());
        const qint32 imageIndex = mImageList1.indexOf(name);
        // Built completely before it joins the list: no change signals per field.
        auto* item = new ProgramListItem(
            name, TrimSpaces(programs.Fields(QStringLiteral("Program_Path")).toString()),
            imageIndex, imageIndex > 0 ? mImageList1.image(imageIndex) : QIcon());
        mList->addItem(item);
        last = item;
        programs.MoveNext();
    }
    programs.Close();
    if (last)
        mList->scrollToItemWhenShown(last);
}

void ucProgramViewBase::clearView()
{
    mList->clear();
    mImageList1.Clear();
}

void ucProgramViewBase::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    layoutList();
}

void ucProgramViewBase::layoutList()
{
    mList->setGeometry(0, 0, width(), qMax(0, height() - twips::px(100)));
}
