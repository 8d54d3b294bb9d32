#include "tests/catalogue/CatalogueFixture.h"

#include <QDate>
#include <QLocale>
#include <QProcess>
#include <QTemporaryDir>

// The command-line tool, run as the installer runs it.
class test_kestrel_catalogue : public QObject
{
    Q_OBJECT

    QTemporaryDir mDir;

private slots:
    // In order: a catalogue made, filled and listed. Bad input: a clear message, a non-zero
    // exit (2 for usage, 1 for the file) and no change.
    void commands_data()
    {
        QTest::addColumn<QStringList>("args"); // "@" stands for the test's folder
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("message");
        const auto row = [](const char* tag, QStringList args, int code, QString text) {
            QTest::newRow(tag) << args << code << text;
        };
        fixture::sql(mDir.filePath("tables.db"), "CREATE TABLE Other (a)");
        const QString date = QLocale::system().toString(QDate::currentDate(), QLocale::ShortFormat);
        row("create", {"create", "@/k.mdb"}, 0, "");
        row("add", {"add", "@/k.mdb", "--name", " O'B ", "--desc", "a\tb", "--path", "/o"}, 0, "");
        row("list", {"list", "@/k.mdb"}, 0, "O'B\t/o\ta\\tb\t\t" + date + "\n");
        row("help", {"--help"}, 0, "Usage: kestrel-catalogue COMMAND");
        row("no command", {}, 2, "a command is missing");
        row("create over a catalogue", {"create", "@/k.mdb"}, 1, "exists already");
        row("list missing file", {"list", "@/missing.mdb"}, 1, "no such file");
        row("list without tables", {"list", "@/tables.db"}, 1,
            "not a catalogue (no such table: Program)");
        row("add blank name", {"add", "@/tables.db", "--name", " ", "--path", "/a"}, 2,
            "--name is missing or empty");
    }
    void commands()
    {
        QFETCH(QStringList, args);
        QFETCH(int, code);
        QFETCH(QString, message);
        const auto before = fixture::snapshot(mDir.path());
        QProcess tool;
        tool.setProcessChannelMode(QProcess::MergedChannels);
        tool.start(KESTREL_CATALOGUE_TOOL, args.replaceInStrings("@", mDir.path()));
        QVERIFY(tool.waitForFinished(60000) && tool.exitStatus() == QProcess::NormalExit);
        const QString output = QString::fromUtf8(tool.readAll());
        QCOMPARE(tool.exitCode(), code);
        QVERIFY2(output.contains(message), qPrintable(output));
        QVERIFY(code == 0 || fixture::snapshot(mDir.path()) == before);
    }
};

QTEST_GUILESS_MAIN(test_kestrel_catalogue)
#include "test_kestrel_catalogue.moc"
