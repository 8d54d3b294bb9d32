#include "catalogue/CatalogueFile.h"
#include "catalogue/clsDBRoutines.h"
#include "settings/clsEnvironment.h"
#include "tests/catalogue/CatalogueFixture.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

// The administrator (a child process) changes the catalogue while this process, like the
// launcher, holds its own open connection and keeps reading.
class test_CatalogueTwoProcesses : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void readerSeesWritersChanges();
    void readingAndWritingAtOnce();

private:
    void startWriter();
    QString ask(const QString& command);

    std::unique_ptr<QTemporaryDir> mDir;
    QString mPath;
    std::unique_ptr<QProcess> mWriter;
};

void test_CatalogueTwoProcesses::init()
{
    mDir = std::make_unique<QTemporaryDir>();
    mPath = mDir->filePath(QStringLiteral("Kestrel.mdb"));
    createCatalogue(mPath);
    fixture::insertProgram(mPath, QStringLiteral("Resident"), QStringLiteral("stays"),
                           QStringLiteral("/bin/resident"), {});
    gEnvironment().setDatabasePath(mPath);
    startWriter();
}

void test_CatalogueTwoProcesses::cleanup()
{
    if (mWriter) {
        mWriter->closeWriteChannel();
        QVERIFY(mWriter->waitForFinished(30000));
        QCOMPARE(mWriter->exitStatus(), QProcess::NormalExit);
        QCOMPARE(mWriter->exitCode(), 0);
        mWriter.reset();
    }
    releaseDBRoutines();
}

void test_CatalogueTwoProcesses::startWriter()
{
    mWriter = std::make_unique<QProcess>();
    mWriter->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    mWriter->start(QStringLiteral(KESTREL_CATALOGUE_WRITER), {mPath});
    QVERIFY(mWriter->waitForStarted());
}

QString test_CatalogueTwoProcesses::ask(const QString& command)
{
    mWriter->write(command.toUtf8() + '\n');
    while (!mWriter->canReadLine()) {
        if (!mWriter->waitForReadyRead(60000))
            return QStringLiteral("no answer");
    }
    return QString::fromUtf8(mWriter->readLine()).trimmed();
}

void test_CatalogueTwoProcesses::readerSeesWritersChanges()
{
    clsDBRoutines& db = gDBRoutines();
    Recordset before = db.loadPrograms();
    QCOMPARE(before.RecordCount(), 1);

    QCOMPARE(ask(QStringLiteral("add Writer's\t/bin/written")), QStringLiteral("ok"));
    QCOMPARE(db.getProgramPath(QStringLiteral("writer's")), QStringLiteral("/bin/written"));
    QCOMPARE(db.loadPrograms().RecordCount(), 2);
    // A record set already read is a snapshot; it does not change under its holder.
    QCOMPARE(before.RecordCount(), 1);

    QCOMPARE(ask(QStringLiteral("delete Writer's")), QStringLiteral("ok"));
    QCOMPARE(db.getProgramPath(QStringLiteral("Writer's")), QString());
    QCOMPARE(db.loadPrograms().RecordCount(), 1);
}

void test_CatalogueTwoProcesses::readingAndWritingAtOnce()
{
    clsDBRoutines& db = gDBRoutines();
    mWriter->write("burst 300\n");
    int reads = 0;
    int ownWrites = 0;
    while (!mWriter->canReadLine()) {
        // Read as the launcher does; every answer must be whole, never an error.
        Recordset list = db.loadPrograms();
        QVERIFY(list.RecordCount() >= 1);
        QCOMPARE(db.getProgramDescription(QStringLiteral("Resident")), QStringLiteral("stays"));
        QCOMPARE(db.loadProperties(QStringLiteral("Resident")).RecordCount(), 1);
        ++reads;
        // And write from this side too, now and then.
        if (reads % 10 == 0) {
            QVERIFY(db.addProgram(QStringLiteral("Reader %1").arg(ownWrites), {},
                                  QStringLiteral("/r"), {}));
            QVERIFY(db.deleteProgram(QStringLiteral("Reader %1").arg(ownWrites)));
            ++ownWrites;
        }
        mWriter->waitForReadyRead(1);
        QVERIFY(mWriter->state() == QProcess::Running || mWriter->canReadLine());
    }
    QCOMPARE(QString::fromUtf8(mWriter->readLine()).trimmed(), QStringLiteral("ok"));
    QVERIFY(reads > 0);
    qInfo("%d reads and %d own add/delete pairs during the writer's burst", reads, ownWrites);
    QCOMPARE(db.loadPrograms().RecordCount(), 1);
}

QTEST_GUILESS_MAIN(test_CatalogueTwoProcesses)
#include "test_CatalogueTwoProcesses.moc"
