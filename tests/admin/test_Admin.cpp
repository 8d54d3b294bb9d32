// The administrator on a real catalogue and settings file, with the message boxes and the
// file dialog faked; and beside a real launcher process.
#include "admin/frmAddInstalled.h"
#include "admin/frmAddProgram.h"
#include "admin/frmModifyProgram.h"
#include "admin/frmSetup.h"
#include "admin/modMain.h"
#include "catalogue/CatalogueFile.h"
#include "catalogue/StoredIcon.h"
#include "catalogue/clsDBRoutines.h"
#include "launcher/frmView.h"
#include "settings/clsEnvironment.h"
#include "tests/support/InstallationFixture.h"
#include "tests/support/Sql.h"
#include "tests/support/TestFiles.h"
#include "tests/support/TestMain.h"
#include "tests/support/TestServer.h"
#include "views/admin/frmProperties.h"
#include "views/admin/ucProgramView.h"
#include "views/common/ProgramHealth.h"
#include "views/launcher/ucLeftFrame.h"
#include "views/launcher/ucProgramView.h"

#include <QDeadlineTimer>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QScrollBar>
#include <QSemaphore>
#include <QTimer>
#include <thread>

using namespace admin;

namespace {
// Alpha, and Beta (path stored with blanks) for nobody; the catalogue refuses to delete Alpha
// or to add the audience "user:refused".
struct Admin : InstallationFixture
{
    MessageBoxRecorder messages;
    FileDialogFake files;
    QStringList closed; // the titles of the modal windows closeNextModal closed
    Admin()
    {
        sql("INSERT INTO Program (Program_Name, Program_Path) "
            "VALUES ('Alpha', '/bin/alpha'), ('Beta', ' /bin/beta ')");
        sql("CREATE TRIGGER keep BEFORE DELETE ON Program WHEN OLD.Program_Name = 'Alpha' "
            "BEGIN SELECT RAISE(ABORT, 'kept'); END");
        sql("INSERT INTO Program_Audience VALUES (2, 'user:nobody')");
        sql("CREATE TRIGGER refuseAudience BEFORE INSERT ON Program_Audience WHEN NEW.Audience "
            "= 'user:refused' BEGIN SELECT RAISE(ABORT, 'refused'); END");
    }
    ~Admin() { delete admin::openSetupWindow(), qDeleteAll(addDialogs()); }
    static admin::frmSetup& setup() { return *admin::openSetupWindow(); }
    static QListWidget* list() { return setup().ucProgramView1()->lstView(); }
    static void press(const char* button) { setup().findChild<QPushButton*>(button)->click(); }
    // As shown, after a search or "View as...".
    static QStringList listed() { return textsOf(setup().ucProgramView1()->shownItems()); }
    void closeNextModal()
    {
        QTimer::singleShot(0, &setup(), [this] {
            if (QWidget* modal = QApplication::activeModalWidget()) {
                closed << modal->windowTitle();
                modal->close();
            }
        });
    }
    static QList<frmAddProgram*> addDialogs()
    {
        QList<frmAddProgram*> open;
        for (QWidget* window : QApplication::topLevelWidgets())
            if (auto* dialog = qobject_cast<frmAddProgram*>(window); dialog && dialog->isVisible())
                open << dialog;
        return open;
    }
};

void fill(frmProgramDialog* dialog, const QStringList& values)
{
    dialog->txtProgramName()->setText(values[0]);
    dialog->txtProgramDescription()->setPlainText(values[1]);
    dialog->txtProgramPath()->setText(values[2]);
    dialog->txtProgramIcon()->setText(values[3]);
    dialog->txtAudiences()->setText(values.value(4));
}
QStringList entries(const frmProgramDialog* dialog)
{
    return {dialog->txtProgramName()->text(), dialog->txtProgramDescription()->toPlainText(),
            dialog->txtProgramPath()->text(), dialog->txtProgramIcon()->text(),
            dialog->txtAudiences()->text()};
}
const QString added = "Sucess|Program Added|Information";
const QString notSaved = "Error|Unable to add program|Critical";

// ModifyBetaGone: Beta deleted before the save; DeleteAnswerNo: No to the question.
enum Edit { Add, Modify, ModifyBetaGone, Delete, DeleteAnswerNo };
enum SettingsFile { Writable, ReadOnly, Folder };
const QString updated = "Information|Database Location has been updated\n\nKestrel and "
                        "KestrelAdmin use it from their next start; this window keeps the "
                        "catalogue it opened.|Information";
} // namespace

class TestAdmin : public QObject
{
    Q_OBJECT

private slots:
    void editsTheCatalogue_data()
    {
        // name: modified, or selected for deletion; typed: name|desc|path|icon|audiences;
        // catalogue: name|desc|path|icon, and |audiences when there are some, afterwards.
        const auto row = columns<int, QString, QString, QStringList, QStringList>(
            {"edit", "name", "typed", "messages", "catalogue"});
        const QStringList both{"Alpha||/bin/alpha|", "Beta|| /bin/beta ||user:nobody"};
        const QString gamma = " Gamma | a b | /bin/g | /i.ico |";
        const QString fillIn = "Error|Please fill all fields in.|Exclamation";
        const QString ask = "Question|Delete %1?|Question|YesNo";
        row("add: blank name", Add, "", " |d|/bin/x||", {fillIn}, both);
        row("add: blank path", Add, "", "X|d| ||", {fillIn}, both);
        // A name identifies one program: another's name is refused in any letter case.
        const QString taken = "Error|" + nameTakenReason("%1") + "|Exclamation";
        row("add: taken name", Add, "", " alpha |d|/bin/x||", {taken.arg("alpha")}, both);
        // The icon's picture is stored with the program, up to 1 MB ("@big": a larger file).
        row("add: icon over the cap", Add, "", "Big||/bin/x|@big|",
            {"Kestrel.StoredIcon|The icon \"@big\" is 1048577 bytes: the catalogue stores icons "
             "of at most 1 MB (1048576 bytes). Choose a smaller picture.|Critical",
             notSaved},
            both);
        row("add: audiences", Add, "", "Epsilon||/e||user:nobody,,group:root ", {added},
            both + QStringList{"Epsilon||/e||group:root user:nobody"});
        row("add: malformed audience", Add, "", "Epsilon||/e||group:root, staff",
            {"Error|\"staff\" is not an audience: write group:NAME, user:NAME or host:PATTERN "
             "(for example group:staff, user:alice, host:lab2-*).|Exclamation"},
            both);
        // The program and its audiences are one step: neither is kept.
        row("add: audience refused", Add, "", "Epsilon||/e||user:refused",
            {"SQLite|refused|Critical", notSaved}, both);
        row("modify Beta: taken name", Modify, "Beta", "ALPHA||/b||", {taken.arg("ALPHA")}, both);
        row("modify Beta: own name, other case", Modify, "Beta", "BETA||/bin/b||",
            {"Sucess|Program Modified|Information"}, {both[0], "BETA||/bin/b|"});
        // A failed save says why on a second line ("@db": the catalogue's path).
        const QString gone = "Error|Unable to add program\n\nThe catalogue \"@db\" was not "
                             "changed: no program is named \"%1\" any more; another program "
                             "may have deleted or renamed it.|Critical";
        row("modify Ghost: unknown", Modify, "Ghost", gamma,
            {"Error|Couldn't Load Program Information|Critical", gone.arg("Ghost")}, both);
        row("modify Beta: renames", Modify, "Beta", gamma, {"Sucess|Program Modified|Information"},
            {both[0], "Gamma|a b|/bin/g|/i.ico"});
        row("modify Beta gone: deleted meanwhile", ModifyBetaGone, "Beta", gamma,
            {gone.arg("Beta")}, both.first(1));
        row("delete: nothing selected", Delete, "", "", {}, both);
        row("modify: nothing selected", Modify, "", "", {}, both);
        row("delete Beta no: kept", DeleteAnswerNo, "Beta", "", {ask.arg("Beta")}, both);
        row("delete Beta: deleted", Delete, "Beta", "",
            {ask.arg("Beta"), "Confirmation|Program has been deleted|Information"}, both.first(1));
        row("delete Alpha: refused", Delete, "Alpha", "",
            {ask.arg("Alpha"), "Error|Couldn't Delete Program\n\nThe catalogue \"@db\" was not "
                               "changed: kept|Critical"},
            both);
    }
    void editsTheCatalogue()
    {
        auto [edit, name, fields, messages] =
            fetch<int, QString, QString, QStringList>({"edit", "name", "typed", "messages"});
        Admin a;
        QVERIFY(admin::Main(a.ini()));
        writeFile(a.path("big.png"), QByteArray(1024 * 1024 + 1, 'x'));
        const QStringList typed = fields.replace("@big", a.path("big.png")).split('|');
        messages.replaceInStrings("@big", a.path("big.png"));
        admin::frmModifyProgram modify(&a.setup());
        if (edit >= Delete || (edit == Modify && name.isEmpty())) {
            a.list()->setCurrentItem(a.list()->findItems(name, Qt::MatchExactly).value(0));
            a.messages.queueAnswer(edit == DeleteAnswerNo ? platform::MsgAnswer::No
                                                          : platform::MsgAnswer::Yes);
            a.closeNextModal(); // a dialog opened for no program
            a.press(edit >= Delete ? "cmdDelete" : "cmdModify");
        } else {
            QPointer<frmProgramDialog> dialog = &modify;
            if (edit == Add) {
                a.press("cmdAdd");
                dialog = a.addDialogs().value(0);
            } else {
                modify.setProgram(name); // loaded as stored, blanks and all
                if (name == "Beta")
                    QCOMPARE(entries(&modify).join('|'), "Beta|| /bin/beta ||user:nobody");
                modify.show();
            }
            if (edit == ModifyBetaGone)
                a.sql("DELETE FROM Program WHERE Program_Name = 'Beta'");
            fill(dialog, typed);
            QTest::mouseClick(dialog->cmdAdd(), Qt::LeftButton);
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            // Closed when saved, else open with what was typed.
            QCOMPARE(dialog && dialog->isVisible() ? entries(dialog) : QStringList(),
                     messages.last().startsWith("Sucess") ? QStringList() : typed);
        }
        QCOMPARE(described(a.messages), messages.replaceInStrings("@db", a.db()));
        QTEST(a.sql("SELECT Program_Name || '|' || Program_Desc || '|' || Program_Path || '|' || "
                    "Program_CustomIcon || ifnull((SELECT '|' || group_concat(Audience, ' ') FROM "
                    "(SELECT Audience FROM Program_Audience a WHERE a.Program_Key = p.Program_Key "
                    "ORDER BY 1)), '') FROM Program p ORDER BY Program_Name"),
              "catalogue");
        if (edit != ModifyBetaGone) // that one the list still shows
            QCOMPARE(a.listed(), a.names());
    }

    // Unusable settings are said, the reason on a line of its own; relative locations are
    // shown resolved. Grown, the frames and the list take the room. The properties name the
    // audiences and what is broken, which Check lists. Typing filters, Enter shows the (first)
    // match's properties where a double-click does nothing; a reload keeps the search, and the
    // list's place with a whole row at its top. The next window opens at the last one's size.
    void startsBrowsesAndSearches()
    {
        const auto forget = qScopeGuard(
            [] { QFile::remove(qEnvironmentVariable("XDG_CONFIG_HOME") + "/Kestrel/admin.conf"); });
        Admin a; // Alpha for other hosts and a user this machine lacks, Gamma for everyone
        // Gamma's icon file is gone, but the catalogue stores its picture.
        a.sql("INSERT INTO Program (Program_Name, Program_Path, Program_CustomIcon) VALUES "
              "('Gamma', '/g', '/gone.png')");
        const QByteArray picture = readFile(a.path("Default.ico"));
        a.sql("INSERT INTO Program_Icon VALUES (3, ?, ?)", {storedIconDigest(picture), picture});
        a.sql("INSERT INTO Program_Audience VALUES (1, 'host:elsewhere-*'), (1, 'user:ghost')");
        a.writeIni("none.mdb");
        QVERIFY(!admin::Main(a.ini()) && !admin::openSetupWindow());
        a.writeIni("data/Kestrel.mdb", "./Default.ico");
        QVERIFY(admin::Main(a.ini()));
        QCOMPARE(a.setup().txtDatabaseLocation()->text(), a.db());
        const auto at = [&a](const char* name) {
            return a.setup().findChild<QWidget*>(name)->geometry();
        };
        const QRect list = at("ucProgramView1"), prop = at("cmdProp");
        const QSize grown = QSize(1000, 700) - a.setup().size();
        a.setup().resize(1000, 700);
        QCOMPARE(at("ucProgramView1"), list.adjusted(0, 0, grown.width(), grown.height()));
        QCOMPARE(at("cmdProp"), prop.translated(grown.width(), grown.height()));
        // The context menu opens with or without a selection.
        QMenu* menu = a.setup().ucProgramView1()->mnuPopupMenu();
        for (const QPoint at : {QPoint(a.list()->viewport()->width() - 5, 5),
                                a.list()->visualItemRect(a.list()->item(0)).center()}) {
            QTest::mouseClick(a.list()->viewport(), Qt::RightButton, {}, at);
            QTRY_VERIFY(menu->isVisible());
            menu->hide();
        }
        QVERIFY(a.setup().viewAs("nobody", {}));
        QCOMPARE(a.listed(), QStringList({"Beta", "Gamma"}));
        QVERIFY(a.setup().viewAs("root", "elsewhere-1.example"));
        QVERIFY(!a.setup().viewAs("ghost", {})); // said, and the list stays
        QCOMPARE(a.listed(), QStringList({"Alpha", "Gamma"}));
        a.press("cmdViewAs"); // back to every program
        // Check answers with its own check, not with one still running (of no programs).
        QTRY_VERIFY(!ProgramHealth::instance().isChecking());
        ProgramHealth::instance().check({});
        a.press("cmdCheck");
        QTRY_COMPARE(
            described(a.messages),
            QStringList({"Error|Error Loading Setttings, Closing\n\nThe settings file \"" +
                             a.ini() + "\" cannot be used:\nDatabasePath \"" + a.path("none.mdb") +
                             "\": there is no such file.|Critical",
                         "View as|There is no user \"ghost\" on this machine. The list "
                         "stays as it was.|Exclamation",
                         "Check|3 broken:\nAlpha: /bin/alpha does not exist\nBeta: "
                         "/bin/beta does not exist\nGamma: /g does not exist|Exclamation"}));
        const auto shown = [&a](const char* program, const char* label) {
            frmProperties properties(&a.setup());
            properties.setProgram(program);
            return properties.findChild<QLabel*>(label)->text();
        };
        QCOMPARE(QStringList({shown("Alpha", "lblAudiences"), shown("Gamma", "lblAudiences"),
                              shown("beta", "lblProblem")}),
                 QStringList({"host:elsewhere-*\nuser:ghost (matches nobody here)", "Everyone",
                              "Broken: /bin/beta does not exist"}));
        a.setup().activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&a.setup()));
        a.list()->setFocus();
        QTest::keyClicks(a.list(), "ETA");
        QAbstractItemView* results = a.setup().ucProgramView1()->visibleList();
        a.closeNextModal(); // in case
        QTest::mouseDClick(results->viewport(), Qt::LeftButton, {},
                           results->visualRect(results->model()->index(0, 0)).center());
        QCoreApplication::processEvents();
        a.closeNextModal();
        QTest::keyClick(a.setup().findChild<QLineEdit*>("txtSearch"), Qt::Key_Return);
        QCOMPARE(a.closed, QStringList{"Showing Properties For : Beta"});
        a.sql("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 200) "
              "INSERT INTO Program (Program_Name, Program_Path) SELECT 'P' || i, '/p' FROM n "
              "UNION ALL SELECT 'Zeta', '/z'");
        a.setup().ucProgramView1()->reloadView();
        QCOMPARE(a.listed(), QStringList({"Beta", "Zeta"}));
        a.setup().findChild<QLineEdit*>("txtSearch")->clear();
        QScrollBar* bar = a.list()->verticalScrollBar();
        const int row = a.list()->gridSize().height();
        QTRY_VERIFY(bar->maximum() > 3 * row);
        bar->setValue(2 * row + row / 2);
        a.setup().ucProgramView1()->reloadView();
        QCOMPARE(bar->value(), 2 * row);
        a.setup().close();
        QTRY_VERIFY(!admin::openSetupWindow());
        QVERIFY(admin::Main(a.ini()));
        QCOMPARE(a.setup().size(), QSize(1000, 700));
    }

    // Chosen with Browse, or typed and Enter: a server's URI is refused with a password,
    // tried before it is saved, kept after a failed try only when the administrator says so.
    void changeLocation_data()
    {
        // chosen: a file in data/, or typed ("%": a folder that does not exist); answer: to the
        // question, when one is asked; messages: how each begins; saved: DatabasePath|RequireLogin
        // ShowToolbar NumberOfClicks afterwards ("@": the installation).
        const auto row = columns<int, QString, platform::MsgAnswer, QStringList, QString>(
            {"settingsFile", "chosen", "answer", "messages", "saved"});
        const QString failed = "Error|Unable to save settings|Critical";
        const QString same = "Same|Database is same as selected file|Exclamation";
        const QString away = "postgresql:///k?host=%&connect_timeout=2";
        const QString unreachable = "Database Location|Cannot open the catalogue database \"" +
                                    away + "\" (host %, port 5432, database k): ";
        const QString kept = "@/data/Kestrel.mdb|111";
        using enum platform::MsgAnswer;
        row("same path", Writable, "Kestrel.mdb", Ok, {same}, kept);
        row("other case", Writable, "KESTREL.MDB", Ok, {updated}, "@/data/KESTREL.MDB|002");
        row("read-only settings file", ReadOnly, "other.mdb", Ok, {failed}, kept);
        row("settings file a folder", Folder, "other.mdb", Ok, {failed}, "|");
        row("server: password refused", Writable, "postgresql://me:s3cret@h/db", Ok,
            {"Database Location|The catalogue location postgresql://me@h/db cannot be used: it "
             "carries a password; the settings file is readable by every user, so give the "
             "password in ~/.pgpass or PGPASSFILE instead|Critical"},
            kept);
        row("server unreachable, not kept", Writable, away, No, {unreachable}, kept);
        row("server unreachable, kept", Writable, away, Yes, {unreachable, updated}, away + "|002");
    }
    void changeLocation()
    {
        auto [settingsFile, chosen, answer, messages, saved] =
            fetch<int, QString, platform::MsgAnswer, QStringList, QString>(
                {"settingsFile", "chosen", "answer", "messages", "saved"});
        Admin a;
        QVERIFY(admin::Main(a.ini()));
        chosen.replace("%", a.path("none"));
        if (settingsFile == ReadOnly) // the test runs as an ordinary user
            QVERIFY(QFile::setPermissions(a.ini(), QFile::ReadOwner) &&
                    !QFileInfo(a.ini()).isWritable());
        if (settingsFile == Folder)
            QVERIFY(QFile::remove(a.ini()) && QDir().mkdir(a.ini()));
        QLineEdit* field = a.setup().txtDatabaseLocation();
        if (chosen.startsWith("postgresql:")) {
            a.messages.queueAnswer(answer);
            field->setText(chosen);
            QTest::keyClick(field, Qt::Key_Return);
        } else {
            a.files.queueAnswer(a.path("data/" + chosen));
            a.press("cmdBrowse");
        }
        QStringList shown = described(a.messages); // cut to how the rows begin them
        for (qsizetype i = 0; i < qMin(shown.size(), messages.size()); ++i)
            shown[i].truncate(messages[i].replace("%", a.path("none")).size());
        QCOMPARE(shown, messages);
        QCOMPARE(a.iniValue("DatabasePath") + '|' + a.iniValue("RequireLogin") +
                     a.iniValue("ShowToolbar") + a.iniValue("NumberOfClicks"),
                 saved.replace("%", a.path("none")).replace("@", a.path({})));
        // This run keeps its location; the field shows the one saved for the next start.
        QCOMPARE(field->text(), messages.last() == updated ? saved.section('|', 0, 0) : a.db());
        QCOMPARE(gEnvironment().DatabasePath(), a.db());
    }

    // With a launcher process holding the catalogue. Installed applications: read off the
    // window's thread, hidden ones left out, a search, several chosen, one in the catalogue
    // marked and not offered. One add dialog; it outlives the setup window.
    void addsWhileALauncherRuns()
    {
        Admin a;
        QVERIFY(QFile::copy(asuser::besideTest(KESTREL_LAUNCHER_EXECUTABLE), a.path("Kestrel")));
        QProcess running;
        running.start(a.path("Kestrel"));
        const auto stop = qScopeGuard([&running] {
            running.kill();
            running.waitForFinished();
        });
        // Until the launcher holds the catalogue open (a file it has open is the link's target).
        const QString fds = QStringLiteral("/proc/%1/fd").arg(running.processId());
        QTRY_VERIFY_WITH_TIMEOUT(
            QDir(fds).entryInfoList(QDir::System | QDir::Files).contains(QFileInfo(a.db())), 20000);
        QVERIFY(admin::Main(a.ini()));
        for (const auto& [file, keys] :
             {std::pair{"calc", "Name=Calc\nComment=Sums\nIcon=" + a.path("Default.ico").toUtf8()},
              {"alpha", "Name=alpha \nComment=Exists already"},
              {"edit", "Name=Edit\nGenericName=Editor"},
              {"hidden", "Name=Hidden\nNoDisplay=true"}})
            writeFile(a.path("apps/") + file + ".desktop",
                      "[Desktop Entry]\nType=Application\nExec=sh\n" + keys + '\n');
        auto* window = new frmAddInstalled(&a.setup(), {a.path("apps")}); // the setup window's
        connect(window, &frmAddInstalled::programsAdded, a.setup().ucProgramView1(),
                &ucProgramView::reloadView);
        window->show();
        QTRY_VERIFY(window->isLoaded());
        QListWidget* list = window->lstApplications();
        // Each entry's text, "-" before one hidden, "*" before one that cannot be chosen.
        const auto shown = [list] {
            QStringList texts;
            for (const QListWidgetItem* item : list->findItems({}, Qt::MatchContains))
                texts << QString(item->isHidden() ? "-" : "") +
                             (item->flags() & Qt::ItemIsSelectable ? "" : "*") + item->text();
            return texts;
        };
        QVERIFY(!list->item(1)->icon().isNull());
        window->findChild<QLineEdit*>("txtSearch")->setText("EDITOR");
        QCOMPARE(shown(), QStringList({"-*alpha (in the catalogue)\nExists already", "-Calc\nSums",
                                       "Edit\nEditor"}));
        window->findChild<QLineEdit*>("txtSearch")->clear();
        list->selectAll();
        window->findChild<QPushButton*>("cmdAdd")->click();
        QCOMPARE(a.messages.texts() + shown() + a.listed() +
                     a.sql("SELECT Program_Desc || '|' || Program_Path FROM Program WHERE "
                           "Program_Name = 'Edit'"),
                 QStringList({"2 added.", "*alpha (in the catalogue)\nExists already",
                              "*Calc (in the catalogue)\nSums", "*Edit (in the catalogue)\nEditor",
                              "Alpha", "Beta", "Calc", "Edit",
                              "Editor|" + a.path("apps/edit.desktop")}));
        a.press("cmdAdd");
        frmAddProgram* dialog = a.addDialogs().value(0);
        fill(dialog, {"Newcomer", "", "/usr/bin/xterm", ""});
        a.press("cmdAdd");
        QCOMPARE(a.addDialogs(), QList<frmAddProgram*>{dialog});
        a.setup().close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!admin::openSetupWindow());
        QTest::mouseClick(dialog->cmdAdd(), Qt::LeftButton);
        QCOMPARE(described(a.messages).mid(1), QStringList{added});
        QVERIFY(a.addDialogs().isEmpty());
        QCOMPARE(running.state(), QProcess::Running);
        // The next launcher's main window, on a fresh read-only connection, lists it.
        releaseDBRoutines();
        setCatalogueReadOnly(true);
        const auto closeWindow = qScopeGuard([] { delete frmView::existingInstance(); });
        QListWidget* next = frmView::Instance().ucProgramView1()->lstView();
        QCOMPARE(next->item(next->count() - 1)->text(), QStringLiteral("Newcomer"));
    }

    // The server away and back: an idle launcher holds no connection; its failed clicks
    // give the error's box once, then a status line; a launch fails as specified; a failed
    // add keeps its dialog and values; Check and Modify answer. Back with every slot taken
    // for a moment, the launcher waits for one; then all goes on silently.
    void serverAwayAndBack()
    {
        REQUIRE_PART(spare, "KESTREL_TEST_POSTGRESQL_SPARE");
        REQUIRE_PART(control, "KESTREL_TEST_POSTGRESQL_SPARE_CTL");
        Admin a;
        const QString database = QStringLiteral("away_%1").arg(QCoreApplication::applicationPid());
        const QString uri = testdb::serverDatabaseUri(database, spare);
        const auto restart = qScopeGuard([&] {
            testdb::runControl(control, {"restart", "-o", ""});
            sql(spare, "DROP DATABASE IF EXISTS " + database + " WITH (FORCE)");
        });
        sql(spare, "CREATE DATABASE " + database);
        createCatalogue(uri);
        sql(uri, "INSERT INTO Program VALUES (1, 'Alpha', 'First', '/a', '', 0, '')");
        a.writeIni(uri);
        QVERIFY(admin::Main(a.ini()));
        clsDBRoutines reader({uri, true}, clsDBRoutines::OnFirstStatement);
        reader.setCloseWhenIdle(true);
        frmView& launcher = frmView::open(reader, {gEnvironment().DefaultIcon()});
        const auto closeLauncher = qScopeGuard([] { delete frmView::existingInstance(); });
        launcher.show();
        launcher::ucProgramView* view = launcher.ucProgramView1();
        const auto click = [view] { emit view->ItemClicked(view->lstView()->item(0)); };
        QTRY_COMPARE(view->lstView()->count() + a.list()->count(), 2);
        const QString held = "SELECT count(*) FROM pg_stat_activity WHERE datname = ?";
        QTRY_COMPARE(sql(spare, held, {database}), QVariantList{1}); // the administrator's

        QCOMPARE(testdb::runControl(control, {"stop"}), 0);
        click(), click();
        emit view->ListDoubleClicked(view->lstView()->item(0));
        a.press("cmdCheck");
        a.press("cmdAdd");
        frmAddProgram* dialog = a.addDialogs().value(0);
        fill(dialog, {"Beta", "typed", "/b", ""});
        dialog->cmdAdd()->click();
        a.list()->setCurrentRow(0);
        a.press("cmdModify"); // told, and no dialog
        const QStringList shown = described(a.messages);
        QVERIFY2(shown.size() == 8 && shown[0].contains("|Error 14 in PostgreSQL:") &&
                     shown[1].startsWith("Error|Unable to execute program : Alpha") &&
                     shown[6] == notSaved && entries(dialog)[1] == "typed",
                 qPrintable(shown.join('\n')));
        QLabel* status = launcher.findChild<QLabel*>("sbarStatus");
        QVERIFY(status->toolTip().startsWith("Catalogue not reachable: Cannot open the catalogue"));

        QCOMPARE(testdb::runControl(control, {"start", "-o", "-c max_connections=4"}), 0);
        QSemaphore taken;
        std::thread holder([&] { // all four, a superuser's reserved ones too, for 600 ms
            std::vector<Connection> held(4);
            for (Connection& connection : held) {
                connection.setConnectionString(spare);
                connection.Open();
            }
            taken.release();
            QThread::msleep(600);
        });
        QVERIFY(taken.tryAcquire(1, 30000));
        const QDeadlineTimer waited(500);
        click();
        holder.join();
        QVERIFY(waited.hasExpired());
        dialog->cmdAdd()->click();
        a.press("cmdCheck");
        QTRY_COMPARE(a.messages.requests().size(), 10);
        QCOMPARE(launcher.ucLeftFrame1()->Description() + '|' + status->text() + '|' +
                     described(a.messages)[8] + '|' + a.messages.requests()[9].title,
                 "First|STATUS|" + added + "|Check");
    }
};

// As an ordinary user, so that root's disregard of permissions hides no refusal.
KESTREL_TEST_MAIN_AS_USER_WITH(QApplication, TestAdmin)
#include "test_Admin.moc"
