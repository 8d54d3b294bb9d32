// Audiences in the administrator: typed in the add and modify dialogs, shown by Properties,
// and the setup window's list as another user would see it.
#include "admin/frmAddProgram.h"
#include "admin/frmModifyProgram.h"
#include "admin/frmSetup.h"
#include "admin/frmViewAs.h"
#include "admin/modMain.h"
#include "tests/support/InstallationFixture.h"
#include "tests/support/TestMain.h"
#include "views/admin/frmProperties.h"
#include "views/admin/ucProgramView.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>

using namespace admin;

namespace {
// Alpha for root's group, Beta for nobody, Gamma for everyone, Delta for other hosts and a
// user this machine does not have; an audience "user:refused" is refused by the catalogue.
struct Audiences
{
    InstallationFixture fx;
    MessageBoxRecorder messages;
    Audiences()
    {
        fx.sql("INSERT INTO Program (Program_Name, Program_Path) VALUES ('Alpha', '/a'), "
               "('Beta', '/b'), ('Gamma', '/g'), ('Delta', '/d')");
        for (const char* row : {"Alpha|group:root", "Beta|user:nobody", "Delta|host:elsewhere-*",
                                "Delta|user:ghost-kestrel"})
            fx.sql("INSERT INTO Program_Audience SELECT Program_Key, ? FROM Program WHERE "
                   "Program_Name = ?",
                   {QString(row).section('|', 1), QString(row).section('|', 0, 0)});
        fx.sql("CREATE TRIGGER refuse BEFORE INSERT ON Program_Audience WHEN NEW.Audience = "
               "'user:refused' BEGIN SELECT RAISE(ABORT, 'refused by rule'); END");
        QVERIFY(admin::Main(fx.ini()));
    }
    ~Audiences() { delete openSetupWindow(); }
    QStringList of(const QString& name) const
    {
        return fx.sql("SELECT Audience FROM Program_Audience a JOIN Program p ON p.Program_Key = "
                      "a.Program_Key WHERE Program_Name = ? ORDER BY Audience",
                      {name});
    }
    static QStringList listed()
    {
        QStringList names;
        for (QListWidgetItem* item : setupWindow().ucProgramView1()->shownItems())
            names << item->text();
        return names;
    }
};
} // namespace

class TestAdminAudience : public QObject
{
    Q_OBJECT

private slots:
    void savesAudiences_data()
    {
        QTest::addColumn<QString>("name"); // modified; empty: Epsilon added
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("message");    // the last one
        QTest::addColumn<QStringList>("stored"); // of Epsilon or the modified program
        QTest::newRow("add") << ""
                             << " user:nobody,,group:root "
                             << "Program Added" << QStringList{"group:root", "user:nobody"};
        QTest::newRow("modify to everyone") << "Beta"
                                            << ""
                                            << "Program Modified" << QStringList{};
        QTest::newRow("malformed") << ""
                                   << "group:root, staff"
                                   << "\"staff\" is not an audience: write group:NAME, user:NAME "
                                      "or host:PATTERN (for example group:staff, user:alice, "
                                      "host:lab2-*)."
                                   << QStringList{};
        // The program and its audiences are one step: neither is kept.
        QTest::newRow("refused") << ""
                                 << "user:refused"
                                 << "Unable to add program" << QStringList{};
    }
    void savesAudiences()
    {
        QFETCH(QString, name);
        QFETCH(QString, typed);
        QFETCH(QString, message);
        QFETCH(QStringList, stored);
        Audiences a;
        frmModifyProgram modify(&setupWindow());
        frmAddProgram add(setupWindow().catalogue(), {});
        add.setAttribute(Qt::WA_DeleteOnClose, false); // it lives on this stack
        frmProgramDialog* dialog = &add;
        if (!name.isEmpty()) {
            modify.setProgram(name);
            QCOMPARE(modify.txtAudiences()->text(), "user:nobody");
            dialog = &modify;
        } else {
            add.txtProgramName()->setText("Epsilon");
            add.txtProgramPath()->setText("/e");
        }
        dialog->show();
        dialog->txtAudiences()->setText(typed);
        dialog->cmdAdd()->click();
        QCOMPARE(a.messages.texts().last(), message);
        const bool saved = message.startsWith("Program");
        QCOMPARE(dialog->isVisible(), !saved); // kept open with what was typed
        QCOMPARE(dialog->txtAudiences()->text(), typed);
        QCOMPARE(a.of(name.isEmpty() ? "Epsilon" : name), stored);
        QCOMPARE(a.fx.names().contains("Epsilon"), saved && name.isEmpty());
    }

    void viewAsAndProperties()
    {
        Audiences a;
        frmSetup& setup = setupWindow();
        QTimer::singleShot(0, [] {
            auto* ask = qobject_cast<frmViewAs*>(QApplication::activeModalWidget());
            ask->txtUser()->setText("nobody");
            ask->accept();
        });
        setup.findChild<QPushButton*>("cmdViewAs")->click();
        QCOMPARE(a.listed(), (QStringList{"Beta", "Gamma"}));
        setup.findChild<QPushButton*>("cmdViewAs")->click(); // back to every program
        QCOMPARE(a.listed(), (QStringList{"Alpha", "Beta", "Delta", "Gamma"}));
        QVERIFY(setup.viewAs("root", "elsewhere-1.example"));
        QCOMPARE(a.listed(), (QStringList{"Alpha", "Delta", "Gamma"}));
        QVERIFY(!setup.viewAs("ghost-kestrel", {}));
        QCOMPARE(a.messages.texts(), QStringList{"There is no user \"ghost-kestrel\" on this "
                                                 "machine. The list shows every program, as "
                                                 "before."});
        QCOMPARE(a.listed(), (QStringList{"Alpha", "Delta", "Gamma"}));
        for (const auto& [name, shown] :
             {std::pair{"Delta", "host:elsewhere-*\nuser:ghost-kestrel (matches nobody here)"},
              {"Gamma", "Everyone"}}) {
            frmProperties properties(&setup);
            properties.setProgram(name);
            QCOMPARE(properties.findChild<QLabel*>("lblAudiences")->text(), shown);
        }
    }
};

KESTREL_TEST_MAIN_WITH(QApplication, TestAdminAudience)
#include "test_AdminAudience.moc"
