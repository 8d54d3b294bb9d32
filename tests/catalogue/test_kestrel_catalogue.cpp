#include "tests/catalogue/CatalogueFixture.h"

#include <QDate>
#include <QLocale>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

// The command-line tool, run as the installer would run it.
class test_kestrel_catalogue : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void createAddList();
    void errors_data();
    void errors();
    void help_data();
    void help();

private:
    struct Result
    {
        int code = -1;
        QString out;
        QString err;
    };
    Result run(const QStringList& args);
    QString path(const QString& name) const { return mDir->filePath(name); }

    std::unique_ptr<QTemporaryDir> mDir;
};

test_kestrel_catalogue::Result test_kestrel_catalogue::run(const QStringList& args)
{
    QProcess process;
    process.start(QStringLiteral(KESTREL_CATALOGUE_TOOL), args);
    Result result;
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit)
        return result;
    result.code = process.exitCode();
    result.out = QString::fromUtf8(process.readAllStandardOutput());
    result.err = QString::fromUtf8(process.readAllStandardError());
    return result;
}

void test_kestrel_catalogue::init()
{
    mDir = std::make_unique<QTemporaryDir>();
    QVERIFY(mDir->isValid());
    fixture::sql(path(QStringLiteral("tables.db")), QStringLiteral("CREATE TABLE Other (a)"));
    QFile text(path(QStringLiteral("notes.txt")));
    QVERIFY(text.open(QIODevice::WriteOnly));
    text.write("not a database\n");
}

void test_kestrel_catalogue::createAddList()
{
    const QString file = path(QStringLiteral("Kestrel.mdb"));
    QCOMPARE(run({"create", file}).code, 0);
    QCOMPARE(fixture::tables(file), QStringList({"Program", "Program_Options", "sqlite_sequence"}));
    Result listed = run({"list", file});
    QCOMPARE(listed.code, 0);
    QCOMPARE(listed.out, QString());

    QCOMPARE(
        run({"add", file, "--name", " zeta ", "--path", "/bin/zeta", "--desc", "Last\tone"}).code,
        0);
    QCOMPARE(
        run({"add", file, "--path", "/bin/o", "--name", "O'Brien", "--icon", " /i/o.ico "}).code,
        0);
    const QString today = QLocale::system().toString(QDate::currentDate(), QLocale::ShortFormat);
    listed = run({"list", file});
    QCOMPARE(listed.code, 0);
    QCOMPARE(listed.out, QStringLiteral("O'Brien\t/bin/o\t\t/i/o.ico\t%1\n"
                                        "zeta\t/bin/zeta\tLast\\tone\t\t%1\n")
                             .arg(today));

    // Creating again leaves the filled catalogue alone.
    const QByteArray before = fixture::snapshot(mDir->path()).value(QStringLiteral("Kestrel.mdb"));
    const Result again = run({"create", file});
    QCOMPARE(again.code, 1);
    QVERIFY2(again.err.contains(QStringLiteral("exists already")), qPrintable(again.err));
    QCOMPARE(fixture::snapshot(mDir->path()).value(QStringLiteral("Kestrel.mdb")), before);
}

void test_kestrel_catalogue::errors_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("message");

    QTest::addRow("no command") << QStringList() << 2 << "a command is missing";
    QTest::addRow("unknown command") << QStringList({"drop", "x"}) << 2 << "unknown command drop";
    QTest::addRow("create without file") << QStringList({"create"}) << 2 << "FILE is missing";
    QTest::addRow("create in missing folder")
        << QStringList({"create", "@/no/such/folder/k.mdb"}) << 1 << "Cannot create the catalogue";
    QTest::addRow("list missing file")
        << QStringList({"list", "@/missing.mdb"}) << 1 << "no such file";
    QTest::addRow("list text file")
        << QStringList({"list", "@/notes.txt"}) << 1 << "file is not a database";
    QTest::addRow("list without tables")
        << QStringList({"list", "@/tables.db"}) << 1 << "not a catalogue (no such table: Program)";
    QTest::addRow("list a folder") << QStringList({"list", "@"}) << 1 << "is a folder";
    QTest::addRow("add without path")
        << QStringList({"add", "@/tables.db", "--name", "a"}) << 2 << "--path is missing";
    QTest::addRow("add blank name")
        << QStringList({"add", "@/tables.db", "--name", "  ", "--path", "/a"}) << 2
        << "--name is missing or empty";
    QTest::addRow("add option without value")
        << QStringList({"add", "@/tables.db", "--path", "/a", "--name"}) << 2
        << "--name needs a value";
    QTest::addRow("add unknown option")
        << QStringList({"add", "@/tables.db", "--colour", "red"}) << 2 << "unknown option --colour";
    QTest::addRow("add to missing file")
        << QStringList({"add", "@/missing.mdb", "--name", "a", "--path", "/a"}) << 1
        << "no such file";
    QTest::addRow("add to text file")
        << QStringList({"add", "@/notes.txt", "--name", "a", "--path", "/a"}) << 1
        << "file is not a database";
    QTest::addRow("add without tables")
        << QStringList({"add", "@/tables.db", "--name", "a", "--path", "/a"}) << 1
        << "not a catalogue";
}

void test_kestrel_catalogue::errors()
{
    QFETCH(QStringList, args);
    QFETCH(int, code);
    QFETCH(QString, message);
    for (QString& arg : args)
        arg.replace(QStringLiteral("@"), mDir->path());
    const auto before = fixture::snapshot(mDir->path());
    const Result result = run(args);
    QCOMPARE(result.code, code);
    QVERIFY2(result.err.contains(message), qPrintable(result.err));
    QCOMPARE(result.out, QString());
    QCOMPARE(fixture::snapshot(mDir->path()), before);
}

void test_kestrel_catalogue::help_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("usage");
    QTest::addRow("tool") << QStringList({"--help"}) << "Usage: kestrel-catalogue COMMAND";
    QTest::addRow("create") << QStringList({"create", "--help"})
                            << "Usage: kestrel-catalogue create FILE";
    QTest::addRow("add") << QStringList({"add", "--help"}) << "Usage: kestrel-catalogue add FILE";
    QTest::addRow("list") << QStringList({"list", "x", "--help"})
                          << "Usage: kestrel-catalogue list FILE";
}

void test_kestrel_catalogue::help()
{
    QFETCH(QStringList, args);
    QFETCH(QString, usage);
    const Result result = run(args);
    QCOMPARE(result.code, 0);
    QVERIFY2(result.out.startsWith(usage), qPrintable(result.out));
    QCOMPARE(result.err, QString());
}

QTEST_GUILESS_MAIN(test_kestrel_catalogue)
#include "test_kestrel_catalogue.moc"
