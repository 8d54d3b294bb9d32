#include "settings/clsEnvironment.h"

#include "platform/KestrelError.h"
#include "tests/settings/TestFiles.h"

#include <QDir>
#include <QTemporaryDir>

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

    void invalidWritesRaise()
    {
        clsEnvironment env(mDir->path());
        // Each refused write and its error: number|source|description.
        const QString db = "5000|Kestrel.clsEnvironment|Invalid Path sent to property";
        const QList<QPair<std::function<void()>, QString>> writes = {
            {[&] { env.setDatabasePath(at("data/none.mdb")); }, db},
            {[&] { env.setDatabasePath(at("data")); }, db},
            {[&] { env.setDefaultIcon(at("icons")); },
             "5111|Kestrel.clsEnvironment|Invalid Path Sent to Icon Property"},
            {[&] { env.setDefaultDialogIconPath(at("Default.ico")); },
             "5111|Kestrel.clsEnvrionment|Invalid Path Sent to Default Dialog Icon Path Property"},
            {[&] { env.setDefaultDialogDatabasePath(at("data/Kestrel.mdb")); },
             "5111|Kestrel.clsEnvrionment|Invalid Path Sent to Default Dialog Database Path "
             "Property"},
            {[&] { env.setNumberofClicks(0); },
             "501112|Kestrel.clsEnviroment|Invalid Number Of "
             "Clicks Sent to property. Has to be greater than 0"}};
        for (const auto& [write, error] : writes) {
            try {
                write();
                QFAIL(qPrintable("no error: " + error));
            } catch (const KestrelError& e) {
                QCOMPARE(QString::number(int(e.number())) + '|' + e.source() + '|' +
                             e.description(),
                         error);
            }
        }
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
        QVERIFY(env.loadSettings(" " + at("Kestrel.ini") + " "));
        QCOMPARE(env.DefaultIcon() + "|" + env.DefaultDialogIconPath(),
                 at("Default.ico") + "|" + at("icons"));
        QVERIFY(env.NumberofClicks() == 2 && !env.RequireLogin() && !env.ShowToolbar());

        // ...but never over settings that are already there.
        const QByteArray mine = "[Database]\nDatabasePath=" + at("Default.ico").toUtf8();
        writeFile(at("Kestrel.ini"), mine);
        env.loadSettings(at("elsewhere/Other.ini"));
        QCOMPARE(readFile(at("Kestrel.ini")), mine);
        QCOMPARE(env.DatabasePath(), at("Default.ico"));
    }

    void partialLoads_data()
    {
        QTest::addColumn<QString>("line"); // put first in its section, so that it wins
        QTest::addColumn<bool>("ok");
        QTest::addColumn<int>("clicks"); // 2 was loaded before
        const auto row = [](const char* name, const char* line, bool ok, int clicks) {
            QTest::addRow("%s", name) << line << ok << clicks;
        };
        row("complete, 3 clicks", "NumberOfClicks=3", true, 3);
        row("clicks 0", "NumberOfClicks=0", false, 2);
        row("clicks overflow", "NumberOfClicks=70000", false, 2);
        row("blank icon", "DefaultIcon=", false, 2);
        row("database file missing", "DatabasePath=/none/x.mdb", false, 2);
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
        // A failing step keeps the earlier value; the last step still runs.
        QVERIFY(env.DefaultIcon() == at("Default.ico") &&
                env.DatabasePath() == at("data/Kestrel.mdb"));
        QCOMPARE(env.DefaultDialogDatabasePath(), at("icons"));
    }

    void saveRewritesFourEntriesAndLeavesThree()
    {
        const QString ini = at("Kestrel.ini");
        writeFile(ini, "; site\n[Database]\nDatabasePath=old.mdb\n[General]\nDefaultIcon=/c.ico\n"
                       "RequireLogin=0\nShowToolbar=1\nDefaultDialogIconPath=/i\n"
                       "NumberOfClicks=2\nDefaultDialogDBPath=/d\n");
        clsEnvironment env(mDir->path());
        QVERIFY(env.saveSettings(" " + ini + " ", " new path.mdb", true, false, 0));
        const QByteArray saved =
            "; site\n[Database]\nDatabasePath= new path.mdb\n[General]\n"
            "DefaultIcon=/c.ico\nRequireLogin=1\nShowToolbar=0\n"
            "DefaultDialogIconPath=/i\nNumberOfClicks=0\nDefaultDialogDBPath=/d\n";
        QCOMPARE(readFile(ini), saved);
        // A missing file is refused with nothing written; so is a read-only one.
        QVERIFY(!env.saveSettings(at("New.ini"), "db", true, true, 2) &&
                !QFile::exists(at("New.ini")));
        QVERIFY(QFile::setPermissions(mDir->path(), QFile::Permissions(0x7777)));
        QVERIFY(QFile::setPermissions(ini, QFile::Permissions(0x4444)));
        QCOMPARE(withoutRootRights([&] { return env.saveSettings(ini, "b.mdb", true, true, 2); }),
                 0);
        QCOMPARE(readFile(ini), saved);
    }

    void loadInAReadOnlyFolderGivesUpAfterOneReload()
    {
        QVERIFY(QFile::setPermissions(mDir->path(), QFile::Permissions(0x5555)));
        clsEnvironment env(mDir->path());
        // The defaults cannot be written: one reload, then false, and nothing loaded.
        const int outcome = withoutRootRights([&] {
            const bool loaded = env.loadSettings(at("Kestrel.ini"));
            return loaded ? 1 : (env.DatabasePath().isEmpty() && env.NumberofClicks() == 0 ? 0 : 2);
        });
        QFile::setPermissions(mDir->path(), QFile::Permissions(0x7700));
        QCOMPARE(outcome, 0);
        QVERIFY(!QFile::exists(at("Kestrel.ini")));
    }
};

QTEST_GUILESS_MAIN(TestClsEnvironment)
#include "test_clsEnvironment.moc"
