#pragma once

#include <QString>
#include <QStringList>
#include <QTest>

// The catalogue engines a test runs on, and a fresh empty catalogue on each. The server is
// the one scripts/test starts, or a developer's own: KESTREL_TEST_POSTGRESQL holds a URI
// to a database on it whose role may create databases. Each catalogue on the server is a
// database of its own, dropped when the object goes.
namespace testdb {

inline const QString Sqlite = QStringLiteral("sqlite");
inline const QString Postgresql = QStringLiteral("postgresql");

// The server's URI, or empty when there is none; why tells what went wrong then.
QString serverUri(QString* why = nullptr);
// The URI of another database on the test server, or on the server of uri.
QString serverDatabaseUri(const QString& database, const QString& uri = serverUri());
// The location with the query item key set to value (replacing any).
QString withQuery(const QString& uri, const QString& key, const QString& value);
// Runs a control command of the test server's parts (pg_ctl, the pooler's script) with
// its arguments; its exit code, or -1 when it did not end within 90 s.
int runControl(const QString& command, const QStringList& arguments);
// Data rows per engine. The engine is the first column, "engine"; rows are tagged
// "<engine>: <tag>", so init() can tell the engine by the tag (engineOfRow).
inline void engineColumn()
{
    QTest::addColumn<QString>("engine");
}
template <typename... V> void addRows(const char* tag, const V&... values)
{
    for (const QString& engine : {Sqlite, Postgresql})
        ((QTest::addRow("%s: %s", qPrintable(engine), tag) << engine) << ... << values);
}
// Just the engine column and one row per engine.
inline void addEngineRows()
{
    engineColumn();
    for (const QString& engine : {Sqlite, Postgresql})
        QTest::addRow("%s", qPrintable(engine)) << engine;
}
// The engine of the current row by its tag; SQLite for a test without engine rows.
inline QString engineOfRow()
{
    const char* tag = QTest::currentDataTag();
    return tag && QByteArray(tag).startsWith(Postgresql.toLatin1()) ? Postgresql : Sqlite;
}

class Catalogue
{
public:
    // An empty catalogue on engine: a file in folder, or a new database on the server.
    // Fails the process when it cannot be made.
    Catalogue(const QString& engine, const QString& folder);
    ~Catalogue();
    Catalogue(const Catalogue&) = delete;
    Catalogue& operator=(const Catalogue&) = delete;

    QString location() const { return mLocation; }
    bool server() const { return !mDatabase.isEmpty(); }
    QString database() const { return mDatabase; }

private:
    QString mLocation;
    QString mDatabase; // on the server
};

} // namespace testdb

// A test's engine row on the server skips when no server runs, or fails under CI (CI=true),
// where the server must be there.
#define REQUIRE_ENGINE(engine)                                                                     \
    do {                                                                                           \
        QString why;                                                                               \
        if ((engine) == testdb::Postgresql && testdb::serverUri(&why).isEmpty()) {                 \
            if (qgetenv("CI") == "true")                                                           \
                QFAIL(qPrintable("no PostgreSQL server for the tests: " + why));                   \
            QSKIP(qPrintable("no PostgreSQL server for the tests: " + why));                       \
        }                                                                                          \
    } while (false)

// The value of a variable that scripts/test sets; skips without it, or fails under CI unless
// it is set but empty (a pass that leaves that part out on purpose).
#define REQUIRE_PART(value, name)                                                                  \
    const QString value = qEnvironmentVariable(name);                                              \
    if (value.isEmpty()) {                                                                         \
        if (qgetenv("CI") == "true" && !qEnvironmentVariableIsSet(name))                           \
            QFAIL(name " is not set: the test server's part did not start");                       \
        QSKIP(name " is not set (scripts/test sets it)");                                          \
    }
