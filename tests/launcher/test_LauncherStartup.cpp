// The start-up procedure in a real process: the test copies its own executable into a
// temporary installation folder and runs the copy there (argument --child), so the
// settings file is looked up beside a real executable, whatever the working folder.
#include "catalogue/CatalogueFile.h"
#include "catalogue/clsDBRoutines.h"
#include "launcher/frmView.h"
#include "launcher/modMain.h"
#include "platform/shell/Shell.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/widgets/KestrelApplication.h"
#include "tests/catalogue/CatalogueFixture.h"
#include "views/launcher/ucProgramView.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <cstdio>

namespace {
void say(const QString& line)
{
    std::fprintf(stdout, "%s\n", qUtf8Printable(line));
    std::fflush(stdout);
}

// The launcher's start-up as main.cpp runs it, with the message boxes written to standard
// output and a shell that starts nothing. Once the window is up it reports and quits.
int runChild(int argc, char** argv)
{
    KestrelApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Kestrel"));
    platform::setMsgHandler([](const platform::MsgRequest& request) {
        say(QStringLiteral("MSG\t%1\t%2\t%3")
                .arg(int(request.icon))
                .arg(request.title, QString(request.text).replace(u'\n', u' ')));
        return platform::MsgAnswer::Ok;
    });
    platform::setShellHandler([](const platform::ShellRequest&) {
        return platform::ShellResult{true, {}};
    });
    const int exitCode = app.runGuarded([&app] {
        modMain::Main();
        QTimer::singleShot(0, [] {
            frmView* window = frmView::existingInstance();
            if (!window)
                return;
            say(QStringLiteral("WINDOW\t%1\t%2\t%3")
                    .arg(window->windowTitle())
                    .arg(window->ucProgramView1()->lstView()->count())
                    .arg(window->isVisible() ? 1 : 0));
            QTest::mouseClick(window->findChild<QLabel*>(QStringLiteral("lblQuit")),
                              Qt::LeftButton);
        });
        return app.exec();
    });
    releaseDBRoutines();
    return exitCode;
}

struct Run
{
    int exitCode = -1;
    QStringList lines;
};

void makeCatalogue(const QString& path, int programs)
{
    createCatalogue(path);
    for (int i = 1; i <= programs; ++i)
        fixture::insertProgram(path, QStringLiteral("Program %1").arg(i), {}, "/bin/true", {});
}
} // namespace

class TestLauncherStartup : public QObject
{
    Q_OBJECT

private slots:
    void createsItsSettingsAndShowsTheWindow();
    void readsTheSettingsBesideTheExecutable();
    void missingCatalogueEndsWithTheError();

private:
    Run runInstalled(const QString& installFolder, const QString& workingFolder);
};

Run TestLauncherStartup::runInstalled(const QString& installFolder, const QString& workingFolder)
{
    const QString copy = QDir(installFolder).filePath(QStringLiteral("Kestrel"));
    if (!QFile::exists(copy))
        QFile::copy(QCoreApplication::applicationFilePath(), copy);
    QProcess process;
    process.setWorkingDirectory(workingFolder);
    process.start(copy, {QStringLiteral("--child")});
    Run run;
    if (!process.waitForFinished(60000)) {
        process.kill();
        process.waitForFinished();
        return run;
    }
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2;
    run.lines = QString::fromUtf8(process.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
    return run;
}

void TestLauncherStartup::createsItsSettingsAndShowsTheWindow()
{
    QTemporaryDir install;
    QTemporaryDir elsewhere;
    QDir(install.path()).mkdir("data");
    makeCatalogue(install.filePath("data/Kestrel.mdb"), 2);

    const Run run = runInstalled(install.path(), elsewhere.path());
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.lines, QStringList{QStringLiteral("WINDOW\tKestrel \t2\t1")});
    QVERIFY(QFile::exists(install.filePath("Kestrel.ini")));
    QVERIFY(!QFile::exists(elsewhere.filePath("Kestrel.ini")));
}

void TestLauncherStartup::readsTheSettingsBesideTheExecutable()
{
    QTemporaryDir install;
    QTemporaryDir elsewhere;
    makeCatalogue(install.filePath("three.mdb"), 3);
    makeCatalogue(elsewhere.filePath("one.mdb"), 1);
    const auto writeIni = [](const QString& folder, const QString& db) {
        QFile ini(QDir(folder).filePath("Kestrel.ini"));
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write(QStringLiteral("[Database]\nDatabasePath=%1\n").arg(db).toUtf8());
    };
    writeIni(install.path(), install.filePath("three.mdb"));
    writeIni(elsewhere.path(), elsewhere.filePath("one.mdb"));

    const Run run = runInstalled(install.path(), elsewhere.path());
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.lines, QStringList{QStringLiteral("WINDOW\tKestrel \t3\t1")});
}

void TestLauncherStartup::missingCatalogueEndsWithTheError()
{
    QTemporaryDir install;
    const Run run = runInstalled(install.path(), install.path());
    QCOMPARE(run.exitCode, KestrelApplication::UnhandledErrorExitCode);
    QCOMPARE(run.lines.size(), 1);
    const QStringList message = run.lines.first().split(u'\t');
    QCOMPARE(message.value(0), QStringLiteral("MSG"));
    QCOMPARE(message.value(1).toInt(), int(platform::MsgIcon::Critical));
    QVERIFY2(
        message.value(3).contains("catalogue database \"" + install.path() + "/data/Kestrel.mdb\""),
        qPrintable(run.lines.first()));
}

int main(int argc, char** argv)
{
    if (argc > 1 && qstrcmp(argv[1], "--child") == 0)
        return runChild(argc, argv);
    QApplication app(argc, argv);
    TestLauncherStartup test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_LauncherStartup.moc"
