#include "catalogue/clsDBRoutines.h"
#include "platform/KestrelError.h"
#include "tests/support/TestMain.h"
#include "tests/support/TestServer.h"

#include <QDeadlineTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <memory>
#include <vector>

// Launchers (this test, started again) read the catalogue in processes of their own while
// the administrator, here, adds and deletes; on a server, a room's launchers at once.
class test_CatalogueTwoProcesses : public QObject
{
    Q_OBJECT

private slots:
    void readersAndAWriter_data()
    {
        testdb::engineColumn();
        QTest::addColumn<int>("readers");
        QTest::addRow("sqlite") << testdb::Sqlite << 3;
        QTest::addRow("postgresql") << testdb::Postgresql << 50;
    }
    // Each reader reads the list whole several times, none fails and none sees a program
    // with some fields only; every write succeeds; a reader's open connection sees the
    // writes made after it opened.
    void readersAndAWriter()
    {
        QFETCH(QString, engine);
        QFETCH(int, readers);
        REQUIRE_ENGINE(engine);
        QTemporaryDir dir;
        testdb::Catalogue catalogue(engine, dir.path());
        const QString location = catalogue.location();
        clsDBRoutines writer({location});
        clsDBRoutines launcher({location, true});
        QCOMPARE(launcher.loadPrograms().RecordCount(), 0);
        for (int i = 0; i < 20; ++i)
            QVERIFY(writer.addProgram(QString("P%1").arg(i), "d", QString("/p/P%1").arg(i),
                                      QString("P%1.png").arg(i)));
        std::vector<std::unique_ptr<QProcess>> started;
        for (int i = 0; i < readers; ++i) {
            started.push_back(std::make_unique<QProcess>());
            started.back()->start(QCoreApplication::applicationFilePath(), {"--reader", location});
        }
        const QDeadlineTimer deadline(120000);
        int round = 0;
        const auto running = [&started] {
            return std::any_of(started.begin(), started.end(), [](const auto& reader) {
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
        for (const auto& reader : started) {
            QCOMPARE(reader->exitStatus(), QProcess::NormalExit);
            QCOMPARE(reader->readAll(), "ok\n");
        }
        QVERIFY(round > 0);
        QCOMPARE(launcher.getProgramPath("p19"), "/p/P19");
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
            for (int i = 0; i < 30; ++i) {
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
    test_CatalogueTwoProcesses test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_CatalogueTwoProcesses.moc"
