#include "platform/database/Recordset.h"

#include "platform/KestrelError.h"
#include "platform/database/DatabaseError.h"
#include "platform/database/SqlScript.h"

#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlField>
#include <QSqlQuery>
#include <QSqlRecord>

namespace {
[[noreturn]] void throwEngineError(const QSqlError& error, const Connection& connection)
{
    throw databaseError(error, {}, connection.EngineName());
}

[[noreturn]] void throwLayerError(qint32 number, const QString& text)
{
    throw KestrelError(number, databaseErrorSource(), text);
}

bool isTableName(const QString& source)
{
    static const QRegularExpression identifier(QStringLiteral("^[A-Za-z_][A-Za-z0-9_]*$"));
    return identifier.match(source).hasMatch();
}

QString quotedIdentifier(const QString& name)
{
    QString quoted = name;
    quoted.replace(u'"', QStringLiteral("\"\""));
    return u'"' + quoted + u'"';
}

QSqlDatabase databaseOf(const Connection& connection)
{
    if (connection.State() != Connection::adStateOpen)
        throwLayerError(DatabaseErrorNumber::ObjectClosed,
                        QStringLiteral("The record set's connection is not open."));
    return QSqlDatabase::database(connection.connectionName(), false);
}

// Binds the values to the prepared statement and runs it; a failed run is finished.
void bindAndRun(QSqlQuery& query, const QVariantList& parameters, const Connection& connection)
{
    for (int i = 0; i < parameters.size(); ++i)
        query.bindValue(i, parameters.at(i));
    if (!query.exec()) {
        const QSqlError error = query.lastError();
        query.finish();
        throwEngineError(error, connection);
    }
}

// Whether a value goes to the engine as NULL, as the driver decides for a bound value.
bool isNullValue(const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::QString:
        return value.toString().isNull();
    case QMetaType::QByteArray:
        return value.toByteArray().isNull();
    default:
        return value.isNull();
    }
}

// The statement with its values in place, for a session that may keep nothing prepared:
// each value quoted by the driver as it quotes the values of a prepared statement's
// EXECUTE, in parentheses so that a negative number after a minus never reads as a comment.
QString withValues(const QSqlQuery& query, const QString& statement, const QVariantList& values)
{
    const QList<qsizetype> marks = sqlPlaceholders(statement);
    if (marks.size() != values.size())
        throwLayerError(DatabaseErrorNumber::ItemNotFound,
                        QStringLiteral("The statement has %1 placeholders for %2 values.")
                            .arg(marks.size())
                            .arg(values.size()));
    QString text = statement;
    for (qsizetype i = marks.size() - 1; i >= 0; --i) {
        QSqlField field;
        field.setMetaType(values.at(i).metaType());
        if (isNullValue(values.at(i)))
            field.clear();
        else
            field.setValue(values.at(i));
        text.replace(marks.at(i), 1, u'(' + query.driver()->formatValue(field) + u')');
    }
    return text;
}

// Runs the statement as one text. Through a transaction pooler its values go in it and the
// settings its transaction needs before it (results of their own, skipped), so that it
// depends on nothing an earlier transaction left in the session. False with the error.
bool runAsText(QSqlQuery& query, const QString& statement, const QVariantList& values,
               const Connection& connection)
{
    if (!connection.transactionPooled())
        return query.exec(statement);
    QStringList text = connection.transactionSettings();
    const qsizetype settings = text.size();
    text.append(withValues(query, statement, values));
    bool ran = query.exec(text.join(QStringLiteral("; ")));
    for (qsizetype i = 0; ran && i < settings; ++i)
        ran = query.nextResult();
    return ran;
}

// Runs one statement with its values bound.
void execute(QSqlQuery& query, const QString& statement, const QVariantList& parameters,
             const Connection& connection)
{
    query.setForwardOnly(true);
    if (connection.transactionPooled()) {
        if (!runAsText(query, statement, parameters, connection))
            throwEngineError(query.lastError(), connection);
        return;
    }
    if (!query.prepare(statement))
        throwEngineError(query.lastError(), connection);
    bindAndRun(query, parameters, connection);
}
} // namespace

Recordset::Recordset(Connection connection) : mConnection(std::move(connection)) {}

Recordset::~Recordset()
{
    Close();
}

Recordset::Recordset(Recordset&& other) noexcept
    : mConnection(other.mConnection), mSource(std::move(other.mSource)),
      mParameters(std::move(other.mParameters)), mTable(std::move(other.mTable)),
      mOpen(std::exchange(other.mOpen, false)),
      mRecordsAffected(std::exchange(other.mRecordsAffected, -1)),
      mColumns(std::move(other.mColumns)), mColumnIndex(std::move(other.mColumnIndex)),
      mCells(std::move(other.mCells)), mRowCount(std::exchange(other.mRowCount, 0)),
      mPosition(std::exchange(other.mPosition, 0)), mNewRow(std::exchange(other.mNewRow, -1)),
      mNewRowAssigned(std::move(other.mNewRowAssigned))
{
}

Recordset& Recordset::operator=(Recordset&& other) noexcept
{
    if (this != &other) {
        mConnection = other.mConnection;
        mSource = std::move(other.mSource);
        mParameters = std::move(other.mParameters);
        mTable = std::move(other.mTable);
        mOpen = std::exchange(other.mOpen, false);
        mRecordsAffected = std::exchange(other.mRecordsAffected, -1);
        mColumns = std::move(other.mColumns);
        mColumnIndex = std::move(other.mColumnIndex);
        mCells = std::move(other.mCells);
        mRowCount = std::exchange(other.mRowCount, 0);
        mPosition = std::exchange(other.mPosition, 0);
        mNewRow = std::exchange(other.mNewRow, -1);
        mNewRowAssigned = std::move(other.mNewRowAssigned);
    }
    return *this;
}

void Recordset::setActiveConnection(const Connection& connection)
{
    if (mOpen)
        throwLayerError(DatabaseErrorNumber::ObjectOpen,
                        QStringLiteral("The record set is open; close it first."));
    mConnection = connection;
}

void Recordset::setSource(const QString& source)
{
    if (mOpen)
        throwLayerError(DatabaseErrorNumber::ObjectOpen,
                        QStringLiteral("The record set is open; close it first."));
    mSource = source;
}

void Recordset::setParameters(const QVariantList& parameters)
{
    mParameters = parameters;
}

void Recordset::Open()
{
    if (mOpen)
        throwLayerError(DatabaseErrorNumber::ObjectOpen,
                        QStringLiteral("The record set is already open."));
    // An insert is never sent twice: had the server stored the row and only its answer been
    // lost, a second run would store it again. So a lost connection is found (and opened
    // again) before an insert is sent, and a failure while it runs stands.
    static const QRegularExpression insert(QStringLiteral("^\\s*insert\\b"),
                                           QRegularExpression::CaseInsensitiveOption);
    if (mConnection.IsServer() && insert.match(mSource).hasMatch()) {
        mConnection.recoverLostConnection();
        try {
            run();
        } catch (const KestrelError& error) {
            // In a transaction nothing was stored: the failure stands as it is.
            if (mConnection.inTransaction() || !mConnection.isLost())
                throw;
            throw KestrelError(
                error.number(), error.source(),
                QStringLiteral("The connection to the catalogue database %1 was lost while "
                               "the program was being stored: %2 The server may have stored it "
                               "or not; look for it in the list before adding it again.")
                    .arg(mConnection.serverDescription(), error.description().trimmed()));
        }
        return;
    }
    try {
        run();
    } catch (const KestrelError&) {
        // The server ended the session between two operations: once more, on a new one.
        if (!mConnection.recoverLostConnection())
            throw;
        run();
    }
}

void Recordset::run()
{
    QSqlDatabase db = databaseOf(mConnection);
    QSqlQuery own(db);
    own.setForwardOnly(true);
    // The server prepares only reads and writes; a statement without values (the schema's,
    // a transaction's) runs as it is. Prepared ones are kept for the next run, except
    // through a transaction pooler.
    const bool direct =
        mConnection.IsServer() && (mParameters.isEmpty() || mConnection.transactionPooled());
    QSqlError error;
    QSqlQuery* prepared = nullptr;
    if (direct) {
        if (!runAsText(own, mSource, mParameters, mConnection))
            error = own.lastError();
    } else {
        prepared = mConnection.preparedStatement(mSource, error);
    }
    QSqlQuery& query = prepared ? *prepared : own;
    // A Source that is not a statement but a bare name opens that whole table.
    bool table = false;
    if (error.isValid()) {
        const QString name = mSource.trimmed();
        if (!isTableName(name))
            throwEngineError(error, mConnection);
        table = true;
        execute(own, QStringLiteral("SELECT * FROM %1").arg(quotedIdentifier(name)), {},
                mConnection);
    } else if (prepared) {
        bindAndRun(*prepared, mParameters, mConnection);
    }
    mRecordsAffected = -1;
    if (!query.isSelect()) {
        mRecordsAffected = query.numRowsAffected();
        query.finish();
        return;
    }

    QStringList columns;
    QHash<QString, qsizetype> index;
    const QSqlRecord record = query.record();
    for (int i = 0; i < record.count(); ++i) {
        columns.append(record.fieldName(i));
        index.insert(record.fieldName(i), i);
        index.insert(record.fieldName(i).toLower(), i);
    }
    QVariantList cells;
    qsizetype rowCount = 0;
    while (query.next()) {
        for (int i = 0; i < columns.size(); ++i)
            cells.append(query.value(i));
        ++rowCount;
    }
    const QSqlError readError = query.lastError();
    query.finish();
    if (readError.isValid())
        throwEngineError(readError, mConnection);

    mTable = table ? mSource.trimmed() : QString();
    mColumns = std::move(columns);
    mColumnIndex = std::move(index);
    mCells = std::move(cells);
    mRowCount = rowCount;
    mPosition = 0;
    mNewRow = -1;
    mOpen = true;
}

void Recordset::requireOpen() const
{
    if (!mOpen)
        throwLayerError(DatabaseErrorNumber::ObjectClosed,
                        QStringLiteral("The record set is closed."));
}

qsizetype Recordset::columnIndex(const QString& name) const
{
    // Callers nearly always spell the column as the database does; only other spellings
    // pay for the case folding.
    auto it = mColumnIndex.constFind(name);
    if (it == mColumnIndex.constEnd())
        it = mColumnIndex.constFind(name.toLower());
    if (it == mColumnIndex.constEnd())
        throwLayerError(DatabaseErrorNumber::ItemNotFound,
                        QStringLiteral("The record set has no column named \"%1\".").arg(name));
    return it.value();
}

qint32 Recordset::RecordCount() const
{
    requireOpen();
    return qint32(mRowCount);
}

QVariant Recordset::Fields(const QString& name) const
{
    requireOpen();
    const qsizetype column = columnIndex(name);
    if (mPosition < 0 || mPosition >= mRowCount)
        throwLayerError(DatabaseErrorNumber::NoCurrentRecord,
                        QStringLiteral("There is no current row (the record set is at its end)."));
    return mCells.at(cellIndex(mPosition, column));
}

QStringList Recordset::FieldNames() const
{
    requireOpen();
    return mColumns;
}

void Recordset::MoveFirst()
{
    requireOpen();
    mPosition = 0;
}

void Recordset::MoveNext()
{
    requireOpen();
    if (mPosition >= mRowCount)
        throwLayerError(DatabaseErrorNumber::NoCurrentRecord,
                        QStringLiteral("Cannot move past the end of the record set."));
    ++mPosition;
}

bool Recordset::Eof() const
{
    requireOpen();
    return mPosition >= mRowCount;
}

void Recordset::AddNew()
{
    requireOpen();
    if (mTable.isEmpty())
        throwLayerError(DatabaseErrorNumber::ObjectOpen,
                        QStringLiteral("Only a record set opened on a table can add rows."));
    cancelNew();
    mCells.resize(mCells.size() + mColumns.size());
    mNewRow = mRowCount++;
    mNewRowAssigned = QList<bool>(mColumns.size(), false);
    mPosition = mNewRow;
}

void Recordset::setCollect(const QString& name, const QVariant& value)
{
    requireOpen();
    const qsizetype column = columnIndex(name);
    if (mPosition < 0 || mPosition >= mRowCount)
        throwLayerError(DatabaseErrorNumber::NoCurrentRecord,
                        QStringLiteral("There is no current row to change."));
    if (mPosition != mNewRow)
        throwLayerError(DatabaseErrorNumber::ObjectOpen,
                        QStringLiteral("Only a row made with AddNew can be changed."));
    mCells[cellIndex(mPosition, column)] = value;
    mNewRowAssigned[column] = true;
}

void Recordset::Update()
{
    requireOpen();
    if (mNewRow < 0)
        return;
    QStringList names;
    QStringList marks;
    QVariantList values;
    for (qsizetype i = 0; i < mColumns.size(); ++i) {
        if (!mNewRowAssigned.at(i))
            continue;
        names.append(quotedIdentifier(mColumns.at(i)));
        marks.append(QStringLiteral("?"));
        values.append(mCells.at(cellIndex(mNewRow, i)));
    }
    const QString table = quotedIdentifier(mTable);
    const QString statement = names.isEmpty()
                                  ? QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(table)
                                  : QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                                        .arg(table, names.join(u','), marks.join(u','));
    QVariant rowId;
    try {
        QSqlDatabase db = databaseOf(mConnection);
        QSqlQuery insert(db);
        execute(insert, statement, values, mConnection);
        // The server has no rowid, and its last value belongs to the session.
        if (!mConnection.IsServer())
            rowId = insert.lastInsertId();
        insert.finish();
    } catch (...) {
        cancelNew();
        throw;
    }

    // Read the row back so that the record set shows what the database stored. The row
    // is in the database already, so a failure here only leaves the values as set.
    const qsizetype row = mNewRow;
    mNewRow = -1;
    if (!rowId.isValid())
        return;
    QSqlQuery reread(QSqlDatabase::database(mConnection.connectionName(), false));
    reread.setForwardOnly(true);
    if (reread.prepare(QStringLiteral("SELECT * FROM %1 WHERE rowid = ?").arg(table))) {
        reread.addBindValue(rowId);
        if (reread.exec() && reread.next()) {
            for (qsizetype i = 0; i < mColumns.size(); ++i)
                mCells[cellIndex(row, i)] = reread.value(int(i));
        }
    }
    reread.finish();
}

void Recordset::cancelNew()
{
    if (mNewRow < 0)
        return;
    mCells.remove(cellIndex(mNewRow, 0), mColumns.size());
    --mRowCount;
    mNewRow = -1;
    if (mPosition > mRowCount)
        mPosition = mRowCount;
}

void Recordset::Close()
{
    mOpen = false;
    mCells.clear();
    mRowCount = 0;
    mColumns.clear();
    mColumnIndex.clear();
    mPosition = 0;
    mNewRow = -1;
    mNewRowAssigned.clear();
}
