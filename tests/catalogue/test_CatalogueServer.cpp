#include "catalogue/CatalogueFile.h"
#include "catalogue/clsDBRoutines.h"
#include "tests/support/Sql.h"
#include "tests/support/TestFiles.h"
#include "tests/support/TestMain.h"
#include "tests/support/TestServer.h"

#include <QDeadlineTimer>
#include <QProcess>
#include <QUrl>
#include <QUrlQuery>

// The catalogue on a server that fails; scripts/lib/test-server.sh starts the parts it needs.

class test_CatalogueServer : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> mDir;
    std::unique_ptr<testdb::Catalogue> mCatalogue;
    QString mUri;

private slots:
    void init()
    {
        REQUIRE_ENGINE(testdb::Postgresql);
        mDir = std::make_unique<QTemporaryDir>();
        mCatalogue = std::make_unique<testdb::Catalogue>(testdb::Postgresql, mDir->path());
        mUri = mCatalogue->location();
        sql(mUri, "INSERT INTO Program (Program_Name, Program_Path) VALUES ('Alpha', '/a')");
    }
    void cleanup() { mCatalogue.reset(); }

    // Credentials come from the client library's password file; a wrong or missing one is
    // the server's answer, naming the server, never the password, at once.
    void passwords()
    {
        REQUIRE_PART(role, "KESTREL_TEST_POSTGRESQL_PASSWORD_ROLE");
        sql(testdb::serverUri(), "DO $$BEGIN CREATE ROLE " + role +
                                     " LOGIN; EXCEPTION WHEN duplicate_object THEN NULL; END$$");
        sql(testdb::serverUri(), "ALTER ROLE " + role + " PASSWORD 'Right-0ne'");
        sql(mUri, "GRANT SELECT ON Program, Program_Options TO " + role);
        const QString server =
            QString("(host %1, port 5432, database %2): ")
                .arg(QUrlQuery(QUrl(mUri)).queryItemValue("host"), mCatalogue->database());
        // The password file's line; what the launcher reads, or its error.
        for (const auto& [line, said] : std::initializer_list<std::pair<QString, QString>>{
                 {"*:*:*:kestrel_password:Right-0ne", "/a"},
                 {"*:*:*:kestrel_password:wr0ng-s3cret",
                  "password authentication failed for user \"kestrel_password\""},
                 {"", "no password supplied"}}) {
            const QString file = mDir->filePath("pgpass");
            writeFile(file, line.toUtf8() + '\n');
            QVERIFY(QFile::setPermissions(file, QFile::ReadOwner | QFile::WriteOwner));
            const ScopedEnvironment environment{{"PGPASSFILE", QFile::encodeName(file)}};
            const QDeadlineTimer deadline(5000);
            QString path;
            const QString error = errorOf([&] {
                path = clsDBRoutines({testdb::withQuery(mUri, "user", role), true})
                           .getProgramPath("alpha");
            });
            QVERIFY(!deadline.hasExpired());
            QVERIFY2(said == "/a" ? error.isEmpty() && path == said
                                  : error.contains("|PostgreSQL|") && error.contains(server) &&
                                        error.contains(said) && !error.contains("s3cret"),
                     qPrintable(error + path));
        }
    }

    // On a hot standby the launcher reads as on the server itself; the administrator's
    // writes fail with the server's words.
    void readOnlyStandby()
    {
        REQUIRE_PART(standby, "KESTREL_TEST_POSTGRESQL_STANDBY");
        const QString uri = testdb::serverDatabaseUri(mCatalogue->database(), standby);
        // The standby replays the new database and its row in a moment.
        int seen = 0;
        const auto read = [&] { seen = clsDBRoutines({uri, true}).loadPrograms().RecordCount(); };
        QTRY_VERIFY_WITH_TIMEOUT(!caught(read) && seen == 1, 30000);

        clsDBRoutines admin({uri});
        QVERIFY(!admin.addProgram("Beta", {}, "/b", {}));
        QCOMPARE(admin.lastWriteError()->description(),
                 "cannot execute INSERT in a read-only transaction");
        QVERIFY(!admin.updateProgram("Alpha", "Alpha", "changed", "/a", {}) &&
                !admin.deleteProgram("Alpha"));
        QVERIFY2(admin.lastWriteFailure().contains("cannot execute DELETE in a read-only "
                                                   "transaction"),
                 qPrintable(admin.lastWriteFailure()));
    }

    // The table locked: a read waits the lock wait (none while the launcher's list must show) and
    // fails as busy in the server's words (the launcher says it waits); unlocked, it reads again.
    void lockWaitAndBusy()
    {
        // The lock wait in seconds; the least and most milliseconds the read may take.
        for (const auto& [lockWait, atLeastMs, atMostMs] :
             {std::array{1, 900, 5000}, {0, 0, 900}}) {
            clsDBRoutines launcher({mUri, true});
            Connection holder;
            holder.setConnectionString(mUri);
            holder.Open();
            holder.BeginTrans();
            Recordset lock(holder);
            lock.setSource("LOCK TABLE Program IN ACCESS EXCLUSIVE MODE");
            lock.Open();
            launcher.setLockWait(lockWait);
            const qint64 start = QDeadlineTimer::current().deadline();
            const auto failure = caught([&] { launcher.loadPrograms(); });
            const qint64 waited = QDeadlineTimer::current().deadline() - start;
            holder.RollbackTrans();
            QVERIFY2(failure && isCatalogueBusy(*failure) &&
                         failure->description().contains("lock timeout"),
                     failure ? qPrintable(failure->description()) : "no failure");
            QVERIFY2(waited >= atLeastMs && waited <= atMostMs,
                     qPrintable(QString("%1 ms with a wait of %2 s").arg(waited).arg(lockWait)));
            QCOMPARE(launcher.loadPrograms().RecordCount(), 1);
        }
    }

    // The server stops while an add waits in its trigger, its row in: the add fails once (never
    // sent again) saying the connection was lost, leaves no row; the next add reconnects silently.
    void serverStopsDuringAnAdd()
    {
        REQUIRE_PART(spare, "KESTREL_TEST_POSTGRESQL_SPARE");
        REQUIRE_PART(control, "KESTREL_TEST_POSTGRESQL_SPARE_CTL");
        const QString database = mCatalogue->database();
        sql(spare, "CREATE DATABASE " + database);
        const QString uri = testdb::serverDatabaseUri(database, spare);
        const auto restart = qScopeGuard([&] {
            if (testdb::runControl(control, {"status"}) != 0)
                testdb::runControl(control, {"start"});
            sql(spare, "DROP DATABASE IF EXISTS " + database + " WITH (FORCE)");
        });
        createCatalogue(uri);
        sql(uri, "CREATE FUNCTION stall() RETURNS trigger LANGUAGE plpgsql AS "
                 "$$BEGIN PERFORM pg_sleep(60); RETURN NULL; END$$");
        sql(uri, "CREATE TRIGGER stall AFTER INSERT ON Program FOR EACH ROW EXECUTE FUNCTION "
                 "stall()");
        clsDBRoutines admin({uri});
        QProcess stopper; // once the add sleeps in the trigger
        stopper.start("bash", {"-c",
                               "until psql \"$1\" -tAc \"SELECT 1 FROM pg_stat_activity WHERE "
                               "wait_event = 'PgSleep'\" | grep -q 1; do sleep 0.1; done; "
                               "\"$2\" stop -m immediate",
                               "stopper", uri, control});
        QVERIFY(stopper.waitForStarted());
        const QDeadlineTimer deadline(30000);
        QVERIFY(!admin.addProgram("Half", "d", "/h", {}));
        QVERIFY(!deadline.hasExpired());
        QVERIFY(stopper.waitForFinished(30000) && stopper.exitCode() == 0);
        const QString lost = admin.lastWriteError()->description();
        QVERIFY2(lost.contains("was lost while the program was being stored") &&
                     lost.contains("database " + database + ")"),
                 qPrintable(lost));

        QCOMPARE(testdb::runControl(control, {"start"}), 0);
        sql(uri, "DROP TRIGGER stall ON Program");
        QVERIFY(admin.addProgram("Whole", "d", "/w", {}));
        QCOMPARE(sql(uri, "SELECT Program_Path FROM Program"), QVariantList{"/w"});
    }
};

KESTREL_TEST_GUILESS_MAIN(test_CatalogueServer)
#include "test_CatalogueServer.moc"
