// The launcher's main window on a real catalogue with the hooks faked, and its start-up in
// a real process: a copy of this executable in a temporary installation (argument --child).
#include "catalogue/clsDBRoutines.h"
#include "launcher/frmView.h"
#include "launcher/modMain.h"
#include "platform/ui/widgets/KestrelApplication.h"
#include "tests/support/Fakes.h"
#include "tests/support/InstallationFixture.h"
#include "views/launcher/ucLeftFrame.h"
#include "views/launcher/ucProgramView.h"

#include <QLabel>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QTest>
#include <QTimer>

using enum platform::MousePointer;

namespace {
struct Launcher
{
    static frmView& window() { return frmView::Instance(); }
    static QLabel* command(const char* name) { return window().findChild<QLabel*>(name); }
    // Clicks the named program ("": the list's background), then double-clicks there.
    static void click(const QString& name, bool twice = false)
    {
        QListWidget* list = window().ucProgramView1()->lstView();
        QListWidgetItem* item = list->findItems(name, Qt::MatchExactly).value(0);
        const QPoint at = item ? list->visualItemRect(item).center() : QPoint(400, 300);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
        if (twice)
            QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
    }

    InstallationFixture fx;
    MessageBoxRecorder messages;
    ShellRecorder shell;
    MousePointerRecorder pointer;
    Launcher()
    {
        fx.sql("INSERT INTO Program (Program_Name, Program_Desc, Program_Path) VALUES ('Editor', "
               "'Edits text files.', '/usr/bin/editor'), ('Viewer', '', '  /usr/bin/viewer  '), "
               "('Ghost', '', '')");
        window().show();
    }
    ~Launcher() { delete frmView::existingInstance(); }
};

// main.cpp's start-up with the message boxes written to standard output. Once the window
// is up it reports it and clicks Quit, which must end the program.
int runChild(int argc, char** argv)
{
    KestrelApplication app(argc, argv);
    const auto say = [](QString line) { std::puts(qUtf8Printable(line.replace(u'\n', u' '))); };
    platform::setMsgHandler([say](const platform::MsgRequest& request) {
        say(QStringLiteral("MSG|%1|%2").arg(int(request.icon)).arg(request.text));
        return platform::MsgAnswer::Ok;
    });
    const int exitCode = app.runGuarded([&] {
        modMain::Main();
        QTimer::singleShot(0, [say] {
            say(QStringLiteral("WINDOW|%1|%2")
                    .arg(Launcher::window().isVisible())
                    .arg(Launcher::window().ucProgramView1()->lstView()->count()));
            QTest::mouseClick(Launcher::command("lblQuit"), Qt::LeftButton);
        });
        return app.exec();
    });
    releaseDBRoutines();
    return exitCode;
}

// The output lines of the installation's copy run from folder, then "exit <code>".
QStringList runInstalled(const InstallationFixture& fx, const QString& folder)
{
    QFile::copy(QCoreApplication::applicationFilePath(), fx.path("Kestrel"));
    QProcess process;
    process.setWorkingDirectory(folder);
    process.start(fx.path("Kestrel"), {"--child"});
    const bool ended =
        process.waitForFinished(30000) && process.exitStatus() == QProcess::NormalExit;
    return QString::fromUtf8(process.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts)
           << QStringLiteral("exit %1").arg(ended ? process.exitCode() : -1);
}
} // namespace

class TestLauncher : public QObject
{
    Q_OBJECT

private slots:
    void clicksLaunchAndShowProperties()
    {
        Launcher l;
        QList<platform::MousePointer> during;
        l.shell.setObserver([&](const platform::ShellRequest&) { during << l.pointer.current(); });
        l.click({}, true); // on nothing: nothing happens
        QVERIFY(l.shell.requests().isEmpty() && l.pointer.sequence().isEmpty());
        l.click("Editor");
        QCOMPARE(l.window().ucLeftFrame1()->Description(), QStringLiteral("Edits text files."));
        QVERIFY(!l.command("lblLaunch")->isHidden() && !l.command("lblProperties")->isHidden());
        QTest::mouseClick(l.command("lblLaunch"), Qt::LeftButton);
        // Properties: modal, owned by the main window; its Launch launches and closes it.
        QString title;
        QTimer::singleShot(0, &l.window(), [&] {
            if (QWidget* modal = QApplication::activeModalWidget();
                modal && modal->parent() == &l.window()) {
                title = modal->windowTitle();
                modal->findChild<QPushButton*>("cmdLaunch")->click();
            }
        });
        QTest::mouseClick(l.command("lblProperties"), Qt::LeftButton);
        QCOMPARE(title, QStringLiteral("Showing Properties For : Editor"));
        l.click("Viewer", true);
        QCOMPARE(l.shell.files(),
                 (QStringList{"/usr/bin/editor", "/usr/bin/editor", "/usr/bin/viewer"}));
        QCOMPARE(during, (QList{Hourglass, Hourglass, Hourglass}));
        QCOMPARE(l.pointer.current(), Default);
        QVERIFY(l.messages.requests().isEmpty());
    }

    void failedLaunchShowsThreeMessages_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("reason"); // the shell's error, or the launcher's
        QTest::addRow("shell refuses") << "Editor"
                                       << "Permission denied: /usr/bin/editor";
        QTest::addRow("no path") << "Ghost"
                                 << "The catalogue holds no path for the program \"Ghost\".";
    }
    void failedLaunchShowsThreeMessages()
    {
        QFETCH(QString, name);
        QFETCH(QString, reason);
        Launcher l;
        l.shell.queueFailure(reason);
        l.click(name, true);
        QCOMPARE(l.shell.requests().size(), name == "Ghost" ? 0 : 1);
        QCOMPARE(described(l.messages),
                 (QStringList{
                     "Error|Unable to execute program : " + name + ". Error Follows|Exclamation",
                     "Kestrel|" + reason + "|Critical",
                     "Error|Unable to execute " + name +
                         ". If problem continues please contact administrator|Information"}));
        QCOMPARE(l.pointer.sequence(), (QList{Hourglass, Default}));
    }

    void startsWithTheSettingsBesideItsExecutable()
    {
        InstallationFixture fx;
        QVERIFY(QFile::copy(fx.db(), fx.path("empty.mdb")));
        fx.sql("INSERT INTO Program (Program_Name, Program_Path) VALUES ('A', '/a'), ('B', '/b')");
        QTemporaryDir elsewhere; // with a settings file naming the two programs
        QVERIFY(QFile::rename(fx.ini(), elsewhere.filePath("Kestrel.ini")));
        // No settings file beside the executable: one is created there; the window shows.
        QCOMPARE(runInstalled(fx, elsewhere.path()), (QStringList{"WINDOW|1|2", "exit 0"}));
        QVERIFY(QFile::exists(fx.ini()));
        // The one beside it is read, not the one in the working folder.
        fx.writeIni(fx.path("empty.mdb"));
        QCOMPARE(runInstalled(fx, elsewhere.path()), (QStringList{"WINDOW|1|0", "exit 0"}));
        // That catalogue gone: a critical error (icon 2) naming it, and exit code 1.
        QVERIFY(QFile::remove(fx.path("empty.mdb")));
        const QStringList output = runInstalled(fx, elsewhere.path());
        QVERIFY2(output.size() == 2 && output[0].startsWith("MSG|2|") &&
                     output[0].contains('"' + fx.path("empty.mdb") + '"') && output[1] == "exit 1",
                 qPrintable(output.join('\n')));
    }
};

int main(int argc, char** argv)
{
    if (argc > 1 && qstrcmp(argv[1], "--child") == 0)
        return runChild(argc, argv);
    QApplication app(argc, argv);
    TestLauncher test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_Launcher.moc"
