// The launcher's launch log: every attempt recorded once its outcome is known, and a log
// that cannot be written told once in the status panel without touching the launch.
#include "catalogue/clsDBRoutines.h"
#include "launcher/LaunchLog.h"
#include "launcher/frmView.h"
#include "launcher/modMain.h"
#include "platform/log/LaunchRecord.h"
#include "tests/support/Fakes.h"
#include "tests/support/InstallationFixture.h"
#include "tests/support/TestMain.h"

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QSysInfo>
#include <QTest>

class test_LaunchLog : public QObject
{
    Q_OBJECT
    InstallationFixture* fx = nullptr;
    MessageBoxRecorder* messages = nullptr;
    ShellRecorder* shell = nullptr;

    QLabel* statusPanel() { return frmView::Instance().findChild<QLabel*>("sbarStatus"); }

private slots:
    void init()
    {
        launchlog::reset();
        fx = new InstallationFixture;
        messages = new MessageBoxRecorder;
        shell = new ShellRecorder;
        fx->sql("INSERT INTO Program (Program_Name, Program_Path) VALUES ('Editor', "
                "'/usr/bin/editor'), ('Ghost', ''), (?, '/opt/odd')",
                {QString("Odd\tname\x01")});
        frmView::Instance().show();
    }
    void cleanup()
    {
        delete frmView::existingInstance();
        delete shell;
        delete messages;
        delete fx;
        launchlog::reset();
    }

    void everyAttemptIsOneLineWithItsOutcome()
    {
        const QString log = fx->path("launches.log");
        launchlog::setFile(log);
        shell->queueFailure("Permission denied");
        for (const char* name : {"Editor", " Odd\tname\x01", "Ghost"}) {
            QVERIFY(modMain::LaunchProgram(name));
            QTRY_COMPARE(modMain::PendingLaunches(), 0); // one after the other, in order
        }

        QFile file(log);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QStringList lines = QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 3);
        QStringList seen;
        for (const QString& line : lines) {
            platform::log::LaunchRecord r;
            QString error;
            QVERIFY2(platform::log::parseLaunchLine(line, r, error), qPrintable(error));
            QCOMPARE(r.host, QSysInfo::machineHostName());
            QVERIFY(!r.user.isEmpty());
            QVERIFY(qAbs(r.when.secsTo(QDateTime::currentDateTime())) < 60);
            seen.append(
                QStringList{r.program, r.path, r.started ? "started" : "failed", r.reason}.join(
                    '|'));
        }
        QCOMPARE(
            seen,
            QStringList({"Editor|/usr/bin/editor|failed|Permission denied",
                         "Odd\tname\x01|/opt/odd|started|",
                         "Ghost||failed|The catalogue holds no path for the program \"Ghost\"."}));
        QCOMPARE(statusPanel()->text(), "STATUS");
    }

    void unwritableLogIsToldOnceAndNeverStopsALaunch()
    {
        const QString folder = fx->path("icons"); // a folder where the file should be
        launchlog::setFile(folder);
        bool started = false;
        QVERIFY(modMain::LaunchProgram("Editor", [&](bool ok) { started = ok; }));
        QTRY_VERIFY(started);
        QVERIFY(statusPanel()->toolTip().startsWith("Launch log not written (" + folder + "): "));
        statusPanel()->setText("STATUS");
        started = false;
        QVERIFY(modMain::LaunchProgram("Editor", [&](bool ok) { started = ok; }));
        QTRY_VERIFY(started);
        QCOMPARE(statusPanel()->text(), "STATUS"); // once per session
        QCOMPARE(shell->files(), QStringList({"/usr/bin/editor", "/usr/bin/editor"}));
        QVERIFY(messages->requests().isEmpty());
    }
};

KESTREL_TEST_MAIN(test_LaunchLog)
#include "test_LaunchLog.moc"
