#pragma once

#include "platform/KestrelError.h"
#include "platform/database/Connection.h"
#include "platform/database/Recordset.h"

#include <QList>
#include <QString>
#include <QVariant>
#include <functional>
#include <memory>

// One program with every column the catalogue keeps for it, as scripts exchange it.
struct ProgramRecord
{
    QString name;
    QString description;
    QString path;
    QString icon;
    QString added; // as stored; empty when adding means today
    bool operator==(const ProgramRecord&) const = default;
};

// A change to the rows that carry storedName (as stored, letter case and all).
struct ProgramUpdate
{
    QString storedName;
    ProgramRecord record; // added is left as it was
};

// Where a catalogue is and how it is opened.
struct CatalogueLocation
{
    QString path;
    bool readOnly = false;
};

// Every read and write of the program catalogue. Reads throw KestrelError on failure;
// the three writes catch their own failures and answer false.
class clsDBRoutines
{
public:
    // Opens the connection (throws when it cannot); closes it when destroyed.
    explicit clsDBRoutines(const CatalogueLocation& location);
    // Asks for the location each time a connection is opened, so a connection found closed
    // is replaced by one to the location of that moment. The function may throw.
    explicit clsDBRoutines(std::function<CatalogueLocation()> location);
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
    // (both trimmed, letter case ignored, as every lookup by name compares). The windows
    // and the tool refuse such a name; the writes themselves do not check.
    bool programNameExists(const QString& mStrName, const QString& mStrOwnName = {});

    bool deleteProgram(const QString& mStrName);
    bool addProgram(const QString& mStrName, const QString& mStrDesc,
                    const QString& mStrProgramPath, const QString& mStrIconPath);
    bool updateProgram(const QString& mStrOldName, const QString& mStrName, const QString& mStrDesc,
                       const QString& mStrProgramPath, const QString& mStrIconPath);

    // Every program with all its columns, in the order of the lists.
    QList<ProgramRecord> loadCatalogue();
    // Adds and updates together in one transaction: all of them, or when any fails none
    // (and the failure is thrown as KestrelError). Names are stored trimmed, the other
    // texts as given, so that an exported catalogue comes back unchanged.
    void storePrograms(const QList<ProgramRecord>& additions, const QList<ProgramUpdate>& updates);

    // Why the last deleteProgram or updateProgram answered false, naming the catalogue;
    // empty after one that worked.
    QString lastWriteFailure() const { return mLastWriteFailure; }

    // The lock wait of the connection, the open one included (catalogueLockWait at first).
    void setLockWait(qint32 seconds);

private:
    void openConnection();
    bool writeFailed(const QString& reason);
    void closeConnection();
    static bool isConnectionOpen(const Connection& connection);
    Connection& getConnection(Connection& connection);
    Recordset newRecordset();

    // The statement with NAME_MATCHES ("Program_Name = ?") and NAME_ORDER (the name as
    // sorted) written in the terms of the connection's engine.
    QString statement(const QString& source);
    Recordset openRecordset(const QString& source, const QVariantList& parameters);
    QVariant firstValue(const QString& source, const QString& column, const QString& name,
                        bool& found);
    QString firstText(const QString& source, const QString& column, const QString& name);

    std::function<CatalogueLocation()> mLocation;
    Connection mConnection;
    QString mLastWriteFailure;
};

// The programs' shared catalogue object, created (and the database opened) on first use,
// at the location the environment names then. When opening throws, nothing is kept and
// the next call tries again.
clsDBRoutines& gDBRoutines();
void releaseDBRoutines();
// Ask for a read-only connection before first use (the launcher does). Later connections
// of the program (after releaseDBRoutines, or replacing one found closed) use it too.
void setCatalogueReadOnly(bool readOnly);
// Seconds a catalogue statement waits for another program's lock (100 unless set).
qint32 catalogueLockWait();
void setCatalogueLockWait(qint32 seconds);
// Whether an error says that another program holds the catalogue locked just now.
bool isCatalogueBusy(const KestrelError& error);
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

// Why a name that programNameExists found is refused, for the windows and the tool.
QString nameTakenReason(const QString& mStrName);
bool catalogueReadOnly();
