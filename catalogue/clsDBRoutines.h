#pragma once

#include "platform/database/Connection.h"
#include "platform/database/Recordset.h"

#include <QString>
#include <QVariant>
#include <memory>

// Every read and write of the program catalogue. Reads throw KestrelError on failure;
// the three writes catch their own failures and answer false.
class clsDBRoutines
{
public:
    clsDBRoutines();  // opens the connection (throws when it cannot)
    ~clsDBRoutines(); // closes it
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
    bool addProgram(const QString& mStrName, const QString& mStrDesc,
                    const QString& mStrProgramPath, const QString& mStrIconPath);
    bool updateProgram(const QString& mStrOldName, const QString& mStrName, const QString& mStrDesc,
                       const QString& mStrProgramPath, const QString& mStrIconPath);

private:
    void openConnection();
    void closeConnection();
    static bool isConnectionOpen(const Connection& connection);
    Connection& getConnection(Connection& connection);
    Recordset newRecordset();

    Recordset openRecordset(const QString& source, const QVariantList& parameters);
    QVariant firstValue(const QString& source, const QString& column, const QString& name,
                        bool& found);
    QString firstText(const QString& source, const QString& column, const QString& name);

    Connection mConnection;
};

// The program-wide catalogue object, created (and the database opened) on first use.
// When opening throws, nothing is kept and the next call tries again.
clsDBRoutines& gDBRoutines();
void releaseDBRoutines();
// Ask for a read-only connection before first use (the launcher does). Later connections
// of the program (after releaseDBRoutines, or replacing one found closed) use it too.
void setCatalogueReadOnly(bool readOnly);
bool catalogueReadOnly();
