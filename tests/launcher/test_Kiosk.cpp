// A kiosk's launcher on an X display without a window manager (see CMakeLists.txt).
#include "launcher/frmView.h"
#include "launcher/modMain.h"
#include "settings/clsEnvironment.h"
#include "tests/support/InstallationFixture.h"
#include "tests/support/TestMain.h"
#include "views/common/SearchField.h"
#include "views/launcher/ucLeftFrame.h"
#include "views/launcher/ucProgramView.h"

#include <QLabel>
#include <QListWidget>
#include <QProcess>
#include <QScreen>
#include <csignal>

class TestKiosk : public QObject
{
    Q_OBJECT

private slots:
    // Screen filled, no frame or Quit, closed only by SIGTERM. A catalogue that cannot be read
    // (an empty file) is told once, then tried again until it is there. Cleared after a launch
    // and after a second without input; back in front when a program started directly ends.
    void screenFilledTriedAgainStaysAndClears()
    {
        InstallationFixture fx;
        MessageBoxRecorder messages;
        ShellRecorder shell;
        fx.sql("INSERT INTO Program (Program_Name, Program_Desc, Program_Path) VALUES "
               "('Editor', 'Edits.', '/usr/bin/editor'), ('Viewer', '', '/usr/bin/viewer')");
        fx.writeIni(fx.path("later.mdb"));
        QFile(fx.path("later.mdb")).open(QIODevice::Append);
        if (QFile ini(fx.ini()); ini.open(QIODevice::Append))
            ini.write("Kiosk=1\nKioskResetSeconds=1\n");
        gEnvironment().loadSettings(fx.ini());
        modMain::openCatalogue();
        const auto close = qScopeGuard([] { delete frmView::existingInstance(); });
        frmView& w = frmView::Instance();
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QCOMPARE(w.frameGeometry(), w.screen()->geometry());
        QVERIFY(w.windowFlags().testFlag(Qt::FramelessWindowHint) &&
                w.findChild<QWidget*>("lblQuit")->isHidden());
        QTest::keySequence(&w, QKeySequence("Alt+F4, Ctrl+Q, Esc"));
        QVERIFY(!w.close() && w.isVisible());

        QTRY_COMPARE_WITH_TIMEOUT(messages.requests().size(), 1, 5000);
        auto* status = w.findChild<QLabel*>("sbarStatus");
        QVERIFY(status->toolTip().startsWith("Catalogue not reachable, trying again every"));
        QVERIFY(QFile::remove(fx.path("later.mdb")) && QFile::copy(fx.db(), fx.path("later.mdb")));
        QTRY_COMPARE_WITH_TIMEOUT(w.ucProgramView1()->lstView()->count(), 2, 15000);
        QCOMPARE(status->text(), QStringLiteral("STATUS"));

        SearchField* search = w.ucLeftFrame1()->txtSearch();
        launcher::ucProgramView* view = w.ucProgramView1();
        const auto cleared = [&] { return (search->text() + view->selectedItem()).isEmpty(); };
        search->setText("ed");
        QTest::keyClick(search, Qt::Key_Return);
        QTRY_VERIFY_WITH_TIMEOUT(cleared() && shell.files().size() == 1, 900);
        search->setText("ed");
        for (int i = 0; i < 6; ++i, QTest::qWait(250))
            QTest::mouseMove(view->lstView()->viewport(), QPoint(10 + i, 10));
        QVERIFY(!cleared());
        QTRY_VERIFY_WITH_TIMEOUT(cleared(), 3000);

        platform::setShellHandler([](const auto&) {
            qint64 pid = 0;
            QProcess::startDetached("sleep", {"1"}, {}, &pid);
            return platform::ShellResult{true, {}, pid};
        });
        QWidget other;
        other.show();
        other.activateWindow();
        QTRY_VERIFY_WITH_TIMEOUT(QApplication::activeWindow() == &other, 5000);
        search->setText("ed");
        QTest::keyClick(search, Qt::Key_Return);
        QTest::qWait(500);
        QCOMPARE(QApplication::activeWindow(), &other); // not at the launch: at its end
        QTRY_VERIFY_WITH_TIMEOUT(QApplication::activeWindow() == &w, 5000);
        std::raise(SIGTERM);
        QTRY_VERIFY_WITH_TIMEOUT(!frmView::existingInstance(), 5000);
    }
};

KESTREL_TEST_MAIN(TestKiosk)

#include "test_Kiosk.moc"
