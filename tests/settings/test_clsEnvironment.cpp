#include "settings/clsEnvironment.h"

#include "platform/KestrelError.h"
#include "tests/settings/WithoutRootRights.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {
void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// What a complete installation holds beside the executables (the settings file aside).
void makeInstallation(const QString& folder, bool withIcon = true)
{
    QVERIFY(QDir(folder).mkpath("data"));
    QVERIFY(QDir(folder).mkpath("icons"));
    writeFile(folder + "/data/Kestrel.mdb", "db");
    if (withIcon)
        writeFile(folder + "/Default.ico", "ico");
}

QByteArray defaultFile(const QString& folder)
{
    const QByteArray f = folder.toUtf8();
    return "[Database]\nDatabasePath=" + f + "/data/Kestrel.mdb\n[General]\nRequireLogin=0\n" +
           "ShowToolbar=0\nNumberOfClicks=2\nDefaultIcon=" + f + "/Default.ico\n" +
           "DefaultDialogIconPath=" + f + "/icons\nDefaultDialogDBPath=" + f + "/data\n";
}

} // namespace

class TestClsEnvironment : public QObject
{
    Q_OBJECT

private slots:
    void programFolderIsTheExecutablesFolder()
    {
        QCOMPARE(programFolder(), QCoreApplication::applicationDirPath());
        QCOMPARE(settingsFilePath(), QCoreApplication::applicationDirPath() + "/Kestrel.ini");
        QCOMPARE(&gEnvironment(), &gEnvironment());
        QCOMPARE(gEnvironment().DatabasePath(), QString());
    }

    void invalidWritesRaise_data()
    {
        QTest::addColumn<QString>("property");
        QTest::addColumn<QString>("value");
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("description");
        const QString dbText = "Invalid Path sent to property";
        const QString iconText = "Invalid Path Sent to Icon Property";
        const QString dialogIconText = "Invalid Path Sent to Default Dialog Icon Path Property";
        const QString dialogDbText = "Invalid Path Sent to Default Dialog Database Path Property";
        const QString clicksText =
            "Invalid Number Of Clicks Sent to property. Has to be greater than 0";
        QTest::addRow("database: missing file")
            << "DatabasePath"
            << "data/none.mdb" << 5000 << "Kestrel.clsEnvironment" << dbText;
        QTest::addRow("database: folder") << "DatabasePath"
                                          << "data" << 5000 << "Kestrel.clsEnvironment" << dbText;
        QTest::addRow("database: blank") << "DatabasePath"
                                         << "<blank>" << 5000 << "Kestrel.clsEnvironment" << dbText;
        QTest::addRow("icon: folder") << "DefaultIcon"
                                      << "icons" << 5111 << "Kestrel.clsEnvironment" << iconText;
        QTest::addRow("dialog icons: file")
            << "DefaultDialogIconPath"
            << "Default.ico" << 5111 << "Kestrel.clsEnvrionment" << dialogIconText;
        QTest::addRow("dialog icons: missing")
            << "DefaultDialogIconPath"
            << "nothing" << 5111 << "Kestrel.clsEnvrionment" << dialogIconText;
        QTest::addRow("dialog database: file")
            << "DefaultDialogDatabasePath"
            << "data/Kestrel.mdb" << 5111 << "Kestrel.clsEnvrionment" << dialogDbText;
        QTest::addRow("clicks: 0") << "NumberofClicks"
                                   << "0" << 501112 << "Kestrel.clsEnviroment" << clicksText;
        QTest::addRow("clicks: -1") << "NumberofClicks"
                                    << "-1" << 501112 << "Kestrel.clsEnviroment" << clicksText;
    }
    void invalidWritesRaise()
    {
        QFETCH(QString, property);
        QFETCH(QString, value);
        QTemporaryDir dir;
        makeInstallation(dir.path());
        const QString path = value == "<blank>" ? "   " : dir.filePath(value);

        clsEnvironment env(dir.path());
        QVERIFY(env.loadSettings(dir.filePath("Kestrel.ini")));
        const auto snapshot = [&env] {
            return QStringList{env.DatabasePath(), env.DefaultIcon(), env.DefaultDialogIconPath(),
                               env.DefaultDialogDatabasePath(),
                               QString::number(env.NumberofClicks())};
        };
        const QStringList before = snapshot();
        try {
            if (property == "DatabasePath")
                env.setDatabasePath(path);
            else if (property == "DefaultIcon")
                env.setDefaultIcon(path);
            else if (property == "DefaultDialogIconPath")
                env.setDefaultDialogIconPath(path);
            else if (property == "DefaultDialogDatabasePath")
                env.setDefaultDialogDatabasePath(path);
            else
                env.setNumberofClicks(qint16(value.toInt()));
            QFAIL("the write must raise");
        } catch (const KestrelError& error) {
            QTEST(int(error.number()), "number");
            QTEST(error.source(), "source");
            QTEST(error.description(), "description");
        }
        QCOMPARE(snapshot(), before);
    }

    void validWritesStoreTrimmedValues()
    {
        QTemporaryDir dir;
        makeInstallation(dir.path());
        clsEnvironment env(dir.path());
        env.setDatabasePath("  " + dir.filePath("data/Kestrel.mdb") + "  ");
        QCOMPARE(env.DatabasePath(), dir.filePath("data/Kestrel.mdb"));
        env.setDefaultIcon(" " + dir.filePath("Default.ico"));
        QCOMPARE(env.DefaultIcon(), dir.filePath("Default.ico"));
        env.setDefaultDialogIconPath(dir.filePath("icons") + " ");
        QCOMPARE(env.DefaultDialogIconPath(), dir.filePath("icons"));
        env.setDefaultDialogDatabasePath(dir.filePath("data"));
        QCOMPARE(env.DefaultDialogDatabasePath(), dir.filePath("data"));
        env.setNumberofClicks(1);
        QCOMPARE(env.NumberofClicks(), qint16(1));
        env.setRequireLogin(true);
        env.setShowToolbar(true);
        QVERIFY(env.RequireLogin() && env.ShowToolbar());
    }

    void loadCreatesTheDefaultsThenLoadsThem()
    {
        QTemporaryDir dir;
        makeInstallation(dir.path());
        clsEnvironment env(dir.path());
        QVERIFY(env.loadSettings(" " + dir.filePath("Kestrel.ini") + " "));
        QCOMPARE(readFile(dir.filePath("Kestrel.ini")), defaultFile(dir.path()));
        QCOMPARE(env.DatabasePath(), dir.filePath("data/Kestrel.mdb"));
        QCOMPARE(env.DefaultIcon(), dir.filePath("Default.ico"));
        QCOMPARE(env.DefaultDialogIconPath(), dir.filePath("icons"));
        QCOMPARE(env.DefaultDialogDatabasePath(), dir.filePath("data"));
        QCOMPARE(env.NumberofClicks(), qint16(2));
        QVERIFY(!env.RequireLogin());
        QVERIFY(!env.ShowToolbar());

        // Whatever missing file was named, the defaults go to the program folder's file.
        QTemporaryDir other;
        makeInstallation(other.path());
        clsEnvironment second(other.path());
        QVERIFY(second.loadSettings(other.filePath("elsewhere/Other.ini")));
        QVERIFY(!QFile::exists(other.filePath("elsewhere/Other.ini")));
        QCOMPARE(readFile(other.filePath("Kestrel.ini")), defaultFile(other.path()));

        // ...but never over settings that are already there.
        writeFile(other.filePath("data/Other.mdb"), "");
        const QByteArray saved = "[Database]\nDatabasePath=" + other.filePath("data/Other.mdb").toUtf8() + "\n";
        writeFile(other.filePath("Kestrel.ini"), saved);
        clsEnvironment third(other.path());
        third.loadSettings(other.filePath("elsewhere/Other.ini"));
        QCOMPARE(readFile(other.filePath("Kestrel.ini")), saved);
        QCOMPARE(third.DatabasePath(), other.filePath("data/Other.mdb"));
    }

    void loadOnAnIncompleteInstallationAnswersFalse()
    {
        QTemporaryDir dir;
        makeInstallation(dir.path(), false);
        clsEnvironment env(dir.path());
        QVERIFY(!env.loadSettings(dir.filePath("Kestrel.ini")));
        QCOMPARE(readFile(dir.filePath("Kestrel.ini")), defaultFile(dir.path()));
        QCOMPARE(env.DefaultIcon(), QString());
        QCOMPARE(env.DefaultDialogIconPath(), dir.filePath("icons"));
        QCOMPARE(env.NumberofClicks(), qint16(2));
    }

    void partialLoads_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value"); // null: the key is left out
        QTest::addColumn<bool>("ok");
        QTest::addColumn<int>("clicks");
        QTest::addColumn<bool>("login");
        QTest::addColumn<bool>("iconLoaded");
        QTest::addColumn<bool>("databaseLoaded");
        QTest::addRow("complete") << ""
                                  << "" << true << 3 << false << true << true;
        QTest::addRow("no DefaultIcon")
            << "DefaultIcon" << QString() << false << 3 << false << false << true;
        QTest::addRow("clicks 0") << "NumberOfClicks"
                                  << "0" << false << 0 << false << true << true;
        QTest::addRow("clicks negative") << "NumberOfClicks"
                                         << "-4" << false << 0 << false << true << true;
        QTest::addRow("clicks overflow") << "NumberOfClicks"
                                         << "70000" << false << 0 << false << true << true;
        QTest::addRow("clicks missing")
            << "NumberOfClicks" << QString() << true << 2 << false << true << true;
        QTest::addRow("login 5") << "RequireLogin"
                                 << "5" << true << 3 << true << true << true;
        QTest::addRow("login overflow") << "RequireLogin"
                                        << "99999" << false << 3 << false << true << true;
        QTest::addRow("database missing key uses the default")
            << "DatabasePath" << QString() << true << 3 << false << true << true;
        QTest::addRow("database file missing")
            << "DatabasePath"
            << "/nonexistent/x.mdb" << false << 3 << false << true << false;
    }
    void partialLoads()
    {
        QFETCH(QString, key);
        QFETCH(QString, value);
        QTemporaryDir dir;
        makeInstallation(dir.path());
        QMap<QString, QString> entries{
            {"DatabasePath", dir.filePath("data/Kestrel.mdb")},
            {"RequireLogin", "0"},
            {"ShowToolbar", "1"},
            {"NumberOfClicks", "3"},
            {"DefaultIcon", dir.filePath("Default.ico")},
            {"DefaultDialogIconPath", dir.filePath("icons")},
            {"DefaultDialogDBPath", dir.filePath("data")},
        };
        if (!key.isEmpty()) {
            if (value.isNull())
                entries.remove(key);
            else
                entries[key] = value;
        }
        QByteArray content = "[Database]\n";
        if (entries.contains("DatabasePath"))
            content += "DatabasePath=" + entries.take("DatabasePath").toUtf8() + "\n";
        content += "[General]\n";
        for (auto it = entries.cbegin(); it != entries.cend(); ++it)
            content += it.key().toUtf8() + "=" + it.value().toUtf8() + "\n";
        writeFile(dir.filePath("Kestrel.ini"), content);

        clsEnvironment env(dir.path());
        QTEST(env.loadSettings(dir.filePath("Kestrel.ini")), "ok");
        QTEST(int(env.NumberofClicks()), "clicks");
        QTEST(env.RequireLogin(), "login");
        QVERIFY(env.ShowToolbar());
        QTEST(env.DefaultIcon() == dir.filePath("Default.ico"), "iconLoaded");
        QTEST(env.DatabasePath() == dir.filePath("data/Kestrel.mdb"), "databaseLoaded");
        // Steps after a failing one still run.
        QCOMPARE(env.DefaultDialogIconPath(), dir.filePath("icons"));
        QCOMPARE(env.DefaultDialogDatabasePath(), dir.filePath("data"));
    }

    void failedStepsKeepEarlierValues()
    {
        QTemporaryDir dir;
        makeInstallation(dir.path());
        clsEnvironment env(dir.path());
        QVERIFY(env.loadSettings(dir.filePath("Kestrel.ini")));
        writeFile(dir.filePath("Broken.ini"), "[General]\nNumberOfClicks=0\nDefaultIcon=\n");
        QVERIFY(!env.loadSettings(dir.filePath("Broken.ini")));
        QCOMPARE(env.NumberofClicks(), qint16(2));
        QCOMPARE(env.DefaultIcon(), dir.filePath("Default.ico"));
        QCOMPARE(env.DatabasePath(), dir.filePath("data/Kestrel.mdb")); // the key's default
    }

    void saveRewritesFourEntriesAndLeavesThree()
    {
        QTemporaryDir dir;
        makeInstallation(dir.path());
        const QString ini = dir.filePath("Kestrel.ini");
        writeFile(ini, "; site settings\n[Database]\nDatabasePath=old.mdb\n[General]\n"
                       "DefaultIcon=/custom.ico\nRequireLogin=0\nShowToolbar=1\n"
                       "DefaultDialogIconPath=/i\nNumberOfClicks=2\nDefaultDialogDBPath=/d\n");
        clsEnvironment env(dir.path());
        env.setDatabasePath(dir.filePath("data/Kestrel.mdb"));
        QVERIFY(env.saveSettings(ini, " new path.mdb", true, false, 0));
        QCOMPARE(readFile(ini),
                 QByteArray("; site settings\n[Database]\nDatabasePath= new path.mdb\n[General]\n"
                            "DefaultIcon=/custom.ico\nRequireLogin=1\nShowToolbar=0\n"
                            "DefaultDialogIconPath=/i\nNumberOfClicks=0\n"
                            "DefaultDialogDBPath=/d\n"));
        QCOMPARE(env.DatabasePath(), dir.filePath("data/Kestrel.mdb"));
        QCOMPARE(env.NumberofClicks(), qint16(0));

        // The file that was checked is the file that is written.
        QVERIFY(env.saveSettings(" " + ini + " ", "x.mdb", false, true, -3));
        QVERIFY(readFile(ini).contains("\nDatabasePath=x.mdb\n"));
        QVERIFY(readFile(ini).contains("\nNumberOfClicks=-3\n"));
    }

    void saveOnAMissingFileWritesNothing()
    {
        QTemporaryDir dir;
        clsEnvironment env(dir.path());
        QVERIFY(!env.saveSettings(dir.filePath("Kestrel.ini"), "db", true, true, 2));
        QVERIFY(!env.saveSettings(dir.path(), "db", true, true, 2));
        QVERIFY(!env.saveSettings("", "db", true, true, 2));
        QVERIFY(QDir(dir.path()).isEmpty());
    }

    void saveToAReadOnlyFileAnswersFalse()
    {
        QTemporaryDir dir;
        const QString ini = dir.filePath("Kestrel.ini");
        const QByteArray content = "[Database]\nDatabasePath=a.mdb\n";
        writeFile(ini, content);
        QVERIFY(QFile::setPermissions(dir.path(), QFile::Permissions(0x7777)));
        QVERIFY(QFile::setPermissions(ini, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
        const int saved = withoutRootRights([&] {
            clsEnvironment env(dir.path());
            return env.saveSettings(ini, "b.mdb", true, true, 2) ? 1 : 0;
        });
        QCOMPARE(saved, 0);
        QCOMPARE(readFile(ini), content);
    }

    void loadFailsWhenTheSearchFails()
    {
        QTemporaryDir dir;
        makeInstallation(dir.path());
        QVERIFY(QFile::setPermissions(dir.path(), QFile::Permissions(0x7777)));
        QVERIFY(QDir(dir.path()).mkdir("locked"));
        writeFile(dir.filePath("locked/Kestrel.ini"), "[General]\nNumberOfClicks=4\n");
        // Others may pass through the folder but not list it.
        QVERIFY(QFile::setPermissions(dir.filePath("locked"), QFile::WriteOwner | QFile::ExeOwner |
                                                                  QFile::ExeGroup |
                                                                  QFile::ExeOther));
        const int loaded = withoutRootRights([&] {
            clsEnvironment env(dir.path());
            return env.loadSettings(dir.filePath("locked/Kestrel.*")) ? 1 : 0;
        });
        QFile::setPermissions(dir.filePath("locked"), QFile::Permissions(0x7700));
        QCOMPARE(loaded, 0);
        QVERIFY(!QFile::exists(dir.filePath("Kestrel.ini")));
    }

    void loadInAReadOnlyFolderGivesUpAfterOneReload()
    {
        QTemporaryDir dir;
        makeInstallation(dir.path());
        QVERIFY(QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner |
                                                      QFile::ReadGroup | QFile::ExeGroup |
                                                      QFile::ReadOther | QFile::ExeOther));
        const int loaded = withoutRootRights([&] {
            clsEnvironment env(dir.path());
            const bool ok = env.loadSettings(dir.filePath("Kestrel.ini"));
            // Nothing could be read back, so nothing was loaded.
            return ok ? 1 : (env.DatabasePath().isEmpty() && env.NumberofClicks() == 0 ? 0 : 2);
        });
        QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QCOMPARE(loaded, 0);
        QVERIFY(!QFile::exists(dir.filePath("Kestrel.ini")));
    }
};

QTEST_GUILESS_MAIN(TestClsEnvironment)
#include "test_clsEnvironment.moc"
