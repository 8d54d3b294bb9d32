#include "catalogue/clsDBRoutines.h"
#include "settings/clsEnvironment.h"
#include "tests/catalogue/CatalogueFixture.h"

#include <QProcess>
#include <QTemporaryDir>

// The administrator's process (this program, started again as the writer) adds and deletes
// programs while this one, like the launcher, holds its own connection and keeps reading.
class test_CatalogueTwoProcesses : public QObject
{
    Q_OBJECT

private slots:
    void readerSeesWritersChangesAndNeitherFails()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("Kestrel.mdb");
        createCatalogue(path);
        fixture::sql(
            path, "INSERT INTO Program (Program_Name, Program_Desc) VALUES ('Resident', 'stays')");
        gEnvironment().setDatabasePath(path);
        clsDBRoutines& db = gDBRoutines();
        Recordset before = db.loadPrograms();
        QProcess writer;
        writer.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        writer.start(QCoreApplication::applicationFilePath(), {"--writer", path});
        QVERIFY(writer.waitForReadyRead(60000));
        QCOMPARE(writer.readLine(), "added\n");
        QCOMPARE(db.getProgramPath("writer's"), "/w");
        QCOMPARE(db.loadPrograms().RecordCount(), 2);
        QCOMPARE(before.RecordCount(), 1); // a record set already read does not change

        writer.write("go\n");
        int reads = 0;
        while (!writer.waitForFinished(1)) {
            // Every answer whole, never an error; each side's writes wait for the other's.
            QCOMPARE(db.getProgramDescription("Resident"), "stays");
            QVERIFY(db.loadPrograms().RecordCount() >= 1);
            if (++reads % 10 == 0)
                QVERIFY(db.addProgram("Reader", {}, "/r", {}) && db.deleteProgram("Reader"));
        }
        qInfo("%d reads during the writer's burst", reads);
        QCOMPARE(writer.exitCode(), 0); // every write of the writer succeeded
        QCOMPARE(db.getProgramPath("Writer's"), "");
        QCOMPARE(db.loadPrograms().RecordCount(), 1);
        releaseDBRoutines();
    }
};

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc == 3 && qstrcmp(argv[1], "--writer") == 0) {
        gEnvironment().setDatabasePath(QString::fromLocal8Bit(argv[2]));
        clsDBRoutines& db = gDBRoutines();
        bool ok = db.addProgram("Writer's", {}, "/w", {});
        QTextStream(stdout) << "added" << Qt::endl;
        QTextStream(stdin).readLine();
        for (int i = 0; i < 300; ++i)
            ok = db.addProgram(QString::number(i), {}, "/b", {}) && ok;
        for (int i = 0; i < 300; ++i)
            ok = db.deleteProgram(QString::number(i)) && ok;
        ok = db.deleteProgram("Writer's") && ok;
        releaseDBRoutines();
        return ok ? 0 : 1;
    }
    test_CatalogueTwoProcesses test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_CatalogueTwoProcesses.moc"
