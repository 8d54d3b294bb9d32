#include "catalogue/CatalogueFile.h"
#include "catalogue/clsDBRoutines.h"
#include "platform/KestrelError.h"
#include "settings/clsEnvironment.h"
#include "tests/catalogue/CatalogueFixture.h"
#include "tests/support/MessageBoxRecorder.h"

#include <QDate>
#include <QFile>
#include <QLocale>
#include <QSqlDatabase>
#include <QTemporaryDir>
#include <QTest>

using fixture::insertProgram;
using fixture::scalar;
using fixture::sql;

class test_clsDBRoutines : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void valueLookups_data();
    void valueLookups();
    void recordSetsKeepStoredValues();
    void recordSetsForNoMatch();
    void loadProgramsSortsWithoutCase();
    void loadProgramOptionsByKey();
    void conversionErrorsReachCaller_data();
    void conversionErrorsReachCaller();

    void addProgramTrimsAndDates();
    void addProgramFailureShowsMessage();
    void updateProgram_data();
    void updateProgram();
    void updateProgramRenamesEveryRow();
    void deleteProgram_data();
    void deleteProgram();
    void quotesAreJustCharacters_data();
    void quotesAreJustCharacters();

    void firstOperationOpensAndLaterReuse();
    void missingDatabaseFailsUntilItExists();
    void closedConnectionIsReplacedWithNewPath();
    void readOnlyConnection();

private:
    QString newCatalogue(const QString& name);
    void seed();

    std::unique_ptr<QTemporaryDir> mDir;
    QString mPath;
};

QString test_clsDBRoutines::newCatalogue(const QString& name)
{
    const QString path = mDir->filePath(name);
    createCatalogue(path);
    return path;
}

void test_clsDBRoutines::init()
{
    releaseDBRoutines();
    setCatalogueReadOnly(false);
    mDir = std::make_unique<QTemporaryDir>();
    QVERIFY(mDir->isValid());
    mPath = newCatalogue(QStringLiteral("Kestrel.mdb"));
    gEnvironment().setDatabasePath(mPath);
}

void test_clsDBRoutines::cleanup()
{
    releaseDBRoutines();
    setCatalogueReadOnly(false);
    QCOMPARE(QSqlDatabase::connectionNames(), QStringList());
}

// Rows as another tool might have left them: untrimmed stored values, every flag value,
// a duplicated name.
void test_clsDBRoutines::seed()
{
    insertProgram(mPath, QStringLiteral("Alpha"), QStringLiteral("  Alpha desc  "),
                  QStringLiteral(" /bin/alpha "), QStringLiteral("/icons/a.ico  "), 1,
                  QStringLiteral("05/06/2007"));
    insertProgram(mPath, QStringLiteral("Beta"), QStringLiteral("Beta desc"),
                  QStringLiteral("/bin/beta"), QString(""), 0);
    insertProgram(mPath, QStringLiteral("Gamma"), QStringLiteral("\tGamma desc"),
                  QStringLiteral("/bin/gamma"), QString(""), -1);
    insertProgram(mPath, QStringLiteral("Dup"), QStringLiteral("first"), QStringLiteral("/first"),
                  QStringLiteral("/one.ico"), 1);
    insertProgram(mPath, QStringLiteral("Dup"), QStringLiteral("second"), QStringLiteral("/second"),
                  QStringLiteral("/two.ico"), 0);
}

void test_clsDBRoutines::valueLookups_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("desc");
    QTest::addColumn<QString>("icon");
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("useDefault");
    QTest::addColumn<qint16>("key");

    QTest::addRow("exact") << "Alpha"
                           << "Alpha desc"
                           << "/icons/a.ico"
                           << "/bin/alpha" << true << qint16(1);
    QTest::addRow("spaces around") << "  Alpha "
                                   << "Alpha desc"
                                   << "/icons/a.ico"
                                   << "/bin/alpha" << true << qint16(1);
    QTest::addRow("other case") << "aLPHA"
                                << "Alpha desc"
                                << "/icons/a.ico"
                                << "/bin/alpha" << true << qint16(1);
    QTest::addRow("flag 0") << "Beta"
                            << "Beta desc"
                            << ""
                            << "/bin/beta" << false << qint16(2);
    QTest::addRow("flag -1, tab kept") << "Gamma"
                                       << "\tGamma desc"
                                       << ""
                                       << "/bin/gamma" << false << qint16(3);
    QTest::addRow("duplicate: first row") << "Dup"
                                          << "first"
                                          << "/one.ico"
                                          << "/first" << true << qint16(4);
    QTest::addRow("no match") << "Delta"
                              << ""
                              << ""
                              << "" << false << qint16(0);
    QTest::addRow("tab is not trimmed") << "Alpha\t"
                                        << ""
                                        << ""
                                        << "" << false << qint16(0);
    QTest::addRow("empty name") << ""
                                << ""
                                << ""
                                << "" << false << qint16(0);
}

void test_clsDBRoutines::valueLookups()
{
    QFETCH(QString, name);
    QFETCH(QString, desc);
    QFETCH(QString, icon);
    QFETCH(QString, path);
    QFETCH(bool, useDefault);
    QFETCH(qint16, key);
    seed();
    clsDBRoutines& db = gDBRoutines();
    QCOMPARE(db.getProgramDescription(name), desc);
    QCOMPARE(db.getCustomIconPath(name), icon);
    QCOMPARE(db.getProgramPath(name), path);
    QCOMPARE(db.UseDefaultIcon(name), useDefault);
    QCOMPARE(db.getProgramKey(name), key);
}

void test_clsDBRoutines::recordSetsKeepStoredValues()
{
    seed();
    Recordset program = gDBRoutines().loadProgram(QStringLiteral(" alpha "));
    QCOMPARE(program.RecordCount(), 1);
    QCOMPARE(program.Fields(QStringLiteral("Program_Name")).toString(), QStringLiteral("Alpha"));
    QCOMPARE(program.Fields(QStringLiteral("Program_Desc")).toString(),
             QStringLiteral("  Alpha desc  "));
    QCOMPARE(program.Fields(QStringLiteral("Program_Path")).toString(),
             QStringLiteral(" /bin/alpha "));
    QCOMPARE(program.Fields(QStringLiteral("Program_CustomIcon")).toString(),
             QStringLiteral("/icons/a.ico  "));
    QCOMPARE(program.Fields(QStringLiteral("Program_Key")).toInt(), 1);
    QCOMPARE(program.Fields(QStringLiteral("Program_UseDIcon")).toInt(), 1);

    Recordset properties = gDBRoutines().loadProperties(QStringLiteral("ALPHA"));
    QCOMPARE(properties.RecordCount(), 1);
    QCOMPARE(properties.FieldNames(),
             QStringList({"ProgramName", "ProgramPath", "AddedDate", "Icon"}));
    QCOMPARE(properties.Fields(QStringLiteral("ProgramPath")).toString(),
             QStringLiteral(" /bin/alpha "));
    QCOMPARE(properties.Fields(QStringLiteral("AddedDate")).toString(),
             QStringLiteral("05/06/2007"));
    QCOMPARE(properties.Fields(QStringLiteral("Icon")).toString(),
             QStringLiteral("/icons/a.ico  "));

    // Duplicates: both rows, in the order the database delivers them.
    Recordset dups = gDBRoutines().loadProperties(QStringLiteral("Dup"));
    QCOMPARE(dups.RecordCount(), 2);
    QStringList paths;
    for (dups.MoveFirst(); !dups.Eof(); dups.MoveNext())
        paths.append(dups.Fields(QStringLiteral("ProgramPath")).toString());
    QCOMPARE(paths, QStringList({"/first", "/second"}));
    QCOMPARE(gDBRoutines().loadProgram(QStringLiteral("Dup")).RecordCount(), 2);
}

void test_clsDBRoutines::recordSetsForNoMatch()
{
    Recordset empty = gDBRoutines().loadPrograms();
    QCOMPARE(empty.State(), Connection::adStateOpen);
    QCOMPARE(empty.RecordCount(), 0);
    QVERIFY(empty.Eof());

    seed();
    for (bool properties : {false, true}) {
        Recordset rs = properties ? gDBRoutines().loadProperties(QStringLiteral("Delta"))
                                  : gDBRoutines().loadProgram(QStringLiteral("Delta"));
        QCOMPARE(rs.State(), Connection::adStateOpen);
        QCOMPARE(rs.RecordCount(), 0);
        QVERIFY(rs.Eof());
        QVERIFY_THROWS_EXCEPTION(KestrelError, rs.Fields(QStringLiteral("Icon")));
    }
}

void test_clsDBRoutines::loadProgramsSortsWithoutCase()
{
    for (const char* name : {"beta", "Alpha", "gamma", "ALPHA2", "Beta 2"})
        insertProgram(mPath, QString::fromLatin1(name), {}, QStringLiteral("/p/") + name,
                      QStringLiteral("/i/") + name);
    Recordset rs = gDBRoutines().loadPrograms();
    QCOMPARE(rs.RecordCount(), 5);
    QCOMPARE(rs.FieldNames(), QStringList({"Program_Name", "Program_CustomIcon", "Program_Path"}));
    QStringList names;
    for (qint32 i = 0; i < rs.RecordCount(); ++i, rs.MoveNext())
        names.append(rs.Fields(QStringLiteral("Program_Name")).toString());
    QCOMPARE(names, QStringList({"Alpha", "ALPHA2", "beta", "Beta 2", "gamma"}));
    QVERIFY(rs.Eof());
    rs.MoveFirst();
    QCOMPARE(rs.Fields(QStringLiteral("program_path")).toString(), QStringLiteral("/p/Alpha"));
}

void test_clsDBRoutines::loadProgramOptionsByKey()
{
    seed();
    const QString insert = QStringLiteral(
        "INSERT INTO Program_Options (Program_Key, Program_Option_Use_OpenWith) VALUES (?, ?)");
    sql(mPath, insert, {2, 7});
    sql(mPath, insert, {0, 9});
    sql(mPath, insert, {0, 10});

    Recordset beta = gDBRoutines().LoadProgramOptions(QStringLiteral(" beta "));
    QCOMPARE(beta.FieldNames(), QStringList({"OpenWith"}));
    QCOMPARE(beta.RecordCount(), 1);
    QCOMPARE(beta.Fields(QStringLiteral("OpenWith")).toInt(), 7);
    QCOMPARE(gDBRoutines().LoadProgramOptions(QStringLiteral("Alpha")).RecordCount(), 0);
    // No program of that name: key 0, whose rows belong to nobody.
    QCOMPARE(gDBRoutines().LoadProgramOptions(QStringLiteral("Delta")).RecordCount(), 2);
}

void test_clsDBRoutines::conversionErrorsReachCaller_data()
{
    QTest::addColumn<QString>("update");
    QTest::addColumn<bool>("keyLookup");
    QTest::addColumn<qint32>("number");
    QTest::addRow("key above 32767")
        << "UPDATE Program SET Program_Key = 32768" << true << KestrelErrorNumber::Overflow;
    QTest::addRow("flag not a number") << "UPDATE Program SET Program_UseDIcon = 'yes'" << false
                                       << KestrelErrorNumber::TypeMismatch;
    QTest::addRow("flag too large")
        << "UPDATE Program SET Program_UseDIcon = 70000" << false << KestrelErrorNumber::Overflow;
}

void test_clsDBRoutines::conversionErrorsReachCaller()
{
    QFETCH(QString, update);
    QFETCH(bool, keyLookup);
    QFETCH(qint32, number);
    insertProgram(mPath, QStringLiteral("Alpha"), {}, {}, {});
    sql(mPath, update);
    try {
        if (keyLookup)
            gDBRoutines().getProgramKey(QStringLiteral("Alpha"));
        else
            gDBRoutines().UseDefaultIcon(QStringLiteral("Alpha"));
        QFAIL("no error");
    } catch (const KestrelError& error) {
        QCOMPARE(error.number(), number);
    }
}

void test_clsDBRoutines::addProgramTrimsAndDates()
{
    MessageBoxRecorder messages;
    QVERIFY(gDBRoutines().addProgram(QStringLiteral("  Editor  "), QStringLiteral(" Edits "),
                                     QStringLiteral(" /usr/bin/ed "), QString()));
    QVERIFY(gDBRoutines().addProgram(QStringLiteral("Editor"), QString(), QStringLiteral("/b"),
                                     QStringLiteral(" /i.ico ")));
    QVERIFY(messages.requests().isEmpty());

    Recordset rs = gDBRoutines().loadProgram(QStringLiteral("Editor"));
    QCOMPARE(rs.RecordCount(), 2);
    QCOMPARE(rs.Fields(QStringLiteral("Program_Name")).toString(), QStringLiteral("Editor"));
    QCOMPARE(rs.Fields(QStringLiteral("Program_Desc")).toString(), QStringLiteral("Edits"));
    QCOMPARE(rs.Fields(QStringLiteral("Program_Path")).toString(), QStringLiteral("/usr/bin/ed"));
    QCOMPARE(rs.Fields(QStringLiteral("Program_UseDIcon")).toInt(), 0);
    QCOMPARE(rs.Fields(QStringLiteral("Program_Added_Date")).toString(),
             QLocale::system().toString(QDate::currentDate(), QLocale::ShortFormat));
    rs.MoveNext();
    QCOMPARE(rs.Fields(QStringLiteral("Program_CustomIcon")).toString(), QStringLiteral("/i.ico"));
    // Empty arguments are stored as empty text, never as null.
    QCOMPARE(scalar(mPath, QStringLiteral("SELECT count(*) FROM Program WHERE Program_Desc = '' "
                                          "AND Program_CustomIcon = ''"))
                 .toInt(),
             0);
    QCOMPARE(scalar(mPath, QStringLiteral("SELECT count(*) FROM Program WHERE typeof(Program_Desc) "
                                          "= 'text' AND typeof(Program_CustomIcon) = 'text'"))
                 .toInt(),
             2);
}

void test_clsDBRoutines::addProgramFailureShowsMessage()
{
    // A rule of the database's own refuses the row: the message carries its description.
    sql(mPath, QStringLiteral("CREATE TRIGGER no_games BEFORE INSERT ON Program WHEN "
                              "NEW.Program_Name = 'Game' BEGIN SELECT RAISE(ABORT, 'no games "
                              "here'); END"));
    MessageBoxRecorder messages;
    QVERIFY(!gDBRoutines().addProgram(QStringLiteral("Game"), {}, QStringLiteral("/g"), {}));
    QCOMPARE(messages.requests().size(), 1);
    const platform::MsgRequest& request = messages.requests().first();
    QCOMPARE(request.text, QStringLiteral("no games here"));
    QCOMPARE(request.title, QStringLiteral("SQLite"));
    QCOMPARE(request.icon, platform::MsgIcon::Critical);
    QCOMPARE(request.buttons, platform::MsgButtons::Ok);
    QCOMPARE(scalar(mPath, QStringLiteral("SELECT count(*) FROM Program")).toInt(), 0);
    QVERIFY(gDBRoutines().addProgram(QStringLiteral("Chess"), {}, QStringLiteral("/c"), {}));
}

void test_clsDBRoutines::updateProgram_data()
{
    QTest::addColumn<QString>("oldName");
    QTest::addColumn<bool>("result");
    QTest::addColumn<QString>("nameAfter");
    QTest::addRow("stored name") << "Alpha" << true << "Omega";
    QTest::addRow("other case") << "ALPHA" << true << "Omega";
    QTest::addRow("old name not trimmed") << " Alpha" << false << "Alpha";
    QTest::addRow("deleted meanwhile") << "Delta" << false << "Alpha";
}

void test_clsDBRoutines::updateProgram()
{
    QFETCH(QString, oldName);
    QFETCH(QString, nameAfter);
    QFETCH(bool, result);
    seed();
    QCOMPARE(gDBRoutines().updateProgram(
                 oldName, QStringLiteral(" Omega "), QStringLiteral(" new desc "),
                 QStringLiteral(" /bin/omega "), QStringLiteral(" /o.ico ")),
             result);
    Recordset rs = gDBRoutines().loadProgram(nameAfter);
    QCOMPARE(rs.RecordCount(), 1);
    QCOMPARE(rs.Fields(QStringLiteral("Program_Key")).toInt(), 1);
    QCOMPARE(rs.Fields(QStringLiteral("Program_Added_Date")).toString(),
             QStringLiteral("05/06/2007"));
    if (nameAfter == QStringLiteral("Omega")) {
        QCOMPARE(rs.Fields(QStringLiteral("Program_Name")).toString(), QStringLiteral("Omega"));
        QCOMPARE(rs.Fields(QStringLiteral("Program_Desc")).toString(),
                 QStringLiteral(" new desc "));
        QCOMPARE(rs.Fields(QStringLiteral("Program_Path")).toString(),
                 QStringLiteral("/bin/omega"));
        QCOMPARE(rs.Fields(QStringLiteral("Program_CustomIcon")).toString(),
                 QStringLiteral(" /o.ico "));
        QCOMPARE(gDBRoutines().getProgramPath(QStringLiteral("Alpha")), QString());
    } else {
        QCOMPARE(rs.Fields(QStringLiteral("Program_Desc")).toString(),
                 QStringLiteral("  Alpha desc  "));
    }
    QCOMPARE(scalar(mPath, QStringLiteral("SELECT count(*) FROM Program")).toInt(), 5);
}

void test_clsDBRoutines::updateProgramRenamesEveryRow()
{
    seed();
    QVERIFY(gDBRoutines().updateProgram(QStringLiteral("Dup"), QStringLiteral("Twin"), {}, {}, {}));
    QCOMPARE(gDBRoutines().loadProgram(QStringLiteral("Twin")).RecordCount(), 2);
    QCOMPARE(gDBRoutines().loadProgram(QStringLiteral("Dup")).RecordCount(), 0);
    // A null description is stored as empty text.
    QCOMPARE(scalar(mPath, QStringLiteral("SELECT count(*) FROM Program WHERE Program_Desc = ''"))
                 .toInt(),
             2);
}

void test_clsDBRoutines::deleteProgram_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("remaining");
    QTest::addRow("stored name") << "Alpha" << 4;
    QTest::addRow("other case") << "alpha" << 4;
    QTest::addRow("every duplicate") << "Dup" << 3;
    QTest::addRow("space before: not trimmed") << " Alpha" << 5;
    QTest::addRow("space after: not trimmed") << "Alpha " << 5;
    QTest::addRow("no such program") << "Delta" << 5;
}

void test_clsDBRoutines::deleteProgram()
{
    QFETCH(QString, name);
    QFETCH(int, remaining);
    seed();
    sql(mPath, QStringLiteral("INSERT INTO Program_Options VALUES (1, 1)"));
    QVERIFY(gDBRoutines().deleteProgram(name));
    QCOMPARE(gDBRoutines().loadPrograms().RecordCount(), remaining);
    QCOMPARE(scalar(mPath, QStringLiteral("SELECT count(*) FROM Program_Options")).toInt(), 1);
}

void test_clsDBRoutines::quotesAreJustCharacters_data()
{
    QTest::addColumn<QString>("name");
    QTest::addRow("O'Brien") << "O'Brien";
    QTest::addRow("a'b'c") << "a'b'c";
    QTest::addRow("statement") << "x'; DROP TABLE Program; --";
    QTest::addRow("always true") << "a' OR '1'='1";
}

void test_clsDBRoutines::quotesAreJustCharacters()
{
    QFETCH(QString, name);
    const QStringList tablesBefore = fixture::tables(mPath);
    insertProgram(mPath, QStringLiteral("Bystander"), {}, QStringLiteral("/b"), {});
    clsDBRoutines& db = gDBRoutines();

    QVERIFY(db.addProgram(name, name, QStringLiteral("/p/") + name, name));
    QCOMPARE(db.getProgramPath(name), QStringLiteral("/p/") + name);
    QCOMPARE(db.getProgramDescription(name), name);
    QCOMPARE(db.getCustomIconPath(name), name);
    QCOMPARE(db.loadProgram(name).RecordCount(), 1);
    QCOMPARE(db.loadProperties(name).RecordCount(), 1);
    QCOMPARE(db.getProgramKey(name), qint16(2));
    QCOMPARE(db.LoadProgramOptions(name).RecordCount(), 0);

    const QString renamed = name + QStringLiteral("'2");
    QVERIFY(db.updateProgram(name, renamed, name, QStringLiteral("/q"), name));
    QCOMPARE(db.getProgramPath(name), QString());
    QCOMPARE(db.getProgramPath(renamed), QStringLiteral("/q"));
    QVERIFY(db.deleteProgram(renamed));
    QCOMPARE(db.getProgramPath(renamed), QString());

    QCOMPARE(fixture::tables(mPath), tablesBefore);
    QCOMPARE(db.getProgramPath(QStringLiteral("Bystander")), QStringLiteral("/b"));
    QCOMPARE(db.loadPrograms().RecordCount(), 1);
}

void test_clsDBRoutines::firstOperationOpensAndLaterReuse()
{
    QCOMPARE(QSqlDatabase::connectionNames().size(), 0);
    insertProgram(mPath, QStringLiteral("Alpha"), {}, QStringLiteral("/a"), {});
    QCOMPARE(gDBRoutines().getProgramPath(QStringLiteral("Alpha")), QStringLiteral("/a"));
    const QStringList opened = QSqlDatabase::connectionNames();
    QCOMPARE(opened.size(), 1);
    QVERIFY(gDBRoutines().addProgram(QStringLiteral("Beta"), {}, {}, {}));
    QVERIFY(gDBRoutines().deleteProgram(QStringLiteral("Beta")));
    gDBRoutines().loadPrograms();
    QCOMPARE(QSqlDatabase::connectionNames(), opened);
    releaseDBRoutines();
    QCOMPARE(QSqlDatabase::connectionNames().size(), 0);
}

void test_clsDBRoutines::missingDatabaseFailsUntilItExists()
{
    QVERIFY(QFile::remove(mPath));
    try {
        gDBRoutines();
        QFAIL("opened a missing database");
    } catch (const KestrelError& error) {
        QCOMPARE(error.number(), 14);
        QVERIFY2(error.description().contains(mPath), qPrintable(error.description()));
    }
    QVERIFY(!QFile::exists(mPath));
    QVERIFY_THROWS_EXCEPTION(KestrelError, gDBRoutines().loadPrograms());
    QVERIFY(!QFile::exists(mPath));

    createCatalogue(mPath);
    insertProgram(mPath, QStringLiteral("Alpha"), {}, QStringLiteral("/a"), {});
    QCOMPARE(gDBRoutines().getProgramPath(QStringLiteral("Alpha")), QStringLiteral("/a"));
}

void test_clsDBRoutines::closedConnectionIsReplacedWithNewPath()
{
    insertProgram(mPath, QStringLiteral("Alpha"), {}, QStringLiteral("/first/a"), {});
    const QString second = newCatalogue(QStringLiteral("Second.mdb"));
    insertProgram(second, QStringLiteral("Alpha"), {}, QStringLiteral("/second/a"), {});

    Recordset rs = gDBRoutines().loadPrograms();
    // A new path alone changes nothing while the connection is open.
    gEnvironment().setDatabasePath(second);
    QCOMPARE(gDBRoutines().getProgramPath(QStringLiteral("Alpha")), QStringLiteral("/first/a"));

    rs.ActiveConnection().Close();
    QCOMPARE(gDBRoutines().getProgramPath(QStringLiteral("Alpha")), QStringLiteral("/second/a"));
    QCOMPARE(QSqlDatabase::connectionNames().size(), 1);
    // The record set read before keeps its rows.
    QCOMPARE(rs.RecordCount(), 1);
}

void test_clsDBRoutines::readOnlyConnection()
{
    seed();
    const QString folder = mDir->path();
    QFile::setPermissions(mPath, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner);
    const auto restore = qScopeGuard([&] {
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    });
    const auto before = fixture::snapshot(folder);

    setCatalogueReadOnly(true);
    MessageBoxRecorder messages;
    clsDBRoutines& db = gDBRoutines();
    QCOMPARE(db.loadPrograms().RecordCount(), 5);
    QCOMPARE(db.getProgramPath(QStringLiteral("Beta")), QStringLiteral("/bin/beta"));
    QCOMPARE(db.loadProperties(QStringLiteral("Dup")).RecordCount(), 2);
    // A read-only connection refuses writes even where the file system would allow them.
    QVERIFY(!db.deleteProgram(QStringLiteral("Beta")));
    QVERIFY(!db.updateProgram(QStringLiteral("Beta"), QStringLiteral("B"), {}, {}, {}));
    QVERIFY(!db.addProgram(QStringLiteral("New"), {}, {}, {}));
    QCOMPARE(messages.requests().size(), 1);
    QCOMPARE(messages.requests().first().icon, platform::MsgIcon::Critical);
    QVERIFY(!messages.requests().first().text.isEmpty());
    releaseDBRoutines();
    QCOMPARE(fixture::snapshot(folder), before);
}

QTEST_GUILESS_MAIN(test_clsDBRoutines)
#include "test_clsDBRoutines.moc"
