// The log layer (escaping, appends from several processes, refusals) and the tool's usage.
#include "platform/log/LaunchRecord.h"
#include "platform/log/Log.h"
#include "tests/support/TestFiles.h"
#include "tests/support/TestMain.h"

#include <QJsonDocument>
#include <QProcess>
#include <csignal>
#include <sys/resource.h>

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

// The tool's exit code and standard error, then its standard output.
std::pair<QString, QByteArray> runTool(const QStringList& args)
{
    QProcess tool;
    tool.start(QStringLiteral(KESTREL_CATALOGUE_TOOL), args);
    tool.waitForFinished(60000);
    return {QString::number(tool.exitCode()) + '|' + tool.readAllStandardError(),
            tool.readAllStandardOutput()};
}

// A child of the append test (--append PATH WRITER): writes its lines, says "ok" or why not.
int appendAll(char** argv)
{
    bool ok = true;
    QString error;
    for (int n = 0; n < kLinesEach; ++n)
        ok &= appendLine(QString::fromLocal8Bit(argv[2]), lineOf(std::atoi(argv[3]), n), error);
    return std::puts(ok ? "ok" : qPrintable(error)), 0;
}
} // namespace

class test_Log : public QObject
{
    Q_OBJECT
private slots:
    void fieldsEscapeAndComeBack_data()
    {
        const auto row = columns<QString, QString>({"text", "escaped"});
        row("tab and breaks", "a\tb\nc\rd", "a\\tb\\nc\\rd");
        row("backslash before n", "C:\\new", "C:\\\\new");
        row("control then hex letters", "x\u001fab\x7f", "x\\x1fab\\x7f");
        row("line separator", QString("a") + QChar(0x2028) + "b", "a\\u2028b");
        row("accents stay", "Caf\u00e9 \u00fcber", "Caf\u00e9 \u00fcber");
    }
    void fieldsEscapeAndComeBack()
    {
        auto [text, escaped] = fetch<QString, QString>({"text", "escaped"});
        QCOMPARE(escapeField(text), escaped);
        QString back;
        QVERIFY(unescapeField(escaped, back));
        QCOMPARE(back, text);
    }

    // Several processes append at once: every line arrives whole.
    void appendsFromSeveralProcessesNeverInterleave()
    {
        QTemporaryDir dir;
        const QString log = dir.filePath("launches.log");
        QProcess writers[kWriters];
        for (int w = 0; w < kWriters; ++w)
            writers[w].start(QCoreApplication::applicationFilePath(),
                             {"--append", log, QString::number(w)});
        for (QProcess& writer : writers) {
            QVERIFY(writer.waitForFinished(60000));
            QCOMPARE(writer.readAll(), "ok\n");
        }
        const QList<QByteArray> lines = readFile(log).trimmed().split('\n');
        QCOMPARE(lines.size(), kWriters * kLinesEach);
        QList<int> next(kWriters, 0);
        for (const QByteArray& line : lines) // whole, and each writer's in order
            QCOMPARE(line, lineOf(line.left(1).toInt(), next[line.left(1).toInt()]++));
    }

    void appendRefusesWithoutBlocking_data()
    {
        const auto row = columns<QString>({"error"}); // the tag is the obstacle
        row("folder", "Is a directory");
        row("fifo", "is a named pipe (FIFO), not a regular file");
        row("link", "is a symbolic link, not followed");
        row("file size limit", "the disk is full");
        row("missing folder", "No such file or directory");
    }
    void appendRefusesWithoutBlocking()
    {
        const QString kind = QTest::currentDataTag();
        QTemporaryDir dir;
        QString path = dir.filePath("log");
        rlimit saved{};
        ::getrlimit(RLIMIT_FSIZE, &saved);
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        const auto restore = qScopeGuard([&] {
            ::setrlimit(RLIMIT_FSIZE, &saved);
            std::signal(SIGXFSZ, oldHandler);
        });
        if (kind == "folder")
            QVERIFY(QDir().mkdir(path));
        else if (kind == "fifo")
            QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0644), 0);
        else if (kind == "link") // to a decoy that stays empty
            QVERIFY(QFile(dir.filePath("decoy")).open(QIODevice::WriteOnly) &&
                    QFile::link(dir.filePath("decoy"), path));
        else if (kind == "missing folder")
            path = dir.filePath("gone/log");
        else {
            // Only 10 bytes more fit: the write comes up short, as on a full disk.
            QString unused;
            QVERIFY(appendLine(path, "first", unused));
            const rlimit small{16, saved.rlim_max};
            QCOMPARE(::setrlimit(RLIMIT_FSIZE, &small), 0);
        }
        QString said;
        QVERIFY(!appendLine(path, QByteArray(100, 'x'), said));
        QTEST(said, "error");
        QCOMPARE(QFileInfo(dir.filePath("decoy")).size(), 0);
    }

    // kestrel-catalogue usage: counts per program, host and day, failures with reasons;
    // a malformed line is named by file and line and the rest still counts.
    void usageSummarisesAndReportsBadLines()
    {
        QTemporaryDir dir;
        const QString a = dir.filePath("a.log"), b = dir.filePath("b.log");
        const auto line = [](const QString& fields) { // when|host|user|program|result|reason
            const QStringList f = fields.split(u'|');
            return formatLaunchLine({QDateTime::fromString(f[0], Qt::ISODate), f[1], f[2], f[3],
                                     "/usr/bin/x", f[4] == "started", f.value(5)})
                       .toUtf8() +
                   '\n';
        };
        writeFile(a, line("2026-12-06T23:30:00+01:00|lab-01|ann|Editor|started") +
                         line("2026-12-07T08:00:00+01:00|lab-01|bob|Editor|started") +
                         "garbage without tabs\n"
                         "2026-12-07T10:00:00.000\th\tu\tp\t/x\tstarted\t\n"
                         "2026-12-07T10:00:00+01:00\th\tu\tp\t/x\tok\t\n"
                         "2026-12-07T10:00:00Z\th\tu\tp\\q\t/x\tstarted\t\n"
                         "2026-12-07T10:00:00Z\th\tu\tp\x01\t/x\tstarted\t\n" +
                         line("2026-12-07T08:05:00+01:00|lab-01|bob|Tab\tName|failed|Permission "
                              "denied"));
        // A CR LF line end, as an editor may leave it, is a line end.
        writeFile(b, line("2026-12-07T09:00:00-05:00|lab-02|ann|Editor|failed|Permission denied")
                             .chopped(1) +
                         "\r\n");
        auto [said, output] = runTool({"usage", a, b, dir.filePath("none.log"), "--json"});
        QCOMPARE(said.split("kestrel-catalogue: " + a),
                 (QStringList{"1|", ":3: malformed line (1 fields instead of 7)\n",
                              ":4: malformed line (not a time with offset: "
                              "\"2026-12-07T10:00:00.000\")\n",
                              ":5: malformed line (unknown result \"ok\")\n",
                              ":6: malformed line (field 4 (program): an unknown escape \\q at "
                              "character 2)\n",
                              ":7: malformed line (field 4 (program): a raw control character "
                              "\\x01 at character 2)\nkestrel-catalogue: " +
                                  dir.filePath("none.log") + ": No such file or directory\n"}));
        QVERIFY(output.startsWith("{\n  \"format\": \"kestrel-catalogue-usage\",\n  \"version\": "
                                  "1,\n  \"programs\": [\n    {\"program\": \"Editor\", "
                                  "\"launches\": 3, \"failed\": 1, \"hosts\": [\"lab-01\", "
                                  "\"lab-02\"], \"users\": [\"ann\", \"bob\"]},\n"));
        QCOMPARE(QJsonDocument::fromJson(output).toJson(QJsonDocument::Compact),
                 R"({"days":[{"day":"2026-12-06","failed":0,"launches":1},)"
                 R"({"day":"2026-12-07","failed":2,"launches":3}],)"
                 R"("failures":[{"count":1,"program":"Editor","reason":"Permission denied"},)"
                 R"({"count":1,"program":"Tab\tName","reason":"Permission denied"}],)"
                 R"("format":"kestrel-catalogue-usage","hosts":[{"failed":1,"host":"lab-01",)"
                 R"("launches":3},{"failed":1,"host":"lab-02","launches":1}],)"
                 R"("programs":[{"failed":1,"hosts":["lab-01","lab-02"],"launches":3,)"
                 R"("program":"Editor","users":["ann","bob"]},{"failed":1,"hosts":["lab-01"],)"
                 R"("launches":1,"program":"Tab\tName","users":["bob"]}],"version":1})");

        // The table form keeps an odd name on one line.
        std::tie(said, output) = runTool({"usage", b, a});
        QVERIFY(said.startsWith("1|"));
        QVERIFY(output.contains("Tab\\tName"));
        QVERIFY2(output.startsWith("Programs\nPROGRAM    LAUNCHES  FAILED  HOSTS           USERS\n"
                                   "Editor     3         1       lab-01, lab-02  ann, bob\n"),
                 output.left(200));

        // One huge name: the tables shorten it (not pad every row to it), the JSON keeps it.
        const QString huge = "<" + QString(100000, 'n') + ">";
        writeFile(b, line("2026-12-07T09:00:00Z|lab-02|ann|" + huge + "|failed|x"));
        output = runTool({"usage", b}).second;
        QVERIFY2(output.size() < 2000 && output.contains("<nnn") && output.contains("nnn>"),
                 output.left(300));
        QVERIFY(runTool({"usage", b, "--json"}).second.contains(huge.toUtf8()));
    }
};

KESTREL_TEST_MAIN_WITH(QCoreApplication, test_Log,
                       if (argc == 4 && QByteArray(argv[1]) == "--append") return appendAll(argv);)
#include "test_Log.moc"
