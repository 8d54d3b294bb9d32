// The launcher's main window on a real catalogue with the hooks faked, and its start-up in
// a real process: a copy of this executable in a temporary installation (argument --child).
#include "catalogue/StoredIcon.h"
#include "catalogue/clsDBRoutines.h"
#include "launcher/LaunchLog.h"
#include "launcher/frmView.h"
#include "launcher/modMain.h"
#include "platform/log/LaunchRecord.h"
#include "platform/ui/widgets/KestrelApplication.h"
#include "settings/clsEnvironment.h"
#include "tests/support/AsUser.h"
#include "tests/support/Fakes.h"
#include "tests/support/InstallationFixture.h"
#include "tests/support/LockHolder.h"
#include "tests/support/SilentServer.h"
#include "tests/support/Sql.h"
#include "tests/support/TestFiles.h"
#include "tests/support/TestMain.h"
#include "tests/support/TestServer.h"
#include "views/common/ProgramHealth.h"
#include "views/common/SearchField.h"
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
#include <QRegularExpression>
#include <QScopeGuard>
#include <QScrollBar>
#include <QSemaphore>
#include <QSignalSpy>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <optional>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

using enum platform::MousePointer;

namespace {
struct Launcher
{
    static frmView& window() { return frmView::Instance(); }
    static QLabel* command(const char* name) { return window().findChild<QLabel*>(name); }
    static QListWidget* list() { return window().ucProgramView1()->lstView(); }
    // Clicks the named program ("": the list's background), then double-clicks there.
    static void click(const QString& name, bool twice = false)
    {
        QListWidgetItem* item = list()->findItems(name, Qt::MatchExactly).value(0);
        const QPoint at = item ? list()->visualItemRect(item).center() : QPoint(400, 300);
        QTest::mouseClick(list()->viewport(), Qt::LeftButton, {}, at);
        if (twice)
            QTest::mouseDClick(list()->viewport(), Qt::LeftButton, {}, at);
    }

    InstallationFixture fx;
    MessageBoxRecorder messages;
    ShellRecorder shell;
    MousePointerRecorder pointer;
    // The paths launched since the last call, once the last launch has ended.
    QString launched()
    {
        if (!QTest::qWaitFor([] { return modMain::PendingLaunches() == 0; }, 5000))
            return QStringLiteral("still pending");
        return shell.files().mid(std::exchange(reported, shell.files().size())).join(' ');
    }
    qsizetype reported = 0;
    Launcher()
    {
        fx.sql("INSERT INTO Program (Program_Name, Program_Desc, Program_Path) VALUES ('Editor', "
               "'Edits.', '/usr/bin/editor'), ('Viewer', '', '  /usr/bin/viewer  '), "
               "('Ghost', '', '')");
        window().show();
    }
    ~Launcher() { delete frmView::existingInstance(); }
};

// The boxes that tell a failed launch of name, reason the second.
QStringList failureMessages(const QString& name, const QString& reason)
{
    return {"Error|Unable to execute program : " + name + ". Error Follows|Exclamation",
            "Kestrel|" + reason + "|Critical",
            "Error|Unable to execute " + name +
                ". If problem continues please contact administrator|Information"};
}

// main.cpp's start-up, its boxes written to standard output; the window reported, Quit must
// end it. With --busy: a second's wait for a locked catalogue, and no Quit.
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
                    .arg(Launcher::list()->count()));
            if (!busy)
                QTest::mouseClick(Launcher::command("lblQuit"), Qt::LeftButton);
        });
        return app.exec();
    });
    releaseDBRoutines();
    return exitCode;
}

// What the installation's copy run from folder writes and "exit <code>", or lines when they match
// it ("*": any text within a line); an ordinary user's run is as "nobody" under root.
QString runInstalled(const InstallationFixture& fx, const QString& folder, const QString& lines,
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
    const QString output = process.readAllStandardOutput() +
                           QStringLiteral("exit %1").arg(ended ? process.exitCode() : -1);
    const QRegularExpression pattern(QRegularExpression::anchoredPattern(
        QRegularExpression::escape(lines).replace("\\*", ".*")));
    return pattern.match(output).hasMatch() ? lines : output;
}
} // namespace

class TestLauncher : public QObject
{
    Q_OBJECT

private slots:
    // Found on a second thread, broken programs are greyed (the reason as tool tip) or hidden.
    void brokenProgramsGreyedOrHidden_data()
    {
        const auto row = columns<bool>({"hide"});
        row("greyed", false), row("hidden", true);
    }
    void brokenProgramsGreyedOrHidden()
    {
        QFETCH(bool, hide);
        Launcher l;
        // Good (this test program) has its icon file gone, but the catalogue stores its picture.
        l.fx.sql(
            "INSERT INTO Program (Program_Name, Program_Path, Program_CustomIcon) VALUES "
            "('Good', ?, ?), ('Gone', ?, '')",
            {QCoreApplication::applicationFilePath(), l.fx.path("gone.png"), l.fx.path("gone")});
        const QByteArray picture = readFile(l.fx.path("Default.ico"));
        l.fx.sql("INSERT INTO Program_Icon SELECT Program_Key, ?, ? FROM Program WHERE "
                 "Program_Name = 'Good'",
                 {storedIconDigest(picture), picture});
        delete frmView::existingInstance();
        gEnvironment().setHideBroken(hide);
        const auto restore = qScopeGuard([] { gEnvironment().setHideBroken(false); });
        // A search typed before the check ends follows it.
        launcher::ucProgramView* view = l.window().ucProgramView1();
        view->setFilterText("go");
        QListWidgetItem* gone = l.list()->findItems("Gone", Qt::MatchExactly).value(0);
        QListWidgetItem* sound = l.list()->findItems("Good", Qt::MatchExactly).value(0);
        QVERIFY(gone && sound);
        // Checked as filled, so that the first paint shows the marks; showing checks no more.
        const QString reason = hide ? "" : l.fx.path("gone") + " does not exist";
        QTRY_COMPARE(std::pair(gone->isHidden(), gone->toolTip()), std::pair(hide, reason));
        l.window().show();
        QCoreApplication::processEvents();
        QVERIFY(!ProgramHealth::instance().isChecking());
        QVERIFY(!sound->isHidden() && sound->toolTip().isEmpty());
        QTRY_COMPARE(view->shownItems(), (hide ? QList{sound} : QList{gone, sound}));
        QCOMPARE(view->lstFiltered()->model()->index(0, 0).data(Qt::ToolTipRole).toString(),
                 reason);
        QVERIFY(view->lstFiltered()->isVisible());
    }

    // Typing anywhere filters, Enter launches, Esc shows all, keys move as clicks do, Tab reaches
    // every control, no match hides the commands. Grown, the list takes the room, the panel only
    // height, its commands at its bottom; the next window opens as the last one closed.
    void clicksAndKeysLaunchAndShowProperties()
    {
        const auto forget = qScopeGuard([] {
            QFile::remove(qEnvironmentVariable("XDG_CONFIG_HOME") + "/Kestrel/launcher.conf");
        });
        Launcher l;
        frmView& w = l.window();
        launcher::ucProgramView* view = w.ucProgramView1();
        l.click({}, true); // on nothing: nothing happens, and no menu
        QTest::mouseClick(l.list()->viewport(), Qt::RightButton, {}, QPoint(400, 300));
        QVERIFY(l.shell.requests().isEmpty() && l.pointer.sequence().isEmpty() &&
                !view->mnuPopupmenu()->isVisible());
        l.click("Editor");
        QCOMPARE(w.ucLeftFrame1()->Description(), QStringLiteral("Edits."));
        // Properties: modal, owned by the main window; its Launch launches and closes it.
        QStringList properties;
        QTimer modals;
        QObject::connect(&modals, &QTimer::timeout, [&] {
            if (auto* modal = QApplication::activeModalWidget(); modal && modal->parent() == &w) {
                properties << modal->windowTitle();
                modal->findChild<QPushButton*>("cmdLaunch")->click();
            }
        });
        modals.start(10);
        // What a screen reader reads: the controls' roles and names; the commands press.
        QStringList read;
        for (const char* name : {"txtSearch", "lstView", "lblLaunch", "lblQuit"}) {
            auto* control = QAccessible::queryAccessibleInterface(w.findChild<QWidget*>(name));
            auto* actions = control->actionInterface();
            const bool presses = actions && actions->actionNames().contains(actions->pressAction());
            read << QMetaEnum::fromType<QAccessible::Role>().valueToKey(control->role()) +
                        ("|" + control->text(QAccessible::Name)) + (presses ? "|press" : "");
        }
        QCOMPARE(read, (QStringList{"EditableText|Search programs", "List|Programs",
                                    "Button|Launch Program|press", "Button|Quit|press"}));
        QTest::mouseClick(l.command("lblLaunch"), Qt::LeftButton);
        QCOMPARE(l.launched(), "/usr/bin/editor");
        QTest::mouseClick(l.command("lblProperties"), Qt::LeftButton);
        QTest::mouseClick(l.list()->viewport(), Qt::RightButton, {},
                          l.list()->visualItemRect(l.list()->item(0)).center());
        QTRY_VERIFY(view->mnuPopupmenu()->isVisible());
        view->mnuPopupmenu()->close();
        QCOMPARE(l.launched(), "/usr/bin/editor");
        l.click("Viewer", true);
        QCOMPARE(l.launched(), "/usr/bin/viewer");
        l.click("Ghost", true); // no path: the launcher's error
        QTRY_COMPARE(described(l.messages), failureMessages("Ghost", "The catalogue holds no path "
                                                                     "for the program \"Ghost\"."));
        QCOMPARE(std::pair(l.launched(), l.pointer.current()), std::pair(QString(), Default));

        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        auto* search = w.findChild<QLineEdit*>("txtSearch");
        const auto shown = [view] { return textsOf(view->shownItems()); };
        view->lstView()->setFocus();
        QTest::keyClicks(view->lstView(), "VIEW");
        QCOMPARE(QStringList{search->text()} + shown(), (QStringList{"VIEW", "Viewer"}));
        QTest::keyClick(search, Qt::Key_Return);
        QCOMPARE(l.launched(), "/usr/bin/viewer");
        // Up and Down in the field move through the matches; Enter starts the one selected.
        QTest::keyClick(search, Qt::Key_Escape);
        QTest::keyClick(search, 'e');
        QCOMPARE(shown(), (QStringList{"Editor", "Viewer"}));
        QStringList seen;
        for (Qt::Key key : {Qt::Key_Up, Qt::Key_Down, Qt::Key_Down, Qt::Key_Up, Qt::Key_Down}) {
            seen << view->selectedItem() + "|" + w.ucLeftFrame1()->Description();
            QTest::keyClick(search, key);
        }
        QCOMPARE(seen, (QStringList{"Editor|Edits.", "Editor|Edits.", "Viewer|", "Viewer|",
                                    "Editor|Edits."}));
        QVERIFY(search->hasFocus() && l.command("lblLaunch")->isVisibleTo(&w));
        QTest::keyClick(search, Qt::Key_Return);
        QCOMPARE(l.launched(), "/usr/bin/viewer");
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        QCOMPARE(shown(), (QStringList{"Editor", "Ghost", "Viewer"}));
        QVERIFY(view->lstView()->isVisible());

        view->lstView()->setFocus();
        seen.clear();
        for (Qt::Key key : {Qt::Key_Home, Qt::Key_Right, Qt::Key_End, Qt::Key_Home}) {
            QTest::keyClick(view->lstView(), key);
            seen << view->selectedItem() + "|" + w.ucLeftFrame1()->Description();
        }
        QCOMPARE(seen, (QStringList{"Editor|Edits.", "Ghost|", "Viewer|", "Editor|Edits."}));
        QTest::keyClick(view->lstView(), Qt::Key_F10, Qt::ShiftModifier);
        QTRY_VERIFY(view->mnuPopupmenu()->isVisible());
        QCOMPARE(view->mnuPopupmenu()->activeAction()->objectName(), "mnuPopupmenuProperties");
        view->mnuPopupmenu()->close();
        QTest::keyClick(search, Qt::Key_Return, Qt::AltModifier);
        QCOMPARE(properties, QStringList(2, "Showing Properties For : Editor"));
        QCOMPARE(l.launched(), "/usr/bin/editor");
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));

        search->setFocus();
        for (const char* next : {"lstView", "lblLaunch", "lblProperties", "lblQuit"}) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget()->objectName(), next);
        }
        // The focused command wears the style's focus frame: a solid line down its edge.
        const QImage framed = l.command("lblQuit")->grab().toImage();
        for (int y = 1; y < framed.height() - 1; ++y)
            QVERIFY2(qGray(framed.pixel(0, y)) < 230, qPrintable(QString::number(y)));
        QTest::keyClick(l.command("lblLaunch"), Qt::Key_Return);
        QCOMPARE(l.launched(), "/usr/bin/editor");
        view->setFilterText("ghox");
        QVERIFY(view->selectedItem().isEmpty() && w.ucLeftFrame1()->Description().isEmpty());
        QVERIFY(!l.command("lblLaunch")->isVisibleTo(&w) &&
                !l.command("lblProperties")->isVisibleTo(&w));

        const auto at = [&w](const char* name) { return w.findChild<QWidget*>(name)->geometry(); };
        const QRect panel = at("ucLeftFrame1"), list = at("ucProgramView1");
        const QRect quit = at("lblQuit"), field = at("txtSearch");
        QVERIFY(panel.right() < list.left() && panel.top() == list.top());
        QVERIFY(panel.contains(quit) && panel.contains(field) && field.bottom() < quit.top());
        w.resize(w.size() + QSize(300, 200));
        QCOMPARE((QList{at("ucLeftFrame1"), at("ucProgramView1"), at("lblQuit"), at("txtSearch")}),
                 (QList{panel.adjusted(0, 0, 0, 200), list.adjusted(0, 0, 300, 200),
                        quit.translated(0, 200), field}));
        QVERIFY(at("sbar").left() == 0 && at("sbar").bottomRight() == w.rect().bottomRight());
        QVERIFY(at("sbar").width() - at("sbarTime").right() < 20);
        const QSize closedAt = w.size();
        QTest::keyClick(l.command("lblQuit"), Qt::Key_Space);
        QTRY_VERIFY(!frmView::existingInstance());
        QCOMPARE(l.window().size(), closedAt);
    }

    // A slow shell's refusal is told once known; meanwhile timers fire, the hourglass shows, a
    // second launch of it is ignored. Each attempt is one log line once its outcome is known,
    // fields escaped; an unwritable log (a folder) is told once and never stops a launch.
    void failedLaunchesToldAndEveryLaunchLogged()
    {
        launchlog::reset();
        const auto reset = qScopeGuard([] { launchlog::reset(); });
        Launcher l;
        QSemaphore entered, release;
        l.shell.setObserver([&](const platform::ShellRequest&) {
            entered.release();
            release.acquire();
        });
        const auto unblock = qScopeGuard([&release] { release.release(); });
        l.shell.queueFailure("slow and refused");
        l.click("Editor", true);
        QVERIFY(entered.tryAcquire(1, 5000));
        bool ticked = false;
        QTimer::singleShot(10, [&] { ticked = true; });
        QTRY_VERIFY(ticked);
        l.click("Editor", true); // still pending: ignored
        QCOMPARE(std::tuple(modMain::PendingLaunches(), l.pointer.current(),
                            l.messages.requests().size()),
                 std::tuple(1, Hourglass, qsizetype(0)));
        release.release();
        QTRY_COMPARE(described(l.messages), failureMessages("Editor", "slow and refused"));
        QCOMPARE(l.pointer.sequence(), (QList{Hourglass, Default}));
        l.shell.setObserver({});

        l.fx.sql("INSERT INTO Program (Program_Name, Program_Path) VALUES (?, '/opt/odd')",
                 {QString("Odd\tname\x01")});
        QLabel* status = l.command("sbarStatus");
        QStringList told;
        for (const QString& log : {l.fx.path("icons"), l.fx.path("launches.log")}) {
            launchlog::setFile(log);
            l.shell.queueFailure("Permission denied");
            for (const char* name : {"Editor", " Odd\tname\x01", "Ghost"}) {
                QVERIFY(modMain::LaunchProgram(name));
                QTRY_COMPARE(modMain::PendingLaunches(), 0); // one after the other, in order
                told << status->text();
                status->setText("STATUS");
            }
        }
        QCOMPARE(l.launched(), "/usr/bin/editor /usr/bin/editor /opt/odd /usr/bin/editor /opt/odd");
        QCOMPARE(told.count("STATUS"), 5); // the unwritable log told once
        QVERIFY(
            status->toolTip().startsWith("Launch log not written (" + l.fx.path("icons") + "): "));
        QCOMPARE(l.messages.requests().size(), 11); // only the failures'
        QStringList seen;
        for (const QString& line :
             QString::fromUtf8(readFile(launchlog::file())).split('\n', Qt::SkipEmptyParts)) {
            platform::log::LaunchRecord r;
            QString error;
            QVERIFY2(platform::log::parseLaunchLine(line, r, error), qPrintable(error));
            QVERIFY(r.host == QSysInfo::machineHostName() && !r.user.isEmpty() &&
                    qAbs(r.when.secsTo(QDateTime::currentDateTime())) < 60);
            seen << r.program + '|' + r.path + (r.started ? "|started|" : "|failed|") + r.reason;
        }
        QCOMPARE(seen, QStringList({"Editor|/usr/bin/editor|failed|Permission denied",
                                    "Odd\tname\x01|/opt/odd|started|",
                                    "Ghost||failed|The catalogue holds no path for the program "
                                    "\"Ghost\"."}));
    }

    // From another folder, whose settings name a missing catalogue: the settings beside the
    // executable are read, made where there are none, the defaults used where none can be made
    // (after one short lock wait). A FIFO or device decoy is refused unopened: open() would block.
    void startsFromAnyFolderEvenWhereNoSettingsCanBeMade_data()
    {
        // Kestrel.ini's catalogue and default icon, the first program's icon (none: the real
        // ones); the child's output ("@": the installation).
        const auto row = columns<QString, QString, QString, QString>(
            {"database", "icon", "customIcon", "output"});
        row("no settings file", "", "", "", "WINDOW|1|2\nexit 0");
        row("catalogue gone", "gone.mdb", "", "", "MSG|2|*\"@/gone.mdb\"*\nexit 1");
        row("read-only, none made", "", "", "", "WINDOW|1|2\nexit 0");
        row("folder locked, none made", "", "", "", "WINDOW|1|2\nexit 0");
        row("catalogue FIFO", "pipe", "", "", "MSG|2|*@/pipe*named pipe (FIFO)*\nexit 1");
        row("catalogue device", "device", "", "", "MSG|2|*@/device*a character device*\nexit 1");
        row("default icon FIFO", "", "pipe", "", "WINDOW|1|2\nexit 0");
        row("custom icon FIFO", "", "", "pipe", "WINDOW|1|2\nexit 0");
        row("custom icon device", "", "", "device", "WINDOW|1|2\nexit 0");
    }
    void startsFromAnyFolderEvenWhereNoSettingsCanBeMade()
    {
        auto [database, icon, customIcon, output] =
            fetch<QString, QString, QString, QString>({"database", "icon", "customIcon", "output"});
        const QString row = QTest::currentDataTag();
        InstallationFixture fx;
        const auto named = [&fx](const QString& f) { return f.isEmpty() ? f : fx.path(f); };
        QCOMPARE(::mkfifo(QFile::encodeName(fx.path("pipe")).constData(), 0600), 0);
        if (row.contains("device") && ::mknod(QFile::encodeName(fx.path("device")).constData(),
                                              S_IFCHR | 0600, makedev(1, 5)) != 0)
            QSKIP("only root makes a device node");
        fx.sql("INSERT INTO Program (Program_Name, Program_Path, Program_CustomIcon) VALUES "
               "('A', '/a', ?), ('B', '/b', '')",
               {named(customIcon)});
        const QString folder = QFileInfo(fx.ini()).absolutePath();
        QTemporaryDir elsewhere;
        QVERIFY(QFile::setPermissions(elsewhere.path(), QFile::Permissions(0x7755)));
        fx.writeIni(fx.path("none.mdb"));
        QVERIFY(QFile::rename(fx.ini(), elsewhere.filePath("Kestrel.ini")));
        if (!database.isEmpty() || !icon.isEmpty())
            fx.writeIni(named(database), named(icon));
        std::optional<FolderLockHolder> holder;
        if (row.startsWith("folder locked"))
            QVERIFY(holder.emplace(folder).locked());
        const bool readOnly = row.startsWith("read-only");
        const auto writable =
            qScopeGuard([&] { QFile::setPermissions(folder, QFile::Permissions(0x7700)); });
        if (readOnly) {
            QVERIFY(QFile::copy(QCoreApplication::applicationFilePath(), fx.path("Kestrel")));
            QVERIFY(QFile::setPermissions(folder, QFile::Permissions(0x5555)));
            if (!asuser::permissionsApply() && !asuser::reachableByOthers(fx.path("Kestrel")))
                QSKIP("the test's folders are private: no ordinary user can run the copy");
        }
        const QString lines = QString(output).replace("@", folder);
        QCOMPARE(runInstalled(fx, elsewhere.path(), lines, {}, readOnly), lines);
        QCOMPARE(QFile::exists(fx.ini()), !row.endsWith("none made"));
    }

    // Another program holds the catalogue locked: the window shows at once and says so,
    // and fills when the catalogue is free; when the wait ends, the lock's error ends it.
    void showsAtOnceWhileTheCatalogueIsBusy()
    {
        Launcher l;
        delete frmView::existingInstance();
        releaseDBRoutines(); // opened again read-only
        LockHolder holder(l.fx.db());
        QVERIFY(holder.locked());
        setCatalogueReadOnly(true);
        l.window().show();
        QLabel* status = l.command("sbarStatus");
        QCOMPARE(l.list()->count(), 0);
        QCOMPARE(status->text(), "Catalogue busy: waiting");
        QVERIFY(l.command("lblCatalogueBusy")->isVisible());
        holder.release();
        QTRY_COMPARE(std::pair(l.list()->count(), status->text()), std::pair(3, QString("STATUS")));
        QVERIFY(!l.command("lblCatalogueBusy")->isVisible());
        // Locked, then a silent server asked to wait for ever: the capped connect timeout ends it.
        const SilentServer silent;
        QVERIFY(silent.port() > 0);
        for (const char* error : {"database is locked", "timeout expired"}) {
            LockHolder again(l.fx.db());
            const QString lines = QStringLiteral("WINDOW|1|0\nMSG|2|*%1*\nexit 1").arg(error);
            QCOMPARE(runInstalled(l.fx, l.fx.path(""), lines, {"--busy"}), lines);
            l.fx.writeIni(
                QString("postgresql://127.0.0.1:%1/db?connect_timeout=0").arg(silent.port()));
        }
    }

    // Another program's changes show within RefreshSeconds, search, selection and scroll kept;
    // checks that find no change fill nothing. Without the change stamp, rows are compared. A
    // server stopped meanwhile is told once in the status panel, no box, the list kept.
    void refreshShowsOtherProgramsChanges_data()
    {
        const auto row = columns<QString, bool, QString>({"engine", "stamp", "search"});
        row("sqlite: results", testdb::Sqlite, true, "program");
        row("postgresql: no stamp", testdb::Postgresql, false, "program");
        row("postgresql: whole list, server stops", testdb::Postgresql, true, "o");
    }
    void refreshShowsOtherProgramsChanges()
    {
        auto [engine, stamp, search] = fetch<QString, bool, QString>({"engine", "stamp", "search"});
        REQUIRE_ENGINE(engine);
        const bool stops = QByteArray(QTest::currentDataTag()).endsWith("server stops");
        const QString control = qEnvironmentVariable("KESTREL_TEST_POSTGRESQL_SPARE_CTL");
        ScopedEnvironment onSpare;
        if (stops) {
            REQUIRE_PART(spare, "KESTREL_TEST_POSTGRESQL_SPARE");
            onSpare.set("KESTREL_TEST_POSTGRESQL", spare.toUtf8());
        }
        QTemporaryDir dir;
        const testdb::Catalogue catalogue(engine, dir.path());
        const QString at = catalogue.location();
        if (!stamp)
            sql(at, "DROP FUNCTION kestrel_count_change() CASCADE; DROP TABLE Catalogue_Change");
        QStringList rows{"('Other', '', '/o')"};
        for (int i = 0; i < 80; ++i)
            rows << QString("('Program %1', 'Runs %1', '/p')").arg(i, 2, 10, QChar('0'));
        sql(at, "INSERT INTO Program (Program_Name, Program_Desc, Program_Path) VALUES " +
                    rows.join(", "));
        MessageBoxRecorder messages;
        clsDBRoutines reader({at, true}, clsDBRoutines::OnFirstStatement);
        const auto close = qScopeGuard([&] {
            delete frmView::existingInstance();
            if (stops && testdb::runControl(control, {"status"}) != 0)
                testdb::runControl(control, {"start"});
        });
        frmView& window = frmView::open(reader, {{}, false, 1});
        window.show();
        launcher::ucProgramView* view = window.ucProgramView1();
        QTRY_COMPARE(view->lstView()->count(), 81);
        window.ucLeftFrame1()->txtSearch()->setText(search);
        QAbstractItemView* shown = view->visibleList();
        const qsizetype matches = view->shownItems().size();
        const QModelIndex ten =
            shown->model()->match(shown->model()->index(0, 0), Qt::DisplayRole, "Program 10")[0];
        QTest::mouseClick(shown->viewport(), Qt::LeftButton, {}, shown->visualRect(ten).center());
        QLabel* status = window.findChild<QLabel*>("sbarStatus");
        const int scroll = shown->verticalScrollBar()->maximum() / 2;
        shown->verticalScrollBar()->setValue(scroll);
        QSignalSpy fills(view->lstView()->model(), &QAbstractItemModel::rowsInserted);
        QTest::qWait(2500);
        QCOMPARE(fills.count(), 0);
        if (stops) {
            QCOMPARE(testdb::runControl(control, {"stop", "-m", "fast"}), 0);
            QTRY_VERIFY(status->toolTip().startsWith("The catalogue cannot be read"));
            status->setText("told");
            QTest::qWait(2500);
            QCOMPARE(status->text(), "told"); // once
            QCOMPARE(view->lstView()->count(), 81);
            QCOMPARE(testdb::runControl(control, {"start"}), 0);
        }

        for (const char* change :
             {"INSERT INTO Program (Program_Name, Program_Path) VALUES ('Program new', '/n')",
              "UPDATE Program SET Program_Path = '/changed' WHERE Program_Name = 'Program 41'",
              "UPDATE Program SET Program_Desc = 'Runs on' WHERE Program_Name = 'Program 10'",
              "DELETE FROM Program WHERE Program_Name = 'Program 05'"})
            sql(at, change);
        const auto path = [view](const char* name) {
            const auto* item = view->lstView()->findItems(name, Qt::MatchExactly).value(0);
            return item ? item->data(launcher::ucProgramView::PathRole).toString() : "gone";
        };
        QTRY_COMPARE_WITH_TIMEOUT(
            (QStringList{path("Program new"), path("Program 41"), path("Program 05"),
                         window.ucLeftFrame1()->Description()}),
            (QStringList{"/n", "/changed", "gone", "Runs on"}), 5000);
        QCOMPARE(window.ucLeftFrame1()->txtSearch()->text(), search);
        QVERIFY(view->visibleList() == shown && view->shownItems().size() == matches);
        QCOMPARE(shown->verticalScrollBar()->value(), scroll);
        QVERIFY(status->text() == "STATUS" && messages.requests().isEmpty());
        // The selected program gone, the search's first match is selected, as after typing.
        sql(at, "DELETE FROM Program WHERE Program_Name = 'Program 10'");
        QTRY_VERIFY_WITH_TIMEOUT(view->selectedItem() != "Program 10", 5000);
        QCOMPARE(view->selectedItem(), shown->model()->index(0, 0).data().toString());
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
