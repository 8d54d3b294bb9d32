#include "views/common/ProgramHealth.h"

#include "catalogue/CatalogueHealth.h"
#include "catalogue/ProgramImport.h"

#include "platform/KestrelError.h"
#include "views/common/BackgroundTask.h"

#include <QEvent>
#include <QListWidget>
#include <QTimer>

ProgramHealth& ProgramHealth::instance()
{
    static ProgramHealth health;
    return health;
}

void ProgramHealth::check(const QList<ProgramRecord>& programs)
{
    mPending = programs;
    mHavePending = true;
    if (!mChecking)
        start();
}

void ProgramHealth::start()
{
    const QList<ProgramRecord> programs = std::exchange(mPending, {});
    mHavePending = false;
    mChecking = true;
    // At idle priority (see background::threads): it ends well before anyone looks.
    background::run(
        this, QThread::IdlePriority,
        [programs] {
            CatalogueHealth health;
            QHash<QString, QString> problems;
            for (const BrokenProgram& broken : findBrokenPrograms(programs, health))
                problems.insert(programNameKey(broken.name), broken.problem);
            return problems;
        },
        [this](const QHash<QString, QString>& problems) { finish(problems); });
}

void ProgramHealth::finish(const QHash<QString, QString>& problems)
{
    mChecking = false;
    // A check queued meanwhile is of a newer list: these results are old already, and
    // whoever waits for a check (the administrator's Check) gets the newer one.
    if (mHavePending) {
        start();
        return;
    }
    mProblems = problems;
    emit checked();
}

QString ProgramHealth::problem(const QString& name) const
{
    return mProblems.value(programNameKey(name));
}

BrokenMarker* BrokenMarker::attach(QListWidget* list, Mode mode, clsDBRoutines& catalogue,
                                   QWidget* shownWith)
{
    return new BrokenMarker(list, mode, catalogue, shownWith ? shownWith : list);
}

BrokenMarker::BrokenMarker(QListWidget* list, Mode mode, clsDBRoutines& catalogue,
                           QWidget* shownWith)
    : QObject(list), mList(list), mCatalogue(catalogue), mShownWith(shownWith), mMode(mode)
{
    shownWith->installEventFilter(this);
    // A list filled again (the administrator's changes) is checked again.
    connect(list->model(), &QAbstractItemModel::rowsInserted, this, [this] {
        mFillChecked = false;
        scheduleCheck();
    });
    connect(&ProgramHealth::instance(), &ProgramHealth::checked, this, &BrokenMarker::mark);
}

bool BrokenMarker::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == mShownWith && event->type() == QEvent::Show && !mShown) {
        mShown = true;
        scheduleCheck();
    }
    return QObject::eventFilter(watched, event);
}

void BrokenMarker::scheduleCheck()
{
    // After the window has painted, and once for a whole fill.
    if (!mShown || mScheduled || mFillChecked)
        return;
    mScheduled = true;
    QTimer::singleShot(0, this, [this] {
        mScheduled = false;
        if (!mFillChecked) {
            try {
                checkNow();
            } catch (const KestrelError&) {
                // The list itself reports a catalogue that cannot be read.
            }
        }
    });
}

void BrokenMarker::useFilledPrograms(const QList<ProgramRecord>& programs)
{
    // Not left until the window shows: the check runs beside the rest of the start, and
    // its marks usually come before the first paint, which then shows them at once instead
    // of being followed by a second one.
    mFillChecked = true;
    ProgramHealth::instance().check(programs);
}

void BrokenMarker::checkNow()
{
    // Still connecting: the rows the fill adds start the check.
    if (mCatalogue.waitsForAServer())
        return;
    mFillChecked = true;
    // With the stored pictures' heads: they, not the icon files, are what the workstations show.
    ProgramHealth::instance().check(mCatalogue.loadCatalogue(clsDBRoutines::Pictures::Heads));
}

void BrokenMarker::mark()
{
    constexpr int kOwnIconRole = Qt::UserRole + 20;
    const ProgramHealth& health = ProgramHealth::instance();
    for (int row = 0; row < mList->count(); ++row) {
        QListWidgetItem* item = mList->item(row);
        const QString problem = health.problem(item->text());
        const bool marked = item->data(kOwnIconRole).isValid();
        if (problem.isEmpty() && !marked)
            continue;
        if (mMode == Hide) {
            item->setHidden(!problem.isEmpty());
            item->setData(kOwnIconRole, problem.isEmpty() ? QVariant() : QVariant(true));
            continue;
        }
        if (!marked)
            item->setData(kOwnIconRole, item->icon());
        const QIcon own = item->data(kOwnIconRole).value<QIcon>();
        if (problem.isEmpty()) {
            item->setIcon(own);
            item->setData(kOwnIconRole, QVariant());
            item->setToolTip(QString());
            item->setForeground(QBrush());
        } else {
            const QSize side = mList->iconSize();
            item->setIcon(own.isNull() ? own : QIcon(own.pixmap(side, QIcon::Disabled)));
            item->setToolTip(problem.size() > 300 ? problem.left(300) + QChar(0x2026) : problem);
            item->setForeground(mList->palette().brush(QPalette::Disabled, QPalette::Text));
        }
    }
    emit marked();
}
