#include "platform/profile/Profile.h"
#include "platform/profile/ProfileText.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/resource.h>
#include <unistd.h>

using namespace platform::profile;

namespace {

// Stands for "no such file" in the data rows.
const QByteArray kMissing("<missing>");

void writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}

QByteArray readBytes(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return kMissing;
    return file.readAll();
}

} // namespace

class TestProfile : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;
    QString m_file;

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        // The system profile goes to a folder that does not exist yet.
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_dir.filePath("config")));
    }
    void init()
    {
        m_file = m_dir.filePath(QStringLiteral("%1.ini").arg(QTest::currentTestFunction()));
    }
    void cleanup() { QFile::remove(m_file); }

    void stringReads_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("expected"); // with the default "def"

        const QByteArray f1 = "[section1]\r\nname1=val1\r\nname2=\"val2\"\r\nname3\r\nname4=\r\n"
                              "[section2]\r\n";
        QTest::addRow("found") << f1 << "section1"
                               << "name1"
                               << "val1";
        QTest::addRow("case of names ignored") << f1 << "SECTION1"
                                               << "NaMe1"
                                               << "val1";
        QTest::addRow("caller's blanks ignored") << f1 << " section1\t"
                                                 << " name1 "
                                                 << "val1";
        QTest::addRow("missing key") << f1 << "section1"
                                     << "nokey"
                                     << "def";
        QTest::addRow("missing section") << f1 << "nosection"
                                         << "name1"
                                         << "def";
        QTest::addRow("missing file") << kMissing << "section1"
                                      << "name1"
                                      << "def";
        QTest::addRow("empty value is not the default") << f1 << "section1"
                                                        << "name4"
                                                        << "";
        QTest::addRow("line without = is not a key") << f1 << "section1"
                                                     << "name3"
                                                     << "def";
        QTest::addRow("empty names match nothing") << f1 << ""
                                                   << ""
                                                   << "def";
        QTest::addRow("bare CR line ends") << QByteArray("[s]\rk=v\r") << "s"
                                           << "k"
                                           << "v";
        QTest::addRow("LF line ends") << QByteArray("[s]\nk=v") << "s"
                                      << "k"
                                      << "v";
        QTest::addRow("BOM before the first header") << QByteArray("\xEF\xBB\xBF[s]\nk=v\n") << "s"
                                                     << "k"
                                                     << "v";
        QTest::addRow("blanks around everything")
            << QByteArray("  [ s\t]  \n\t k \t=  v w \t\n") << "s"
            << "k"
            << "v w";
        QTest::addRow("outer double quotes")
            << QByteArray("[s]\nk = \"  /srv/my data/k.mdb \"  \n") << "s"
            << "k"
            << "  /srv/my data/k.mdb ";
        QTest::addRow("outer single quotes") << QByteArray("[s]\nk='v'\n") << "s"
                                             << "k"
                                             << "v";
        QTest::addRow("only the outer pair") << QByteArray("[s]\nk='\"v\"'\n") << "s"
                                             << "k"
                                             << "\"v\"";
        QTest::addRow("unpaired quotes kept") << QByteArray("[s]\nk=\"v'\n") << "s"
                                              << "k"
                                              << "\"v'";
        QTest::addRow("single quote char kept") << QByteArray("[s]\nk=\"\n") << "s"
                                                << "k"
                                                << "\"";
        QTest::addRow("quotes in names are literal") << QByteArray("[s]\n\"k\"=v\n") << "s"
                                                     << "k"
                                                     << "def";
        QTest::addRow("; and # inside a value") << QByteArray("[s]\nk=a;b # c\n") << "s"
                                                << "k"
                                                << "a;b # c";
        QTest::addRow("comment line") << QByteArray("[s]\n  ;k=v\n") << "s"
                                      << "k"
                                      << "def";
        QTest::addRow("comment line by its own name") << QByteArray("[s]\n;k=v\n") << "s"
                                                      << ";k"
                                                      << "def";
        QTest::addRow("# starts no comment") << QByteArray("[s]\n#k=v\n") << "s"
                                             << "#k"
                                             << "v";
        QTest::addRow("header ends at its first ]") << QByteArray("[sec]whoops]\nk=v\n") << "sec"
                                                    << "k"
                                                    << "v";
        QTest::addRow("text after ] is no entry") << QByteArray("[s]k=v\n") << "s"
                                                  << "k"
                                                  << "def";
        QTest::addRow("header without ]") << QByteArray("[s  \nk=v\n") << "s"
                                          << "k"
                                          << "v";
        QTest::addRow("no header without [") << QByteArray("s]\nk=v\n") << "s"
                                             << "k"
                                             << "def";
        QTest::addRow("lines before the first header") << QByteArray("k=v\n[s]\n") << ""
                                                       << "k"
                                                       << "def";
        QTest::addRow("empty header") << QByteArray("[]\nk=v\n") << ""
                                      << "k"
                                      << "v";
        QTest::addRow("empty key") << QByteArray("[s]\n=v\n") << "s"
                                   << ""
                                   << "v";
        QTest::addRow("first of two keys") << QByteArray("[s]\nk=1\nK=2\n") << "s"
                                           << "k"
                                           << "1";
        QTest::addRow("only the first of two sections") << QByteArray("[s]\n[S]\nk=v\n") << "s"
                                                        << "k"
                                                        << "def";
        QTest::addRow("UTF-8 case folding") << QByteArray("[Größe]\nÄrger=Übel\n") << "GRÖßE"
                                            << "ärger"
                                            << "Übel";
    }
    void stringReads()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, section);
        QFETCH(QString, key);
        if (content != kMissing)
            writeBytes(m_file, content);
        QTEST(GetPrivateProfileString(section, key, "def", m_file), "expected");
    }

    void defaults()
    {
        QCOMPARE(GetPrivateProfileString("s", "k", "  def  ", m_file), QString("  def"));
        QCOMPARE(GetPrivateProfileString("s", "k", "def\t", m_file), QString("def\t"));
        QCOMPARE(GetPrivateProfileString("s", "k", QString(), m_file), QString(""));
        QCOMPARE(GetPrivateProfileString("s", "k", "def", QString()), QString("def"));
    }

    void intReads_data()
    {
        QTest::addColumn<QByteArray>("stored"); // the value, or kMissing for no key
        QTest::addColumn<int>("expected");      // with the default 99
        QTest::addRow("number") << QByteArray("123") << 123;
        QTest::addRow("negative stays signed") << QByteArray("-7") << -7;
        QTest::addRow("beyond 16 bits") << QByteArray("70000") << 70000;
        QTest::addRow("plus sign") << QByteArray("+5") << 5;
        QTest::addRow("stops at other text") << QByteArray("2 clicks") << 2;
        QTest::addRow("word gives 0") << QByteArray("yes") << 0;
        QTest::addRow("sign alone gives 0") << QByteArray("-") << 0;
        QTest::addRow("blanks and quotes") << QByteArray("  \"42\"  ") << 42;
        QTest::addRow("empty gives the default") << QByteArray("") << 99;
        QTest::addRow("missing gives the default") << kMissing << 99;
        QTest::addRow("wraps to 32 bits") << QByteArray("4294967295") << -1;
        QTest::addRow("hex is not read") << QByteArray("0x10") << 0;
    }
    void intReads()
    {
        QFETCH(QByteArray, stored);
        writeBytes(m_file, stored == kMissing ? QByteArray("[s]\n") : "[s]\nk=" + stored + "\n");
        QTEST(int(GetPrivateProfileInt("S", "K", 99, m_file)), "expected");
    }

    void sectionRead()
    {
        writeBytes(m_file, "[a]\nx=1\n[General]\r\n A = 1 \r\n;comment\r\n\r\nbare line \r\n"
                           "=empty key\r\nk=v=w\r\nq=\"quoted\"\r\n[b]\ny=2");
        QCOMPARE(GetPrivateProfileSection("general", m_file),
                 QStringList({"A=1", "bare line", "=empty key", "k=v=w", "q=\"quoted\""}));
        QCOMPARE(GetPrivateProfileSection("b", m_file), QStringList({"y=2"}));
        QCOMPARE(GetPrivateProfileSection("missing", m_file), QStringList());
        QCOMPARE(GetPrivateProfileSection("a", m_dir.filePath("missing.ini")), QStringList());
    }

    void stringWrites_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QByteArray>("after");

        QTest::addRow("new file") << kMissing << "Database"
                                  << "Path"
                                  << "/a b" << QByteArray("[Database]\nPath=/a b\n");
        QTest::addRow("new section at the end, missing line end added")
            << QByteArray("[a]\r\nx=1") << "b"
            << "k"
            << "v" << QByteArray("[a]\r\nx=1\r\n[b]\r\nk=v\r\n");
        QTest::addRow("new key after the last entry, before blank line and comment")
            << QByteArray("[a]\nx=1\n\n; about b\n[b]\n") << "A"
            << "y"
            << "2" << QByteArray("[a]\nx=1\ny=2\n\n; about b\n[b]\n");
        QTest::addRow("new key in an empty section") << QByteArray("[a]\n[b]\nz=0\n") << "a"
                                                     << "k"
                                                     << "" << QByteArray("[a]\nk=\n[b]\nz=0\n");
        QTest::addRow("replace keeps stored spelling and line ends")
            << QByteArray("[SectionName]\r\n  TestKey = old ; x\r\nOther=1\r\n") << "SECTIONNAME"
            << "TESTKEY"
            << "New" << QByteArray("[SectionName]\r\nTestKey=New\r\nOther=1\r\n");
        QTest::addRow("replace the first of two keys") << QByteArray("[s]\nk=1\nk=2\n") << "s"
                                                       << "k"
                                                       << "3" << QByteArray("[s]\nk=3\nk=2\n");
        QTest::addRow("value written verbatim")
            << QByteArray("[s]\n") << "s"
            << "k"
            << " \"v\" ; #" << QByteArray("[s]\nk= \"v\" ; #\n");
        QTest::addRow("caller's blanks around names dropped") << kMissing << " s\t"
                                                              << "\tk "
                                                              << "v" << QByteArray("[s]\nk=v\n");
        QTest::addRow("BOM, garbage and odd lines kept")
            << QByteArray("\xEF\xBB\xBFjunk \0 \xFF\n  [ s ] ; c\n\t other \t= 1 \nk=v\n", 42)
            << "s"
            << "k"
            << "w"
            << QByteArray("\xEF\xBB\xBFjunk \0 \xFF\n  [ s ] ; c\n\t other \t= 1 \nk=w\n", 42);
        QTest::addRow("BOM-only file") << QByteArray("\xEF\xBB\xBF") << "s"
                                       << "k"
                                       << "v" << QByteArray("\xEF\xBB\xBF[s]\nk=v\n");
        QTest::addRow("writes into the first of two sections")
            << QByteArray("[s]\n[s]\nk=1\n") << "s"
            << "k"
            << "2" << QByteArray("[s]\nk=2\n[s]\nk=1\n");
        QTest::addRow("bare CR file gets CR LF lines") << QByteArray("[s]\r\rk=1\r") << "s"
                                                       << "j"
                                                       << "2" << QByteArray("[s]\r\rk=1\rj=2\r\n");
        QTest::addRow("null value removes the key, header stays")
            << QByteArray("[s]\r\nk=1\r\n;c\r\n[t]\r\nk=2\r\n") << "S"
            << "K" << QString() << QByteArray("[s]\r\n;c\r\n[t]\r\nk=2\r\n");
        QTest::addRow("removing a missing key changes nothing")
            << QByteArray("[s]\nj=1") << "s"
            << "k" << QString() << QByteArray("[s]\nj=1");
        QTest::addRow("removing from a missing file creates nothing")
            << kMissing << "s"
            << "k" << QString() << kMissing;
        QTest::addRow("null key removes every section of the name, comments stay")
            << QByteArray(";c0\n[App1]\n;c1\nk=1\nbare\n\n[App2]\nk=2\n[app1]\nk=3\n") << "APP1"
            << QString() << "ignored" << QByteArray(";c0\n;c1\n\n[App2]\nk=2\n");
        QTest::addRow("empty section name") << kMissing << ""
                                            << "k"
                                            << "v" << QByteArray("[]\nk=v\n");
    }
    void stringWrites()
    {
        QFETCH(QByteArray, before);
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QString, value);
        if (before != kMissing)
            writeBytes(m_file, before);
        QVERIFY(WritePrivateProfileString(section, key, value, m_file));
        QTEST(readBytes(m_file), "after");
        // Nothing but the file itself is left beside it.
        const QStringList left =
            QDir(m_dir.path()).entryList({"stringWrites*"}, QDir::Files | QDir::Hidden);
        QCOMPARE(left, readBytes(m_file) == kMissing ? QStringList()
                                                     : QStringList(QFileInfo(m_file).fileName()));
    }

    void sectionWrites_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QString>("section");
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<QByteArray>("after");
        const QByteArray file = "[General]\r\nA=1\r\n;note\r\nbare\r\nB=2\r\n[Database]\r\nX=y\r\n";
        QTest::addRow("replaces entries, keeps header spelling and comments")
            << file << "general" << QStringList({"B=3", "C = 4", "no equals sign"})
            << QByteArray("[General]\r\nB=3\r\nC = 4\r\n;note\r\n[Database]\r\nX=y\r\n");
        QTest::addRow("empty list leaves the bare header")
            << file << "GENERAL" << QStringList()
            << QByteArray("[General]\r\n;note\r\n[Database]\r\nX=y\r\n");
        QTest::addRow("missing section appended")
            << QByteArray("[a]\nx=1") << "b" << QStringList({"k=v", "=e"})
            << QByteArray("[a]\nx=1\n[b]\nk=v\n=e\n");
        QTest::addRow("empty list, missing section: nothing")
            << QByteArray("[a]\n") << "b" << QStringList() << QByteArray("[a]\n");
        QTest::addRow("empty list, missing file: nothing")
            << kMissing << "b" << QStringList() << kMissing;
    }
    void sectionWrites()
    {
        QFETCH(QByteArray, before);
        QFETCH(QString, section);
        QFETCH(QStringList, entries);
        if (before != kMissing)
            writeBytes(m_file, before);
        QVERIFY(WritePrivateProfileSection(section, entries, m_file));
        QTEST(readBytes(m_file), "after");
    }

    void defaultSettingsFile()
    {
        // The seven writes that create a settings file, in their order.
        const QStringList writes = {"Database", "DatabasePath",          "/opt/k/data/Kestrel.mdb",
                                    "General",  "RequireLogin",          "0",
                                    "General",  "ShowToolbar",           "0",
                                    "General",  "NumberOfClicks",        "2",
                                    "General",  "DefaultIcon",           "/opt/k/Default.ico",
                                    "General",  "DefaultDialogIconPath", "/opt/k/icons",
                                    "General",  "DefaultDialogDBPath",   "/opt/k/data"};
        for (qsizetype i = 0; i < writes.size(); i += 3)
            QVERIFY(WritePrivateProfileString(writes[i], writes[i + 1], writes[i + 2], m_file));
        QCOMPARE(readBytes(m_file),
                 QByteArray("[Database]\nDatabasePath=/opt/k/data/Kestrel.mdb\n[General]\n"
                            "RequireLogin=0\nShowToolbar=0\nNumberOfClicks=2\n"
                            "DefaultIcon=/opt/k/Default.ico\nDefaultDialogIconPath=/opt/k/icons\n"
                            "DefaultDialogDBPath=/opt/k/data\n"));
        QCOMPARE(GetPrivateProfileInt("general", "NumberofClicks", 0, m_file), 2);
    }

    void refusedWrites_data()
    {
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::addRow("LF in value") << "s"
                                     << "k"
                                     << "v\n[x]";
        QTest::addRow("CR in value") << "s"
                                     << "k"
                                     << "v\rk2=w";
        QTest::addRow("line break in key") << "s"
                                           << "k\nj"
                                           << "v";
        QTest::addRow("line break in section") << "s\r\n"
                                               << "k"
                                               << "v";
        QTest::addRow("] in section") << "s]x"
                                      << "k"
                                      << "v";
        QTest::addRow("= in key") << "s"
                                  << "k=j"
                                  << "v";
        QTest::addRow("key starting a header") << "s"
                                               << " [x"
                                               << "v";
        QTest::addRow("key starting a comment") << "s"
                                                << ";k"
                                                << "v";
        QTest::addRow("null section") << QString() << "k"
                                      << "v";
        QTest::addRow("line break in a section delete") << "s\n" << QString() << QString();
    }
    void refusedWrites()
    {
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QString, value);
        QVERIFY(!WritePrivateProfileString(section, key, value, m_file));
        QVERIFY(!QFile::exists(m_file));
        const QByteArray original = "[s]\nk=old\n";
        writeBytes(m_file, original);
        QVERIFY(!WritePrivateProfileString(section, key, value, m_file));
        QCOMPARE(readBytes(m_file), original);
    }

    void refusedSectionWrites_data()
    {
        QTest::addColumn<QString>("section");
        QTest::addColumn<QStringList>("entries");
        QTest::addRow("line break in entry") << "s" << QStringList({"a=1", "b=2\n[x]"});
        QTest::addRow("entry starting a header") << "s" << QStringList({"[x=1"});
        QTest::addRow("entry starting a comment") << "s" << QStringList({" ;x=1"});
        QTest::addRow("] in section") << "s]" << QStringList({"a=1"});
        QTest::addRow("null section") << QString() << QStringList({"a=1"});
    }
    void refusedSectionWrites()
    {
        QFETCH(QString, section);
        QFETCH(QStringList, entries);
        const QByteArray original = "[s]\nk=old\n";
        writeBytes(m_file, original);
        QVERIFY(!WritePrivateProfileSection(section, entries, m_file));
        QCOMPARE(readBytes(m_file), original);
    }

    void flushAnswersTrue()
    {
        QVERIFY(WritePrivateProfileString(QString(), QString(), QString(), m_file));
        QVERIFY(!QFile::exists(m_file));
    }

    void failedWritesReported_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addRow("missing folder") << "nofolder/x.ini";
        QTest::addRow("path is a folder") << "folder";
        QTest::addRow("parent is a file") << "plain/x.ini";
        QTest::addRow("empty path") << "";
    }
    void failedWritesReported()
    {
        QFETCH(QString, path);
        QDir(m_dir.path()).mkpath("folder");
        writeBytes(m_dir.filePath("plain"), "x");
        const QString file = path.isEmpty() ? path : m_dir.filePath(path);
        QVERIFY(!WritePrivateProfileString("s", "k", "v", file));
        QVERIFY(!WritePrivateProfileSection("s", {"k=v"}, file));
        QVERIFY(!QFile::exists(m_dir.filePath("nofolder")));
        QCOMPARE(GetPrivateProfileString("s", "k", "def", file), QString("def"));
    }

    void shortWriteKeepsTheOldFile()
    {
        // A save that hits the file size limit must fail and leave the old file whole, also
        // when the data is smaller than QSaveFile's buffer (where Qt 6.4 commits anyway).
        const QByteArray original = "[s]\nk=old\n";
        writeBytes(m_file, original);
        rlimit saved{};
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit small = saved;
        small.rlim_cur = 4096;
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
        const bool written = WritePrivateProfileString("s", "k", QString(10000, u'x'), m_file);
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, oldHandler);
        QVERIFY(!written);
        QCOMPARE(readBytes(m_file), original);
        QCOMPARE(QDir(m_dir.path()).entryList({"shortWrite*"}, QDir::Files),
                 QStringList({"shortWriteKeepsTheOldFile.ini"}));
    }

    void readOnlyFileAndFolder()
    {
        if (geteuid() == 0)
            QSKIP("permissions do not bind root");
        const QByteArray original = "[s]\nk=old\n";
        writeBytes(m_file, original);
        QFile::setPermissions(m_file, QFile::ReadOwner);
        QVERIFY(!WritePrivateProfileString("s", "k", "new", m_file));
        QCOMPARE(readBytes(m_file), original);

        // In a read-only folder a writable file is still written, in place.
        const QString folder = m_dir.filePath("ro");
        QVERIFY(QDir().mkpath(folder));
        const QString file = folder + "/x.ini";
        writeBytes(file, original);
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner);
        QVERIFY(WritePrivateProfileString("s", "k", "new", file));
        QVERIFY(!WritePrivateProfileString("s", "k", "new", folder + "/new.ini"));
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QCOMPARE(readBytes(file), QByteArray("[s]\nk=new\n"));
    }

    void writesThroughSymlinkKeepTheLink()
    {
        const QString real = m_dir.filePath("real.ini");
        writeBytes(real, "[s]\nk=1\n");
        QVERIFY(QFile::link(real, m_file));
        QVERIFY(WritePrivateProfileString("s", "k", "2", m_file));
        QVERIFY(QFileInfo(m_file).isSymLink());
        QCOMPARE(readBytes(real), QByteArray("[s]\nk=2\n"));
    }

    void readsFollowTheDisk()
    {
        writeBytes(m_file, "[Test]\nProfileInt=123\n");
        QCOMPARE(GetPrivateProfileInt("Test", "ProfileInt", 0, m_file), 123);
        writeBytes(m_file, "[Test]\nProfileInt=124\n");
        QCOMPARE(GetPrivateProfileInt("Test", "ProfileInt", 0, m_file), 124);
        QFile::remove(m_file);
        QCOMPARE(GetPrivateProfileInt("Test", "ProfileInt", 421, m_file), 421);
    }

    void wholeValuesNoCut()
    {
        const QString longValue = QString(70000, u'p') + "/end";
        QVERIFY(WritePrivateProfileString("s", "k", longValue, m_file));
        QCOMPARE(GetPrivateProfileString("s", "k", "", m_file), longValue);
        QStringList entries;
        for (int i = 0; i < 500; ++i)
            entries.append(QStringLiteral("key%1=%2").arg(i).arg(QString(20, u'v')));
        QVERIFY(WritePrivateProfileSection("big", entries, m_file));
        QCOMPARE(GetPrivateProfileSection("big", m_file), entries);
    }

    void awkwardFiles_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("expected"); // of [s] k, default "def"
        QByteArray garbage(64 * 1024, '\0');
        QRandomGenerator rng(42);
        for (char& c : garbage)
            c = char(rng.bounded(256));
        QTest::addRow("binary garbage") << garbage + "\n[s]\nk=v\n"
                                        << "v";
        QTest::addRow("NULs in lines")
            << QByteArray("[s]\nk=a\0b\n\0\0\0\n", 14) << QString::fromLatin1("a\0b", 3);
        QTest::addRow("1 MiB line") << "[s]\n" + QByteArray(1 << 20, 'z') + "\nk=v"
                                    << "v";
        QTest::addRow("1 MiB value")
            << "[s]\nk=" + QByteArray(1 << 20, 'z') << QString(1 << 20, u'z');
        QTest::addRow("1 MiB header") << "[" + QByteArray(1 << 20, 's') + "\n[s]\nk=v"
                                      << "v";
        QTest::addRow("only line ends") << QByteArray(100000, '\r') << "def";
        QTest::addRow("duplicate sections") << QByteArray("[s]\nj=1\n[t]\n[S]\nk=2\n") << "def";
        QTest::addRow("invalid UTF-8")
            << QByteArray("[s]\nk=\xC3\x28\xFF\n") << QString("\uFFFD(\uFFFD");
    }
    void awkwardFiles()
    {
        QFETCH(QByteArray, content);
        writeBytes(m_file, content);
        QTEST(GetPrivateProfileString("s", "k", "def", m_file), "expected");
        (void)GetPrivateProfileSection("s", m_file);
        // A write keeps everything it does not own.
        QVERIFY(WritePrivateProfileString("added", "x", "1", m_file));
        const QByteArray after = readBytes(m_file);
        QVERIFY(after.startsWith(content));
        QCOMPARE(GetPrivateProfileString("added", "x", "def", m_file), QString("1"));
    }

    void systemProfile()
    {
        const QString folder = m_dir.filePath("config");
        QCOMPARE(GetWindowsDirectory(), folder);
        QCOMPARE(systemProfilePath(), folder + "/WIN.INI");
        QCOMPARE(GetProfileString("windows", "x", "def"), QString("def"));
        QVERIFY(WriteProfileString("windows", "x", "5"));
        QCOMPARE(GetProfileInt("WINDOWS", "X", 0), 5);
        QVERIFY(WriteProfileSection("fonts", {"a=1"}));
        QCOMPARE(GetProfileSection("fonts"), QStringList({"a=1"}));
        QCOMPARE(readBytes(folder + "/WIN.INI"), QByteArray("[windows]\nx=5\n[fonts]\na=1\n"));
    }

    void concurrentWritersLoseNothing()
    {
        writeBytes(m_file, "; shared by two writers\n[keep]\nk=v\n");
        QProcess a;
        QProcess b;
        a.start(PROFILE_WRITER, {"keys", m_file, "S", "a", "300"});
        b.start(PROFILE_WRITER, {"keys", m_file, "s", "b", "300"});
        QVERIFY(a.waitForFinished(60000));
        QVERIFY(b.waitForFinished(60000));
        QCOMPARE(a.exitCode(), 0);
        QCOMPARE(b.exitCode(), 0);
        for (int i = 0; i < 300; ++i) {
            const QString expected = QStringLiteral("value-%1").arg(i);
            QCOMPARE(GetPrivateProfileString("s", QStringLiteral("a%1").arg(i), "", m_file),
                     expected);
            QCOMPARE(GetPrivateProfileString("s", QStringLiteral("b%1").arg(i), "", m_file),
                     expected);
        }
        QCOMPARE(GetPrivateProfileSection("s", m_file).size(), 600);
        QVERIFY(
            readBytes(m_file).toLower().startsWith("; shared by two writers\n[keep]\nk=v\n[s]\n"));
    }

    void killedWriterLeavesOldOrNew()
    {
        const int keys = 8;
        const int padding = 4000;
        const QRegularExpression valid(QStringLiteral("^g\\d+-x{%1}end$").arg(padding));
        QStringList entries;
        for (int i = 0; i < keys; ++i)
            entries.append(QStringLiteral("k%1=g0-%2end").arg(i).arg(QString(padding, u'x')));
        QVERIFY(WritePrivateProfileSection("s", entries, m_file));
        QVERIFY(WritePrivateProfileString("other", "stay", "here", m_file));

        QElapsedTimer clock;
        clock.start();
        int kills = 0;
        int reads = 0;
        QRandomGenerator rng(7);
        while (clock.elapsed() < 8000 || kills < 5) {
            QProcess writer;
            writer.start(PROFILE_WRITER,
                         {"churn", m_file, "s", QString::number(keys), QString::number(padding)});
            QVERIFY(writer.waitForReadyRead(10000));
            QElapsedTimer alive;
            alive.start();
            const int lifetime = int(rng.bounded(5, 60));
            while (alive.elapsed() < lifetime) {
                const QStringList section = GetPrivateProfileSection("s", m_file);
                QCOMPARE(section.size(), keys);
                for (int i = 0; i < keys; ++i) {
                    const QString value = GetPrivateProfileString("s", QStringLiteral("k%1").arg(i),
                                                                  "missing", m_file);
                    QVERIFY2(valid.match(value).hasMatch(), qPrintable(value.left(40)));
                }
                QCOMPARE(GetPrivateProfileString("other", "stay", "", m_file), QString("here"));
                ++reads;
            }
            ::kill(pid_t(writer.processId()), SIGKILL);
            QVERIFY(writer.waitForFinished(10000));
            QCOMPARE(writer.exitStatus(), QProcess::CrashExit);
            ++kills;
        }
        QVERIFY(reads > kills);
        // A lock left by a killed writer does not block the next one.
        QElapsedTimer write;
        write.start();
        QVERIFY(WritePrivateProfileString("other", "stay", "still", m_file));
        QVERIFY(write.elapsed() < 5000);
        QCOMPARE(GetPrivateProfileSection("s", m_file).size(), keys);
        qInfo("%d writers killed, %d full reads", kills, reads);
    }
};

QTEST_GUILESS_MAIN(TestProfile)
#include "test_Profile.moc"
