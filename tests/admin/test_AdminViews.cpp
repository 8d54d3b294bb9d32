#include "admin/frmSetup.h"
#include "admin/modMain.h"
#include "tests/admin/AdminSession.h"
#include "views/admin/ucLeftFrame.h"
#include "views/admin/ucProgramView.h"

#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>

// What the administrator's variants of the shared views add: the welcome panel and the
// reloadable list.
class TestAdminViews : public QObject
{
    Q_OBJECT

    static void moveMouse(QWidget* widget, const QPoint& pos)
    {
        QMouseEvent move(QEvent::MouseMove, pos, widget->mapToGlobal(pos), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(widget, &move);
    }

private slots:
    void panelClearsTheDescriptionOverItsBackgroundOnly()
    {
        admin::ucLeftFrame panel;
        panel.resize(201, 369);
        panel.show();
        auto* welcome = panel.findChild<QLabel*>("Label1");
        QVERIFY(welcome && !welcome->text().isEmpty());
        QCOMPARE(welcome->geometry(), QRect(16, 96, 169, 121));
        QSignalSpy quit(&panel, &admin::ucLeftFrame::QuitClicked);

        panel.setDescription("shown");
        // Over a child nothing changes, however the move reaches the panel.
        moveMouse(welcome, QPoint(5, 5));
        moveMouse(&panel, welcome->geometry().center());
        QCOMPARE(panel.Description(), QString("shown"));
        moveMouse(&panel, QPoint(195, 360));
        QCOMPARE(panel.Description(), QString());

        QTest::mouseClick(panel.findChild<QWidget*>("lblQuit"), Qt::LeftButton);
        QCOMPARE(quit.count(), 1);
    }

    void reloadShowsTheCatalogueAsItIsNow()
    {
        AdminSession session;
        QVERIFY(session.start());
        admin::ucProgramView* view = admin::openSetupWindow()->ucProgramView1();
        QCOMPARE(view->lstView()->count(), 0);

        session.inst.insertProgram("Beta", "/bin/beta");
        session.inst.insertProgram(" Alpha ", " /bin/alpha ", "", session.inst.path("none.ico"));
        view->reloadView();
        QCOMPARE(listed(*admin::openSetupWindow()), (QStringList{"Alpha", "Beta"}));
        // A missing custom icon gives no image; the default icon is for empty paths only.
        QCOMPARE(view->lstView()->item(0)->data(admin::ucProgramView::ImageIndexRole).toInt(), 0);
        QVERIFY(!view->lstView()->item(1)->icon().isNull());
        QCOMPARE(view->lstView()->item(0)->data(admin::ucProgramView::PathRole).toString(),
                 QString("/bin/alpha"));
        QCOMPARE(view->ImageList1().Count(), 1);

        session.inst.execSql("DELETE FROM Program");
        view->reloadView();
        QCOMPARE(view->lstView()->count(), 0);
        QCOMPARE(view->ImageList1().Count(), 0);
    }
};

QTEST_MAIN(TestAdminViews)
#include "test_AdminViews.moc"
