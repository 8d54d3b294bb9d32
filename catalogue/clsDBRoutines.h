#pragma once

#include "catalogue/ProgramAudience.h"
#include "catalogue/ProgramName.h"
#include "catalogue/ProgramRecord.h"
#include "platform/KestrelError.h"
#include "platform/database/Connection.h"
#include "platform/database/DatabaseError.h"
#include "platform/database/Recordset.h"

#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <QVariant>
#include <functional>
#include <memory>
#include <optional>

class QTimer;

// Where a catalogue is and how it is opened.
struct CatalogueLocation
{
    QString path;
    bool readOnly = false;
};

// Every read and write of the program catalogue. Reads throw KestrelError on failure.
// The three writes (deleteProgram, addProgram, updateProgram) throw nothing and show
// nothing: they answer true when the change went through, and otherwise false with the
// failure kept until the next write, as lastWriteError() (number, source, description:
// the add dialog shows it) and lastWriteFailure() (the same naming the catalogue).
class clsDBRoutines
{
public:
    // Opens the connection (throws when it cannot); closes it when destroyed. A connection
    // found closed is replaced by a new one to the same location.
    explicit clsDBRoutines(const CatalogueLocation& location);
    // Opens it with the first statement instead, so that a program can hand the object to
    // its windows at start and the first statement's error shows where it was asked for.
    enum OpenOnFirstStatement { OnFirstStatement };
    clsDBRoutines(const CatalogueLocation& location, OpenOnFirstStatement);
    ~clsDBRoutines();
    clsDBRoutines(const clsDBRoutines&) = delete;
    clsDBRoutines& operator=(const clsDBRoutines&) = delete;

    Recordset loadPrograms();
    // Name and description of every program, in no particular order (for searching).
    Recordset loadProgramDescriptions();
    Recordset loadProgram(const QString& mStrName);
    QString getProgramDescription(const QString& mStrPrgName);
    Recordset loadProperties(const QString& mStrName);
    QString getProgramPath(const QString& mStrName);
    // No window calls these four; they complete the catalogue's interface (icon, default-icon
    // flag, options by key) and are tested like the rest. Not dead code.
    QString getCustomIconPath(const QString& mStrPrgName);
    bool UseDefaultIcon(const QString& mStrPrgName);
    Recordset LoadProgramOptions(const QString& mStrPrgName);
    qint16 getProgramKey(const QString& mStrName);

    // Whether a program other than the one named mStrOwnName goes by mStrName already
    // (the rule of ProgramName.h). The windows and the tool refuse such a name; the writes
    // themselves do not check.
    bool programNameExists(const QString& mStrName, const QString& mStrOwnName = {});
    // Runs work (reads and writes of this object) as one step: other writers of the
    // catalogue wait until it ends, readers do not. A KestrelError thrown ends it with
    // nothing changed and is thrown on. Inside another step it is part of that one.
    void inOneStep(const std::function<void()>& work);

    bool deleteProgram(const QString& mStrName);
    bool addProgram(const QString& mStrName, const QString& mStrDesc,
                    const QString& mStrProgramPath, const QString& mStrIconPath);
    bool updateProgram(const QString& mStrOldName, const QString& mStrName, const QString& mStrDesc,
                       const QString& mStrProgramPath, const QString& mStrIconPath);

    // addProgram and updateProgram, refused when a program other than the one changed goes
    // by the name (programNameExists). Check and write are one step that other writers
    // wait for, so two writers never store one name twice. Taken changes nothing; Failed
    // is a write that failed (lastWriteError and lastWriteFailure say why).
    enum class NamedWrite { Done, Taken, Failed };
    NamedWrite addProgramIfNameFree(const QString& mStrName, const QString& mStrDesc,
                                    const QString& mStrProgramPath, const QString& mStrIconPath);
    NamedWrite updateProgramIfNameFree(const QString& mStrOldName, const QString& mStrName,
                                       const QString& mStrDesc, const QString& mStrProgramPath,
                                       const QString& mStrIconPath);
    // The same, storing the program's audiences (setAudiences) in the same step.
    NamedWrite addProgramIfNameFree(const QString& mStrName, const QString& mStrDesc,
                                    const QString& mStrProgramPath, const QString& mStrIconPath,
                                    const QStringList& audiences);
    NamedWrite updateProgramIfNameFree(const QString& mStrOldName, const QString& mStrName,
                                       const QString& mStrDesc, const QString& mStrProgramPath,
                                       const QString& mStrIconPath, const QStringList& audiences);

    // Every program with all its columns, in the order of the lists (with a viewer, those
    // meant for it). The stored pictures are the largest part of a catalogue by far: a
    // reader that never looks at them leaves them out, one that only judges them (the
    // health check) reads their first kPictureHeadBytes.
    enum class Pictures { With, Heads, Without };
    QList<ProgramRecord> loadCatalogue(Pictures pictures = Pictures::With);
    // Adds and updates together in one transaction: all of them, or when any fails none
    // (and the failure is thrown as KestrelError). Names are stored trimmed, the other
    // texts as given, so that an exported catalogue comes back unchanged.
    void storePrograms(const QList<ProgramRecord>& additions, const QList<ProgramUpdate>& updates);

    // Stored icons (catalogue/StoredIcon.h). The named writes above store the icon file's
    // picture with the program, and deleteProgram removes it; a catalogue made before the
    // table existed reads as holding none, and gets the table when a picture is stored.
    bool hasStoredIcons();
    // The digest of each stored icon, by programNameKey of its program's name (the first
    // program of a name).
    QHash<QString, QString> loadStoredIconDigests();
    // The stored bytes of the icons with these digests, by digest.
    QHash<QString, QByteArray> loadStoredIcons(const QSet<QString>& digests);
    // The stored icon of the program named mStrName (the first of the name); empty for none.
    QByteArray loadStoredIcon(const QString& mStrName);
    // After a program named mStrName was added or changed to have the icon mStrIconPath:
    // stores picture for it when there is one; otherwise removes a stored one unless the
    // icon path is previousIcon still (another workstation's change, without the file).
    void storeIcon(const QString& mStrName, const QString& mStrIconPath,
                   const std::optional<QByteArray>& picture, const QString& previousIcon);

    // Audiences (catalogue/ProgramAudience.h). A catalogue made before them reads as having
    // none (every program for everyone) and gets their table with the first one set.
    bool hasAudiences();
    // Of the first program of the name, sorted; empty = everyone.
    QStringList loadAudiences(const QString& mStrName);
    // Replaces the audiences of every program of the name (a write: false and lastWriteError
    // for a spec audienceProblem refuses or a failure); empty makes them everyone's.
    bool setAudiences(const QString& mStrName, const QStringList& audiences);
    // Every program's audiences by programNameKey of its name (the first program of a name);
    // programs for everyone are left out.
    QHash<QString, QStringList> loadAllAudiences();
    // With a viewer, loadPrograms and loadProgramDescriptions answer only the programs meant
    // for it; without one (nullopt), every program. The launcher sets the user running it.
    void setViewer(std::optional<Viewer> viewer);
    const std::optional<Viewer>& viewer() const { return mViewer; }

    // Why the last write answered false; empty after one that worked.
    const std::optional<KestrelError>& lastWriteError() const { return mLastWriteError; }
    QString lastWriteFailure() const { return mLastWriteFailure; }

    // The lock wait of the connection, the open one included (catalogueLockWait at first).
    void setLockWait(qint32 seconds);

    // Whether the first statement still has to reach a server (which may take up to the
    // connect timeout to answer).
    bool waitsForAServer() const;

    // On a server, the connection closes a second after the last statement (never inside a
    // step) and the next statement opens it again, so that an idle program holds none: the
    // launcher's way. A file's connection stays open. The closing is done by the event loop
    // of the thread that calls this.
    void setCloseWhenIdle(bool close);

    // The change stamp (catalogue/CatalogueChange.h): a text that differs whenever the
    // catalogue's programs changed since it was last read; one small read. Throws
    // KestrelError like the other reads. Writes add the stamp to a server catalogue made
    // without it, once per object, where the role may.
    QString changeStamp();

private:
    void addChangeStampOnce();
    // The condition (" where ...") that keeps the programs meant for the viewer, its values
    // appended to parameters; empty without a viewer or audiences.
    QString viewerFilter(QVariantList& parameters);
    void storeAudiences(const QString& mStrName, const QStringList& audiences);

    void openConnection();
    // Runs one write, keeping its failure (a KestrelError thrown) for lastWriteError.
    bool attemptWrite(const std::function<void()>& write);
    void closeConnection();
    static bool isConnectionOpen(const Connection& connection);
    Connection& getConnection(Connection& connection);
    Recordset newRecordset();

    // The statement with NAME_MATCHES ("Program_Name = ?") and NAME_ORDER (the name as
    // sorted) written in the terms of the connection's engine.
    QString statement(const QString& source);
    Recordset openRecordset(const QString& source, const QVariantList& parameters);
    // The insert and the update of a program: the name stored trimmed, the other texts as
    // given, and an empty added as today.
    Recordset insertProgram(const ProgramRecord& program);
    Recordset updatePrograms(const ProgramUpdate& update);
    // The steps of addProgram and updateProgram, throwing their failure.
    void addRow(const QString& mStrName, const QString& mStrDesc, const QString& mStrProgramPath,
                const QString& mStrIconPath);
    void updateRows(const QString& mStrOldName, const QString& mStrName, const QString& mStrDesc,
                    const QString& mStrProgramPath, const QString& mStrIconPath);
    // Runs write in one step unless the name is taken, keeping its failure as attemptWrite.
    // The icon file mStrIconPath is read first (a refused one changes nothing) and its
    // picture stored with the write.
    NamedWrite writeIfNameFree(const QString& mStrName, const QString& mStrOwnName,
                               const QString& mStrIconPath, const std::function<void()>& write);
    QVariant firstValue(const QString& source, const QString& column, const QString& name,
                        bool& found);
    QString firstText(const QString& source, const QString& column, const QString& name);

    CatalogueLocation mLocation;
    Connection mConnection;
    bool mReachedServer = false;            // the server was found to hold a catalogue
    std::unique_ptr<QTimer> mCloseWhenIdle; // restarted by each statement
    std::optional<KestrelError> mLastWriteError;
    QString mLastWriteFailure;
    bool mStoredIconTable = false; // found once; a table is never dropped
    bool mChangeStampAdded = false;
    bool mAudienceTable = false; // found once, as mStoredIconTable
    std::optional<Viewer> mViewer;
};

class clsEnvironment;

// Where the settings name the catalogue, read-only or not. A location the settings refused
// (they then hold none) is thrown, naming the file or address meant and why.
CatalogueLocation catalogueLocation(const clsEnvironment& settings, bool readOnly);

// The programs' shared catalogue object. Start-up makes it at the settings' location
// (openDBRoutines) and hands it to the windows; its first statement opens the database, and
// when opening throws, the next statement tries again. gDBRoutines answers it, making it
// first where start-up did not (at the location catalogueLocation gives then, read-only as
// setCatalogueReadOnly asked). releaseDBRoutines destroys it (closing the connection).
clsDBRoutines& openDBRoutines(const CatalogueLocation& location);
clsDBRoutines& gDBRoutines();
void releaseDBRoutines();
void setCatalogueReadOnly(bool readOnly);
// Seconds a catalogue statement waits for another program's lock (100 unless set).
qint32 catalogueLockWait();
void setCatalogueLockWait(qint32 seconds);
// While it lives, catalogue statements wait for no lock (a window that must show tries
// again later instead); afterwards they wait as usual.
class CatalogueWithoutWaiting
{
public:
    CatalogueWithoutWaiting();
    ~CatalogueWithoutWaiting();
    CatalogueWithoutWaiting(const CatalogueWithoutWaiting&) = delete;
    CatalogueWithoutWaiting& operator=(const CatalogueWithoutWaiting&) = delete;

private:
    qint32 mWait;
};

bool catalogueReadOnly();
