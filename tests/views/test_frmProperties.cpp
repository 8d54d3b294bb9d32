#include "tests/support/MessageBoxRecorder.h"
#include "tests/views/ViewsFixture.h"
#include "views/launcher/frmProperties.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>

using launcher::frmProperties;
using platform::MsgIcon;

namespace {
QString labelText(const frmProperties& window, const char* name)
{
    return window.findChild<QLabel*>(QLatin1String(name))->text();
}

bool hasPicture(const frmProperties& window)
{
    return !window.findChild<QLabel*>(QStringLiteral("Image1"))->pixmap().isNull();
}
} // namespace

class TestFrmProperties : public QObject
{
    Q_OBJECT

private slots:
    void refusesNamesItCannotShow_data();
    void refusesNamesItCannotShow();
    void fillsFromTheCatalogue_data();
    void fillsFromTheCatalogue();
    void launchClosesTheWindowEitherWay_data();
    void launchClosesTheWindowEitherWay();
};

void TestFrmProperties::refusesNamesItCannotShow_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("title");
    QTest::addColumn<MsgIcon>("icon");
    QTest::addRow("empty") << ""
                           << "Invalid Program Name"
                           << "Error" << MsgIcon::Information;
    QTest::addRow("blanks") << "   "
                            << "Invalid Program Name"
                            << "Error" << MsgIcon::Information;
    QTest::addRow("unknown, trimmed") << "  Nobody  "
                                      << "No Properties Found For : Nobody"
                                      << "Closing Property Window" << MsgIcon::Critical;
}

void TestFrmProperties::refusesNamesItCannotShow()
{
    QFETCH(QString, name);
    QFETCH(QString, text);
    QFETCH(QString, title);
    QFETCH(MsgIcon, icon);
    ViewsFixture fx;
    fx.add("Somebody", "/bin/s");
    MessageBoxRecorder messages;
    frmProperties window(nullptr);
    window.setProgram(name);
    QVERIFY(!window.isOpen());
    QVERIFY(!window.isVisible());
    QCOMPARE(messages.requests().size(), 1);
    QCOMPARE(messages.requests().at(0).text, text);
    QCOMPARE(messages.requests().at(0).title, title);
    QCOMPARE(messages.requests().at(0).icon, icon);
    QCOMPARE(messages.requests().at(0).buttons, platform::MsgButtons::Ok);
}

void TestFrmProperties::fillsFromTheCatalogue_data()
{
    QTest::addColumn<QString>("icon"); // "" or a file name in the fixture folder
    QTest::addColumn<bool>("picture");
    QTest::addRow("no custom icon: the default icon") << "" << true;
    QTest::addRow("own icon") << "red.png" << true;
    QTest::addRow("missing icon file: no picture") << "gone.ico" << false;
    QTest::addRow("icon file not a picture") << "broken.ico" << false;
}

void TestFrmProperties::fillsFromTheCatalogue()
{
    QFETCH(QString, icon);
    QFETCH(bool, picture);
    ViewsFixture fx;
    const QString iconPath = icon.isEmpty() ? QString() : fx.path(icon);
    fixture::insertProgram(fx.db(), "Editor", "desc", " /usr/bin/editor  ", iconPath, 0,
                           " 3/4/2005 ");
    MessageBoxRecorder messages;

    frmProperties window(nullptr);
    window.setProgram(" Editor");
    QVERIFY(window.isOpen());
    QCOMPARE(messages.requests().size(), 0);
    QCOMPARE(window.Program(), QStringLiteral("Editor"));
    QCOMPARE(window.windowTitle(), QStringLiteral("Showing Properties For : Editor"));
    QCOMPARE(labelText(window, "lblProgramName"), QStringLiteral("Editor"));
    QCOMPARE(labelText(window, "lblDateAdded"), QStringLiteral("3/4/2005"));
    QCOMPARE(labelText(window, "lblProgramPath"), QStringLiteral("/usr/bin/editor"));
    QCOMPARE(labelText(window, "lblIconPath"), iconPath);
    QCOMPARE(labelText(window, "Label3"), QStringLiteral("Icon Path :"));
    QCOMPARE(hasPicture(window), picture);
    QCOMPARE(window.size(), QSize(298, 277));
}

void TestFrmProperties::launchClosesTheWindowEitherWay_data()
{
    QTest::addColumn<bool>("launched");
    QTest::addRow("launch succeeds") << true;
    QTest::addRow("launch fails") << false;
}

void TestFrmProperties::launchClosesTheWindowEitherWay()
{
    QFETCH(bool, launched);
    ViewsFixture fx;
    fx.add("Editor", "/usr/bin/editor");
    QStringList asked;
    frmProperties window([&](const QString& name) {
        asked << name;
        return launched;
    });
    window.setProgram("Editor ");
    QVERIFY(window.isOpen());
    QTimer::singleShot(0, &window, [&window] {
        window.findChild<QPushButton*>(QStringLiteral("cmdLaunch"))->click();
    });
    window.exec();
    QCOMPARE(asked, QStringList{QStringLiteral("Editor")});
    QVERIFY(!window.isOpen());
    QVERIFY(!window.isVisible());
}

QTEST_MAIN(TestFrmProperties)
#include "test_frmProperties.moc"
