#pragma once

#include "catalogue/clsDBRoutines.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QString>

// Which of the listed programs are broken, found on a second thread so that neither the
// start nor the window waits for the files to be looked at. One per program; the lists and
// the properties window read what it found.
class ProgramHealth : public QObject
{
    Q_OBJECT
public:
    static ProgramHealth& instance();

    // Checks these programs (a check that is running finishes first, unannounced, then this
    // one runs).
    void check(const QList<ProgramRecord>& programs);
    // Why the program is broken, "" when it is not (or not checked yet).
    QString problem(const QString& name) const;
    const QHash<QString, QString>& problems() const { return mProblems; }
    bool isChecking() const { return mChecking; }

signals:
    // A check finished with no newer one queued; problems() holds its results.
    void checked();

private:
    ProgramHealth() = default;
    void start();
    void finish(const QHash<QString, QString>& problems);

    bool mChecking = false;
    QList<ProgramRecord> mPending;
    bool mHavePending = false;
    QHash<QString, QString> mProblems; // by programNameKey
};

class QListWidget;
class QWidget;

// Marks the broken programs of a program list once the list is shown and whenever it is
// filled again: greyed with the reason as tool tip, or hidden. Owned by the list.
// (ucProgramViewBase::markBroken attaches one that its search results follow.)
class BrokenMarker : public QObject
{
    Q_OBJECT
public:
    enum Mode { Grey, Hide };
    // A list filled from the catalogue is checked as it is filled (useFilledPrograms); any
    // other list once shownWith (by default the list) has been shown, with the programs
    // the catalogue holds then.
    static BrokenMarker* attach(QListWidget* list, Mode mode, clsDBRoutines& catalogue,
                                QWidget* shownWith = nullptr);
    Mode mode() const { return mMode; }

    // The programs the list was just filled from: checked at once, without reading the
    // catalogue again.
    void useFilledPrograms(const QList<ProgramRecord>& programs);
    // Checks the catalogue's programs now; a catalogue that cannot be read is thrown.
    void checkNow();
    // Marks the items by what the last check found (a list filled again shows its marks
    // at once, not only when its own check ends).
    void mark();

signals:
    // The list's items have been marked after a check.
    void marked();

private:
    BrokenMarker(QListWidget* list, Mode mode, clsDBRoutines& catalogue, QWidget* shownWith);
    bool eventFilter(QObject* watched, QEvent* event) override;
    void scheduleCheck();

    QListWidget* mList;
    clsDBRoutines& mCatalogue;
    QWidget* mShownWith;
    Mode mMode;
    bool mFillChecked = false; // the rows now listed are checked (or being checked)
    bool mShown = false;
    bool mScheduled = false;
};
