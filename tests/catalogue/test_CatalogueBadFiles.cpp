#include "catalogue/CatalogueFile.h"
#include "catalogue/clsDBRoutines.h"
#include "platform/KestrelError.h"
#include "platform/database/Connection.h"
#include "platform/database/Recordset.h"
#include "settings/clsEnvironment.h"
#include "tests/catalogue/CatalogueFixture.h"
#include "tests/support/MessageBoxRecorder.h"

#include <QFile>
#include <QRandomGenerator>
#include <QSqlDatabase>
#include <QTemporaryDir>
#include <QTest>
#include <unistd.h>

// What the catalogue does with files that are not catalogues, and the access layer's
// own rules for record sets.
class test_CatalogueBadFiles : public QObject
{
    Q_OBJECT

private slots:
    void cleanup();
    void badFiles_data();
    void badFiles();
    void readOnlyFileThroughReadWriteOpener();
    void openerNeverCreates_data();
    void openerNeverCreates();
    void recordsetRules();
    void createCatalogueRefusesExistingFile();
};

void test_CatalogueBadFiles::cleanup()
{
    releaseDBRoutines();
    setCatalogueReadOnly(false);
}

void test_CatalogueBadFiles::badFiles_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("failsAtOpen");

    QByteArray random(4096, '\0');
    QRandomGenerator generator(42);
    for (char& byte : random)
        byte = char(generator.bounded(256));
    QTest::addRow("random bytes") << random << "file" << true;
    QTest::addRow("text file") << QByteArray("[Database]\nDatabasePath=x\n") << "file" << true;
    QTest::addRow("truncated catalogue") << QByteArray() << "truncated" << true;
    QTest::addRow("SQLite without the tables") << QByteArray() << "no tables" << false;
    QTest::addRow("empty file") << QByteArray() << "file" << false;
}

void test_CatalogueBadFiles::badFiles()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, kind);
    QFETCH(bool, failsAtOpen);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Kestrel.mdb"));
    if (kind == QStringLiteral("no tables")) {
        fixture::sql(path, QStringLiteral("CREATE TABLE Other (a)"));
    } else if (kind == QStringLiteral("truncated")) {
        createCatalogue(path);
        QFile file(path);
        QVERIFY(file.resize(file.size() / 2 + 100));
    } else {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
    }
    gEnvironment().setDatabasePath(path);
    const auto before = fixture::snapshot(dir.path());

    try {
        gDBRoutines().loadPrograms();
        QFAIL("read a bad file");
    } catch (const KestrelError& error) {
        QVERIFY(error.number() > 0);
        QVERIFY(!error.description().isEmpty());
        QCOMPARE(error.description().contains(path), failsAtOpen);
        if (!failsAtOpen)
            QVERIFY2(error.description().contains(QStringLiteral("no such table")),
                     qPrintable(error.description()));
    }
    if (!failsAtOpen) {
        MessageBoxRecorder messages;
        clsDBRoutines& db = gDBRoutines();
        QVERIFY_THROWS_EXCEPTION(KestrelError, db.getProgramPath(QStringLiteral("a")));
        QVERIFY(!db.addProgram(QStringLiteral("a"), {}, QStringLiteral("/a"), {}));
        QVERIFY(!db.updateProgram(QStringLiteral("a"), QStringLiteral("b"), {}, {}, {}));
        QVERIFY(!db.deleteProgram(QStringLiteral("a")));
        QCOMPARE(messages.requests().size(), 1);
        QVERIFY(messages.requests().first().text.contains(QStringLiteral("no such table")));
        releaseDBRoutines();
    }
    QCOMPARE(fixture::snapshot(dir.path()), before);
}

void test_CatalogueBadFiles::readOnlyFileThroughReadWriteOpener()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Kestrel.mdb"));
    createCatalogue(path);
    fixture::insertProgram(path, QStringLiteral("Alpha"), {}, QStringLiteral("/a"), {});
    QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
    if (::geteuid() == 0)
        QSKIP("the file system lets root write a read-only file");
    gEnvironment().setDatabasePath(path);
    const auto before = fixture::snapshot(dir.path());

    MessageBoxRecorder messages;
    clsDBRoutines& db = gDBRoutines();
    QCOMPARE(db.getProgramPath(QStringLiteral("Alpha")), QStringLiteral("/a"));
    QVERIFY(!db.addProgram(QStringLiteral("Beta"), {}, QStringLiteral("/b"), {}));
    QVERIFY(!db.updateProgram(QStringLiteral("Alpha"), QStringLiteral("B"), {}, {}, {}));
    QVERIFY(!db.deleteProgram(QStringLiteral("Alpha")));
    QCOMPARE(messages.requests().size(), 1);
    QVERIFY2(messages.requests().first().text.contains(QStringLiteral("readonly")),
             qPrintable(messages.requests().first().text));
    releaseDBRoutines();
    QCOMPARE(fixture::snapshot(dir.path()), before);
}

void test_CatalogueBadFiles::openerNeverCreates_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("readOnly");
    QTest::addRow("missing, read-write") << "Kestrel.mdb" << false;
    QTest::addRow("missing, read-only") << "Kestrel.mdb" << true;
    QTest::addRow("URI characters") << "a?mode=rwc#b%20c.mdb" << false;
    QTest::addRow("missing folder") << "nowhere/Kestrel.mdb" << false;
    QTest::addRow("empty path") << "" << false;
    QTest::addRow("a folder") << "." << false;
}

void test_CatalogueBadFiles::openerNeverCreates()
{
    QFETCH(QString, name);
    QFETCH(bool, readOnly);
    QTemporaryDir dir;
    const QString path = name.isEmpty() ? QString() : dir.filePath(name);
    Connection connection;
    connection.setConnectionString(path);
    connection.setReadOnly(readOnly);
    try {
        connection.Open();
        QFAIL("opened");
    } catch (const KestrelError& error) {
        QVERIFY2(error.description().contains(QStringLiteral("\"%1\"").arg(path)),
                 qPrintable(error.description()));
        QVERIFY(error.number() != 0);
    }
    QCOMPARE(connection.State(), Connection::adStateClosed);
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());
    QCOMPARE(QSqlDatabase::connectionNames(), QStringList());
}

void test_CatalogueBadFiles::recordsetRules()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("c.mdb"));
    createCatalogue(path);
    Connection connection;
    connection.setConnectionString(path);
    connection.Open();

    Recordset rs(connection);
    QVERIFY_THROWS_EXCEPTION(KestrelError, rs.RecordCount()); // not open yet
    rs.setSource(QStringLiteral("Program"));
    rs.Open();
    QCOMPARE(rs.RecordCount(), 0);
    QVERIFY(rs.Eof());
    QVERIFY_THROWS_EXCEPTION(KestrelError, rs.MoveNext());
    QVERIFY_THROWS_EXCEPTION(KestrelError, rs.setSource(QStringLiteral("x")));

    // A row added through the table comes back with the key the database gave it.
    rs.AddNew();
    rs.setCollect(QStringLiteral("program_name"), QStringLiteral("Alpha"));
    QVERIFY_THROWS_EXCEPTION(KestrelError, rs.setCollect(QStringLiteral("NoSuchColumn"), 1));
    rs.Update();
    QCOMPARE(rs.RecordCount(), 1);
    QCOMPARE(rs.Fields(QStringLiteral("Program_Key")).toInt(), 1);
    QCOMPARE(rs.Fields(QStringLiteral("Program_Desc")).toString(), QStringLiteral(""));
    QVERIFY_THROWS_EXCEPTION(KestrelError, rs.Fields(QStringLiteral("NoSuchColumn")));
    rs.Close();
    QCOMPARE(rs.State(), Connection::adStateClosed);
    QVERIFY_THROWS_EXCEPTION(KestrelError, rs.Fields(QStringLiteral("Program_Key")));

    // A statement that changes rows leaves the record set closed and counts the rows.
    Recordset change(connection);
    change.setSource(QStringLiteral("Update Program Set Program_Desc = ? where Program_Name = ?"));
    change.setParameters({QStringLiteral("d"), QStringLiteral("ALPHA")});
    change.Open();
    QCOMPARE(change.State(), Connection::adStateClosed);
    QCOMPARE(change.RecordsAffected(), 1);

    // Several statements in one Source are refused, not run.
    Recordset two(connection);
    two.setSource(QStringLiteral("Delete from Program; Drop table Program"));
    QVERIFY_THROWS_EXCEPTION(KestrelError, two.Open());
    QCOMPARE(fixture::scalar(path, QStringLiteral("SELECT count(*) FROM Program")).toInt(), 1);

    connection.Close();
    Recordset late(connection);
    late.setSource(QStringLiteral("Program"));
    QVERIFY_THROWS_EXCEPTION(KestrelError, late.Open());
    QCOMPARE(QSqlDatabase::connectionNames(), QStringList());
}

void test_CatalogueBadFiles::createCatalogueRefusesExistingFile()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Kestrel.mdb"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("keep me");
    file.close();
    QVERIFY_THROWS_EXCEPTION(KestrelError, createCatalogue(path));
    QVERIFY_THROWS_EXCEPTION(KestrelError,
                             createCatalogue(dir.filePath(QStringLiteral("no/x.mdb"))));
    QCOMPARE(fixture::snapshot(dir.path()).value(QStringLiteral("Kestrel.mdb")),
             QByteArray("keep me"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
             QStringList({"Kestrel.mdb"}));
}

QTEST_GUILESS_MAIN(test_CatalogueBadFiles)
#include "test_CatalogueBadFiles.moc"
