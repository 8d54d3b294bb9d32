// The launcher as a kiosk's whole session ([General] Kiosk=1), on an X display of its own
// without a window manager (see CMakeLists.txt), the message boxes and the shell faked.
#include "launcher/frmView.h"
#include "launcher/modMain.h"
#include "settings/clsEnvironment.h"
#include "tests/support/InstallationFixture.h"
#include "tests/support/TestMain.h"
#include "views/common/CommandLabel.h"
#include "views/common/SearchField.h"
#include "views/launcher/ucLeftFrame.h"
#include "views/launcher/ucProgramView.h"

#include <QLabel>
#include <QListWidget>
#include <QProcess>
#include <QScopeGuard>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>

namespace {
// Two programs; Kestrel.ini names database (default: the installation's own) and sets
// KioskResetSeconds=1, and Kiosk=1 unless told otherwise.
struct KioskFixture
{
    InstallationFixture fx;
    MessageBoxRecorder messages;
    ShellRecorder shell;
    explicit KioskFixture(bool kiosk = true, const QString& database = {})
    {
        fx.sql("INSERT INTO Program (Program_Name, Program_Desc, Program_Path) VALUES "
               "('Editor', 'Edits.', '/usr/bin/editor'), ('Viewer', '', '/usr/bin/viewer')");
        fx.writeIni(database);
        QFile ini(fx.ini());
        QVERIFY(ini.open(QIODevice::Append) && ini.write(kiosk ? "Kiosk=1\n" : "\n") > 0 &&
                ini.write("KioskResetSeconds=1\n") > 0);
        ini.close();
        gEnvironment().loadSettings(fx.ini());
        modMain::openCatalogue();
        window().show();
        QVERIFY(QTest::qWaitForWindowExposed(&window()));
    }
    ~KioskFixture() { delete frmView::existingInstance(); }
    static frmView& window() { return frmView::Instance(); }
};
} // namespace

class TestKiosk : public QObject
{
    Q_OBJECT

private slots:
    // The screen filled without a frame or Quit; nothing a person presses closes it, the
    // session's SIGTERM does. Without Kiosk=1 the window is the ordinary one.
    void fillsTheScreenAndStays()
    {
        {
            KioskFixture plain(false);
            QVERIFY(plain.window().close());
        }
        KioskFixture k;
        frmView& w = k.window();
        QCOMPARE(w.frameGeometry(), w.screen()->geometry());
        QVERIFY(w.windowFlags().testFlag(Qt::FramelessWindowHint));
        QVERIFY(w.ucLeftFrame1()->quitCommand()->isHidden());
        for (QKeyCombination keys :
             {Qt::ALT | Qt::Key_F4, Qt::CTRL | Qt::Key_Q, QKeyCombination(Qt::Key_Escape)})
            QTest::keyClick(&w, keys.key(), keys.keyboardModifiers());
        QVERIFY(!w.close() && w.isVisible());
        std::raise(SIGTERM);
        QTRY_VERIFY_WITH_TIMEOUT(!frmView::existingInstance(), 5000);
    }

    // Search and selection cleared after a launch and after a second without input (input
    // puts it off); a program started directly brings the kiosk back in front as it ends.
    void clearedForTheNextPerson()
    {
        KioskFixture k;
        frmView& w = k.window();
        SearchField* search = w.ucLeftFrame1()->txtSearch();
        const auto cleared = [&] {
            return search->text().isEmpty() && w.ucProgramView1()->selectedItem().isEmpty() &&
                   w.ucLeftFrame1()->Description().isEmpty();
        };
        search->setText("ed");
        QCOMPARE(w.ucLeftFrame1()->Description(), QStringLiteral("Edits."));
        QTest::keyClick(search, Qt::Key_Return);
        QTRY_VERIFY_WITH_TIMEOUT(cleared(), 900);
        QCOMPARE(k.shell.files(), QStringList{"/usr/bin/editor"});
        search->setText("ed");
        for (int i = 0; i < 6; ++i) {
            QTest::mouseMove(w.ucProgramView1()->lstView()->viewport(), QPoint(10 + i, 10));
            QTest::qWait(250);
        }
        QVERIFY(!cleared());
        QTRY_VERIFY_WITH_TIMEOUT(cleared(), 3000);

        const platform::ShellHandler recorder = platform::setShellHandler([](const auto&) {
            qint64 pid = 0;
            QProcess::startDetached("sleep", {"1"}, {}, &pid);
            return platform::ShellResult{true, {}, pid};
        });
        const auto restore = qScopeGuard([&] { platform::setShellHandler(recorder); });
        QWidget other;
        other.show();
        other.activateWindow();
        QTRY_VERIFY_WITH_TIMEOUT(QApplication::activeWindow() == &other, 5000);
        search->setText("ed");
        QTest::keyClick(search, Qt::Key_Return);
        QTest::qWait(500);
        QCOMPARE(QApplication::activeWindow(), &other);
        QTRY_VERIFY_WITH_TIMEOUT(QApplication::activeWindow() == &w, 5000);
    }

    // A catalogue not there at start (an empty file): its error once, then tried again
    // every few seconds until it appears.
    void unreadableCatalogueTriedAgain()
    {
        const QTemporaryDir dir;
        const QString later = dir.filePath("later.mdb");
        QFile(later).open(QIODevice::WriteOnly);
        KioskFixture k(true, later);
        QTRY_COMPARE_WITH_TIMEOUT(k.messages.requests().size(), 1, 5000);
        QCOMPARE(k.messages.requests()[0].icon, platform::MsgIcon::Critical);
        auto* status = k.window().findChild<QLabel*>("sbarStatus");
        QVERIFY(status->toolTip().startsWith("Catalogue not reachable, trying again every"));
        QVERIFY(QFile::remove(later) && QFile::copy(k.fx.db(), later));
        QTRY_COMPARE_WITH_TIMEOUT(k.window().ucProgramView1()->lstView()->count(), 2, 15000);
        QCOMPARE(status->text(), QStringLiteral("STATUS"));
        QCOMPARE(k.messages.requests().size(), 1);
    }
};

KESTREL_TEST_MAIN(TestKiosk)

#include "test_Kiosk.moc"
