#pragma once

#include "catalogue/clsDBRoutines.h"
#include "views/common/ImageList.h"

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QString>
#include <functional>

class ProgramListWidget;
class QLabel;

// Fills a program list from the catalogue: one item per program in the catalogue's order,
// its picture in the image list under the program's trimmed name: the picture the catalogue
// stores for it (the default icon when that is no picture), else its icon file. Each
// distinct picture is decoded once, two at a time (this thread and a helper), or taken
// unchanged from the per-user icon cache; a program whose icon file cannot be loaded gets
// no image.
class ProgramListFill : public QObject
{
    Q_OBJECT
public:
    // defaultIcon: the picture of a program without one of its own.
    ProgramListFill(clsDBRoutines& catalogue, const QString& defaultIcon, ProgramListWidget* list,
                    QObject* parent);

    const ImageList& images() const { return mImages; }
    // Whether filled() carries the programs read (for the health check); otherwise empty.
    void setKeepPrograms(bool keep) { mKeepPrograms = keep; }

    // Appends the catalogue's programs and scrolls the last one into view. An empty
    // catalogue leaves everything as it was. Catalogue errors are thrown to the caller.
    // With beforeAdding, a refill: it runs once the rows are read (to empty the list), and
    // filled() comes even for no rows.
    void fill(const std::function<void()>& beforeAdding = {});
    // Run by every fill: before the catalogue is read (a throw is the fill's failure), and
    // after the list was filled.
    void setFillHooks(std::function<void()> beforeRead, std::function<void()> afterFill)
    {
        mBeforeRead = std::move(beforeRead);
        mAfterFill = std::move(afterFill);
    }
    // fill for a window that is about to show: while another program holds the catalogue
    // locked, the list says so and tries again, so the window shows at once and fills when
    // the catalogue is free. When the catalogue's lock wait is over, the lock's error is
    // thrown as fill throws it, or handed to the failure handler when one is set.
    void fillWhenFree();
    void setFailureHandler(std::function<void(const KestrelError&)> failed)
    {
        mFailed = std::move(failed);
    }
    // Removes every item and every image.
    void clear();

signals:
    // Items were appended; programs are the rows read when setKeepPrograms asked for them.
    void filled(const QList<ProgramRecord>& programs);
    // While the first fill waits for another program's lock: what to show in a status area;
    // empty once the wait is over.
    void waiting(const QString& status);

private:
    void setWaitingText(const QString& text);
    bool eventFilter(QObject* watched, QEvent* event) override;

    clsDBRoutines& mCatalogue;
    QString mDefaultIcon;
    ProgramListWidget* mList;
    ImageList mImages;
    bool mKeepPrograms = false;
    QElapsedTimer mWaitingFor;
    QLabel* mWaitingLabel = nullptr;
    // The first fill from a server waits for the window's first paint.
    bool mWaitingForPaint = false;
    std::function<void()> mBeforeRead, mAfterFill;
    std::function<void(const KestrelError&)> mFailed;
};
