// The launcher's main window on a real catalogue with the hooks faked, and its start-up in
// a real process: a copy of this executable in a temporary installation (argument --child).
#include "catalogue/clsDBRoutines.h"
#include "launcher/frmView.h"
#include "launcher/modMain.h"
#include "platform/ui/widgets/KestrelApplication.h"
#include "settings/clsEnvironment.h"
#include "tests/support/AsUser.h"
#include "tests/support/Fakes.h"
#include "tests/support/FolderLockHolder.h"
#include "tests/support/InstallationFixture.h"
#include "tests/support/LockHolder.h"
#include "tests/support/TestMain.h"
#include "views/common/ProgramHealth.h"
#include "views/launcher/ucLeftFrame.h"
#include "views/launcher/ucProgramView.h"

#include <QAccessible>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QProcess>
#include <QPushButton>
#include <QSemaphore>
#include <QTest>
#include <QTimer>
#include <optional>
#include <sys/stat.h>

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
// is up it reports it and clicks Quit, which must end the program. With --busy it waits a
// second at most for a locked catalogue, and does not quit.
int runChild(int argc, char** argv)
{
    const bool busy = argc > 2 && qstrcmp(argv[2], "--busy") == 0;
    if (busy)
        setCatalogueLockWait(1);
    KestrelApplication app(argc, argv);
    const auto say = [](QString line) { std::puts(qUtf8Printable(line.replace(u'\n', u' '))); };
    platform::setMsgHandler([say](const platform::MsgRequest& request) {
        say(QStringLiteral("MSG|%1|%2").arg(int(request.icon)).arg(request.text));
        return platform::MsgAnswer::Ok;
    });
    const int exitCode = app.runGuarded([&] {
        modMain::Main();
        QTimer::singleShot(0, [say, busy] {
            say(QStringLiteral("WINDOW|%1|%2")
                    .arg(Launcher::window().isVisible())
                    .arg(Launcher::window().ucProgramView1()->lstView()->count()));
            if (!busy)
                QTest::mouseClick(Launcher::command("lblQuit"), Qt::LeftButton);
        });
        return app.exec();
    });
    releaseDBRoutines();
    return exitCode;
}

// The output lines of the installation's copy run from folder, then "exit <code>". An
// ordinary user runs it as "nobody" when the test runs as root.
QStringList runInstalled(const InstallationFixture& fx, const QString& folder,
                         const QStringList& more = {}, bool ordinaryUser = false)
{
    QFile::copy(QCoreApplication::applicationFilePath(), fx.path("Kestrel"));
    QProcess process;
    process.setWorkingDirectory(folder);
    if (ordinaryUser && !asuser::permissionsApply())
        process.setChildProcessModifier([] {
            if (::setgid(65534) != 0 || ::setuid(65534) != 0)
                ::_exit(99);
        });
    process.start(fx.path("Kestrel"), QStringList{"--child"} + more);
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
    // After the window shows, a second thread finds the broken programs: greyed with the
    // reason as tool tip, or hidden with HideBroken=1; sound ones are left alone.
    void brokenProgramsGreyedOrHidden_data()
    {
        QTest::addColumn<bool>("hide");
        QTest::addRow("greyed") << false;
        QTest::addRow("hidden") << true;
    }
    void brokenProgramsGreyedOrHidden()
    {
        QFETCH(bool, hide);
        Launcher l;
        QFile good(l.fx.path("good.sh"));
        QVERIFY(good.open(QIODevice::WriteOnly) && good.write("#!/bin/sh\n") > 0);
        good.close();
        good.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        l.fx.sql("INSERT INTO Program (Program_Name, Program_Path) VALUES ('Good', ?), ('Gone', ?)",
                 {good.fileName(), l.fx.path("gone")});
        delete frmView::existingInstance();
        gEnvironment().setHideBroken(hide);
        // A search typed before the check ends follows it.
        launcher::ucProgramView* view = l.window().ucProgramView1();
        view->setFilterText("go");
        l.window().show();
        QListWidget* list = view->lstView();
        QListWidgetItem* gone = list->findItems("Gone", Qt::MatchExactly).value(0);
        QListWidgetItem* sound = list->findItems("Good", Qt::MatchExactly).value(0);
        QVERIFY(gone && sound);
        const QString reason = hide ? "" : l.fx.path("gone") + " does not exist";
        QTRY_COMPARE(gone->isHidden(), hide);
        QTRY_COMPARE(gone->toolTip(), reason);
        QVERIFY(!sound->isHidden() && sound->toolTip().isEmpty());
        const QList<QListWidgetItem*> left = hide ? QList{sound} : QList{gone, sound};
        QTRY_COMPARE(view->shownItems(), left);
        QAbstractItemView* results = view->lstFiltered();
        QCOMPARE(results->model()->index(0, 0).data(Qt::ToolTipRole).toString(), reason);
        QVERIFY(results->isVisible());
        gEnvironment().setHideBroken(false);
    }

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
        QTRY_COMPARE(modMain::PendingLaunches(), 0);
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
        QTRY_COMPARE(modMain::PendingLaunches(), 0);
        l.click("Viewer", true);
        QTRY_COMPARE(modMain::PendingLaunches(), 0);
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
        QTRY_COMPARE(l.messages.requests().size(), 3);
        QCOMPARE(l.shell.requests().size(), name == "Ghost" ? 0 : 1);
        QCOMPARE(described(l.messages),
                 (QStringList{
                     "Error|Unable to execute program : " + name + ". Error Follows|Exclamation",
                     "Kestrel|" + reason + "|Critical",
                     "Error|Unable to execute " + name +
                         ". If problem continues please contact administrator|Information"}));
        QCOMPARE(l.pointer.sequence(), (QList{Hourglass, Default}));
    }

    // A slow handler: the window goes on (timers fire), the hourglass shows, the same
    // program is not launched twice meanwhile, and the failure is told once it is known.
    void launchDoesNotBlockTheWindow()
    {
        Launcher l;
        QSemaphore entered, release;
        l.shell.setObserver([&](const platform::ShellRequest&) {
            entered.release();
            release.acquire();
        });
        l.shell.queueFailure("slow and refused");
        l.click("Editor", true);
        QVERIFY(entered.tryAcquire(1, 5000));
        bool ticked = false;
        QTimer::singleShot(10, [&] { ticked = true; });
        QTRY_VERIFY(ticked);
        l.click("Editor", true); // still pending: ignored
        QCOMPARE(modMain::PendingLaunches(), 1);
        QCOMPARE(l.pointer.current(), Hourglass);
        QVERIFY(l.messages.requests().isEmpty());
        release.release();
        QTRY_COMPARE(l.messages.requests().size(), 3);
        QCOMPARE(l.messages.texts().last(),
                 "Unable to execute Editor. If problem continues please contact administrator");
        QCOMPARE(l.shell.requests().size(), 1);
        QCOMPARE(l.pointer.current(), Default);
    }

    // Typing anywhere filters; Enter launches the first match; Esc shows all again; keys move
    // through the grid as clicks do; Tab visits search, list and commands; commands answer
    // Enter and Space.
    void keyboardAlone()
    {
        Launcher l;
        frmView& w = l.window();
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        launcher::ucProgramView* view = w.ucProgramView1();
        auto* search = w.findChild<QLineEdit*>("txtSearch");
        const auto shown = [view] {
            QStringList names;
            for (const QListWidgetItem* item : view->shownItems())
                names << item->text();
            return names;
        };
        view->lstView()->setFocus();
        QTest::keyClicks(view->lstView(), "VIEW");
        QCOMPARE(search->text(), QStringLiteral("VIEW"));
        QCOMPARE(shown(), QStringList{"Viewer"});
        QTest::keyClick(search, Qt::Key_Return);
        QTRY_COMPARE(l.shell.files(), QStringList{"/usr/bin/viewer"});
        QCOMPARE(view->selectedItem(), QStringLiteral("Viewer"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        QCOMPARE(shown(), (QStringList{"Editor", "Ghost", "Viewer"}));
        QVERIFY(view->lstView()->isVisible());

        view->lstView()->setFocus();
        for (auto [key, name] : {std::pair{Qt::Key_Home, "Editor"},
                                 {Qt::Key_Right, "Ghost"},
                                 {Qt::Key_End, "Viewer"},
                                 {Qt::Key_Home, "Editor"}}) {
            QTest::keyClick(view->lstView(), key);
            QCOMPARE(view->selectedItem(), QString(name));
        }
        QCOMPARE(w.ucLeftFrame1()->Description(), QStringLiteral("Edits text files."));
        QTest::keyClick(view->lstView(), Qt::Key_F10, Qt::ShiftModifier);
        QTRY_VERIFY(view->mnuPopupmenu()->isVisible());
        view->mnuPopupmenu()->close();

        search->setFocus();
        QStringList order;
        for (int i = 0; i < 4; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            order << QApplication::focusWidget()->objectName();
        }
        QCOMPARE(order, (QStringList{"lstView", "lblLaunch", "lblProperties", "lblQuit"}));
        QTest::keyClick(l.command("lblLaunch"), Qt::Key_Return);
        QTRY_COMPARE(l.shell.files().size(), 2);
        QCOMPARE(l.shell.files().last(), QStringLiteral("/usr/bin/editor"));
        QTRY_COMPARE(modMain::PendingLaunches(), 0);
        QTest::keyClick(l.command("lblQuit"), Qt::Key_Space);
        QTRY_VERIFY(!frmView::existingInstance());
    }

    // A search that hides the selected program takes its description and commands away.
    void searchHidingTheSelection()
    {
        Launcher l;
        frmView& w = l.window();
        launcher::ucProgramView* view = w.ucProgramView1();
        QTest::keyClick(view->lstView(), Qt::Key_Home);
        QCOMPARE(w.ucLeftFrame1()->Description(), QStringLiteral("Edits text files."));
        QVERIFY(l.command("lblLaunch")->isVisibleTo(&w));
        view->setFilterText("gho");
        QCOMPARE(view->selectedItem(), QString());
        QCOMPARE(w.ucLeftFrame1()->Description(), QString());
        QVERIFY(!l.command("lblLaunch")->isVisibleTo(&w));
        QVERIFY(!l.command("lblProperties")->isVisibleTo(&w));
    }

    // Designed layout at the designed size; grown, the list takes the room, the panel only
    // height (commands at its bottom), and the next window opens as the last one closed.
    void growsAndRemembersItsSize()
    {
        {
            Launcher l;
            frmView& w = l.window();
            const auto geometry = [&w](const char* name) {
                return w.findChild<QWidget*>(name)->geometry();
            };
            QCOMPARE(w.size(), QSize(623, 364));
            QCOMPARE(geometry("ucLeftFrame1"), QRect(0, 0, 201, 345));
            QCOMPARE(geometry("ucProgramView1"), QRect(208, 0, 417, 345));
            QCOMPARE(geometry("lblQuit"), QRect(8, 304, 25, 17));
            w.resize(1000, 700);
            QCOMPARE(geometry("ucLeftFrame1"), QRect(0, 0, 201, 681));
            QCOMPARE(geometry("ucProgramView1"), QRect(208, 0, 794, 681));
            QCOMPARE(geometry("sbar"), QRect(0, 675, 1000, 25));
            QCOMPARE(geometry("lblQuit"), QRect(8, 640, 25, 17));
            QCOMPARE(geometry("txtSearch").topLeft(), QPoint(8, 54));
            w.close();
            QTRY_VERIFY(!frmView::existingInstance());
        }
        Launcher again;
        QCOMPARE(again.window().size(), QSize(1000, 700));
        QVERIFY(QFile::remove(qEnvironmentVariable("XDG_CONFIG_HOME") + "/Kestrel/launcher.conf"));
    }

    // What a screen reader reads: names and roles of the controls and of each program.
    void accessibleTree()
    {
        Launcher l;
        l.click("Editor");
        const auto node = [&l](const char* name) {
            return QAccessible::queryAccessibleInterface(l.window().findChild<QWidget*>(name));
        };
        using A = QAccessible;
        const QList<std::tuple<const char*, A::Role, QString>> expected{
            {"txtSearch", A::EditableText, "Search programs"},
            {"lstView", A::List, "Programs"},
            {"lblLaunch", A::Button, "Launch Program"},
            {"lblProperties", A::Button, "Properties"},
            {"lblQuit", A::Button, "Quit"},
            {"lblDescription", A::StaticText, "Edits text files."}};
        for (const auto& [name, role, text] : expected) {
            QAccessibleInterface* control = node(name);
            QVERIFY2(control && control->role() == role && control->text(A::Name) == text, name);
        }
        QVERIFY(node("lblLaunch")
                    ->actionInterface()
                    ->actionNames()
                    .contains(QAccessibleActionInterface::pressAction()));
        QAccessibleInterface* list = node("lstView");
        QCOMPARE(list->childCount(), 3);
        QCOMPARE(list->child(0)->role(), A::ListItem);
        QCOMPARE(list->child(2)->text(A::Name), QStringLiteral("Viewer"));
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

    // Started from another folder (a desktop entry): relative locations in the settings are
    // taken from the settings file's folder; where no settings file can be made (a read-only
    // installation run by an ordinary user, or its folder held locked by another process)
    // the defaults are used, after one short wait for the lock.
    void startsFromAnyFolderEvenWhereNoSettingsCanBeMade_data()
    {
        QTest::addColumn<QString>("installation");
        QTest::addRow("relative locations") << "relative";
        QTest::addRow("read-only, no settings file") << "read-only";
        QTest::addRow("folder locked, no settings file") << "locked";
    }
    void startsFromAnyFolderEvenWhereNoSettingsCanBeMade()
    {
        QFETCH(QString, installation);
        InstallationFixture fx;
        fx.sql("INSERT INTO Program (Program_Name, Program_Path) VALUES ('A', '/a'), ('B', '/b')");
        const QString folder = QFileInfo(fx.ini()).absolutePath();
        QTemporaryDir elsewhere;
        QVERIFY(QFile::setPermissions(elsewhere.path(), QFile::Permissions(0x7755)));
        std::optional<FolderLockHolder> holder;
        if (installation == "relative")
            fx.writeIni("data/Kestrel.mdb", "./Default.ico");
        else
            QVERIFY(QFile::remove(fx.ini()));
        if (installation == "locked")
            QVERIFY(holder.emplace(folder).locked());
        if (installation == "read-only") {
            QVERIFY(QFile::copy(QCoreApplication::applicationFilePath(), fx.path("Kestrel")));
            QVERIFY(QFile::setPermissions(folder, QFile::Permissions(0x5555)));
            if (!asuser::permissionsApply() && !asuser::reachableByOthers(fx.path("Kestrel")))
                QSKIP("the test's folders are private: no ordinary user can run the copy");
        }
        const QStringList output =
            runInstalled(fx, elsewhere.path(), {}, installation == "read-only");
        QFile::setPermissions(folder, QFile::Permissions(0x7700));
        QCOMPARE(output, (QStringList{"WINDOW|1|2", "exit 0"}));
        QCOMPARE(QFile::exists(fx.ini()), installation == "relative");
    }

    // Another program holds the catalogue locked: the window shows at once and says so,
    // and fills when the catalogue is free; when the wait ends, the lock's error ends it.
    void showsAtOnceWhileTheCatalogueIsBusy()
    {
        InstallationFixture fx;
        fx.sql("INSERT INTO Program (Program_Name, Program_Path) VALUES ('A', '/a')");
        LockHolder holder(fx.db());
        QVERIFY(holder.locked());
        setCatalogueReadOnly(true);
        frmView& window = Launcher::window();
        window.show();
        QListWidget* list = window.ucProgramView1()->lstView();
        QLabel* status = window.findChild<QLabel*>("sbarStatus");
        QCOMPARE(list->count(), 0);
        QCOMPARE(status->text(), "Catalogue busy: waiting");
        QVERIFY(window.findChild<QLabel*>("lblCatalogueBusy")->isVisible());
        holder.release();
        QTRY_COMPARE(list->count(), 1);
        QCOMPARE(status->text(), "STATUS");
        QVERIFY(!window.findChild<QLabel*>("lblCatalogueBusy")->isVisible());
        delete frmView::existingInstance();

        LockHolder again(fx.db());
        const QStringList output = runInstalled(fx, fx.path(""), {"--busy"});
        QVERIFY2(output.size() == 3 && output[0] == "WINDOW|1|0" &&
                     output[1].startsWith("MSG|2|") && output[1].contains("database is locked") &&
                     output[2] == "exit 1",
                 qPrintable(output.join('\n')));
    }

    // A FIFO or a device named by the settings or the catalogue is refused by name and never
    // opened: the child would otherwise block in open() and the wait above end the row.
    void neverOpensPipesOrDevices_data()
    {
        QTest::addColumn<QString>("database");
        QTest::addColumn<QString>("icon");       // the default icon
        QTest::addColumn<QString>("customIcon"); // of the one program
        QTest::addColumn<QString>("expected");   // the first line of output
        QTest::addRow("catalogue FIFO") << "pipe"
                                        << ""
                                        << ""
                                        << "named pipe (FIFO)";
        QTest::addRow("catalogue device") << "/dev/zero"
                                          << ""
                                          << ""
                                          << "a character device";
        QTest::addRow("default icon FIFO") << ""
                                           << "pipe"
                                           << ""
                                           << "WINDOW|1|1";
        QTest::addRow("custom icon FIFO") << ""
                                          << ""
                                          << "pipe"
                                          << "WINDOW|1|1";
        QTest::addRow("custom icon device") << ""
                                            << ""
                                            << "/dev/zero"
                                            << "WINDOW|1|1";
    }
    void neverOpensPipesOrDevices()
    {
        QFETCH(QString, database);
        QFETCH(QString, icon);
        QFETCH(QString, customIcon);
        QFETCH(QString, expected);
        InstallationFixture fx;
        const QString pipe = fx.path("pipe");
        QCOMPARE(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
        const auto named = [&pipe](const QString& value) { return value == "pipe" ? pipe : value; };
        fx.sql("INSERT INTO Program (Program_Name, Program_Path, Program_CustomIcon) VALUES "
               "('A', '/a', ?)",
               {named(customIcon)});
        fx.writeIni(named(database), named(icon));
        const QStringList output = runInstalled(fx, fx.path(""));
        const bool window = expected.startsWith("WINDOW");
        QVERIFY2(output.size() == 2 && output[0].contains(expected) &&
                     output[1] == (window ? "exit 0" : "exit 1") &&
                     (window || output[0].contains(named(database))),
                 qPrintable(output.join('\n')));
    }
};

int main(int argc, char** argv)
{
    if (argc > 1 && qstrcmp(argv[1], "--child") == 0)
        return runChild(argc, argv);
    kestreltest::isolateUserFolders();
    QApplication app(argc, argv);
    TestLauncher test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_Launcher.moc"
