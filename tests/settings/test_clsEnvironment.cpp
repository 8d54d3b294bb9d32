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

    void invalidWritesRaise_data()
    {
        QTest::addColumn<int>("setter"); // database, icon, dialog icons, dialog database, clicks
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("error"); // number|source|description
        const auto row = [](const char* name, int setter, const char* value, const char* error) {
            QTest::addRow("%s", name) << setter << value << error;
        };
        const char* db = "5000|Kestrel.clsEnvironment|Invalid Path sent to property";
        const char* clicks = "501112|Kestrel.clsEnviroment|Invalid Number Of Clicks Sent to "
                             "property. Has to be greater than 0";
        row("database: missing file", 0, "data/none.mdb", db);
        row("database: folder", 0, "data", db);
        row("icon: folder", 1, "icons",
            "5111|Kestrel.clsEnvironment|Invalid Path Sent to Icon Property");
        row("dialog icons: file", 2, "Default.ico",
            "5111|Kestrel.clsEnvrionment|Invalid Path Sent to Default Dialog Icon Path Property");
        row("dialog database: file", 3, "data/Kestrel.mdb",
            "5111|Kestrel.clsEnvrionment|Invalid Path Sent to Default Dialog Database Path "
            "Property");
        row("clicks: 0", 4, "0", clicks);
        row("clicks: -1", 4, "-1", clicks);
    }
    void invalidWritesRaise()
    {
        QFETCH(int, setter);
        QFETCH(QString, value);
        clsEnvironment env(mDir->path());
        const QString path = at(value);
        const std::function<void()> setters[] = {
            [&] { env.setDatabasePath(path); }, [&] { env.setDefaultIcon(path); },
            [&] { env.setDefaultDialogIconPath(path); },
            [&] { env.setDefaultDialogDatabasePath(path); },
            [&] { env.setNumberofClicks(qint16(value.toInt())); }};
        try {
            setters[setter]();
            QFAIL("the write must raise");
        } catch (const KestrelError& e) {
            QTEST(QString::number(int(e.number())) + "|" + e.source() + "|" + e.description(),
                  "error");
        }
        QCOMPARE(env.DatabasePath() + env.DefaultIcon() + env.DefaultDialogIconPath() +
                     env.DefaultDialogDatabasePath() + QString::number(env.NumberofClicks()),
                 QString("0")); // nothing stored
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
        QCOMPARE(env.DefaultIcon(), QString());
        writeFile(at("Default.ico"), "ico");
        QVERIFY(env.loadSettings(" " + at("Kestrel.ini") + " "));
        QCOMPARE((QStringList{env.DatabasePath(), env.DefaultIcon(), env.DefaultDialogIconPath(),
                              env.DefaultDialogDatabasePath()}),
                 (QStringList{at("data/Kestrel.mdb"), at("Default.ico"), at("icons"), at("data")}));
        QVERIFY(env.NumberofClicks() == 2 && !env.RequireLogin() && !env.ShowToolbar());

        // ...but never over settings that are already there.
        writeFile(at("Kestrel.ini"), "[Database]\nDatabasePath=" + at("Default.ico").toUtf8());
        clsEnvironment other(mDir->path());
        other.loadSettings(at("elsewhere/Other.ini"));
        QCOMPARE(readFile(at("Kestrel.ini")),
                 "[Database]\nDatabasePath=" + at("Default.ico").toUtf8());
        QCOMPARE(other.DatabasePath(), at("Default.ico"));
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
        row("login 5", "RequireLogin=5", true, 2);
        row("login overflow", "RequireLogin=99999", false, 2);
        row("blank icon", "DefaultIcon=", false, 2);
        row("database file missing", "DatabasePath=/none/x.mdb", false, 2);
    }
    void partialLoads()
    {
        QFETCH(QString, line);
        clsEnvironment env(mDir->path());
        QVERIFY(env.loadSettings(at("Kestrel.ini")));
        const QByteArray header = line.startsWith("Database") ? "[Database]\n" : "[General]\n";
        writeFile(at("Site.ini"),
                  readFile(at("Kestrel.ini")).replace(header, header + line.toUtf8() + "\n"));
        QTEST(env.loadSettings(at("Site.ini")), "ok");
        QTEST(int(env.NumberofClicks()), "clicks");
        // A failing step keeps the earlier value; the steps after it still run.
        QCOMPARE(env.DefaultIcon() + "|" + env.DatabasePath() + "|" +
                     env.DefaultDialogDatabasePath(),
                 at("Default.ico") + "|" + at("data/Kestrel.mdb") + "|" + at("data"));
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

    void loadFailsInAnUnlistableOrReadOnlyFolder()
    {
        QVERIFY(QDir(mDir->path()).mkdir("locked"));
        writeFile(at("locked/Kestrel.ini"), "[General]\nNumberOfClicks=4\n");
        // Others may pass through "locked" but not list it, so the search fails: no defaults.
        QVERIFY(QFile::setPermissions(at("locked"), QFile::Permissions(0x3111)));
        QVERIFY(QFile::setPermissions(mDir->path(), QFile::Permissions(0x7777)));
        clsEnvironment env(mDir->path());
        QCOMPARE(withoutRootRights([&] { return env.loadSettings(at("locked/Kestrel.*")); }), 0);
        QVERIFY(!QFile::exists(at("Kestrel.ini")));
        // The defaults cannot be written: one reload, then false, and nothing loaded.
        QVERIFY(QFile::setPermissions(mDir->path(), QFile::Permissions(0x5555)));
        const int outcome = withoutRootRights([&] {
            const bool loaded = env.loadSettings(at("Kestrel.ini"));
            return loaded ? 1 : (env.DatabasePath().isEmpty() && env.NumberofClicks() == 0 ? 0 : 2);
        });
        QFile::setPermissions(mDir->path(), QFile::Permissions(0x7700));
        QFile::setPermissions(at("locked"), QFile::Permissions(0x7700));
        QCOMPARE(outcome, 0);
        QVERIFY(!QFile::exists(at("Kestrel.ini")));
    }
};

QTEST_GUILESS_MAIN(TestClsEnvironment)
#include "test_clsEnvironment.moc"
