#include "settings/clsIniFile.h"

#include "platform/KestrelError.h"
#include "tests/settings/WithoutRootRights.h"
#include "tests/support/MessageBoxRecorder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

namespace {
const QChar N(u'\0');

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

QString nulls(const QStringList& items)
{
    QString result;
    for (const QString& item : items)
        result += item + N;
    return result + N;
}
} // namespace

class TestClsIniFile : public QObject
{
    Q_OBJECT

    QTemporaryDir mDir;
    QString mIni;

    // An object on a fresh file in the temporary folder, section "S".
    void openOn(clsIniFile& ini, const QByteArray& content)
    {
        writeFile(mIni, content);
        ini.setFullPath(mIni);
        ini.setSectionName("S");
    }

private slots:
    void init()
    {
        mIni = mDir.filePath("test.ini");
        QFile::remove(mIni);
    }

    void newObjectNamesItsFileAfterTheExecutable()
    {
        clsIniFile ini;
        const QString folder = QCoreApplication::applicationDirPath();
        QCOMPARE(ini.FullPath(), folder + "/Test_clsinifile.ini");
        QCOMPARE(ini.PrivPath(), ini.FullPath());
        QCOMPARE(ini.FilePath(), folder);
        QCOMPARE(ini.FileName(), QString("Test_clsinifile"));
        QCOMPARE(ini.FileExt(), QString("ini"));
        QCOMPARE(ini.SectionName(), QString("General"));
        QVERIFY(!ini.UseWinINI());
    }

    void sectionSetFlagGuardsEntryOperations()
    {
        MessageBoxRecorder boxes;
        clsIniFile ini;
        // "General" is in place, yet a new object refuses until a section is assigned.
        QCOMPARE(ini.GetString("x", "d"), QString());
        QCOMPARE(boxes.requests().size(), 1);
        const platform::MsgRequest& box = boxes.requests().first();
        QCOMPARE(box.text, QString("[Section] and FileName Not Registered in Private.Ini!"));
        QCOMPARE(box.title, QString("IniFile Logic Error"));
        QVERIFY(box.icon == platform::MsgIcon::Information);
        QVERIFY(box.buttons == platform::MsgButtons::Ok);

        ini.setSectionName("   ");
        ini.setFullPath(mIni); // blank section: still refused
        boxes.clear();
        QCOMPARE(ini.PutString("k", "v"), qint16(0));
        QCOMPARE(ini.GetInt("k", 9), qint16(0));
        QVERIFY(!ini.PutTF("k", 1));
        QCOMPARE(ini.GetSections(), QString());
        QCOMPARE(boxes.requests().size(), 4);
        QVERIFY(!QFile::exists(mIni));

        ini.setSectionName("General");
        boxes.clear();
        QCOMPARE(ini.PutString("k", "v"), qint16(1));
        QCOMPARE(ini.GetString("k", "d"), QString("v"));
        QVERIFY(boxes.requests().isEmpty());

        // Assigning the path while a section is set turns the flag on by itself.
        clsIniFile other;
        other.setFullPath(mIni);
        QCOMPARE(other.GetString("k", "d"), QString("v"));
        QVERIFY(boxes.requests().isEmpty());
    }

    void getStringTellsMissingFromEmpty()
    {
        clsIniFile ini;
        const QByteArray longValue(5000, 'x');
        openOn(ini, "[S]\nempty=\nspaced=  a b  \nlong=" + longValue + "\n");
        QCOMPARE(ini.GetString("missing", "d"), QString("d"));
        QCOMPARE(ini.GetString("empty", "d"), QString(""));
        QCOMPARE(ini.GetString("spaced", "d"), QString("a b"));
        QCOMPARE(ini.GetString("long", ""), QString::fromLatin1(longValue));
        QCOMPARE(ini.GetString("LONG", "").size(), 5000);
    }

    void getTF_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<int>("defaultInt");
        QTest::addColumn<bool>("expected");
        for (const char* word : {"Yes", "y", "true", "T", " on ", "1", "-1", "ON"})
            QTest::addRow("stored %s", word) << QByteArray("k=") + word << 0 << true;
        for (const char* word : {"No", "n", "False", "f", "Off", "0", "maybe", "2", "enabled", ""})
            QTest::addRow("stored '%s'", word) << QByteArray("k=") + word << -1 << false;
        QTest::addRow("missing, default -1") << QByteArray() << -1 << true;
        QTest::addRow("missing, default 5") << QByteArray() << 5 << true;
        QTest::addRow("missing, default 0") << QByteArray() << 0 << false;
    }
    void getTF()
    {
        QFETCH(QByteArray, line);
        QFETCH(int, defaultInt);
        clsIniFile ini;
        openOn(ini, "[S]\n" + line + "\n");
        QTEST(ini.GetTF("k", qint16(defaultInt)), "expected");
    }

    void putWritesTheExpectedTexts()
    {
        clsIniFile ini;
        ini.setFullPath(mIni);
        ini.setSectionName("S");
        QVERIFY(ini.PutTF("a", 5));
        QVERIFY(ini.PutTF("b", 0));
        QVERIFY(ini.PutTF("c", -1));
        QCOMPARE(ini.PutInt("d", -7), qint16(1));
        QCOMPARE(ini.PutInt("e", 0), qint16(1));
        QCOMPARE(ini.PutString("f", "  kept as is  "), qint16(1));
        QCOMPARE(readFile(mIni),
                 QByteArray("[S]\na=True\nb=False\nc=True\nd=-7\ne=0\nf=  kept as is  \n"));
        QVERIFY(ini.GetTF("a", 0));
        QVERIFY(!ini.GetTF("b", -1));
        QCOMPARE(ini.GetInt("d", 0), qint16(-7));
    }

    void refusedWritesAreReported()
    {
        clsIniFile ini;
        openOn(ini, "[S]\nk=old\n");
        QCOMPARE(ini.PutString("k", "new\n[Evil]\nx=1"), qint16(0));
        QCOMPARE(ini.PutString("k=x", "v"), qint16(0));
        QVERIFY(!ini.PutTF("a\nb", 1));
        QCOMPARE(readFile(mIni), QByteArray("[S]\nk=old\n"));
        QVERIFY(!ini.IniWriteChecked("S", "k", "a\r\nb", mIni));
        QVERIFY(ini.IniWriteChecked("S", "k", "fine", mIni));
        QCOMPARE(ini.GetString("k", ""), QString("fine"));
    }

    void getIntRange_data()
    {
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<int>("expected");
        QTest::addColumn<bool>("overflow");
        QTest::addRow("max") << QByteArray("32767") << 32767 << false;
        QTest::addRow("min") << QByteArray("-32768") << -32768 << false;
        QTest::addRow("above") << QByteArray("32768") << 0 << true;
        QTest::addRow("70000") << QByteArray("70000") << 0 << true;
        QTest::addRow("below") << QByteArray("-32769") << 0 << true;
        QTest::addRow("trailing text") << QByteArray("2 clicks") << 2 << false;
        QTest::addRow("word") << QByteArray("yes") << 0 << false;
        QTest::addRow("empty gives default") << QByteArray("") << 42 << false;
    }
    void getIntRange()
    {
        QFETCH(QByteArray, stored);
        QFETCH(int, expected);
        QFETCH(bool, overflow);
        clsIniFile ini;
        openOn(ini, "[S]\nk=" + stored + "\n");
        try {
            QCOMPARE(int(ini.GetInt("k", 42)), expected);
            QVERIFY(!overflow);
        } catch (const KestrelError& error) {
            QVERIFY(overflow);
            QCOMPARE(error.number(), KestrelErrorNumber::Overflow);
        }
        QCOMPARE(int(ini.GetInt("missing", -3)), -3);
    }

    void extractNameAndPath_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("name0");
        QTest::addColumn<QString>("name1");
        QTest::addColumn<QString>("name2");
        QTest::addColumn<QString>("folder");
        const auto row = [](const char* name, const QString& path, const QString& name0,
                            const QString& name1, const QString& name2, const QString& folder) {
            QTest::addRow("%s", name) << path << name0 << name1 << name2 << folder;
        };
        row("two extensions", "/dir/archive.tar.gz", "archive.tar.gz", "archive", "tar.gz", "/dir");
        row("no extension", "/dir/README", "README", "README", "README", "/dir");
        row("dot only in folder", "/a.b/c", "c", "c", "c", "/a.b");
        row("leading dot", "/d/.profile", ".profile", "", "profile", "/d");
        row("in the root", "/file.ini", "file.ini", "file", "ini", "");
        row("trailing separator", "/d/e/", "", "", "", "/d/e");
        QString current = QDir::currentPath();
        if (current.endsWith('/'))
            current.chop(1);
        row("bare name", "file.ini", "file.ini", "file", "ini", current);
        row("empty uses FullPath", "", "Set.Up.ini", "Set", "Up.ini", "/opt/k");
    }
    void extractNameAndPath()
    {
        QFETCH(QString, path);
        clsIniFile ini;
        ini.setFullPath("/opt/k/Set.Up.ini");
        QTEST(ini.ExtractName(path, 0), "name0");
        QTEST(ini.ExtractName(path, 1), "name1");
        QTEST(ini.ExtractName(path, 2), "name2");
        QTEST(ini.ExtractPath(path), "folder");
    }

    void useWinIniRoundTrip()
    {
        const QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
        if (config.isEmpty())
            QSKIP("needs XDG_CONFIG_HOME pointing at a scratch folder");
        QDir(config).removeRecursively();
        QVERIFY(QDir().mkpath(config));

        clsIniFile ini;
        ini.setFullPath(mDir.filePath("My.Private.ini"));
        ini.setSectionName("S");
        ini.setUseWinINI(true);
        QVERIFY(ini.UseWinINI());
        QCOMPARE(ini.FullPath(), config + "/WIN.INI");
        QCOMPARE(ini.FilePath(), config);
        QCOMPARE(ini.FileName(), QString("WIN"));
        QCOMPARE(ini.FileExt(), QString("INI"));
        QCOMPARE(ini.PrivPath(), mDir.filePath("My.Private.ini"));

        QCOMPARE(ini.PutInt("n", 12), qint16(1));
        QCOMPARE(ini.PutString("s", "text"), qint16(1));
        ini.DeleteNumEntry("n"); // the system profile keeps "0"
        QCOMPARE(ini.GetString("n", "gone"), QString("0"));
        QCOMPARE(ini.GetSectEntries(), nulls({"n=0", "s=text"}));
        // IniWrite follows the switch too; its file argument is not used.
        ini.IniWrite("T", "k", "v", mDir.filePath("ignored.ini"));
        QVERIFY(!QFile::exists(mDir.filePath("ignored.ini")));
        QCOMPARE(ini.GetSections(), nulls({"S", "T"}));
        QVERIFY(!QFile::exists(mDir.filePath("My.Private.ini")));

        ini.setSectionName(" ");
        ini.setUseWinINI(false);
        QCOMPARE(ini.FullPath(), mDir.filePath("My.Private.ini"));
        QCOMPARE(ini.FilePath(), mDir.path());
        QCOMPARE(ini.FileName(), QString("My"));
        QCOMPARE(ini.FileExt(), QString("Private.ini"));
        MessageBoxRecorder boxes;
        QCOMPARE(ini.GetString("s", "d"), QString()); // flag recomputed from " "
        QCOMPARE(boxes.requests().size(), 1);
        ini.setSectionName("S");
        QCOMPARE(ini.GetString("s", "private"), QString("private"));

        // The private form removes the key instead.
        QCOMPARE(ini.PutInt("n", 1), qint16(1));
        ini.DeleteNumEntry("n");
        QCOMPARE(ini.GetString("n", "gone"), QString("gone"));
    }

    void existsFindsOrdinaryVisibleFilesOnly_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("expected");
        QTest::addRow("plain file") << "Kestrel.ini" << -1;
        QTest::addRow("no dot looks for name.*") << "Kestrel" << -1;
        QTest::addRow("star") << "Kes*.ini" << -1;
        QTest::addRow("question mark") << "Kestrel.in?" << -1;
        QTest::addRow("read-only file") << "ReadOnly.ini" << -1;
        QTest::addRow("file without extension") << "Plain" << -1;
        QTest::addRow("explicit .* without extension") << "Plain.*" << -1;
        QTest::addRow("wrong case") << "kestrel.ini" << 0;
        QTest::addRow("hidden file") << ".hidden.ini" << 0;
        QTest::addRow("hidden by wildcard") << ".hid*" << 0;
        QTest::addRow("folder") << "Folder.ini" << 0;
        QTest::addRow("folder without dot") << "Folder" << 0;
        QTest::addRow("folder by wildcard") << "Fold*" << 0;
        QTest::addRow("pipe") << "pipe.ini" << 0;
        QTest::addRow("missing") << "Missing.ini" << 0;
        QTest::addRow("missing folder") << "nowhere/Kestrel.ini" << 0;
        QTest::addRow("question mark needs a character") << "Kestrel.ini?" << 0;
        QTest::addRow("dot in the folder: no .* added") << "my.dir/Kestrel" << 0;
        QTest::addRow("dot in the folder, exact name") << "my.dir/Kestrel.ini" << -1;
    }
    void existsFindsOrdinaryVisibleFilesOnly()
    {
        QFETCH(QString, name);
        QTemporaryDir dir;
        writeFile(dir.filePath("Kestrel.ini"), "x");
        writeFile(dir.filePath(".hidden.ini"), "x");
        writeFile(dir.filePath("Plain"), "x");
        writeFile(dir.filePath("ReadOnly.ini"), "x");
        QFile::setPermissions(dir.filePath("ReadOnly.ini"), QFile::ReadOwner);
        QVERIFY(QDir(dir.path()).mkdir("Folder.ini"));
        QVERIFY(QDir(dir.path()).mkdir("Folder"));
        QVERIFY(QDir(dir.path()).mkdir("my.dir"));
        writeFile(dir.filePath("my.dir/Kestrel.ini"), "x");
        QCOMPARE(::mkfifo(QFile::encodeName(dir.filePath("pipe.ini")).constData(), 0600), 0);

        clsIniFile ini;
        QTEST(int(ini.Exists(dir.filePath(name))), "expected");
    }

    void existsReportsAFolderItCannotList()
    {
        QTemporaryDir dir;
        QVERIFY(QFile::setPermissions(dir.path(), QFile::Permissions(0x7755)));
        QVERIFY(QDir(dir.path()).mkdir("locked"));
        writeFile(dir.filePath("locked/Kestrel.ini"), "x");
        QVERIFY(QFile::setPermissions(dir.filePath("locked"), QFile::WriteOwner | QFile::ExeOwner |
                                                                  QFile::ExeGroup |
                                                                  QFile::ExeOther));
        const int outcome = withoutRootRights([&] {
            clsIniFile ini;
            // An exact name needs no listing.
            if (ini.Exists(dir.filePath("locked/Kestrel.ini")) != -1)
                return 1;
            try {
                ini.Exists(dir.filePath("locked/Kes*"));
                return 2;
            } catch (const KestrelError&) {
                return 0;
            }
        });
        QFile::setPermissions(dir.filePath("locked"), QFile::Permissions(0x7700));
        QCOMPARE(outcome, 0);
    }

    void existsSearchesTheCurrentFolderForBareNames()
    {
        QTemporaryDir dir;
        writeFile(dir.filePath("Here.ini"), "x");
        const QString previous = QDir::currentPath();
        QVERIFY(QDir::setCurrent(dir.path()));
        clsIniFile ini;
        const int bare = ini.Exists("Here");
        const int missing = ini.Exists("There.ini");
        QDir::setCurrent(previous);
        QCOMPARE(bare, -1);
        QCOMPARE(missing, 0);
    }

    void sectionListing()
    {
        clsIniFile ini;
        openOn(ini, "\xEF\xBB\xBF[Database]\r\n"
                    "a=1\r\n"
                    "[ General ]\r\n"
                    "[General] ; trailing comment\r\n"
                    "  [Indented]  \r\n"
                    "x[NotAHeader]\r\n"
                    "[Two]]\r\n"
                    "; [Commented]\r\n"
                    "[Semi;colon]\r\n"
                    "[]\r\n"
                    "[After]");
        QCOMPARE(ini.GetSections(),
                 nulls({"Database", " General ", "General", "Indented", "", "After"}));
        QStringList names{"old0", "old1", "old2", "old3", "old4", "old5", "old6", "old7"};
        // The empty name ends the list; the array is cut to what was stored.
        QCOMPARE(ini.GetSectionsEx(names), qint16(4));
        QCOMPARE(names, QStringList({"Database", " General ", "General", "Indented"}));

        QVERIFY(ini.SectExist("general"));
        QVERIFY(ini.SectExist(" GENERAL "));
        QVERIFY(ini.SectExist("after"));
        QVERIFY(ini.SectExist(""));
        QVERIFY(!ini.SectExist("Commented"));
        QVERIFY(!ini.SectExist("NotAHeader"));
        QVERIFY(!ini.SectExist("Gen"));
    }

    void sectionListingSurvivesOddFiles()
    {
        QByteArray binary;
        for (int i = 0; i < 256; ++i)
            binary += char(i == '\n' ? 0 : i);
        clsIniFile ini;
        openOn(ini, "[A]\n" + QByteArray(1 << 20, 'x') + "\n" + binary + "\n\xff\xfe[\x80]\n[B]");
        QCOMPARE(ini.GetSections(), nulls({"A", "B"}));
    }

    void sectionListingWithoutHeaders()
    {
        clsIniFile ini;
        openOn(ini, "a=1\nb=2");
        QCOMPARE(ini.GetSections(), QString(2, N));
        QStringList names{"keep"};
        QCOMPARE(ini.GetSectionsEx(names), qint16(0));
        QCOMPARE(names, QStringList{"keep"});
        QVERIFY(ini.SectExist(""));
        QVERIFY(!ini.SectExist("a"));

        ini.setFullPath(mDir.filePath("missing.ini"));
        try {
            ini.GetSections();
            QFAIL("a missing file must raise");
        } catch (const KestrelError& error) {
            QCOMPARE(error.number(), KestrelErrorNumber::FileNotFound);
        }
        QVERIFY_THROWS_EXCEPTION(KestrelError, ini.SectExist("S"));
        QStringList names2;
        QVERIFY_THROWS_EXCEPTION(KestrelError, ini.GetSectionsEx(names2));

        // Neither a folder nor a pipe is read (a pipe would block).
        const QString pipe = mDir.filePath("pipe.ini");
        QCOMPARE(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
        for (const QString& path : {mDir.path(), pipe}) {
            ini.setFullPath(path);
            QVERIFY_THROWS_EXCEPTION(KestrelError, ini.GetSections());
        }
        QFile::remove(pipe);
    }

    void sectionEntries()
    {
        clsIniFile ini;
        const QString longValue(6000, u'v');
        openOn(ini, "[S]\na=b=c\n; comment\nbare line\n  k = v  \n[T]\nlong=" +
                        longValue.toLatin1() + "\n");
        QCOMPARE(ini.GetSectEntries(), nulls({"a=b=c", "bare line", "k=v"}));
        QList<QStringList> table;
        QCOMPARE(ini.GetSectEntriesEx(table), qint16(3));
        QCOMPARE(table.size(), 2);
        QCOMPARE(table[0], QStringList({"a", "", "k"}));
        QCOMPARE(table[1], QStringList({"b=c", "bare line", "v"}));

        ini.setSectionName("T");
        QCOMPARE(ini.GetSectEntries(), nulls({"long=" + longValue}));

        ini.setSectionName("Missing");
        QCOMPARE(ini.GetSectEntries(), QString(N));
        QCOMPARE(ini.GetSectEntriesEx(table), qint16(0));
        QCOMPARE(table[0], QStringList({"a", "", "k"})); // left alone
    }

    void deletions()
    {
        MessageBoxRecorder boxes;
        clsIniFile ini;
        openOn(ini, "; keep me\n[S]\nstr=1\nnum=2\nother=3\n[T]\nt=1\n");
        ini.DeleteStrEntry("str");
        QCOMPARE(ini.GetString("str", "default"), QString(""));
        ini.DeleteNumEntry("num");
        QCOMPARE(ini.GetString("num", "default"), QString("default"));
        QCOMPARE(readFile(mIni), QByteArray("; keep me\n[S]\nstr=\nother=3\n[T]\nt=1\n"));

        ini.FlushCache();
        QCOMPARE(readFile(mIni), QByteArray("; keep me\n[S]\nstr=\nother=3\n[T]\nt=1\n"));

        ini.DeleteSection();
        QCOMPARE(ini.SectionName(), QString(""));
        QVERIFY(boxes.requests().isEmpty());
        QCOMPARE(ini.GetString("other", "d"), QString());
        QCOMPARE(boxes.requests().size(), 1);
        ini.setSectionName("S");
        QCOMPARE(ini.GetSectEntries(), QString(N));
        QVERIFY(ini.SectExist("S"));
        ini.setSectionName("T");
        QCOMPARE(ini.GetString("t", ""), QString("1"));

        // Without a section nothing is deleted and the name stays blank.
        ini.setSectionName("  ");
        ini.DeleteSection();
        QCOMPARE(ini.SectionName(), QString("  "));
        ini.setSectionName("T");
        QCOMPARE(ini.GetString("t", ""), QString("1"));
    }

    void iniReadAndWriteNameTheirOwnFile()
    {
        clsIniFile ini;
        const QString other = mDir.filePath("other.ini");
        QFile::remove(other);
        ini.setFullPath(mIni);
        ini.setSectionName("Mine");
        ini.IniWrite("Their", "n", "70000", other);
        ini.IniWrite("Their", "empty", "", other);
        QCOMPARE(ini.FullPath(), mIni);
        QCOMPARE(ini.SectionName(), QString("Mine"));
        QVERIFY(!QFile::exists(mIni));

        QString result = "before";
        ini.IniRead("Their", "n", 0, "", result, false, other);
        QCOMPARE(result, QString("70000"));
        ini.IniRead("Their", "n", 0, "", result, true, other);
        QCOMPARE(result, QString("70000"));
        ini.IniRead("Their", "missing", -4, "", result, true, other);
        QCOMPARE(result, QString("-4"));
        result = "kept";
        ini.IniRead("Their", "empty", 0, "default", result, false, other);
        QCOMPARE(result, QString("kept"));
        ini.IniRead("Their", "missing", 0, "default", result, false, other);
        QCOMPARE(result, QString("default"));
    }
};

QTEST_GUILESS_MAIN(TestClsIniFile)
#include "test_clsIniFile.moc"
