#include "catalogue/clsDBRoutines.h"
#include "settings/clsEnvironment.h"
#include "tests/support/InstallationFixture.h"
#include "tests/support/TestMain.h"
#include "views/launcher/frmProperties.h"

#include <QLabel>
#include <QTest>

class TestFrmProperties : public QObject
{
    Q_OBJECT

private slots:
    void opensOrRefuses_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("icon"); // custom icon file in the installation
        QTest::addColumn<QStringList>("messages");
        QTest::addColumn<bool>("picture");
        const auto row = [](const char* tag, const char* name, const char* icon,
                            const QStringList& messages, bool picture) {
            QTest::addRow("%s", tag) << name << icon << messages << picture;
        };
        row("empty name", " ", "", {"Error|Invalid Program Name|Information"}, false);
        row("unknown name", " Nobody ", "",
            {"Closing Property Window|No Properties Found For : Nobody|Critical"}, false);
        row("no custom icon: the default one", " Editor", "", {}, true);
        row("missing icon file: no picture", "Editor", "gone.ico", {}, false);
    }
    void opensOrRefuses()
    {
        QFETCH(QString, name);
        QFETCH(QString, icon);
        QFETCH(QStringList, messages);
        InstallationFixture fx;
        const QString iconPath = icon.isEmpty() ? QStringLiteral("") : fx.path(icon);
        fx.sql("INSERT INTO Program (Program_Name, Program_Path, Program_CustomIcon, "
               "Program_Added_Date) VALUES ('Editor', ' /usr/bin/editor ', ?, ' 3/4/2005 ')",
               {iconPath});
        MessageBoxRecorder recorder;
        launcher::frmProperties window(gDBRoutines(), gEnvironment().DefaultIcon(), nullptr);
        window.setProgram(name);
        QCOMPARE(described(recorder), messages);
        QCOMPARE(window.isOpen(), messages.isEmpty());
        if (!window.isOpen())
            return;
        const auto label = [&](const char* child) {
            return window.findChild<QLabel*>(QLatin1String(child))->text();
        };
        QCOMPARE(window.windowTitle(), QStringLiteral("Showing Properties For : Editor"));
        QCOMPARE((QStringList{label("lblProgramName"), label("lblDateAdded"),
                              label("lblProgramPath"), label("Label3"), label("lblIconPath")}),
                 (QStringList{"Editor", "3/4/2005", "/usr/bin/editor", "Icon Path :", iconPath}));
        QTEST(!window.findChild<QLabel*>(QStringLiteral("Image1"))->pixmap().isNull(), "picture");
    }
};

KESTREL_TEST_MAIN(TestFrmProperties)
#include "test_frmProperties.moc"
