#pragma once

#include "platform/database/Connection.h"
#include "platform/database/Recordset.h"

#include <QString>
#include <memory>

// Every read and write of the program catalogue. Reads throw KestrelError on failure;
// the three writes catch their own failures and answer false.
class clsDBRoutines
{
public:
    clsDBRoutines();   // opens the connection (throws when it cannot)
    ~clsDBRoutines();  // closes it
    clsDBRoutines(const clsDBRoutines&) = delete;
    clsDBRoutines& operator=(const clsDBRoutines&) = delete;

    Recordset loadPrograms();
    Recordset loadProgram(const QString& mStrName);
    QString getProgramDescription(const QString& mStrPrgName);
    QString getCustomIconPath(const QString& mStrPrgName);
    bool UseDefaultIcon(const QString& mStrPrgName);
    Recordset LoadProgramOptions(const QString& mStrPrgName);
    qint16 getProgramKey(const QString& mStrName);
    Recordset loadProperties(const QString& mStrName);
    QString getProgramPath(const QString& mStrName);

    bool deleteProgram(const QString& mStrName);
    bool addProgram(const QString& mStrName, const QString& mStrDesc, const QString& mStrProgramPath,
                    const QString& mStrIconPath);
    bool updateProgram(const QString& mStrOldName, const QString& mStrName, const QString& mStrDesc,
                       const QString& mStrProgramPath, const QString& mStrIconPath);

    // internal operations (openConnection, closeConnection, isConnectionOpen,
    // getConnection, newRecordset) are private members; see the implementation.
};

// The program-wide catalogue object, created (and the database opened) on first use.
// When opening throws, nothing is kept and the next call tries again.
clsDBRoutines& gDBRoutines();
void releaseDBRoutines();
// Ask for a read-only connection before first use (the launcher does).
void setCatalogueReadOnly(bool readOnly);
