#include "views/common/ProgramListRefresh.h"

#include "catalogue/clsDBRoutines.h"
#include "platform/KestrelError.h"
#include "views/common/ucProgramViewBase.h"

ProgramListRefresh::ProgramListRefresh(clsDBRoutines& catalogue, ucProgramViewBase* view,
                                       qint32 seconds)
    : QObject(view), mCatalogue(catalogue), mView(view)
{
    view->setFillHooks([this] { mReading = mCatalogue.changeStamp(); },
                       [this] { mShown = std::exchange(mReading, {}); });
    mTimer.setInterval(std::clamp(seconds, 1, 24 * 60 * 60) * 1000);
    connect(&mTimer, &QTimer::timeout, this, &ProgramListRefresh::check);
    mTimer.start();
}

void ProgramListRefresh::check()
{
    // Before the first fill there is nothing to compare with: that fill reads it all.
    if (!mShown)
        return;
    try {
        const CatalogueWithoutWaiting noWait;
        if (mCatalogue.changeStamp() != *mShown) {
            mView->refill();
            emit refreshed();
        }
    } catch (const KestrelError& error) {
        // A lock held by a writer is over by the next check; the list is kept meanwhile.
        if (!isCatalogueBusy(error) && !mFailing) {
            mFailing = true;
            emit notice(QStringLiteral("The catalogue cannot be read just now; the list shows "
                                       "it as it was: ") +
                        error.description());
        }
        return;
    }
    if (std::exchange(mFailing, false))
        emit notice({});
}
