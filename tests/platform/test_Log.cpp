// The log layer (escaping, one-write appends from several real processes, refusals) and
// kestrel-catalogue usage on real log files.
#include "platform/log/LaunchRecord.h"
#include "platform/log/Log.h"
#include "tests/support/TestMain.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>

using namespace platform::log;

namespace {
constexpr int kWriters = 4;
constexpr int kLinesEach = 300;
// Longer than a pipe's atomic size, so a buffered or split write would show.
constexpr int kLineLength = 6000;

QByteArray lineOf(int writer, int n)
{
    return QByteArray::number(writer) + ':' + QByteArray::number(n) + ':' +
           QByteArray(kLineLength, char('a' + writer));
}

QStringList runTool(const QStringList& args, int& exitCode, QByteArray& output)
{
    QProcess tool;
    tool.start(QStringLiteral(KESTREL_CATALOGUE_TOOL), args);
    tool.waitForFinished(60000);
    exitCode = tool.exitCode();
    output = tool.readAllStandardOutput();
    return QString::fromUtf8(tool.readAllStandardError()).split(u'\n', Qt::SkipEmptyParts);
}
} // namespace

class test_Log : public QObject
{
    Q_OBJECT
private slots:
    void fieldsEscapeAndComeBack_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("escaped");
        QTest::addRow("plain") << "Text Editor"
                               << "Text Editor";
        QTest::addRow("tab and breaks") << "a\tb\nc\rd"
                                        << "a\\tb\\nc\\rd";
        QTest::addRow("backslash before n") << "C:\\new"
                                            << "C:\\\\new";
        QTest::addRow("control then hex letters") << "x\x1f"
                                                     "ab\x7f"
                                                  << "x\\x1fab\\x7f";
        QTest::addRow("line separator") << QString("a") + QChar(0x2028) + "b"
                                        << "a\\u2028b";
        QTest::addRow("accents stay") << "Caf\u00e9 \u00fcber"
                                      << "Caf\u00e9 \u00fcber";
    }
    void fieldsEscapeAndComeBack()
    {
        QFETCH(QString, text);
        QFETCH(QString, escaped);
        QCOMPARE(escapeField(text), escaped);
        QString back;
        QVERIFY(unescapeField(escaped, back));
        QCOMPARE(back, text);
    }

    void launchLinesParseBackOrSayWhatIsWrong_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("error");
        LaunchRecord r = launchNow("Odd\tname\n", "/bin/x", false, "No such file");
        QTest::addRow("written by us") << formatLaunchLine(r) << "";
        QTest::addRow("fields missing") << "2026-12-07T10:00:00+01:00\th\tu\tp"
                                        << "4 fields instead of 7";
        QTest::addRow("no offset") << "2026-12-07T10:00:00\th\tu\tp\t/x\tstarted\t"
                                   << "not a time with offset: \"2026-12-07T10:00:00\"";
        QTest::addRow("milliseconds, no offset")
            << "2026-12-07T10:00:00.000\th\tu\tp\t/x\tstarted\t"
            << "not a time with offset: \"2026-12-07T10:00:00.000\"";
        QTest::addRow("bad result") << "2026-12-07T10:00:00+01:00\th\tu\tp\t/x\tok\t"
                                    << "unknown result \"ok\"";
        QTest::addRow("bad escape") << "2026-12-07T10:00:00Z\th\tu\tp\\q\t/x\tstarted\t"
                                    << "bad escape in field 4";
    }
    void launchLinesParseBackOrSayWhatIsWrong()
    {
        QFETCH(QString, line);
        QFETCH(QString, error);
        LaunchRecord record;
        QString said;
        QCOMPARE(parseLaunchLine(line, record, said), error.isEmpty());
        QCOMPARE(said, error);
        if (error.isEmpty()) {
            QVERIFY(!line.contains(u'\n'));
            QCOMPARE(record.program, "Odd\tname\n");
            QCOMPARE(record.reason, "No such file");
            QVERIFY(!record.started && record.when.isValid());
        }
    }

    // Several processes append at once: every line arrives whole.
    void appendsFromSeveralProcessesNeverInterleave()
    {
        QTemporaryDir dir;
        const QString log = dir.filePath("launches.log");
        std::vector<std::unique_ptr<QProcess>> writers;
        for (int w = 0; w < kWriters; ++w) {
            writers.push_back(std::make_unique<QProcess>());
            writers.back()->start(QCoreApplication::applicationFilePath(),
                                  {"--append", log, QString::number(w)});
        }
        for (auto& writer : writers) {
            QVERIFY(writer->waitForFinished(60000));
            QCOMPARE(writer->readAll(), "ok\n");
        }
        QFile file(log);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QList<int> next(kWriters, 0);
        int lines = 0;
        while (!file.atEnd()) {
            const QByteArray line = file.readLine().chopped(1);
            const int w = line.left(1).toInt();
            QCOMPARE(line, lineOf(w, next[w]++)); // whole, and each writer's in order
            ++lines;
        }
        QCOMPARE(lines, kWriters * kLinesEach);
    }

    void appendRefusesWithoutBlocking_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("error");
        QTest::addRow("folder") << "folder"
                                << "Is a directory";
        QTest::addRow("fifo") << "fifo"
                              << "not a regular file";
        QTest::addRow("file size limit") << "full"
                                         << "the disk is full";
        QTest::addRow("missing folder") << "missing"
                                        << "No such file or directory";
    }
    void appendRefusesWithoutBlocking()
    {
        QFETCH(QString, kind);
        QFETCH(QString, error);
        QTemporaryDir dir;
        QString path = dir.filePath("log");
        rlimit saved{};
        ::getrlimit(RLIMIT_FSIZE, &saved);
        if (kind == "folder")
            QVERIFY(QDir().mkdir(path));
        else if (kind == "fifo")
            QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0644), 0);
        else if (kind == "missing")
            path = dir.filePath("gone/log");
        else {
            // Only 10 bytes more fit: the write comes up short, as on a full disk.
            QString unused;
            QVERIFY(appendLine(path, "first", unused));
            std::signal(SIGXFSZ, SIG_IGN);
            rlimit small = saved;
            small.rlim_cur = 16;
            QCOMPARE(::setrlimit(RLIMIT_FSIZE, &small), 0);
        }
        QString said;
        const bool ok = appendLine(path, QByteArray(100, 'x'), said);
        ::setrlimit(RLIMIT_FSIZE, &saved);
        QVERIFY(!ok);
        QCOMPARE(said, error);
    }

    // kestrel-catalogue usage: counts per program, host and day, failures with reasons;
    // a malformed line is named by file and line and the rest still counts.
    void usageSummarisesAndReportsBadLines()
    {
        QTemporaryDir dir;
        const QString a = dir.filePath("a.log"), b = dir.filePath("b.log");
        const auto line = [](const char* when, const char* host, const char* user,
                             const QString& program, bool started, const char* reason = "") {
            LaunchRecord r{QDateTime::fromString(when, Qt::ISODate),
                           host,
                           user,
                           program,
                           "/usr/bin/x",
                           started,
                           reason};
            return formatLaunchLine(r).toUtf8() + '\n';
        };
        QFile fa(a), fb(b);
        QVERIFY(fa.open(QIODevice::WriteOnly) && fb.open(QIODevice::WriteOnly));
        fa.write(line("2026-12-06T23:30:00+01:00", "lab-01", "ann", "Editor", true));
        fa.write(line("2026-12-07T08:00:00+01:00", "lab-01", "bob", "Editor", true));
        fa.write("garbage without tabs\n");
        fa.write(line("2026-12-07T08:05:00+01:00", "lab-01", "bob", "Tab\tName", false,
                      "Permission denied"));
        fb.write(line("2026-12-07T09:00:00-05:00", "lab-02", "ann", "Editor", false,
                      "Permission denied"));
        fa.close();
        fb.close();

        int code = 0;
        QByteArray output;
        const QStringList errors =
            runTool({"usage", a, b, dir.filePath("none.log"), "--json"}, code, output);
        QCOMPARE(code, 1);
        QCOMPARE(errors.size(), 2);
        QCOMPARE(errors[0],
                 QString("kestrel-catalogue: %1:3: malformed line (1 fields instead of 7)").arg(a));
        QVERIFY(
            errors[1].startsWith(QString("kestrel-catalogue: %1: ").arg(dir.filePath("none.log"))));

        const QJsonObject root = QJsonDocument::fromJson(output).object();
        const auto compact = [&](const char* key) {
            return QString::fromUtf8(
                QJsonDocument(root[key].toArray()).toJson(QJsonDocument::Compact));
        };
        QCOMPARE(compact("programs"),
                 R"([{"failed":1,"hosts":2,"launches":3,"program":"Editor","users":2},)"
                 R"({"failed":1,"hosts":1,"launches":1,"program":"Tab\tName","users":1}])");
        QCOMPARE(compact("hosts"), R"([{"failed":1,"host":"lab-01","launches":3},)"
                                   R"({"failed":1,"host":"lab-02","launches":1}])");
        QCOMPARE(compact("days"), R"([{"day":"2026-12-06","failed":0,"launches":1},)"
                                  R"({"day":"2026-12-07","failed":2,"launches":3}])");
        QCOMPARE(compact("failures"),
                 R"([{"count":1,"program":"Editor","reason":"Permission denied"},)"
                 R"({"count":1,"program":"Tab\tName","reason":"Permission denied"}])");

        // The table form keeps an odd name on one line.
        runTool({"usage", b, a}, code, output);
        QCOMPARE(code, 1);
        QVERIFY(output.contains("Tab\\tName"));
        QVERIFY(output.startsWith(
            "Programs\nPROGRAM    LAUNCHES  FAILED  HOSTS  USERS\nEditor     3 "));
    }
};

int main(int argc, char** argv)
{
    kestreltest::isolateUserFolders();
    QCoreApplication app(argc, argv);
    if (argc == 4 && qstrcmp(argv[1], "--append") == 0) {
        const QString path = QString::fromLocal8Bit(argv[2]);
        const int writer = QByteArray(argv[3]).toInt();
        bool ok = true;
        QString error;
        for (int n = 0; n < kLinesEach; ++n)
            ok = appendLine(path, lineOf(writer, n), error) && ok;
        std::puts(ok ? "ok" : qPrintable(error));
        return 0;
    }
    test_Log test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_Log.moc"
