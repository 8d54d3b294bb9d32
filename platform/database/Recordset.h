#pragma once

#include "platform/database/Connection.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

// A client-side record set: opening it runs its Source on the active connection and
// fetches the whole result at once, so RecordCount is exact and no statement stays
// pending in the engine (a pending read would block other programs' writes). The cursor
// starts on the first row. A movable value; it closes itself when destroyed.
//
// Source is a statement with ? placeholders for the values given as Parameters, or the
// bare name of a table, which opens the whole table and allows AddNew/setCollect/Update.
class Recordset
{
public:
    Recordset() = default;
    explicit Recordset(Connection connection);
    ~Recordset();
    Recordset(Recordset&& other) noexcept;
    Recordset& operator=(Recordset&& other) noexcept;
    Recordset(const Recordset&) = delete;
    Recordset& operator=(const Recordset&) = delete;

    Connection ActiveConnection() const { return mConnection; }
    void setActiveConnection(const Connection& connection);
    const QString& Source() const { return mSource; }
    void setSource(const QString& source);
    const QVariantList& Parameters() const { return mParameters; }
    void setParameters(const QVariantList& parameters);

    // Runs Source. A statement that returns no rows (an update, a delete) leaves the
    // record set closed, with RecordsAffected telling how many rows it changed.
    void Open();
    qint32 State() const { return mOpen ? Connection::adStateOpen : Connection::adStateClosed; }
    qint32 RecordsAffected() const { return mRecordsAffected; }

    qint32 RecordCount() const;
    QVariant Fields(const QString& name) const; // column of the current row; case-insensitive
    QStringList FieldNames() const;
    void MoveFirst();
    void MoveNext();
    bool Eof() const;

    // Appending a row to a table opened by name: AddNew makes an empty current row,
    // setCollect fills its columns, Update inserts it (and reads it back, key included).
    void AddNew();
    QVariant Collect(const QString& name) const { return Fields(name); }
    void setCollect(const QString& name, const QVariant& value);
    void Update();

    void Close();

private:
    void run();
    void requireOpen() const;
    qsizetype columnIndex(const QString& name) const;
    qsizetype cellIndex(qsizetype row, qsizetype column) const
    {
        return row * mColumns.size() + column;
    }
    void cancelNew();

    Connection mConnection;
    QString mSource;
    QVariantList mParameters;
    QString mTable; // set when Source names a table
    bool mOpen = false;
    qint32 mRecordsAffected = -1;
    QStringList mColumns;
    QHash<QString, qsizetype> mColumnIndex; // name as stored and lower-cased -> column
    // Every row's cells one after another, a row being mColumns.size() cells: one list
    // for the whole result instead of one per row.
    QVariantList mCells;
    qsizetype mRowCount = 0;
    qsizetype mPosition = 0;
    qsizetype mNewRow = -1;      // index of the row AddNew made, until Update
    QList<bool> mNewRowAssigned; // which of its columns setCollect set
};
