#pragma once

#include <QObject>
#include <QString>
#include <QTimer>
#include <optional>

class clsDBRoutines;
class ucProgramViewBase;

// Shows the catalogue's changes in a running program's list. Every interval it reads the
// catalogue's change stamp (clsDBRoutines::changeStamp, one small read) and, only when it
// moved since the list was last filled, fills the list again keeping the search, the
// selection and the scroll position (ucProgramViewBase::refill). The stamp is read just
// before each fill's own read, so a change made while a fill reads is found next time.
// A catalogue another program holds locked is checked at the next interval; one that
// cannot be read keeps the list as it is and says so once (notice), until a check works.
class ProgramListRefresh : public QObject
{
    Q_OBJECT
public:
    // Checks every seconds (at most a day) once the view has filled its list.
    ProgramListRefresh(clsDBRoutines& catalogue, ucProgramViewBase* view, qint32 seconds);

    // One check now, as the timer makes it.
    void check();

signals:
    // The list was filled again.
    void refreshed();
    // A check failed: why, once until one works again; then an empty text.
    void notice(const QString& text);

private:
    clsDBRoutines& mCatalogue;
    ucProgramViewBase* mView;
    QTimer mTimer;
    // Read before the running fill's read, and the stamp of what the list shows.
    std::optional<QString> mReading, mShown;
    bool mFailing = false;
};
