#include "admin/frmAddProgram.h"
#include "admin/frmModifyProgram.h"
#include "admin/frmSetup.h"
#include "admin/modMain.h"
#include "tests/admin/AdminSession.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>

using admin::frmAddProgram;
using admin::frmModifyProgram;

// The add and the modify dialog: the same window with different titles and actions.
class TestProgramDialogs : public QObject
{
    Q_OBJECT

    static frmAddProgram* openAdd(admin::frmSetup& setup)
    {
        QTest::mouseClick(setup.findChild<QPushButton*>("cmdAdd"), Qt::LeftButton);
        const auto dialogs = addDialogs();
        return dialogs.size() == 1 ? dialogs.first() : nullptr;
    }
    static void fill(admin::frmProgramDialog* dialog, const QStringList& values)
    {
        dialog->txtProgramName()->setText(values.value(0));
        dialog->txtProgramDescription()->setPlainText(values.value(1));
        dialog->txtProgramPath()->setText(values.value(2));
        dialog->txtProgramIcon()->setText(values.value(3));
    }
    static QStringList entries(const admin::frmProgramDialog* dialog)
    {
        return {dialog->txtProgramName()->text(), dialog->txtProgramDescription()->toPlainText(),
                dialog->txtProgramPath()->text(), dialog->txtProgramIcon()->text()};
    }
    static QStringList stored(const AdminInstallation& inst, const QString& name)
    {
        const QVariantMap row = inst.program(name);
        return {row.value("Program_Name").toString(), row.value("Program_Desc").toString(),
                row.value("Program_Path").toString(), row.value("Program_CustomIcon").toString()};
    }

private slots:
    void layout_data()
    {
        QTest::addColumn<bool>("modify");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("banner");
        QTest::addColumn<QString>("action");
        QTest::addRow("add") << false << "Add A New Runnable Program.."
                             << "Add a new runnable program...."
                             << "Add..";
        QTest::addRow("modify") << true << "Modify A Runnable Program.."
                                << "Modify a runnable program...."
                                << "Save";
    }
    void layout()
    {
        QFETCH(bool, modify);
        AdminSession session;
        QVERIFY(session.start());
        std::unique_ptr<admin::frmProgramDialog> dialog;
        if (modify)
            dialog = std::make_unique<frmModifyProgram>();
        else
            dialog = std::make_unique<frmAddProgram>();
        QTEST(dialog->windowTitle(), "title");
        QTEST(dialog->findChild<QLabel*>("Label4")->text(), "banner");
        QTEST(dialog->cmdAdd()->text(), "action");
        QCOMPARE(dialog->size(), QSize(356, 291));
        QCOMPARE(dialog->txtProgramPath()->geometry(), QRect(128, 191, 185, 19));

        QStringList order{"txtProgramName"};
        QWidget* w = dialog->txtProgramName();
        for (int i = 0; i < 6; ++i) {
            w = w->nextInFocusChain();
            while (w->focusPolicy() == Qt::NoFocus)
                w = w->nextInFocusChain();
            order.append(w->objectName());
        }
        QCOMPARE(order, (QStringList{"txtProgramName", "txtProgramDescription", "txtProgramPath",
                                     "cmdExePath", "txtProgramIcon", "cmdIconPath", "cmdAdd"}));
    }

    void browse_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("answer"); // "<cancel>" cancels
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("folder"); // "<icons>": the installation's icon folder
        QTest::addColumn<QStringList>("after");
        const QStringList before{"n", "d", "/old/exe", "/old/icon"};
        QTest::addRow("executable, untrimmed")
            << "cmdExePath"
            << " /opt/x y/run "
            << "Select Program's Executable File.."
            << "/usr/bin" << QStringList{"n", "d", " /opt/x y/run ", "/old/icon"};
        QTest::addRow("executable, cancelled") << "cmdExePath"
                                               << "<cancel>"
                                               << "Select Program's Executable File.."
                                               << "/usr/bin" << before;
        QTest::addRow("icon, trimmed")
            << "cmdIconPath"
            << " /icons/a b.ico "
            << "Select A Icon For This Program"
            << "<icons>" << QStringList{"n", "d", "/old/exe", "/icons/a b.ico"};
        QTest::addRow("icon, cancelled") << "cmdIconPath"
                                         << "<cancel>"
                                         << "Select A Icon For This Program"
                                         << "<icons>" << before;
    }
    void browse()
    {
        QFETCH(QString, button);
        QFETCH(QString, answer);
        QFETCH(QString, folder);
        QFETCH(QStringList, after);
        AdminSession session;
        QVERIFY(session.start());
        frmAddProgram* dialog = openAdd(*admin::openSetupWindow());
        QVERIFY(dialog);
        fill(dialog, {"n", "d", "/old/exe", "/old/icon"});
        if (answer == "<cancel>")
            session.files.queueCancel();
        else
            session.files.queueAnswer(answer);

        QTest::mouseClick(dialog->findChild<QPushButton*>(button), Qt::LeftButton);

        QCOMPARE(session.files.requests().size(), 1);
        QTEST(session.files.requests().first().title, "title");
        QCOMPARE(session.files.requests().first().initialFolder,
                 folder == "<icons>" ? session.inst.path("icons") : folder);
        QCOMPARE(entries(dialog), after);
        QVERIFY(session.messages.requests().isEmpty());
    }

    void addProgram_data()
    {
        QTest::addColumn<QStringList>("typed");
        QTest::addColumn<QStringList>("messages");
        QTest::addColumn<QStringList>("stored"); // empty: nothing added
        const QString missing = "Error|Please fill all fields in.|Exclamation|Ok";
        const QString added = "Sucess|Program Added|Information|Ok";
        QTest::addRow("blank name")
            << QStringList{"   ", "d", "/bin/x", ""} << QStringList{missing} << QStringList();
        QTest::addRow("blank path")
            << QStringList{"X", "d", "  ", ""} << QStringList{missing} << QStringList();
        QTest::addRow("name and path only")
            << QStringList{"X", "", "/bin/x", ""} << QStringList{added}
            << QStringList{"X", "", "/bin/x", ""};
        QTest::addRow("blanks removed from every entry")
            << QStringList{"  Gamma ", " a  b ", " /bin/g ", " /i/g.ico "} << QStringList{added}
            << QStringList{"Gamma", "a  b", "/bin/g", "/i/g.ico"};
        QTest::addRow("quote in the name")
            << QStringList{"O'Brien", "", "/bin/o", ""} << QStringList{added}
            << QStringList{"O'Brien", "", "/bin/o", ""};
    }
    void addProgram()
    {
        QFETCH(QStringList, typed);
        QFETCH(QStringList, messages);
        QFETCH(QStringList, stored);
        AdminSession session;
        session.inst.insertProgram("Alpha", "/bin/alpha");
        QVERIFY(session.start());
        admin::frmSetup& setup = *admin::openSetupWindow();
        QPointer<frmAddProgram> dialog = openAdd(setup);
        QVERIFY(dialog);
        fill(dialog, typed);

        QTest::mouseClick(dialog->cmdAdd(), Qt::LeftButton);
        flushDeletes();

        QCOMPARE(described(session.messages), messages);
        if (stored.isEmpty()) {
            QCOMPARE(session.inst.programNames(), QStringList{"Alpha"});
            QVERIFY(dialog && dialog->isVisible());
            QCOMPARE(entries(dialog), typed);
            return;
        }
        QCOMPARE(TestProgramDialogs::stored(session.inst, stored.first()), stored);
        QVERIFY(!dialog);
        QCOMPARE(listed(setup), (QStringList{"Alpha", stored.first()}));
        // The next Add starts afresh.
        frmAddProgram* next = openAdd(setup);
        QVERIFY(next);
        QCOMPARE(entries(next), (QStringList{"", "", "", ""}));
    }

    void addRefusedByTheCatalogueKeepsTheEntries()
    {
        AdminSession session;
        session.inst.execSql("CREATE TRIGGER refuse BEFORE INSERT ON Program "
                             "BEGIN SELECT RAISE(ABORT, 'refused by rule'); END");
        QVERIFY(session.start());
        frmAddProgram* dialog = openAdd(*admin::openSetupWindow());
        QVERIFY(dialog);
        const QStringList typed{"X", "d", "/bin/x", "/i.ico"};
        fill(dialog, typed);

        QTest::mouseClick(dialog->cmdAdd(), Qt::LeftButton);
        flushDeletes();

        // The catalogue reports its own failure first.
        const QStringList shown = described(session.messages);
        QCOMPARE(shown.size(), 2);
        QVERIFY2(shown.first().contains("refused by rule"), qPrintable(shown.first()));
        QCOMPARE(shown.last(), QString("Error|Unable to add program|Critical|Ok"));
        QVERIFY(session.inst.programNames().isEmpty());
        QCOMPARE(addDialogs(), QList<frmAddProgram*>{dialog});
        QCOMPARE(entries(dialog), typed);
    }

    void modifyLoadsUntrimmedAndSavesTrimmed()
    {
        AdminSession session;
        session.inst.insertProgram("Beta", " /bin/beta ", " about beta ", " /i/b.ico ");
        QVERIFY(session.start());
        frmModifyProgram dialog(admin::openSetupWindow());
        dialog.setProgram("  Beta ");
        QCOMPARE(dialog.Program(), QString("Beta"));
        QCOMPARE(entries(&dialog),
                 (QStringList{"Beta", " about beta ", " /bin/beta ", " /i/b.ico "}));
        QVERIFY(session.messages.requests().isEmpty());

        dialog.show();
        QTest::mouseClick(dialog.cmdAdd(), Qt::LeftButton);
        QCOMPARE(described(session.messages),
                 QStringList{"Sucess|Program Modified|Information|Ok"});
        QCOMPARE(stored(session.inst, "Beta"),
                 (QStringList{"Beta", "about beta", "/bin/beta", "/i/b.ico"}));
        QVERIFY(!dialog.isVisible());
    }

    void modifySave_data()
    {
        QTest::addColumn<QStringList>("typed");
        QTest::addColumn<bool>("deletedMeanwhile");
        QTest::addColumn<QStringList>("messages");
        QTest::addColumn<QStringList>("names"); // in the catalogue and the list afterwards
        const QString modified = "Sucess|Program Modified|Information|Ok";
        QTest::addRow("rename") << QStringList{" Gamma ", "d", "/bin/g", ""} << false
                                << QStringList{modified} << QStringList{"Alpha", "Gamma"};
        QTest::addRow("rename to a name with a quote")
            << QStringList{"It's", "d", "/bin/g", ""} << false << QStringList{modified}
            << QStringList{"Alpha", "It's"};
        QTest::addRow("blank name")
            << QStringList{" ", "d", "/bin/g", ""} << false
            << QStringList{"Error|Please fill all fields in.|Exclamation|Ok"}
            << QStringList{"Alpha", "Beta"};
        QTest::addRow("deleted meanwhile")
            << QStringList{"Gamma", "d", "/bin/g", ""} << true
            << QStringList{"Error|Unable to add program|Critical|Ok"} << QStringList{"Alpha"};
    }
    void modifySave()
    {
        QFETCH(QStringList, typed);
        QFETCH(bool, deletedMeanwhile);
        QFETCH(QStringList, messages);
        QFETCH(QStringList, names);
        AdminSession session;
        session.inst.insertProgram("Alpha", "/bin/alpha");
        session.inst.insertProgram("Beta", "/bin/beta");
        QVERIFY(session.start());
        admin::frmSetup& setup = *admin::openSetupWindow();
        frmModifyProgram dialog(&setup);
        dialog.setProgram("Beta");
        const QString added = session.inst.program("Beta").value("Program_Added_Date").toString();
        dialog.show();
        fill(&dialog, typed);
        if (deletedMeanwhile)
            session.inst.execSql("DELETE FROM Program WHERE Program_Name = 'Beta'");

        QTest::mouseClick(dialog.cmdAdd(), Qt::LeftButton);

        QCOMPARE(described(session.messages), messages);
        QStringList inCatalogue = session.inst.programNames();
        inCatalogue.sort();
        QCOMPARE(inCatalogue, names);
        const bool saved = messages.first().contains("Modified");
        QCOMPARE(dialog.isVisible(), !saved);
        if (saved) {
            QCOMPARE(listed(setup), names);
            QCOMPARE(session.inst.program(names.last()).value("Program_Added_Date").toString(),
                     added);
        } else {
            QCOMPARE(entries(&dialog), typed);
        }
    }

    void modifyUnknownProgramOpensEmpty()
    {
        AdminSession session;
        session.inst.insertProgram("Alpha", "/bin/alpha");
        QVERIFY(session.start());
        frmModifyProgram dialog(admin::openSetupWindow());
        dialog.setProgram("Ghost");
        QCOMPARE(described(session.messages),
                 QStringList{"Error|Couldn't Load Program Information|Critical|Ok"});
        QCOMPARE(entries(&dialog), (QStringList{"", "", "", ""}));

        // Saving it would rename nothing; it is reported, not claimed as done.
        dialog.show();
        fill(&dialog, {"New", "", "/bin/new", ""});
        QTest::mouseClick(dialog.cmdAdd(), Qt::LeftButton);
        QCOMPARE(described(session.messages).last(),
                 QString("Error|Unable to add program|Critical|Ok"));
        QCOMPARE(session.inst.programNames(), QStringList{"Alpha"});
        QVERIFY(dialog.isVisible());
    }
};

QTEST_MAIN(TestProgramDialogs)
#include "test_ProgramDialogs.moc"
