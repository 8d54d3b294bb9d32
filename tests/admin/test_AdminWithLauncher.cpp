#include "admin/frmAddProgram.h"
#include "admin/frmSetup.h"
#include "admin/modMain.h"
#include "catalogue/clsDBRoutines.h"
#include "launcher/frmView.h"
#include "settings/clsEnvironment.h"
#include "tests/admin/AdminSession.h"
#include "views/launcher/ucProgramView.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QTest>
#include <cstdio>

// The two programs meet only in the catalogue: a program added by the administrator while
// a launcher runs is listed by the next launcher that starts.
class TestAdminWithLauncher : public QObject
{
    Q_OBJECT

    // Whether the process holds the file open (its catalogue connection).
    static bool holdsOpen(qint64 pid, const QString& file)
    {
        const QString target = QFileInfo(file).canonicalFilePath();
        const QDir fds(QString("/proc/%1/fd").arg(pid));
        for (const QFileInfo& fd : fds.entryInfoList(QDir::System | QDir::Files))
            if (fd.symLinkTarget() == target)
                return true;
        return false;
    }

    // A fresh process that loads the settings file and the launcher's main window as the
    // launcher does at start, and answers the names its list shows.
    static QStringList launcherListing(const QString& iniFile)
    {
        QProcess child;
        child.start(QCoreApplication::applicationFilePath(), {"--launcher-listing", iniFile});
        if (!child.waitForFinished(30000) || child.exitCode() != 0)
            return {QString("<exit %1: %2>")
                        .arg(child.exitCode())
                        .arg(QString::fromUtf8(child.readAllStandardError()))};
        return QString::fromUtf8(child.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    }

private slots:
    void addedWhileALauncherRunsIsListedByTheNextOne()
    {
        const QString launcher = QStringLiteral(KESTREL_LAUNCHER_EXECUTABLE);
        QVERIFY2(QFileInfo(launcher).isExecutable(), qPrintable(launcher));

        AdminSession session;
        session.inst.insertProgram("Clock", "/usr/bin/xclock");
        const QString installed = session.inst.path("Kestrel");
        QVERIFY(QFile::copy(launcher, installed));

        QProcess running;
        running.setWorkingDirectory(session.inst.folder());
        running.start(installed, {});
        QVERIFY(running.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(holdsOpen(running.processId(), session.inst.databasePath()),
                                 20000);

        QVERIFY(session.start());
        admin::frmSetup& setup = *admin::openSetupWindow();
        QTest::mouseClick(setup.findChild<QPushButton*>("cmdAdd"), Qt::LeftButton);
        QCOMPARE(addDialogs().size(), 1);
        admin::frmAddProgram* dialog = addDialogs().first();
        dialog->txtProgramName()->setText("Newcomer");
        dialog->txtProgramPath()->setText("/usr/bin/xterm");
        QTest::mouseClick(dialog->cmdAdd(), Qt::LeftButton);

        QCOMPARE(described(session.messages), QStringList{"Sucess|Program Added|Information|Ok"});
        QCOMPARE(listed(setup), (QStringList{"Clock", "Newcomer"}));
        QCOMPARE(running.state(), QProcess::Running);

        const QStringList listing = launcherListing(session.inst.iniPath());
        QVERIFY2(listing == (QStringList{"Clock", "Newcomer"}), qPrintable(listing.join(", ")));

        running.kill();
        running.waitForFinished();
    }
};

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc == 3 && QByteArray(argv[1]) == "--launcher-listing") {
        if (!gEnvironment().loadSettings(QString::fromLocal8Bit(argv[2])))
            return 2;
        setCatalogueReadOnly(true);
        const QListWidget* list = frmView::Instance().ucProgramView1()->lstView();
        for (int i = 0; i < list->count(); ++i)
            std::printf("%s\n", qUtf8Printable(list->item(i)->text()));
        releaseDBRoutines();
        return 0;
    }
    TestAdminWithLauncher test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "test_AdminWithLauncher.moc"
