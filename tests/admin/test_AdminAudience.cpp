// Audiences in the administrator: the add and modify dialogs, Properties and "View as...".
#include "admin/frmAddProgram.h"
#include "admin/frmModifyProgram.h"
#include "admin/frmSetup.h"
#include "admin/modMain.h"
#include "tests/support/InstallationFixture.h"
#include "tests/support/TestFiles.h"
#include "tests/support/TestMain.h"
#include "views/admin/frmProperties.h"
#include "views/admin/ucProgramView.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

using namespace admin;

// Alpha for other hosts and a user this machine lacks, Beta for nobody, Gamma for everyone;
// the catalogue refuses the audience "user:refused".
struct Audiences : InstallationFixture
{
    MessageBoxRecorder messages;
    Audiences()
    {
        sql("INSERT INTO Program (Program_Name, Program_Path) VALUES ('Alpha', '/a'), ('Beta', "
            "'/b'), ('Gamma', '/g')");
        sql("INSERT INTO Program_Audience VALUES (1, 'host:elsewhere-*'), (1, 'user:ghost'), "
            "(2, 'user:nobody')");
        sql("CREATE TRIGGER refuse BEFORE INSERT ON Program_Audience WHEN NEW.Audience = "
            "'user:refused' BEGIN SELECT RAISE(ABORT, 'refused'); END");
        QVERIFY(admin::Main(ini()));
    }
    ~Audiences() { delete openSetupWindow(); }
};

class TestAdminAudience : public QObject
{
    Q_OBJECT

private slots:
    void savesAudiences_data()
    {
        // name: the program modified, empty: Epsilon added; message: how the last one starts.
        textColumns({"name", "typed", "message", "stored"});
        textRow("add", {"", "user:nobody,,group:root ", "Program Added", "group:root user:nobody"});
        textRow("modify to everyone", {"Beta", "", "Program Modified", ""});
        textRow("malformed",
                {"", "group:root, staff",
                 "\"staff\" is not an audience: write group:NAME, user:NAME or host:PATTERN", ""});
        // The program and its audiences are one step: neither is kept.
        textRow("refused", {"", "user:refused", "Unable to add", ""});
    }
    void savesAudiences()
    {
        auto [name, typed, message] =
            fetch<QString, QString, QString>({"name", "typed", "message"});
        Audiences a;
        frmModifyProgram modify(&setupWindow());
        frmAddProgram add(setupWindow().catalogue(), {});
        add.setAttribute(Qt::WA_DeleteOnClose, false); // it lives on this stack
        frmProgramDialog* dialog = name.isEmpty() ? static_cast<frmProgramDialog*>(&add) : &modify;
        add.txtProgramName()->setText("Epsilon");
        add.txtProgramPath()->setText("/e");
        modify.setProgram("Beta");
        QCOMPARE(modify.txtAudiences()->text(), "user:nobody");
        dialog->show();
        dialog->txtAudiences()->setText(typed);
        dialog->cmdAdd()->click();
        QVERIFY(a.messages.texts().last().startsWith(message));
        QCOMPARE(dialog->isVisible(), !message.startsWith("Program")); // kept, as typed
        QCOMPARE(dialog->txtAudiences()->text(), typed);
        QTEST(a.sql("SELECT group_concat(Audience, ' ') FROM (SELECT Audience FROM "
                    "Program_Audience NATURAL JOIN Program WHERE Program_Name = ? ORDER BY 1)",
                    {name.isEmpty() ? "Epsilon" : name})
                  .value(0),
              "stored");
        QCOMPARE(a.names().contains("Epsilon"), message == "Program Added");
    }

    void viewAsAndProperties()
    {
        Audiences a;
        frmSetup& setup = setupWindow();
        const auto listed = [&setup] {
            return textsOf(setup.ucProgramView1()->shownItems()).join(' ');
        };
        QVERIFY(setup.viewAs("nobody", {}));
        QCOMPARE(listed(), "Beta Gamma");
        setup.findChild<QPushButton*>("cmdViewAs")->click(); // back to every program
        QCOMPARE(listed(), "Alpha Beta Gamma");
        QVERIFY(setup.viewAs("root", "elsewhere-1.example"));
        QVERIFY(!setup.viewAs("ghost", {})); // said, and the list stays
        QCOMPARE(listed(), "Alpha Gamma");
        QVERIFY(a.messages.texts().value(0).startsWith("There is no user \"ghost\""));
        QStringList shown;
        for (const char* name : {"Alpha", "Gamma"}) {
            frmProperties properties(&setup);
            properties.setProgram(name);
            shown << properties.findChild<QLabel*>("lblAudiences")->text();
        }
        QCOMPARE(shown.join('|'), "host:elsewhere-*\nuser:ghost (matches nobody here)|Everyone");
    }
};

KESTREL_TEST_MAIN_WITH(QApplication, TestAdminAudience)
#include "test_AdminAudience.moc"
