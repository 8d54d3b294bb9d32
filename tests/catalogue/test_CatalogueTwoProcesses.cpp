#include "catalogue/clsDBRoutines.h"
#include "platform/KestrelError.h"
#include "tests/catalogue/CatalogueFixture.h"
#include "tests/support/Sql.h"
#include "tests/support/TestMain.h"
#include "tests/support/TestServer.h"

#include <QDeadlineTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <memory>
#include <vector>

// The administrator's process (this test, started again) writes while this one, like the
// launcher, holds its own connection and reads; and many launchers read one server at once.
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

    // A room's launchers start at once against one server while the administrator adds and
    // deletes: 50 reader processes, each reading the list several times, none failing and
    // none seeing a program with some fields only.
    void fiftyReadersAndAWriter()
    {
        REQUIRE_ENGINE(testdb::Postgresql);
        QTemporaryDir dir;
        testdb::Catalogue catalogue(testdb::Postgresql, dir.path());
        const QString uri = catalogue.location();
        clsDBRoutines writer({uri});
        for (int i = 0; i < 20; ++i)
            QVERIFY(writer.addProgram(QString("P%1").arg(i), "d", QString("/p/P%1").arg(i),
                                      QString("P%1.png").arg(i)));
        std::vector<std::unique_ptr<QProcess>> readers;
        for (int i = 0; i < 50; ++i) {
            readers.push_back(std::make_unique<QProcess>());
            readers.back()->start(QCoreApplication::applicationFilePath(), {"--reader", uri});
        }
        const QDeadlineTimer deadline(120000);
        int round = 0;
        const auto running = [&readers] {
            return std::any_of(readers.begin(), readers.end(), [](const auto& reader) {
                return reader->state() != QProcess::NotRunning;
            });
        };
        while (running()) {
            QVERIFY2(!deadline.hasExpired(), "the readers did not finish in two minutes");
            const QString name = QString("W%1").arg(++round);
            QVERIFY(writer.addProgram(name, "d", "/p/" + name, name + ".png"));
            QVERIFY(writer.deleteProgram(name));
            QCoreApplication::processEvents();
        }
        for (const auto& reader : readers) {
            QCOMPARE(reader->exitStatus(), QProcess::NormalExit);
            QCOMPARE(reader->readAll(), "ok\n");
        }
        QVERIFY(round > 0);
    }
};

int main(int argc, char** argv)
{
    kestreltest::isolateUserFolders();
    QCoreApplication app(argc, argv);
    if (argc == 3 && qstrcmp(argv[1], "--reader") == 0) {
        // As a launcher: its own read-only connection, the list read whole several times.
        try {
            clsDBRoutines db({QString::fromLocal8Bit(argv[2]), true});
            for (int i = 0; i < 10; ++i) {
                Recordset rs = db.loadPrograms();
                if (rs.RecordCount() < 20)
                    throw KestrelError(-1, "reader", "programs missing");
                for (; !rs.Eof(); rs.MoveNext()) {
                    const QString name = rs.Fields("Program_Name").toString();
                    if (rs.Fields("Program_Path").toString() != "/p/" + name ||
                        rs.Fields("Program_CustomIcon").toString() != name + ".png")
                        throw KestrelError(-1, "reader", "half a program: " + name);
                }
            }
            QTextStream(stdout) << "ok" << Qt::endl;
        } catch (const KestrelError& error) {
            QTextStream(stdout) << error.description() << Qt::endl;
        }
        return 0;
    }
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
