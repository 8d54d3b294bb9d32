#include "catalogue/clsDBRoutines.h"
#include "tests/catalogue/CatalogueFixture.h"
#include "tests/support/Sql.h"

#include <QDeadlineTimer>
#include <QProcess>
#include <QTemporaryDir>

// The administrator's process (this test, started again) writes while this one, like the
// launcher, holds its own connection and reads.
class test_CatalogueTwoProcesses : public QObject
{
    Q_OBJECT

private slots:
    void readerSeesWritersChangesAndNeitherFails()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("Kestrel.mdb");
        createCatalogue(path);
        sql(path, "INSERT INTO Program (Program_Name, Program_Desc) VALUES ('R', 'stays')");
        clsDBRoutines db({path});
        QProcess writer;
        writer.start(QCoreApplication::applicationFilePath(), {"--writer", path});
        QVERIFY(writer.waitForReadyRead(60000) && writer.readLine() == "added\n");
        QCOMPARE(db.getProgramPath("writer's"), "/w");

        writer.write("go\n");
        int reads = 0; // and now and then a write of our own
        const QDeadlineTimer deadline(120000);
        while (!writer.waitForFinished(1)) {
            QVERIFY2(!deadline.hasExpired(), "the writer did not finish in two minutes");
            // Every answer whole, never an error; each side's writes wait for the other's.
            QCOMPARE(db.getProgramDescription("R"), "stays");
            QVERIFY(db.loadPrograms().RecordCount() >= 1);
            if (++reads % 10 == 0)
                QVERIFY(db.addProgram("Reader", {}, "/r", {}) && db.deleteProgram("Reader"));
        }
        QCOMPARE(writer.readAll(), "ok\n"); // every write of the writer succeeded
        QVERIFY(reads > 0);
        QCOMPARE(db.loadPrograms().RecordCount(), 1);
    }
};

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc == 3 && qstrcmp(argv[1], "--writer") == 0) {
        clsDBRoutines db({QString::fromLocal8Bit(argv[2])});
        bool ok = db.addProgram("Writer's", {}, "/w", {});
        QTextStream(stdout) << "added" << Qt::endl;
        QTextStream(stdin).readLine();
        for (int i = 0; i < 300; ++i)
            ok = db.addProgram("B", {}, "/b", {}) && db.deleteProgram("B") && ok;
        QTextStream(stdout) << (db.deleteProgram("Writer's") && ok ? "ok" : "failed") << Qt::endl;
        return 0;
    }
    test_CatalogueTwoProcesses test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_CatalogueTwoProcesses.moc"
