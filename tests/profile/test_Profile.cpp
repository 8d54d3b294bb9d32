#include "platform/profile/Profile.h"
#include "tests/support/TestMain.h"

#include "tests/support/TestFiles.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>

#include <csignal>
#include <sys/resource.h>

using namespace platform::profile;

namespace {
const QByteArray kMissing("<missing>"); // "no such file" in the data rows

// Key "|": a section write of the value's "|"-separated entries.
bool write(const QString& section, const QString& key, const QString& value, const QString& file)
{
    if (key == QLatin1String("|"))
        return WritePrivateProfileSection(section, value.split(u'|', Qt::SkipEmptyParts), file);
    return WritePrivateProfileString(section, key, value, file);
}

// This program as a second writer, for the locking and atomic saves:
//   --keys FILE SECTION PREFIX  writes PREFIX<i>=value-<i> for i < 300
//   --churn FILE                rewrites [s] k0..k7=g<n>-<4000 x>end until killed
int writeAsChild(char** argv)
{
    const QString file = QString::fromLocal8Bit(argv[2]);
    if (qstrcmp(argv[1], "--keys") == 0) {
        for (int i = 0; i < 300; ++i)
            if (!WritePrivateProfileString(argv[3], argv[4] + QString::number(i),
                                           QStringLiteral("value-%1").arg(i), file))
                return 1;
        return 0;
    }
    for (qint64 generation = 1;; ++generation) {
        const QString value = QStringLiteral("g%1-%2end").arg(generation).arg(QString(4000, u'x'));
        for (int i = 0; i < 8; ++i)
            if (!WritePrivateProfileString("s", QStringLiteral("k%1").arg(i), value, file))
                return 1;
        if (generation == 1) // the first round is written
            std::puts("ready"), std::fflush(stdout);
    }
}
} // namespace

class TestProfile : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;
    QString m_file;

    void setUp(const QByteArray& content)
    {
        if (content != kMissing)
            writeFile(m_file, content);
    }
    QByteArray bytes() const { return QFile::exists(m_file) ? readFile(m_file) : kMissing; }

private slots:
    void init()
    {
        m_file = m_dir.filePath(QStringLiteral("%1.ini").arg(QTest::currentTestFunction()));
        QFile::remove(m_file);
    }

    void stringReads_data()
    {
        // expected: the value read, with the default "def"
        const auto row = columns<QByteArray, QString, QString, QString>(
            {"content", "section", "key", "expected"});
        const QByteArray f1 = "[section1]\r\nname1=val1\r\nname3\r\nname4=\r\n[section2]\r\n";
        row("case and caller's blanks ignored", f1, " SECTION1 ", " NaMe1 ", "val1");
        row("missing file", kMissing, "section1", "name1", "def");
        row("line without = is not a key", f1, "section1", "name3", "def");
        row("bare CR line ends", "[s]\rk=v\r", "s", "k", "v");
        row("BOM before the first header", "\xEF\xBB\xBF[s]\nk=v\n", "s", "k", "v");
        row("blanks around everything", "  [ s\t]  \n\t k \t=  v w \t\n", "s", "k", "v w");
        row("outer quotes after blanks", "[s]\nk = \"  /a b \"  \n", "s", "k", "  /a b ");
        row("; and # inside a value", "[s]\nk=a;b # c\n", "s", "k", "a;b # c");
        row("# starts no comment", "[s]\n#k=v\n", "s", "#k", "v");
        row("header ends at its first ]", "[sec]whoops]\nk=v\n", "sec", "k", "v");
        row("lines before the first header", "k=v\n[s]\n", "", "k", "def");
        row("empty header and key", "[]\n=v\n", "", "", "v");
        row("first of two keys, sections", "[s]\nk=1\nK=2\n[S]\nj=v\n", "s", "j", "def");
        row("UTF-8 case folding", "[Größe]\nÄrger=Übel\n", "GRÖßE", "ärger", "Übel");
        QByteArray garbage(64 * 1024, '\0');
        QRandomGenerator(42).fillRange(reinterpret_cast<quint32*>(garbage.data()), 16 * 1024);
        row("binary garbage", garbage + "\n[s]\nk=v\n", "s", "k", "v");
        row("NULs", QByteArray("[s]\nk=a\0b\n\0\0\n", 13), "s", "k",
            QString::fromLatin1("a\0b", 3));
        row("1 MiB line", "[s]\n" + QByteArray(1 << 20, 'z') + "\nk=v", "s", "k", "v");
        row("only line ends", QByteArray(100000, '\r'), "s", "k", "def");
        row("invalid UTF-8", "[s]\nk=\xC3(\xFF", "s", "k", "\uFFFD(\uFFFD");
    }
    void stringReads()
    {
        auto [content, section, key] =
            fetch<QByteArray, QString, QString>({"content", "section", "key"});
        setUp(content);
        QTEST(GetPrivateProfileString(section, key, "def", m_file), "expected");
        // A missing key gives the default less its trailing spaces.
        QCOMPARE(GetPrivateProfileString(section, "nokey", " d \t ", m_file), QString(" d \t"));
        (void)GetPrivateProfileSection(section, m_file);
        // A write keeps everything it does not own, and a long value comes back whole.
        const QString longValue = QString(70000, u'p') + "/end";
        QVERIFY(WritePrivateProfileString("added", "x", longValue, m_file));
        QVERIFY(content == kMissing || bytes().startsWith(content));
        QCOMPARE(GetPrivateProfileString("added", "x", "def", m_file), longValue);
    }

    void writes_data()
    {
        // after: empty when refused, nothing written
        const auto row = columns<QByteArray, QString, QString, QString, QByteArray>(
            {"before", "section", "key", "value", "after"});
        // Each of these would inject or hide entries.
        const auto refused = [&](const char* name, const QString& section, const QString& key,
                                 const QString& value) {
            row(name, "[s]\n", section, key, value, {});
        };
        refused("LF in value", "s", "k", "v\n[x]");
        refused("CR in value", "s", "k", "v\rk2=w");
        refused("line break in key", "s", "k\nj", "v");
        refused("line break in section", "s\r\n", "k", "v");
        refused("] in section", "s]x", "k", "v");
        refused("= in key", "s", "k=j", "v");
        refused("key starting a comment", "s", ";k", "v");
        refused("line break in an entry", "s", "|", "a=1|b=2\n[x]");
        refused("entry starting a comment", "s", "|", " ;x=1");
        refused("] in a written section", "s]", "|", "a=1");
        const QString null;
        row("new file", kMissing, " Database\t", "\tPath ", "/a b", "[Database]\nPath=/a b\n");
        row("new section, line end added", "[a]\r\nx=1", "b", "k", "v",
            "[a]\r\nx=1\r\n[b]\r\nk=v\r\n");
        row("new key after the last entry", "[a]\nx=1\n\n; about b\n[b]\n", "A", "y", "2",
            "[a]\nx=1\ny=2\n\n; about b\n[b]\n");
        row("replace keeps stored spelling", "[Sec]\r\n  Key = old ; x\r\nO=1\r\n", "SEC", "KEY",
            "New", "[Sec]\r\nKey=New\r\nO=1\r\n");
        row("first of two keys and sections", "[s]\nk=1\nk=2\n[s]\nk=3\n", "s", "k", "4",
            "[s]\nk=4\nk=2\n[s]\nk=3\n");
        row("BOM, garbage and odd lines kept",
            QByteArray("\xEF\xBB\xBFjunk \0 \xFF\n  [ s ] ; c\n\t o \t= 1 \nk=v\n", 38), "s", "k",
            "w", QByteArray("\xEF\xBB\xBFjunk \0 \xFF\n  [ s ] ; c\n\t o \t= 1 \nk=w\n", 38));
        row("bare CR file gets CR LF lines", "[s]\r\rk=1\r", "s", "j", "2", "[s]\r\rk=1\rj=2\r\n");
        row("null value removes the key", "[s]\r\nk=1\r\n;c\r\n[t]\r\nk=2\r\n", "S", "K", null,
            "[s]\r\n;c\r\n[t]\r\nk=2\r\n");
        row("null key removes every section of the name, comments stay",
            ";c0\n[App1]\n;c1\nk=1\nbare\n\n[App2]\nk=2\n[app1]\nk=3\n", "APP1", null, "x",
            ";c0\n;c1\n\n[App2]\nk=2\n");
        const QByteArray g = "[G]\r\nA=1\r\n;note\r\nbare\r\nB=2\r\n[D]\r\nX=y\r\n";
        row("section replaced, header and comments kept", g, "g", "|", "B=3|C = 4|no equals sign",
            "[G]\r\nB=3\r\nC = 4\r\n;note\r\n[D]\r\nX=y\r\n");
        row("missing section appended", "[a]\nx=1", "b", "|", "k=v|=e", "[a]\nx=1\n[b]\nk=v\n=e\n");
    }
    void writes()
    {
        auto [before, section, key, value, after] =
            fetch<QByteArray, QString, QString, QString, QByteArray>(
                {"before", "section", "key", "value", "after"});
        setUp(before);
        QCOMPARE(write(section, key, value, m_file), !after.isEmpty());
        QCOMPARE(bytes(), after.isEmpty() ? before : after);
        const QString fresh = m_dir.filePath("fresh.ini"); // nor is a refused write's file made
        QVERIFY(!after.isEmpty() || (!write(section, key, value, fresh) && !QFile::exists(fresh)));
        QCOMPARE(QDir(m_dir.path()).entryList({"writes*"}).size(), 1); // no temporary file left
    }

    void shortWriteKeepsTheOldFile()
    {
        // Fails and leaves the old file whole, also below QSaveFile's buffer (Qt 6.4 commits).
        setUp("[s]\nk=old\n");
        rlimit saved{};
        getrlimit(RLIMIT_FSIZE, &saved);
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        const auto restore = qScopeGuard([&] {
            setrlimit(RLIMIT_FSIZE, &saved);
            std::signal(SIGXFSZ, oldHandler);
        });
        const rlimit small{4096, saved.rlim_max};
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
        const bool written = WritePrivateProfileString("s", "k", QString(10000, u'x'), m_file);
        QVERIFY(!written && bytes() == "[s]\nk=old\n");
        QCOMPARE(QDir(m_dir.path()).entryList({"short*"}).size(), 1);
    }

    // Written in place: through a link (kept), and in a read-only folder (no new file there).
    void writesInPlace()
    {
        const QString real = m_dir.filePath("real.ini");
        writeFile(real, "[s]\nk=1\n");
        QVERIFY(QFile::link("real.ini", m_file) &&
                WritePrivateProfileString("s", "k", "2", m_file));
        QVERIFY(QFileInfo(m_file).isSymLink() && readFile(real) == "[s]\nk=2\n");
        SKIP_UNLESS_PERMISSIONS_APPLY();
        const auto writable = qScopeGuard(
            [this] { QFile::setPermissions(m_dir.path(), QFile::Permissions(0x7700)); });
        QVERIFY(QFile::setPermissions(m_dir.path(), QFile::ReadOwner | QFile::ExeOwner));
        QVERIFY(WritePrivateProfileString("s", "k", "new", real) &&
                readFile(real) == "[s]\nk=new\n");
        QVERIFY(!WritePrivateProfileString("s", "k", "new", m_dir.filePath("new.ini")));
    }

    void concurrentWritersLoseNothing()
    {
        setUp("; shared by two writers\n[keep]\nk=v\n");
        QProcess a, b;
        a.start(QCoreApplication::applicationFilePath(), {"--keys", m_file, "S", "a"});
        b.start(QCoreApplication::applicationFilePath(), {"--keys", m_file, "s", "b"});
        QVERIFY(a.waitForFinished(60000) && b.waitForFinished(60000));
        QCOMPARE(a.exitCode() + b.exitCode(), 0);
        for (int i = 0; i < 300; ++i)
            for (const char* prefix : {"a", "b"})
                QCOMPARE(GetPrivateProfileString("s", prefix + QString::number(i), "", m_file),
                         QStringLiteral("value-%1").arg(i));
        QCOMPARE(GetPrivateProfileSection("s", m_file).size(), 600);
        QVERIFY(bytes().toLower().startsWith("; shared by two writers\n[keep]\nk=v\n[s]\n"));
    }

    void killedWriterLeavesOldOrNew()
    {
        const QRegularExpression valid("^g\\d+-x{4000}end$");
        QVERIFY(WritePrivateProfileString("other", "stay", "here", m_file));
        QElapsedTimer clock;
        clock.start();
        int kills = 0, reads = 0;
        while (clock.elapsed() < 8000 || kills < 5) {
            QProcess writer;
            writer.start(QCoreApplication::applicationFilePath(), {"--churn", m_file});
            QVERIFY(writer.waitForReadyRead(10000)); // the first round is written
            const qint64 until = clock.elapsed() + QRandomGenerator::global()->bounded(5, 60);
            while (clock.elapsed() < until) {
                for (int i = 0; i < 8; ++i) {
                    const QString value =
                        GetPrivateProfileString("s", "k" + QString::number(i), "missing", m_file);
                    QVERIFY2(valid.match(value).hasMatch(), qPrintable(value.left(40)));
                }
                QCOMPARE(GetPrivateProfileString("other", "stay", "", m_file), QString("here"));
                ++reads;
            }
            ::kill(pid_t(writer.processId()), SIGKILL);
            QVERIFY(writer.waitForFinished(10000));
            QCOMPARE(writer.exitStatus(), QProcess::CrashExit); // it never gave up by itself
            ++kills;
        }
        QVERIFY(reads > kills);
        QVERIFY(WritePrivateProfileString("other", "stay", "still", m_file)); // no lock left
    }
};

KESTREL_TEST_MAIN_WITH(
    QCoreApplication, TestProfile,
    if (argc > 2 && QByteArray(argv[1]).startsWith("--")) return writeAsChild(argv);
    if (const std::optional<int> copied = asuser::dropRoot(argv)) return *copied;)
#include "test_Profile.moc"
