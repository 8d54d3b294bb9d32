#include "catalogue/CatalogueFile.h"
#include "catalogue/clsDBRoutines.h"
#include "platform/database/SqlScript.h"
#include "tests/support/Sql.h"
#include "tests/support/TestFiles.h"
#include "tests/support/TestMain.h"
#include "tests/support/TestServer.h"

#include <QDate>
#include <QDeadlineTimer>
#include <QLocale>
#include <QProcess>
#include <QSqlDatabase>
#include <algorithm>
#include <vector>

class test_clsDBRoutines : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> mDir;
    std::unique_ptr<testdb::Catalogue> mCatalogue;
    QString mPath; // of the test's catalogue: a file, or a URI on the test server
    static inline const QString Hostile = "O'Brien'; DROP TABLE Program; --";

    void seed() // rows as another tool might leave them: untrimmed, every flag, quotes, twins
    {
        sql(mPath, "INSERT INTO Program (Program_Name, Program_Desc, Program_Path, "
                   "Program_CustomIcon, Program_UseDIcon, Program_Added_Date) VALUES "
                   "('Alpha', '  desc  ', ' /bin/alpha ', '/a.ico  ', 1, '05/06/2007'), "
                   "('beta', 'Beta desc', '/bin/beta', '', 0, '1/2/2003'), "
                   "('O''Brien''; DROP TABLE Program; --', '\tQuoted', '/bin/q', '', -1, "
                   "'1/2/2003'), ('Dup', 'first', '/first', '/one.ico', 1, '1/2/2003'), "
                   "('Dup', 'second', '/second', '/two.ico', 0, '1/2/2003')");
    }
    int count(QString t = "Program") { return sql(mPath, "SELECT count(*) FROM " + t)[0].toInt(); }
    static QString rows(Recordset&& rs) // fields joined by "|", rows by " / "
    {
        QStringList all;
        for (rs.MoveFirst(); !rs.Eof(); rs.MoveNext()) {
            QStringList row;
            for (const QString& name : rs.FieldNames())
                row.append(rs.Fields(name).toString());
            all.append(row.join(u'|'));
        }
        return all.join(" / ");
    }

    bool server() const { return mCatalogue && mCatalogue->server(); }

private slots:
    // An engine error: a number of the file engine's kind (never -1), the text's lines unindented.
    void engineErrorsAsTheUserSeesThem()
    {
        for (const auto& [code, text, said] : std::initializer_list<std::array<const char*, 3>>{
                 {"", "failed: refused\n\tIs it running?\n", "14|failed: refused\nIs it running?"},
                 {"08006", "FATAL:  terminating", "14|terminating"},
                 {"22P02", "ERROR:  invalid input", "1|invalid input"}}) {
            const KestrelError error =
                databaseError(QSqlError("driver", text, QSqlError::ConnectionError, code));
            QCOMPARE(QString::number(error.number()) + '|' + error.description(), QString(said));
        }
    }

    // A schema splits where the engine ends a statement: never in quotes, comments or bodies.
    void statementsSplit()
    {
        for (const auto& [script, statements] :
             std::initializer_list<std::pair<QString, QStringList>>{
                 {"a;\n b ;c", {"a", "b", "c"}},
                 {"-- x;\na; /* y; */ -- z", {"a"}}, // comments dropped between
                 {"i 'x;''y'; s \"a;b\" `c;` [d;];e", {"i 'x;''y'", "s \"a;b\" `c;` [d;]", "e"}},
                 {"a /* ; */ b; c -- ;\n d", {"a /* ; */ b", "c -- ;\n d"}}, // one inside kept
                 {"CREATE TEMP TRIGGER t BEFORE INSERT ON p BEGIN SELECT 1; UPDATE q SET a = CASE "
                  "WHEN 1 THEN 2 END; END; x",
                  {"CREATE TEMP TRIGGER t BEFORE INSERT ON p BEGIN SELECT 1; UPDATE q SET a = "
                   "CASE WHEN 1 THEN 2 END; END",
                   "x"}},
                 {"create trigger t after insert on p execute function f(); x",
                  {"create trigger t after insert on p execute function f()", "x"}},
                 {"f AS $$ a; $b$ $$; g AS $q$ $$; $q$; $1; h$i$; j",
                  {"f AS $$ a; $b$ $$", "g AS $q$ $$; $q$", "$1", "h$i$", "j"}},
                 {"a 'b; c", {"a 'b; c"}}, // an unterminated quote ends the script
                 {" -- only\n;;", {}}})
            QCOMPARE(splitSqlStatements(script), statements);
    }

    void init()
    {
        mDir = std::make_unique<QTemporaryDir>();
        const QString engine = testdb::engineOfRow();
        REQUIRE_ENGINE(engine);
        mCatalogue = std::make_unique<testdb::Catalogue>(engine, mDir->path());
        mPath = mCatalogue->location();
    }
    void cleanup()
    {
        mCatalogue.reset();
        QCOMPARE(QSqlDatabase::connectionNames(), QStringList()); // every connection closed
        QFile::setPermissions(mDir->path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    void recordsAndDeletes_data() { testdb::addEngineRows(); }
    void recordsAndDeletes()
    {
        seed();
        sql(mPath, "INSERT INTO Program_Options VALUES (2, 7), (0, 9)");
        clsDBRoutines db({mPath});
        // Names trimmed and matched in any letter case; the first of twins; a tab is no blank.
        for (const auto& [name, values] : std::initializer_list<std::pair<QString, QString>>{
                 {"Alpha", "desc|/a.ico|/bin/alpha|1|1"},
                 {" aLPHA  ", "desc|/a.ico|/bin/alpha|1|1"},
                 {"BETA", "Beta desc||/bin/beta|0|2"},
                 {Hostile, "\tQuoted||/bin/q|0|3"},
                 {"Dup", "first|/one.ico|/first|1|4"},
                 {"Delta", "|||0|0"},
                 {"Alpha\t", "|||0|0"}})
            QCOMPARE(QStringList({db.getProgramDescription(name), db.getCustomIconPath(name),
                                  db.getProgramPath(name), QString::number(db.UseDefaultIcon(name)),
                                  QString::number(db.getProgramKey(name))}),
                     values.split('|'));
        // Stored values come back untrimmed; duplicates give every row, in stored order.
        QCOMPARE(rows(db.loadProgram(" alpha ")),
                 "1|Alpha|  desc  | /bin/alpha |/a.ico  |1|05/06/2007");
        QCOMPARE(rows(db.loadProperties("DUP")),
                 "Dup|/first|1/2/2003|/one.ico / Dup|/second|1/2/2003|/two.ico");
        QCOMPARE(rows(db.loadPrograms()), "Alpha|/a.ico  | /bin/alpha  / beta||/bin/beta / Dup|"
                                          "/one.ico|/first / Dup|/two.ico|/second / " +
                                              Hostile + "||/bin/q");
        QCOMPARE(rows(db.loadProgram("x")) + rows(db.loadProperties("x")), "");
        // Options by the program's key; a name without a program has key 0, and its rows.
        QCOMPARE(rows(db.LoadProgramOptions(" Beta ")) + rows(db.LoadProgramOptions("x")), "79");
        sql(mPath, "UPDATE Program SET Program_Key = 32768 WHERE Program_Key = 2");
        QCOMPARE(errorOf([&] { db.getProgramKey("beta"); }),
                 "6|Kestrel.clsDBRoutines|Overflow"); // not a wrapped number
        // Deletes match untrimmed, in any case, every duplicate; options rows stay.
        for (const auto& [name, left] :
             {std::pair(QString("Alpha "), 5), {"aLPHA", 4}, {Hostile.toUpper(), 3}, {"Dup", 1}})
            QVERIFY(db.deleteProgram(name) && count() == left);
        QCOMPARE(count("Program_Options"), 2);
    }

    void addProgram_data() { testdb::addEngineRows(); }
    void addProgram()
    {
        for (const QString& statement : splitSqlStatements(
                 server() ? "CREATE FUNCTION refuse() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN "
                            "IF NEW.Program_Name = 'Game' THEN RAISE 'no games here'; END IF; "
                            "RETURN NEW; END $$; CREATE TRIGGER refuse BEFORE INSERT ON Program "
                            "FOR EACH ROW EXECUTE FUNCTION refuse()"
                          : "CREATE TRIGGER refuse BEFORE INSERT ON Program WHEN NEW.Program_Name "
                            "= 'Game' BEGIN SELECT RAISE(ABORT, 'no games here'); END"))
            sql(mPath, statement);
        clsDBRoutines db({mPath});
        QVERIFY(db.addProgram("  a'b'c  ", " Edits ", " /usr/bin/ed ", " /i.ico "));
        QVERIFY(db.addProgram("A'B'C", QString(), "/b", QString()));
        const QString date = QLocale::system().toString(QDate::currentDate(), QLocale::ShortFormat);
        QCOMPARE(rows(db.loadProgram("a'b'c")),
                 "1|a'b'c|Edits|/usr/bin/ed|/i.ico|0|" + date + " / 2|A'B'C||/b||0|" + date);
        // Its failure, kept for the add dialog's box: the database's description and source.
        QVERIFY(!db.addProgram("Game", {}, "/g", {}));
        QCOMPARE(db.lastWriteError()->description(), "no games here");
        QCOMPARE(db.lastWriteError()->source(), server() ? "PostgreSQL" : "SQLite");
        QCOMPARE(count(), 2);
        // A key written explicitly (as a copy does) is kept; later keys follow it, never reused.
        sql(mPath, "INSERT INTO Program (Program_Key, Program_Name) VALUES (40, 'Forty')");
        QVERIFY(db.addProgram("Next", {}, "/n", {}) && db.deleteProgram("Next"));
        QVERIFY(db.addProgram("After", {}, "/a", {}));
        QCOMPARE(int(db.getProgramKey("After")), 42);
    }

    // The old name is matched untrimmed, in any case, every duplicate; only name and path are
    // stored trimmed; the key, the flag and the date added stay.
    void updateProgram_data() { testdb::addEngineRows(); }
    void updateProgram()
    {
        seed();
        clsDBRoutines db({mPath});
        const auto update = [&](const QString& old) {
            return db.updateProgram(old, " Omega ", " new desc ", " /bin/omega ", " /o.ico ");
        };
        QVERIFY(!update(" Alpha") && !update("Delta")); // Delta: a name deleted meanwhile
        QCOMPARE(rows(db.loadProgram("Alpha")),
                 "1|Alpha|  desc  | /bin/alpha |/a.ico  |1|05/06/2007");
        QVERIFY(update("ALPHA") && update(Hostile) && update("Dup"));
        const QString edit = "|Omega| new desc |/bin/omega| /o.ico |";
        QCOMPARE(rows(db.loadProgram("Omega")), "1" + edit + "1|05/06/2007 / 3" + edit +
                                                    "-1|1/2/2003 / 4" + edit + "1|1/2/2003 / 5" +
                                                    edit + "0|1/2/2003");
        QCOMPARE(count(), 5);
    }

    // Sessions ended by the server or a pooler restart reopen once, silently; a launcher's refuses
    // writes whatever its role may; a writer and a launcher sharing a pooled one mind nothing left.
    void serverSessions_data()
    {
        const auto row = columns<QString, QString>({"engine", "between"});
        for (const QByteArray between : {"end", "restart", "writer"})
            row("postgresql: " + between, testdb::Postgresql, between);
    }
    void serverSessions()
    {
        QFETCH(QString, between);
        // The server's own database holds no catalogue: a launcher says so at once.
        const QString none = errorOf([] { clsDBRoutines db({testdb::serverUri(), true}); });
        QVERIFY2(none.contains("\": it holds no catalogue (relation \"program\" does not exist)"),
                 qPrintable(none));
        sql(mPath, "INSERT INTO Program (Program_Name, Program_Path) VALUES ('Alpha', '/a')");
        QString location = mPath, control; // a pooler of its own to restart
        if (between == "restart") {
            REQUIRE_PART(spare, "KESTREL_TEST_POOLER_SPARE");
            REQUIRE_PART(command, "KESTREL_TEST_POOLER_SPARE_CTL");
            location = testdb::serverDatabaseUri(mCatalogue->database(), spare);
            control = command;
        }
        clsDBRoutines db({location});
        clsDBRoutines launcher({location, true});
        QCOMPARE(db.getProgramPath("Alpha") + launcher.getProgramPath("alpha"), "/a/a");
        Connection writer;
        if (between == "end") {
            sql(testdb::serverUri(),
                "SELECT pg_terminate_backend(pid, 10000) FROM pg_stat_activity WHERE datname = ?",
                {mCatalogue->database()});
        } else if (between == "restart") {
            QCOMPARE(testdb::runControl(control, {"restart"}), 0);
        } else {
            writer.setConnectionString(mPath);
            writer.Open();
            writer.BeginTrans();
            Recordset held(writer);
            held.setSource("INSERT INTO Program (Program_Name, Program_Path) VALUES (?, ?)");
            held.setParameters({"Held", "/h"});
            held.Open();
        }
        QCOMPARE(launcher.getProgramPath("Alpha"), "/a");
        QVERIFY(!launcher.addProgram("Gamma", {}, "/g", {}) && !launcher.deleteProgram("Alpha"));
        QVERIFY2(launcher.lastWriteFailure().contains("read-only transaction"),
                 qPrintable(launcher.lastWriteFailure()));
        if (writer.inTransaction())
            writer.CommitTrans();
        QVERIFY(db.addProgram("Beta", {}, "/b", {}));
        QCOMPARE(launcher.getProgramPath("beta"), "/b");
        QCOMPARE(count(), between == "writer" ? 3 : 2);
    }

    void connectionLife()
    {
        sql(mPath, "INSERT INTO Program (Program_Name, Program_Path) VALUES ('Alpha', '/first')");
        clsDBRoutines db({mPath}, clsDBRoutines::OnFirstStatement);
        // The first operation opens the connection; the others reuse it.
        QVERIFY(QSqlDatabase::connectionNames().isEmpty());
        Recordset before = db.loadPrograms();
        const QStringList opened = QSqlDatabase::connectionNames();
        QCOMPARE(opened.size(), 1);
        QCOMPARE(db.getProgramPath("Alpha"), "/first");
        QCOMPARE(QSqlDatabase::connectionNames(), opened);
        // Closed underneath: reopened; a file gone fails until it is back, and is never made.
        before.ActiveConnection().Close();
        const QString away = mDir->filePath("away.mdb");
        QVERIFY(QFile::rename(mPath, away));
        const QString missing = errorOf([&] { db.loadPrograms(); });
        QVERIFY2(missing.startsWith("14|") && missing.contains(mPath), qPrintable(missing));
        QCOMPARE(QDir(mDir->path()).entryList(QDir::Files), QStringList{"away.mdb"});
        QVERIFY(QFile::rename(away, mPath));
        QCOMPARE(db.getProgramPath("Alpha"), "/first");
    }

    // Reads fail naming the file (at open) or with the driver's error (at the first statement);
    // writes answer false; nothing changes. All read-only; the launcher's folder too.
    void badFiles_data()
    {
        // content "catalogue" is made so; errors of reading (none: it works), and of writing
        const auto row = columns<QByteArray, bool, QStringList>({"content", "launcher", "errors"});
        row("not a database", "[Database]\n" + QByteArray(4096, '\x9c'), false, {"bad.mdb"});
        row("empty file: no tables", "", false,
            {"bad.mdb\": it holds no catalogue (no such table: Program)"});
        row("catalogue, read-write", "catalogue", false, {"", "readonly"});
        row("catalogue, launcher", "catalogue", true, {"", "readonly"});
    }
    void badFiles()
    {
        auto [content, launcher, errors] =
            fetch<QByteArray, bool, QStringList>({"content", "launcher", "errors"});
        const QString file = mDir->filePath("bad.mdb");
        if (content == "catalogue") {
            SKIP_UNLESS_PERMISSIONS_APPLY();
            createCatalogue(file);
        } else
            writeFile(file, content);
        QVERIFY(QFile::setPermissions(file, QFile::ReadOwner));
        QVERIFY(!launcher ||
                QFile::setPermissions(mDir->path(), QFile::ReadOwner | QFile::ExeOwner));
        const CatalogueLocation location{file, launcher};
        const auto before = snapshot(mDir->path());
        const QString read = errorOf([&] { clsDBRoutines(location).loadPrograms(); });
        QVERIFY2(errors[0].isEmpty() ? read.isEmpty() : read.contains(errors[0]), qPrintable(read));
        if (errors.size() > 1) { // the file opens
            clsDBRoutines db(location);
            QVERIFY(!db.addProgram("a", {}, "/a", {}));
            QVERIFY2(db.lastWriteFailure().contains(errors[1]), qPrintable(db.lastWriteFailure()));
            QVERIFY(!db.updateProgram("a", "b", {}, {}, {}) && !db.deleteProgram("a"));
        }
        QCOMPARE(snapshot(mDir->path()), before);
    }

    // Launchers (this program again; a room's on a server) read while this administrator adds
    // and deletes: every write works; no read fails, sees half a program or misses a later write.
    void readersAndAWriter_data() { testdb::addEngineRows(); }
    void readersAndAWriter()
    {
        clsDBRoutines writer({mPath});
        clsDBRoutines launcher({mPath, true});
        QCOMPARE(launcher.loadPrograms().RecordCount(), 0);
        for (int i = 0; i < 20; ++i)
            QVERIFY(writer.addProgram(QString("P%1").arg(i), "d", QString("/p/P%1").arg(i),
                                      QString("P%1.png").arg(i)));
        std::vector<QProcess> readers(server() ? 50 : 3);
        for (QProcess& reader : readers)
            reader.start(QCoreApplication::applicationFilePath(), {"--reader", mPath});
        const QDeadlineTimer deadline(120000);
        const auto running = [](const QProcess& p) { return p.state() != QProcess::NotRunning; };
        for (int round = 1; std::ranges::any_of(readers, running); ++round) {
            QVERIFY2(!deadline.hasExpired(), "the readers did not finish in two minutes");
            const QString name = QString("W%1").arg(round);
            QVERIFY(writer.addProgram(name, "d", "/p/" + name, name + ".png") &&
                    writer.deleteProgram(name));
            QTest::qWait(2); // and a moment without a write
        }
        for (QProcess& reader : readers)
            QCOMPARE(reader.exitStatus() == QProcess::NormalExit ? reader.readAll() : "crashed",
                     "ok\n");
        QCOMPARE(launcher.getProgramPath("p19"), "/p/P19");
    }
};

// As a launcher: its own read-only connection, the list read whole several times.
static int readAsALauncher(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QString error = errorOf([location = QString::fromLocal8Bit(argv[2])] {
        clsDBRoutines db({location, true});
        for (int i = 0; i < 10; ++i) {
            Recordset rs = db.loadPrograms();
            if (rs.RecordCount() < 20)
                throw KestrelError(-1, "reader", "programs missing");
            for (; !rs.Eof(); rs.MoveNext()) {
                const QString name = rs.Fields("Program_Name").toString();
                if (rs.Fields("Program_Path").toString() != "/p/" + name ||
                    rs.Fields("Program_CustomIcon").toString() != name + ".png")
                    throw KestrelError(-1, "reader", "half a program: " + name);
            }
        }
    });
    QTextStream(stdout) << (error.isEmpty() ? "ok" : error) << Qt::endl;
    return 0;
}

KESTREL_TEST_MAIN_WITH(QCoreApplication, test_clsDBRoutines,
                       if (const auto copied = asuser::dropRoot(argv)) return *copied;
                       if (argv[1] == QByteArray("--reader")) return readAsALauncher(argc, argv);)
#include "test_clsDBRoutines.moc"
