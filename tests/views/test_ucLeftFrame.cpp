#include "views/launcher/ucLeftFrame.h"

#include <QFrame>
#include <QLabel>
#include <QSignalSpy>
#include <QTest>

using launcher::ucLeftFrame;

class TestUcLeftFrame : public QObject
{
    Q_OBJECT

private slots:
    void startsWithOnlyQuit();
    void displayLabelsShowsAndHidesTheCommands();
    void descriptionRoundTrips();
    void commandsRaiseTheirEvents_data();
    void commandsRaiseTheirEvents();
    void commandsAreSetInVerdana();
};

namespace {
bool shown(const ucLeftFrame& frame, const char* name)
{
    const QWidget* child = frame.findChild<QWidget*>(QLatin1String(name));
    return child && !child->isHidden();
}
} // namespace

void TestUcLeftFrame::startsWithOnlyQuit()
{
    ucLeftFrame frame;
    for (const char* hidden : {"lblLaunch", "lblProperties", "Line1", "Line2"})
        QVERIFY2(!shown(frame, hidden), hidden);
    for (const char* visible : {"lblQuit", "Line3", "lblDescription", "Image1", "Image2"})
        QVERIFY2(shown(frame, visible), visible);
    QCOMPARE(frame.Description(), QString());
    QCOMPARE(frame.findChild<QLabel*>("lblQuit")->text(), QStringLiteral("Quit"));
    QCOMPARE(frame.findChild<QLabel*>("lblQuit")->geometry(), QRect(8, 304, 25, 17));
    QCOMPARE(frame.findChild<QLabel*>("Image1")->pixmap().size(), QSize(200, 42));
    QCOMPARE(frame.findChild<QLabel*>("Image2")->pixmap().size(), QSize(207, 2));
}

void TestUcLeftFrame::displayLabelsShowsAndHidesTheCommands()
{
    ucLeftFrame frame;
    frame.displayLabels(true);
    frame.displayLabels(true);
    for (const char* name : {"lblLaunch", "lblProperties", "Line1", "Line2", "lblQuit", "Line3"})
        QVERIFY2(shown(frame, name), name);
    QCOMPARE(frame.findChild<QLabel*>("lblLaunch")->text(), QStringLiteral("Launch Program"));
    QCOMPARE(frame.findChild<QLabel*>("lblProperties")->text(), QStringLiteral("Properties"));

    frame.displayLabels(false);
    for (const char* name : {"lblLaunch", "lblProperties", "Line1", "Line2"})
        QVERIFY2(!shown(frame, name), name);
    QVERIFY(shown(frame, "lblQuit"));
    QVERIFY(shown(frame, "Line3"));
}

void TestUcLeftFrame::descriptionRoundTrips()
{
    ucLeftFrame frame;
    const QString text = QStringLiteral("  Edits <b>text</b> files\nsecond line ");
    frame.setDescription(text);
    QCOMPARE(frame.Description(), text);
    QCOMPARE(frame.findChild<QLabel*>("lblDescription")->text(), text);
    frame.setDescription(QString());
    QCOMPARE(frame.Description(), QString());
}

void TestUcLeftFrame::commandsRaiseTheirEvents_data()
{
    QTest::addColumn<QString>("label");
    QTest::addRow("launch") << "lblLaunch";
    QTest::addRow("properties") << "lblProperties";
    QTest::addRow("quit") << "lblQuit";
}

void TestUcLeftFrame::commandsRaiseTheirEvents()
{
    QFETCH(QString, label);
    ucLeftFrame frame;
    frame.displayLabels(true);
    frame.show();
    QVERIFY(QTest::qWaitForWindowExposed(&frame));
    QSignalSpy launch(&frame, &ucLeftFrame::LaunchedClicked);
    QSignalSpy properties(&frame, &ucLeftFrame::PropertiesClicked);
    QSignalSpy quit(&frame, &ucLeftFrame::QuitClicked);

    QTest::mouseClick(frame.findChild<QLabel*>(label), Qt::LeftButton);
    QCOMPARE(launch.count(), label == "lblLaunch" ? 1 : 0);
    QCOMPARE(properties.count(), label == "lblProperties" ? 1 : 0);
    QCOMPARE(quit.count(), label == "lblQuit" ? 1 : 0);
}

void TestUcLeftFrame::commandsAreSetInVerdana()
{
    ucLeftFrame frame;
    for (const char* name : {"lblLaunch", "lblProperties", "lblQuit"}) {
        const QLabel* label = frame.findChild<QLabel*>(name);
        QCOMPARE(label->font().family(), QStringLiteral("Verdana"));
        QCOMPARE(label->font().pointSizeF(), 8.25);
        QVERIFY(label->cursor().shape() != Qt::ArrowCursor);
    }
}

QTEST_MAIN(TestUcLeftFrame)
#include "test_ucLeftFrame.moc"
