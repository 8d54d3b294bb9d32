#include "launcher/frmView.h"
#include "tests/support/MessageBoxRecorder.h"
#include "tests/support/MousePointerRecorder.h"
#include "tests/support/ShellRecorder.h"
#include "tests/views/ViewsFixture.h"
#include "views/launcher/ucLeftFrame.h"
#include "views/launcher/ucProgramView.h"

#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>
#include <QTimer>

using platform::MousePointer;
using platform::MsgIcon;

class TestFrmView : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void showsTheCatalogueBesideThePanel();
    void clickShowsDescriptionAndCommands();
    void doubleClickOnNothingDoesNothing();
    void doubleClickLaunchesTheTrimmedPath();
    void failedLaunchIsReportedThreeTimes_data();
    void failedLaunchIsReportedThreeTimes();
    void launchProgramCommandUsesTheSelection();
    void propertiesOpensModalForTheSelection();
    void propertiesOfAVanishedProgramShowOnlyTheMessage();
    void quitEndsTheProgram();

private:
    frmView& openWindow();
    QListWidgetItem* item(const QString& name);
    void click(const QString& name);
    void doubleClick(const QString& name);

    std::unique_ptr<ViewsFixture> mFx;
    std::unique_ptr<MessageBoxRecorder> mMessages;
    std::unique_ptr<ShellRecorder> mShell;
    std::unique_ptr<MousePointerRecorder> mPointer;
};

void TestFrmView::init()
{
    mFx = std::make_unique<ViewsFixture>();
    mFx->add("Editor", "  /usr/bin/editor  ", QString(), "Edits text files.");
    mFx->add("Viewer", "/usr/bin/viewer", QString(), "Shows pictures.");
    mFx->add("Ghost", "", QString(), "No path recorded.");
    setCatalogueReadOnly(true);
    mMessages = std::make_unique<MessageBoxRecorder>();
    mShell = std::make_unique<ShellRecorder>();
    mPointer = std::make_unique<MousePointerRecorder>();
}

void TestFrmView::cleanup()
{
    if (frmView* window = frmView::existingInstance())
        window->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!frmView::existingInstance());
    mPointer.reset();
    mShell.reset();
    mMessages.reset();
    mFx.reset();
}

frmView& TestFrmView::openWindow()
{
    frmView& window = frmView::Instance();
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        qWarning("window not exposed");
    return window;
}

QListWidgetItem* TestFrmView::item(const QString& name)
{
    QListWidget* list = frmView::Instance().ucProgramView1()->lstView();
    const QList<QListWidgetItem*> found = list->findItems(name, Qt::MatchExactly);
    return found.isEmpty() ? nullptr : found.first();
}

void TestFrmView::click(const QString& name)
{
    QListWidget* list = frmView::Instance().ucProgramView1()->lstView();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualItemRect(item(name)).center());
}

void TestFrmView::doubleClick(const QString& name)
{
    QListWidget* list = frmView::Instance().ucProgramView1()->lstView();
    const QPoint at = list->visualItemRect(item(name)).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
}

void TestFrmView::showsTheCatalogueBesideThePanel()
{
    frmView& window = openWindow();
    QCOMPARE(window.windowTitle(), QStringLiteral("Kestrel "));
    QCOMPARE(window.size(), QSize(623, 364));
    QCOMPARE(window.findChild<QWidget*>("ucLeftFrame1")->geometry(), QRect(0, 0, 201, 345));
    QCOMPARE(window.findChild<QWidget*>("ucProgramView1")->geometry(), QRect(208, 0, 417, 345));
    QCOMPARE(window.ucProgramView1()->lstView()->count(), 3);
    QCOMPARE(&frmView::Instance(), &window);

    QStatusBar* bar = window.findChild<QStatusBar*>("sbar");
    QVERIFY(bar);
    QCOMPARE(bar->geometry(), QRect(0, 364 - 25, 623, 25));
    QCOMPARE(window.findChild<QLabel*>("sbarCaps")->text(), QStringLiteral("CAPS"));
    QCOMPARE(window.findChild<QLabel*>("sbarStatus")->text(), QStringLiteral("STATUS"));
    QCOMPARE(window.findChild<QLabel*>("sbarDate")->text(),
             QLocale().toString(QDate::currentDate(), QLocale::ShortFormat));
    QVERIFY(!window.findChild<QLabel*>("sbarTime")->text().isEmpty());

    // Nothing clicked yet: the panel offers only Quit.
    QVERIFY(window.findChild<QLabel*>("lblLaunch")->isHidden());
    QVERIFY(window.findChild<QLabel*>("lblProperties")->isHidden());
}

void TestFrmView::clickShowsDescriptionAndCommands()
{
    frmView& window = openWindow();
    click("Viewer");
    QCOMPARE(window.ucLeftFrame1()->Description(), QStringLiteral("Shows pictures."));
    QVERIFY(!window.findChild<QLabel*>("lblLaunch")->isHidden());
    QVERIFY(!window.findChild<QLabel*>("lblProperties")->isHidden());

    // Moving the selection with the keyboard does not change the description.
    window.ucProgramView1()->lstView()->setFocus();
    QTest::keyClick(window.ucProgramView1()->lstView(), Qt::Key_Right);
    QCOMPARE(window.ucLeftFrame1()->Description(), QStringLiteral("Shows pictures."));
    QVERIFY(mShell->requests().isEmpty());
}

void TestFrmView::doubleClickOnNothingDoesNothing()
{
    frmView& window = openWindow();
    QListWidget* list = window.ucProgramView1()->lstView();
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, QPoint(400, 300));
    QVERIFY(mShell->requests().isEmpty());
    QVERIFY(mMessages->requests().isEmpty());
    QVERIFY(mPointer->sequence().isEmpty());

    // The panel's Launch Program with nothing selected does nothing either.
    window.ucLeftFrame1()->displayLabels(true);
    QTest::mouseClick(window.findChild<QLabel*>("lblLaunch"), Qt::LeftButton);
    QVERIFY(mShell->requests().isEmpty());
    QVERIFY(mMessages->requests().isEmpty());
}

void TestFrmView::doubleClickLaunchesTheTrimmedPath()
{
    openWindow();
    QList<MousePointer> duringShell;
    mShell->setObserver([&](const platform::ShellRequest&) { duringShell << mPointer->current(); });
    doubleClick("Editor");
    QCOMPARE(mShell->files(), QStringList{QStringLiteral("/usr/bin/editor")});
    QCOMPARE(mShell->requests().at(0).operation, QString());
    QCOMPARE(duringShell, QList<MousePointer>{MousePointer::Hourglass});
    QCOMPARE(mPointer->current(), MousePointer::Default);
    QVERIFY(mMessages->requests().isEmpty());
}

void TestFrmView::failedLaunchIsReportedThreeTimes_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("shellError"); // empty: the shell is not asked at all
    QTest::addColumn<QString>("description");
    QTest::addRow("shell refuses") << "Editor"
                                   << "Permission denied: /usr/bin/editor"
                                   << "Permission denied: /usr/bin/editor";
    QTest::addRow("no path recorded") << "Ghost"
                                      << ""
                                      << "The catalogue holds no path for the program \"Ghost\".";
}

void TestFrmView::failedLaunchIsReportedThreeTimes()
{
    QFETCH(QString, name);
    QFETCH(QString, shellError);
    QFETCH(QString, description);
    openWindow();
    if (!shellError.isEmpty())
        mShell->queueFailure(shellError);
    doubleClick(name);

    QCOMPARE(mShell->requests().size(), shellError.isEmpty() ? 0 : 1);
    const QList<platform::MsgRequest>& shown = mMessages->requests();
    QCOMPARE(shown.size(), 3);
    QCOMPARE(shown[0].text, "Unable to execute program : " + name + ". Error Follows");
    QCOMPARE(shown[0].title, QStringLiteral("Error"));
    QCOMPARE(shown[0].icon, MsgIcon::Exclamation);
    QCOMPARE(shown[1].text, description);
    QCOMPARE(shown[1].title, QStringLiteral("Kestrel"));
    QCOMPARE(shown[1].icon, MsgIcon::Critical);
    QCOMPARE(shown[2].text,
             "Unable to execute " + name + ". If problem continues please contact administrator");
    QCOMPARE(shown[2].title, QStringLiteral("Error"));
    QCOMPARE(shown[2].icon, MsgIcon::Information);
    for (const platform::MsgRequest& request : shown)
        QCOMPARE(request.buttons, platform::MsgButtons::Ok);
    QCOMPARE(mPointer->sequence().first(), MousePointer::Hourglass);
    QCOMPARE(mPointer->current(), MousePointer::Default);
}

void TestFrmView::launchProgramCommandUsesTheSelection()
{
    frmView& window = openWindow();
    click("Viewer");
    QTest::mouseClick(window.findChild<QLabel*>("lblLaunch"), Qt::LeftButton);
    QCOMPARE(mShell->files(), QStringList{QStringLiteral("/usr/bin/viewer")});
    QVERIFY(mMessages->requests().isEmpty());
}

void TestFrmView::propertiesOpensModalForTheSelection()
{
    frmView& window = openWindow();
    click("Editor");
    QString title;
    QWidget* parent = nullptr;
    QTimer::singleShot(0, &window, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal)
            return;
        title = modal->windowTitle();
        parent = modal->parentWidget();
        modal->findChild<QPushButton*>("cmdLaunch")->click();
    });
    QTest::mouseClick(window.findChild<QLabel*>("lblProperties"), Qt::LeftButton);
    QCOMPARE(title, QStringLiteral("Showing Properties For : Editor"));
    QCOMPARE(parent, &window);
    // Launch in the properties window launched the program and closed the window.
    QCOMPARE(mShell->files(), QStringList{QStringLiteral("/usr/bin/editor")});
    QVERIFY(!QApplication::activeModalWidget());
}

void TestFrmView::propertiesOfAVanishedProgramShowOnlyTheMessage()
{
    frmView& window = openWindow();
    click("Viewer");
    fixture::sql(mFx->db(), "DELETE FROM Program WHERE Program_Name = 'Viewer'");
    bool windowShown = false;
    QTimer::singleShot(0, &window, [&] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            windowShown = true;
            modal->close();
        }
    });
    window.ucProgramView1()->findChild<QAction*>("mnuPopupmenuProperties")->trigger();
    QVERIFY(!windowShown);
    QCOMPARE(mMessages->texts(), QStringList{QStringLiteral("No Properties Found For : Viewer")});
}

void TestFrmView::quitEndsTheProgram()
{
    frmView& window = openWindow();
    QPointer<frmView> guard(&window);
    // The window is the launcher's only one: once it is gone the event loop ends (the
    // start-up test sees the process end).
    QTest::mouseClick(window.findChild<QLabel*>("lblQuit"), Qt::LeftButton);
    QVERIFY(!window.isVisible());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(guard.isNull());
    QVERIFY(mMessages->requests().isEmpty());
}

QTEST_MAIN(TestFrmView)
#include "test_frmView.moc"
