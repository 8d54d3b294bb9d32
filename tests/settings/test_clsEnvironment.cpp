#include "settings/clsEnvironment.h"
#include "tests/support/TestMain.h"

#include "tests/support/FolderLockHolder.h"
#include "tests/support/TestFiles.h"

#include <QDir>
#include <QElapsedTimer>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <optional>
#include <sys/stat.h>

class TestClsEnvironment : public QObject
{
    Q_OBJECT
    std::unique_ptr<QTemporaryDir> mDir; // a fresh installation for each test
    QString at(const QString& name) const { return mDir->filePath(name); }

private slots:
    void init()
    {
        mDir = std::make_unique<QTemporaryDir>();
        QVERIFY(QDir(mDir->path()).mkpath("data") && QDir(mDir->path()).mkpath("icons"));
        writeFile(at("data/Kestrel.mdb"), "db");
        writeFile(at("Default.ico"), "ico");
    }

    void invalidWritesRaise() // number|source|description, spelled as the callers expect
    {
        clsEnvironment env(mDir->path());
        const QString dialog =
            "5111|Kestrel.clsEnvrionment|Invalid Path Sent to Default Dialog %1 Path Property";
        QCOMPARE(errorOf([&] { env.setDatabasePath(at("data")); }),
                 "5000|Kestrel.clsEnvironment|Invalid Path sent to property");
        QCOMPARE(errorOf([&] { env.setDefaultIcon(at("icons")); }),
                 "5111|Kestrel.clsEnvironment|Invalid Path Sent to Icon Property");
        QCOMPARE(errorOf([&] { env.setDefaultDialogIconPath(at("Default.ico")); }),
                 dialog.arg("Icon"));
        QCOMPARE(errorOf([&] { env.setDefaultDialogDatabasePath(at("data/Kestrel.mdb")); }),
                 dialog.arg("Database"));
        QCOMPARE(errorOf([&] { env.setNumberofClicks(0); }),
                 "501112|Kestrel.clsEnviroment|Invalid Number Of Clicks Sent to property. Has to "
                 "be greater than 0");
    }

    void loadCreatesTheDefaultsThenLoadsThem()
    {
        QFile::remove(at("Default.ico"));
        clsEnvironment env(mDir->path());
        // Whatever missing file is named, the seven defaults go to the program folder's file,
        // in order; they are loaded, and the missing icon makes the load answer false.
        QVERIFY(!env.loadSettings(at("elsewhere/Other.ini")));
        const QByteArray f = mDir->path().toUtf8();
        QCOMPARE(readFile(at("Kestrel.ini")),
                 "[Database]\nDatabasePath=" + f +
                     "/data/Kestrel.mdb\n[General]\nRequireLogin=0\n" +
                     "ShowToolbar=0\nNumberOfClicks=2\nDefaultIcon=" + f + "/Default.ico\n" +
                     "DefaultDialogIconPath=" + f + "/icons\nDefaultDialogDBPath=" + f + "/data\n");
        writeFile(at("Default.ico"), "ico");
        QVERIFY(env.loadSettings(" " + at("Kestrel.ini") + " ") && env.NumberofClicks() == 2);

        // ...but never over settings that are already there.
        const QByteArray mine = "[Database]\nDatabasePath=" + at("Default.ico").toUtf8();
        writeFile(at("Kestrel.ini"), mine);
        env.loadSettings(at("elsewhere/Other.ini"));
        QCOMPARE(readFile(at("Kestrel.ini")), mine);
        QCOMPARE(env.DatabasePath(), at("Default.ico"));
        // Such a hand-written file loads what it has and names each missing key with the
        // line to add; the load still fails, and the default icon stays unset.
        clsEnvironment hand(mDir->path());
        QVERIFY(!hand.loadSettings(at("Kestrel.ini")) && hand.DefaultIcon().isEmpty());
        const QString problem = hand.LoadProblem();
        QVERIFY2(problem.count(" is missing") == 3 &&
                     problem.contains("DefaultIcon is missing (the installation's own: "
                                      "DefaultIcon=" +
                                      at("Default.ico") + ')'),
                 qPrintable(problem));
    }

    void partialLoads_data()
    {
        QTest::addColumn<QString>("line"); // put first in its section, so that it wins
        QTest::addColumn<bool>("ok");
        QTest::addColumn<int>("clicks"); // 2 was loaded before
        QTest::addColumn<int>("refresh");
        QTest::addRow("complete, 3 clicks") << QString("NumberOfClicks=3") << true << 3 << 0;
        QTest::addRow("clicks 0") << QString("NumberOfClicks=0") << false << 2 << 0;
        QTest::addRow("clicks overflow") << QString("NumberOfClicks=70000") << false << 2 << 0;
        QTest::addRow("blank icon") << QString("DefaultIcon=") << false << 2 << 0;
        QTest::addRow("database file missing")
            << QString("DatabasePath=/none/x.mdb") << false << 2 << 0;
        // An optional key: whatever it holds, the load stands.
        QTest::addRow("refresh 60") << QString("RefreshSeconds= 60 ") << true << 2 << 60;
        QTest::addRow("refresh with a unit") << QString("RefreshSeconds=60s") << true << 2 << 0;
    }
    void partialLoads()
    {
        QFETCH(QString, line);
        clsEnvironment env(mDir->path());
        QVERIFY(env.loadSettings(at("Kestrel.ini")));
        QByteArray site = readFile(at("Kestrel.ini")).replace("/data\n", "/icons\n"); // dialog DB
        const QByteArray header = line.startsWith("Database") ? "[Database]\n" : "[General]\n";
        writeFile(at("Site.ini"), site.replace(header, header + line.toUtf8() + "\n"));
        QTEST(env.loadSettings(at("Site.ini")), "ok");
        QTEST(int(env.NumberofClicks()), "clicks");
        QTEST(int(env.RefreshSeconds()), "refresh");
        // A failing step keeps the earlier value; the last step still runs.
        QCOMPARE(env.DefaultIcon(), at("Default.ico"));
        QCOMPARE(env.DatabasePath(), at("data/Kestrel.mdb"));
        QCOMPARE(env.DefaultDialogDatabasePath(), at("icons"));
    }

    void saveRewritesFourEntriesAndLeavesThree()
    {
        const QString ini = at("Kestrel.ini");
        const QByteArray site =
            "; site\n[Database]\nDatabasePath=%1\n[General]\nDefaultIcon=/c.ico\n"
            "RequireLogin=%2\nShowToolbar=%3\nDefaultDialogIconPath=/i\n"
            "NumberOfClicks=%4\nDefaultDialogDBPath=/d\n";
        writeFile(ini, QString(site).arg("old.mdb", "0", "1", "2").toUtf8());
        clsEnvironment env(mDir->path());
        QVERIFY(env.saveSettings(" " + ini + " ", " new path.mdb", true, false, 0));
        const QByteArray saved = QString(site).arg(" new path.mdb", "1", "0", "0").toUtf8();
        QCOMPARE(readFile(ini), saved);
        // A missing file is refused with nothing written; so is a read-only one.
        QVERIFY(!env.saveSettings(at("New.ini"), "db", true, true, 2) &&
                !QFile::exists(at("New.ini")));
        SKIP_UNLESS_PERMISSIONS_APPLY();
        QVERIFY(QFile::setPermissions(ini, QFile::ReadOwner));
        QVERIFY(!env.saveSettings(ini, "b.mdb", true, true, 2));
        QCOMPARE(readFile(ini), saved);
    }

    // No settings file, and none can be made: the defaults are held (so the launcher works
    // from such a folder), the load answers false and says why. Another process's lock on
    // the folder is waited for once, a few seconds, not once per default (7 x 15 s).
    void loadWhereNoFileCanBeMadeHoldsTheDefaults_data()
    {
        QTest::addColumn<QString>("obstacle");
        QTest::addColumn<QString>("reason");
        QTest::addRow("read-only folder") << "read-only"
                                          << "does not exist and could not be created: this user "
                                             "may not write its folder";
        QTest::addRow("folder locked by another process")
            << "locked"
            << "another program holds its folder locked";
        QTest::addRow("a FIFO as the file") << "fifo"
                                            << "is a named pipe (FIFO), not a settings file";
    }
    void loadWhereNoFileCanBeMadeHoldsTheDefaults()
    {
        QFETCH(QString, obstacle);
        if (obstacle == "read-only") {
            SKIP_UNLESS_PERMISSIONS_APPLY();
        }
        std::optional<FolderLockHolder> holder;
        const auto writable = qScopeGuard(
            [this] { QFile::setPermissions(mDir->path(), QFile::Permissions(0x7700)); });
        if (obstacle == "locked")
            QVERIFY(holder.emplace(mDir->path()).locked());
        else if (obstacle == "fifo")
            QCOMPARE(::mkfifo(QFile::encodeName(at("Kestrel.ini")).constData(), 0600), 0);
        else
            QVERIFY(QFile::setPermissions(mDir->path(), QFile::Permissions(0x5500)));
        clsEnvironment env(mDir->path());
        QElapsedTimer clock;
        clock.start();
        const bool loaded = env.loadSettings(at("Kestrel.ini"));
        const qint64 took = clock.elapsed();
        QVERIFY(!loaded && !QFileInfo(at("Kestrel.ini")).isFile());
        QVERIFY2(took < 20000, qPrintable(QString::number(took)));
        QCOMPARE(env.DatabasePath(), at("data/Kestrel.mdb"));
        QCOMPARE(env.NumberofClicks(), 2);
        QCOMPARE(env.DefaultIcon(), at("Default.ico"));
        QCOMPARE(env.DefaultDialogIconPath(), at("icons"));
        QCOMPARE(env.DefaultDialogDatabasePath(), at("data"));
        QFETCH(QString, reason);
        QVERIFY2(env.LoadProblem().contains('"' + at("Kestrel.ini") + "\" ") &&
                     env.LoadProblem().contains(reason),
                 qPrintable(env.LoadProblem()));
    }

    // A relative location is taken from the settings file's folder, wherever the program
    // runs; absolute ones and server addresses stay as written.
    void relativeLocationsAreTakenFromTheSettingsFolder_data()
    {
        // The location as written and as loaded ("~": the installation folder; none loaded:
        // the load fails, naming the resolved path).
        textColumns({"database", "loaded"});
        textRow("relative", {"data/Kestrel.mdb", "~/data/Kestrel.mdb"});
        textRow("dotted", {" ./icons/../data/Kestrel.mdb", "~/data/Kestrel.mdb"});
        textRow("absolute", {"~/data/Kestrel.mdb", "~/data/Kestrel.mdb"});
        textRow("server", {"postgresql://reader@db.example.org/kestrel",
                           "postgresql://reader@db.example.org/kestrel"});
        textRow("missing", {"data/none.mdb", ""});
    }
    void relativeLocationsAreTakenFromTheSettingsFolder()
    {
        QFETCH(QString, database);
        QFETCH(QString, loaded);
        writeFile(at("Kestrel.ini"),
                  "[Database]\nDatabasePath=" + database.replace('~', mDir->path()).toUtf8() +
                      "\n[General]\nDefaultIcon=Default.ico\n"
                      "DefaultDialogIconPath=icons/\nDefaultDialogDBPath=.\n");
        QTemporaryDir elsewhere;
        const auto back =
            qScopeGuard([started = QDir::currentPath()] { QDir::setCurrent(started); });
        QVERIFY(QDir::setCurrent(elsewhere.path()));
        clsEnvironment env(mDir->path());
        const bool ok = env.loadSettings(at("Kestrel.ini"));
        QVERIFY2(ok == !loaded.isEmpty(), qPrintable(env.LoadProblem()));
        QCOMPARE(env.DefaultIcon(), at("Default.ico"));
        QCOMPARE(env.DefaultDialogIconPath(), at("icons"));
        QCOMPARE(env.DefaultDialogDatabasePath(), mDir->path());
        if (ok)
            QCOMPARE(env.DatabasePath(), loaded.replace('~', mDir->path()));
        else
            QCOMPARE(env.LoadProblem(), "The settings file \"" + at("Kestrel.ini") +
                                            "\" cannot be used:\nDatabasePath \"" +
                                            at("data/none.mdb") + "\": there is no such file.");
    }
};

KESTREL_TEST_MAIN_AS_USER(TestClsEnvironment)
#include "test_clsEnvironment.moc"
