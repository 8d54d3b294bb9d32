#include "settings/clsIniFile.h"
#include "tests/support/TestMain.h"

#include "tests/support/Fakes.h"
#include "tests/support/TestFiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>

#include <sys/stat.h>

// A list as the class returns it: every item followed by a null, and one more null.
static QString nulls(const QStringList& items)
{
    return items.join(QChar()) + QString(items.isEmpty() ? 1 : 2, QChar());
}

class TestClsIniFile : public QObject
{
    Q_OBJECT
    QTemporaryDir mDir;
    const QString mIni = mDir.filePath("test.ini");
    // As the programs do; put back when the test ends.
    const clsIniFile::LogicErrorHandler mPreviousHandler =
        clsIniFile::setLogicErrorHandler(platform::MsgBox);

    void openOn(clsIniFile& ini, const QByteArray& content) // a fresh file, section "S"
    {
        writeFile(mIni, content);
        ini.setFullPath(mIni);
        ini.setSectionName("S");
    }

public:
    ~TestClsIniFile() override { clsIniFile::setLogicErrorHandler(mPreviousHandler); }

private slots:
    void init() { QFile::remove(mIni); }

    void sectionSetFlagGuardsEntryOperations()
    {
        MessageBoxRecorder boxes;
        clsIniFile ini;
        // Named after the executable and on "General", yet refused until a section is assigned.
        QCOMPARE(ini.FullPath(), QCoreApplication::applicationDirPath() + "/Test_clsinifile.ini");
        QCOMPARE(ini.GetString("x", "d"), QString());
        const platform::MsgRequest box = boxes.requests().value(0);
        QVERIFY(box.icon == platform::MsgIcon::Information && box.title == "IniFile Logic Error");
        QCOMPARE(box.text, "[Section] and FileName Not Registered in Private.Ini!");
        ini.setSectionName("   ");
        ini.setFullPath(mIni); // a blank section: still refused
        QCOMPARE(ini.PutString("k", "v"), qint16(0));
        QCOMPARE(ini.GetInt("k", 9), qint16(0));
        QCOMPARE(ini.GetSections(), QString());
        QCOMPARE(boxes.requests().size(), 4);
        QVERIFY(!QFile::exists(mIni));
        ini.setSectionName("General");
        QCOMPARE(ini.PutString("k", "v"), qint16(1));
        QCOMPARE(ini.GetString("k", "d"), "v");
        QCOMPARE(boxes.requests().size(), 4);
    }

    void valuesAndTexts()
    {
        clsIniFile ini;
        openOn(ini, "[S]\nt0=Yes\nt1=y\nt2=true\nt3=T\nt4= on \nt5=1\nt6=-1\n"
                    "f0=No\nf1=False\nf2=Off\nf3=0\nf4=2\nf5=enabled\nf6=\n"
                    "max=32767\nmin=-32768\nwraps=4294967295\ntext=2 clicks\nword=yes\n"
                    "quoted=  \"+42\"  \nempty=\nabove=32768\nbelow=-32769\nk=old\n");
        QVERIFY(ini.PutTF("a", 5) && ini.PutTF("b", 0) && ini.PutInt("d", -7) == 1);
        // Line breaks would inject entries: refused and reported.
        QCOMPARE(ini.PutString("k", "new\n[Evil]\nx=1"), qint16(0));
        QVERIFY(!ini.PutTF("a\nb", 1));
        QVERIFY(readFile(mIni).endsWith("\nk=old\na=True\nb=False\nd=-7\n"));
        QCOMPARE(ini.GetString("missing", "d"), "d");
        QCOMPARE(ini.GetString("empty", "d"), "");
        for (const QString i : {"0", "1", "2", "3", "4", "5", "6"})
            QVERIFY2(ini.GetTF("t" + i, 0) && !ini.GetTF("f" + i, -1), qPrintable(i));
        const QList<QPair<const char*, int>> numbers = {
            {"max", 32767}, {"min", -32768}, {"wraps", -1}, {"text", 2},
            {"word", 0},    {"quoted", 42},  {"empty", 7},  {"missing", 7}};
        for (const auto& [key, expected] : numbers)
            QVERIFY2(ini.GetInt(key, 7) == expected, key);
        QCOMPARE(errorOf([&] { ini.GetInt("above", 0); }), "6|Kestrel.clsIniFile|Overflow");
        QCOMPARE(errorOf([&] { ini.GetInt("below", 0); }), "6|Kestrel.clsIniFile|Overflow");
    }

    void extractNameAndPath_data()
    {
        QTest::addColumn<QString>("path"); // "" stands for FullPath, /opt/k/Set.Up.ini
        QTest::addColumn<QString>("whole");
        QTest::addColumn<QString>("name"); // without the extension
        QTest::addColumn<QString>("extension");
        QTest::addColumn<QString>("folder");
        const auto row = [](const char* path, const QString& parts) {
            const QStringList p = parts.split(u'|');
            QTest::newRow(*path ? path : "FullPath")
                << QString(path) << p[0] << p[1] << p[2] << p[3];
        };
        row("/d/a.tar.gz", "a.tar.gz|a|tar.gz|/d");
        row("/d/README", "README|README|README|/d");
        row("/a.b/c", "c|c|c|/a.b");
        row("/d/.profile", ".profile||profile|/d");
        row("/f.ini", "f.ini|f|ini|");
        row("/d/e/", "|||/d/e");
        row("", "Set.Up.ini|Set|Up.ini|/opt/k");
    }
    void extractNameAndPath()
    {
        QFETCH(QString, path);
        clsIniFile ini;
        ini.setFullPath("/opt/k/Set.Up.ini");
        QTEST(ini.ExtractName(path, 0), "whole");
        QTEST(ini.ExtractName(path, 1), "name");
        QTEST(ini.ExtractName(path, 2), "extension");
        QTEST(ini.ExtractPath(path), "folder");
    }

    void useWinIniRoundTrip()
    {
        clsIniFile ini;
        openOn(ini, "");
        ini.setUseWinINI(true);
        QCOMPARE(ini.FullPath(), qEnvironmentVariable("XDG_CONFIG_HOME") + "/WIN.INI");
        QCOMPARE(ini.PutInt("n", 12), qint16(1));
        QCOMPARE(ini.PutString("s", "text"), qint16(1));
        ini.DeleteNumEntry("n"); // the system profile keeps "0"
        QCOMPARE(ini.GetSectEntries(), nulls({"n=0", "s=text"}));
        QVERIFY(readFile(mIni).isEmpty());
        ini.setUseWinINI(false);
        QCOMPARE(ini.PutInt("n", 1), qint16(1));
        QCOMPARE(readFile(mIni), QByteArray("[S]\nn=1\n"));
    }

    void existsFindsOrdinaryVisibleFilesOnly()
    {
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkpath("Folder.ini") && QDir(dir.path()).mkpath("my.dir"));
        for (const char* name : {"Kestrel.ini", ".hidden.ini", "my.dir/Kestrel.ini"})
            writeFile(dir.filePath(name), "x");
        QCOMPARE(::mkfifo(QFile::encodeName(dir.filePath("pipe.ini")).constData(), 0600), 0);
        // A name without a dot looks for name.*; a dot in the folder does not count.
        for (const char* name : {"Kestrel.ini", "Kestrel", "Kes*.ini", "Kestrel.in?"})
            QVERIFY2(clsIniFile().Exists(dir.filePath(name)) == -1, name);
        for (const char* name : {"kestrel.ini", ".hidden.ini", ".hid*", "Folder.ini", "Fold*",
                                 "pipe.ini", "Kestrel.ini?", "my.dir/Kestrel"})
            QVERIFY2(clsIniFile().Exists(dir.filePath(name)) == 0, name);
    }

    void sectionsEntriesAndDeletions()
    {
        MessageBoxRecorder boxes;
        clsIniFile ini;
        const QString longValue(6000, u'v'); // no cut at 4096 characters
        openOn(ini, ";c\n[S]\na=b=c\n; comment\nbare line\n  k = v  \n[T]\nl=" +
                        longValue.toLatin1() + "\n");
        QCOMPARE(ini.GetSectEntries(), nulls({"a=b=c", "bare line", "k=v"}));
        QList<QStringList> table{{"old"}};
        QCOMPARE(ini.GetSectEntriesEx(table), qint16(3));
        QCOMPARE(table, QList<QStringList>({{"a", "", "k"}, {"b=c", "bare line", "v"}}));
        ini.DeleteStrEntry("a"); // keeps the key with an empty value
        ini.DeleteNumEntry("k");
        ini.setSectionName("T");
        QCOMPARE(ini.GetSectEntries(), nulls({"l=" + longValue}));
        QCOMPARE(ini.GetString("L", ""), longValue); // nor at 254
        ini.DeleteSection();
        QCOMPARE(ini.SectionName(), QString()); // no section any more, so nothing is read
        QCOMPARE(ini.GetString("l", "d"), QString());
        ini.setSectionName("  "); // without a section nothing is deleted, and that is said
        ini.DeleteSection();
        QCOMPARE(readFile(mIni), QByteArray(";c\n[S]\na=\n; comment\nbare line\n[T]\n"));
        QCOMPARE(boxes.requests().size(), 2);

        // Binary bytes and a 1 MiB line are no headers.
        openOn(ini, "\xEF\xBB\xBF[Database]\r\na=1\r\n" + QByteArray(1 << 20, 'x') +
                        QByteArray("\n\0\x01\xff\xfe[\x80]\x7f\n", 10) +
                        "[ General ]\r\n[General] ; comment\r\n  [Indented]  \r\nx[NotAHeader]\r\n"
                        "[Two]]\r\n; [Commented]\r\n[Semi;colon]\r\n[]\r\n[After]");
        const QStringList listed{"Database", "General", "General", "Indented", "Two", "Semi;colon"};
        QCOMPARE(ini.GetSections(), nulls(listed + QStringList{"", "After"}));
        QStringList names(7, "old");
        // The empty name ends the list; the array is cut to what was stored.
        QCOMPARE(ini.GetSectionsEx(names), qint16(6));
        QCOMPARE(names, listed);
        QVERIFY(ini.SectExist(" GENERAL "));
        QVERIFY(ini.SectExist(""));
        QVERIFY(!ini.SectExist("Commented"));
        // Sections are read as the entries are: tab-indented, "]]" and bare CR line ends.
        openOn(ini, "\t[A]\rk=1\r[B]]\rk=2\r");
        QCOMPARE(ini.GetSections(), nulls({"A", "B"}));
        QVERIFY(ini.SectExist("b"));

        // A missing file raises, and so does a pipe, which is never read (that would block).
        QVERIFY(QFile::remove(mIni) && errorOf([&] { ini.GetSections(); }).startsWith("53|"));
        QCOMPARE(::mkfifo(QFile::encodeName(mIni).constData(), 0600), 0);
        QVERIFY_THROWS_EXCEPTION(KestrelError, ini.GetSections());
    }
};

KESTREL_TEST_MAIN_AS_USER(TestClsIniFile)
#include "test_clsIniFile.moc"
