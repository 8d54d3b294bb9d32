#include "admin/frmAddProgram.h"
#include "admin/frmModifyProgram.h"
#include "admin/frmSetup.h"
#include "admin/modMain.h"
#include "settings/clsEnvironment.h"
#include "tests/admin/AdminSession.h"
#include "views/admin/frmProperties.h"
#include "views/admin/ucLeftFrame.h"
#include "views/admin/ucProgramView.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <unistd.h>

using admin::frmSetup;

class TestFrmSetup : public QObject
{
    Q_OBJECT

    static QPushButton* button(QWidget* window, const char* name)
    {
        auto* found = window->findChild<QPushButton*>(name);
        if (!found)
            qFatal("no button %s", name);
        return found;
    }
    static QAction* menuItem(frmSetup& setup, const char* name)
    {
        return setup.ucProgramView1()->mnuPopupMenu()->findChild<QAction*>(name);
    }

private slots:
    void startUp_data()
    {
        QTest::addColumn<QString>("breakWhat");
        QTest::addColumn<bool>("starts");
        QTest::addRow("good settings") << "" << true;
        QTest::addRow("missing database") << "database" << false;
        QTest::addRow("missing default icon") << "icon" << false;
    }
    void startUp()
    {
        QFETCH(QString, breakWhat);
        QFETCH(bool, starts);
        AdminSession session;
        session.inst.insertProgram("Beta", "/bin/beta");
        session.inst.insertProgram("Alpha", "/bin/alpha");
        if (breakWhat == "database")
            session.inst.writeSettings(session.inst.path("data/missing.mdb"));
        else if (breakWhat == "icon")
            session.inst.writeSettings({}, session.inst.path("missing.ico"));

        QCOMPARE(session.start(), starts);

        frmSetup* setup = admin::openSetupWindow();
        if (!starts) {
            QCOMPARE(described(session.messages),
                     QStringList{"Error|Error Loading Setttings, Closing|Critical|Ok"});
            QVERIFY(!setup);
            for (QWidget* window : QApplication::topLevelWidgets())
                QVERIFY2(!window->isVisible(), qPrintable(window->objectName()));
            return;
        }
        QVERIFY(session.messages.requests().isEmpty());
        QVERIFY(setup && setup->isVisible());
        QCOMPARE(setup->windowTitle(), QString("Kestrel Setup...."));
        QCOMPARE(setup->size(), QSize(602, 370));
        QCOMPARE(setup->txtDatabaseLocation()->text(), session.inst.databasePath());
        QCOMPARE(listed(*setup), (QStringList{"Alpha", "Beta"}));
    }

    void tabOrder()
    {
        AdminSession session;
        QVERIFY(session.start());
        frmSetup& setup = *admin::openSetupWindow();
        QStringList order;
        QWidget* w = setup.txtDatabaseLocation();
        for (int i = 0; i < 6; ++i) {
            w = w->nextInFocusChain();
            while (w->focusPolicy() == Qt::NoFocus || !w->isVisibleTo(&setup))
                w = w->nextInFocusChain();
            order.append(w->objectName());
        }
        QCOMPARE(order, (QStringList{"cmdBrowse", "lstView", "cmdDelete", "cmdAdd", "cmdModify",
                                     "cmdProp"}));
    }

    void changeLocation_data()
    {
        QTest::addColumn<QString>("typed");        // into the text box by hand; "" keeps it
        QTest::addColumn<QString>("chosen");       // "<cancel>" cancels the file dialog
        QTest::addColumn<QString>("settingsFile"); // "", "missing" or "read-only"
        QTest::addColumn<QString>("message");      // "" for none
        QTest::addColumn<bool>("written");
        QTest::addColumn<QString>("saved"); // DatabasePath in the file afterwards
        const QString none;
        const QString same = "Same|Database is same as selected file|Exclamation|Ok";
        const QString updated = "Information|Database Location has been updated|Information|Ok";
        const QString failed = "Error|Unable to save settings|Critical|Ok";
        QTest::addRow("cancelled") << none << "<cancel>" << none << none << false << "<db>";
        QTest::addRow("blank choice") << none << "   " << none << none << false << "<db>";
        QTest::addRow("same file") << none << "<db>" << none << same << false << "<db>";
        // The choice is compared untrimmed, then saved trimmed.
        QTest::addRow("same file, blanks around the choice")
            << none << " <db> " << none << updated << true << "<db>";
        QTest::addRow("same file, other case")
            << none << "<DB>" << none << updated << true << "<DB>";
        QTest::addRow("new file") << none << "<dir>/other.mdb" << none << updated << true
                                  << "<dir>/other.mdb";
        QTest::addRow("text typed by hand") << "<dir>/typed.mdb"
                                            << "<dir>/typed.mdb" << none << same << false << "<db>";
        QTest::addRow("settings file gone") << none << "<dir>/other.mdb"
                                            << "missing" << failed << false << none;
        QTest::addRow("read-only settings file") << none << "<dir>/other.mdb"
                                                 << "read-only" << failed << false << "<db>";
    }
    void changeLocation()
    {
        QFETCH(QString, typed);
        QFETCH(QString, chosen);
        QFETCH(QString, settingsFile);
        QFETCH(QString, message);
        QFETCH(bool, written);
        QFETCH(QString, saved);
        if (settingsFile == "read-only" && ::geteuid() == 0)
            QSKIP("root writes read-only files");

        AdminSession session;
        session.inst.insertProgram("Alpha", "/bin/alpha");
        QVERIFY(session.start());
        frmSetup& setup = *admin::openSetupWindow();
        const QString db = session.inst.databasePath();
        const auto expand = [&](QString text) {
            // Upper-casing only the file name keeps the folder valid.
            return text.replace("<DB>", session.inst.path("data/KESTREL.MDB"))
                .replace("<db>", db)
                .replace("<dir>", session.inst.path("data"));
        };
        if (!typed.isEmpty())
            setup.txtDatabaseLocation()->setText(expand(typed));
        const QString shown = setup.txtDatabaseLocation()->text();
        if (chosen == "<cancel>")
            session.files.queueCancel();
        else
            session.files.queueAnswer(expand(chosen));
        if (settingsFile == "missing")
            QVERIFY(QFile::remove(session.inst.iniPath()));
        if (settingsFile == "read-only")
            QVERIFY(QFile::setPermissions(session.inst.iniPath(), QFile::ReadOwner));

        QTest::mouseClick(button(&setup, "cmdBrowse"), Qt::LeftButton);

        QCOMPARE(session.files.requests().size(), 1);
        QCOMPARE(session.files.requests().first().title, QString("Select Database..."));
        QCOMPARE(session.files.requests().first().initialFolder, session.inst.path("data"));
        QCOMPARE(described(session.messages),
                 message.isEmpty() ? QStringList() : QStringList{message});
        QCOMPARE(session.inst.settingsValue("Database", "DatabasePath"), expand(saved));
        if (settingsFile != "missing") {
            // A save rewrites the general values with fixed ones, whatever they were.
            QCOMPARE(session.inst.settingsValue("General", "RequireLogin"),
                     QString(written ? "0" : "1"));
            QCOMPARE(session.inst.settingsValue("General", "ShowToolbar"),
                     QString(written ? "0" : "1"));
            QCOMPARE(session.inst.settingsValue("General", "NumberOfClicks"),
                     QString(written ? "2" : "1"));
            QCOMPARE(session.inst.settingsValue("General", "DefaultIcon"),
                     session.inst.path("Default.ico"));
        }
        // The running program keeps the location it started with.
        QCOMPARE(setup.txtDatabaseLocation()->text(), shown);
        QCOMPARE(gEnvironment().DatabasePath(), db);
        QCOMPARE(listed(setup), QStringList{"Alpha"});
    }

    void deleteProgram_data()
    {
        QTest::addColumn<QString>("selected");
        QTest::addColumn<bool>("yes");
        QTest::addColumn<bool>("refused");
        QTest::addColumn<bool>("fromMenu");
        QTest::addColumn<QStringList>("messages");
        QTest::addColumn<QStringList>("remaining");
        const QString ask = "Question|Delete Beta?|Question|YesNo";
        const QStringList both{"Alpha", "Beta"};
        QTest::addRow("nothing selected") << "" << true << false << false << QStringList() << both;
        QTest::addRow("answered No")
            << "Beta" << false << false << false << QStringList{ask} << both;
        QTest::addRow("answered Yes")
            << "Beta" << true << false << false
            << QStringList{ask, "Confirmation|Program has been deleted|Information|Ok"}
            << QStringList{"Alpha"};
        QTest::addRow("menu, answered Yes")
            << "Beta" << true << false << true
            << QStringList{ask, "Confirmation|Program has been deleted|Information|Ok"}
            << QStringList{"Alpha"};
        QTest::addRow("catalogue refuses")
            << "Beta" << true << true << false
            << QStringList{ask, "Error|Couldn't Delete Program|Critical|Ok"} << both;
    }
    void deleteProgram()
    {
        QFETCH(QString, selected);
        QFETCH(bool, yes);
        QFETCH(bool, refused);
        QFETCH(bool, fromMenu);
        QFETCH(QStringList, messages);
        QFETCH(QStringList, remaining);

        AdminSession session;
        session.inst.insertProgram("Alpha", "/bin/alpha");
        session.inst.insertProgram("Beta", "/bin/beta");
        if (refused)
            session.inst.execSql("CREATE TRIGGER keep BEFORE DELETE ON Program "
                                 "BEGIN SELECT RAISE(ABORT, 'kept'); END");
        QVERIFY(session.start());
        frmSetup& setup = *admin::openSetupWindow();
        if (!selected.isEmpty())
            selectProgram(setup, selected);
        session.messages.queueAnswer(yes ? platform::MsgAnswer::Yes : platform::MsgAnswer::No);

        if (fromMenu)
            menuItem(setup, "mnuPopupMenuDelete")->trigger();
        else
            QTest::mouseClick(button(&setup, "cmdDelete"), Qt::LeftButton);

        QCOMPARE(described(session.messages), messages);
        QCOMPARE(session.inst.programNames(), remaining);
        QCOMPARE(listed(setup), remaining);
    }

    void addOpensOneDialogAndOutlivesTheSetupWindow()
    {
        AdminSession session;
        QVERIFY(session.start());
        frmSetup* setup = admin::openSetupWindow();
        QTest::mouseClick(button(setup, "cmdAdd"), Qt::LeftButton);
        QCOMPARE(addDialogs().size(), 1);
        admin::frmAddProgram* dialog = addDialogs().first();
        QVERIFY(!dialog->parentWidget());
        QVERIFY(!dialog->isModal());
        dialog->txtProgramName()->setText("Typed");

        QTest::mouseClick(button(setup, "cmdAdd"), Qt::LeftButton);
        setup->ucProgramView1()->mnuPopupMenu()->findChild<QAction*>("mnuPopupMenuAdd")->trigger();
        QCOMPARE(addDialogs(), QList<admin::frmAddProgram*>{dialog});
        QCOMPARE(dialog->txtProgramName()->text(), QString("Typed"));

        // The program's own event loop: it must survive Quit while the add dialog is open
        // and end when that dialog closes.
        QStringList steps;
        QTimer::singleShot(0, [&] {
            QTest::mouseClick(setup->ucLeftFrame1()->findChild<QWidget*>("lblQuit"),
                              Qt::LeftButton);
            steps.append("quit");
            QTimer::singleShot(50, [&] {
                steps.append(admin::openSetupWindow() ? "setup open" : "setup closed");
                // An add with no list left to refresh still adds, and closes the dialog.
                dialog->txtProgramPath()->setText("/bin/typed");
                QTest::mouseClick(dialog->cmdAdd(), Qt::LeftButton);
                steps.append("added");
            });
        });
        QTimer::singleShot(5000, [] { QApplication::exit(99); });
        QCOMPARE(QApplication::exec(), 0);

        QCOMPARE(steps, (QStringList{"quit", "setup closed", "added"}));
        QCOMPARE(described(session.messages), QStringList{"Sucess|Program Added|Information|Ok"});
        QCOMPARE(session.inst.programNames(), QStringList{"Typed"});
        flushDeletes();
        QVERIFY(addDialogs().isEmpty());
    }

    void contextMenuOpensWithOrWithoutSelection()
    {
        AdminSession session;
        session.inst.insertProgram("Alpha", "/bin/alpha");
        QVERIFY(session.start());
        frmSetup& setup = *admin::openSetupWindow();
        admin::ucProgramView* view = setup.ucProgramView1();
        QMenu* menu = view->mnuPopupMenu();
        QStringList captions;
        for (QAction* action : menu->actions())
            captions.append(action->isSeparator() ? "-" : action->text());
        QCOMPARE(captions, (QStringList{"Add", "Modify", "-", "Delete", "-", "Properties"}));

        QSignalSpy clicked(view, &admin::ucProgramView::ItemClicked);
        QWidget* viewport = view->lstView()->viewport();
        const QPoint background(viewport->width() - 5, viewport->height() - 5);
        QTest::mouseClick(viewport, Qt::LeftButton, {}, background);
        QCOMPARE(clicked.count(), 1);
        QCOMPARE(clicked.first().first().value<QListWidgetItem*>(), nullptr);

        QTest::mouseClick(viewport, Qt::RightButton, {}, background);
        QTRY_VERIFY(menu->isVisible());
        menu->hide();

        QListWidgetItem* item = view->lstView()->item(0);
        QTest::mouseClick(viewport, Qt::RightButton, {},
                          view->lstView()->visualItemRect(item).center());
        QTRY_VERIFY(menu->isVisible());
        menu->hide();
    }

    void modifyOpensModalForTheSelection_data()
    {
        QTest::addColumn<QString>("selected");
        QTest::addColumn<bool>("fromMenu");
        QTest::addColumn<QStringList>("messages");
        QTest::addColumn<QString>("loadedPath");
        QTest::addRow("selected") << "Beta" << false << QStringList() << "/bin/beta";
        QTest::addRow("selected, menu") << "Beta" << true << QStringList() << "/bin/beta";
        QTest::addRow("nothing selected")
            << "" << false << QStringList{"Error|Couldn't Load Program Information|Critical|Ok"}
            << "";
    }
    void modifyOpensModalForTheSelection()
    {
        QFETCH(QString, selected);
        QFETCH(bool, fromMenu);
        QFETCH(QStringList, messages);
        QFETCH(QString, loadedPath);
        AdminSession session;
        session.inst.insertProgram("Beta", "/bin/beta");
        QVERIFY(session.start());
        frmSetup& setup = *admin::openSetupWindow();
        if (!selected.isEmpty())
            selectProgram(setup, selected);

        QString path;
        QWidget* owner = nullptr;
        QString title;
        ModalHandler handler([&](QWidget* modal) {
            auto* dialog = qobject_cast<admin::frmModifyProgram*>(modal);
            QVERIFY(dialog);
            owner = dialog->parentWidget();
            title = dialog->windowTitle();
            path = dialog->txtProgramPath()->text();
            dialog->close();
        });
        if (fromMenu)
            menuItem(setup, "mnuPopupMenuModify")->trigger();
        else
            QTest::mouseClick(button(&setup, "cmdModify"), Qt::LeftButton);

        QVERIFY(handler.ran());
        QCOMPARE(owner, &setup);
        QCOMPARE(title, QString("Modify A Runnable Program.."));
        QCOMPARE(path, loadedPath);
        QCOMPARE(described(session.messages), messages);
    }

    void propertiesOpensModalForTheSelection_data()
    {
        QTest::addColumn<QString>("selected");
        QTest::addColumn<bool>("opens");
        QTest::addColumn<QStringList>("messages");
        QTest::addRow("selected") << "Beta" << true << QStringList();
        QTest::addRow("nothing selected")
            << "" << false << QStringList{"Error|Invalid Program Name|Information|Ok"};
    }
    void propertiesOpensModalForTheSelection()
    {
        QFETCH(QString, selected);
        QFETCH(bool, opens);
        QFETCH(QStringList, messages);
        AdminSession session;
        session.inst.insertProgram("Beta", "/bin/beta");
        QVERIFY(session.start());
        frmSetup& setup = *admin::openSetupWindow();
        if (!selected.isEmpty())
            selectProgram(setup, selected);

        QString title;
        bool hasLaunch = true;
        ModalHandler handler([&](QWidget* modal) {
            title = modal->windowTitle();
            hasLaunch = modal->findChild<QWidget*>("cmdLaunch") != nullptr;
            modal->close();
        });
        menuItem(setup, "mnuPopupmenuProperties")->trigger();
        QCOMPARE(handler.ran(), opens);
        if (opens) {
            QCOMPARE(title, QString("Showing Properties For : Beta"));
            QVERIFY(!hasLaunch);
        }
        QCOMPARE(described(session.messages), messages);
    }
};

QTEST_MAIN(TestFrmSetup)
#include "test_frmSetup.moc"
