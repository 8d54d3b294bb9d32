#include "platform/ui/widgets/RealHandlers.h"
#include "tests/support/MessageBoxRecorder.h"
#include "tests/support/ShellRecorder.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace platform;

// The real Qt dialogs, driven offscreen: a timer acts on the modal window once it
// shows, as a user would.
class test_RealHandlers : public QObject
{
    Q_OBJECT

private:
    template <typename Dialog> static void whenShown(std::function<void(Dialog*)> act)
    {
        QTimer::singleShot(0, [act] {
            auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            act(dialog);
        });
    }

private slots:
    void messageBoxShowsTheRequest_data()
    {
        QTest::addColumn<int>("icon");
        QTest::addColumn<int>("buttons");
        QTest::addColumn<int>("qtIcon");
        QTest::addColumn<int>("press"); // a QMessageBox::StandardButton, or 0 for Escape
        QTest::addColumn<int>("answer");
        using B = QMessageBox;
        QTest::addRow("information") << int(MsgIcon::Information) << int(MsgButtons::Ok)
                                     << int(B::Information) << int(B::Ok) << int(MsgAnswer::Ok);
        QTest::addRow("exclamation") << int(MsgIcon::Exclamation) << int(MsgButtons::Ok)
                                     << int(B::Warning) << int(B::Ok) << int(MsgAnswer::Ok);
        QTest::addRow("critical, escaped") << int(MsgIcon::Critical) << int(MsgButtons::Ok)
                                           << int(B::Critical) << 0 << int(MsgAnswer::Ok);
        QTest::addRow("question, yes") << int(MsgIcon::Question) << int(MsgButtons::YesNo)
                                       << int(B::Question) << int(B::Yes) << int(MsgAnswer::Yes);
        QTest::addRow("question, no") << int(MsgIcon::Question) << int(MsgButtons::YesNo)
                                      << int(B::Question) << int(B::No) << int(MsgAnswer::No);
        QTest::addRow("question, escaped") << int(MsgIcon::Question) << int(MsgButtons::YesNo)
                                           << int(B::Question) << 0 << int(MsgAnswer::No);
    }
    void messageBoxShowsTheRequest()
    {
        QFETCH(int, icon);
        QFETCH(int, buttons);
        QFETCH(int, qtIcon);
        QFETCH(int, press);
        QFETCH(int, answer);
        const bool yesNo = MsgButtons(buttons) == MsgButtons::YesNo;
        bool seen = false;
        whenShown<QMessageBox>([&](QMessageBox* box) {
            seen = true;
            QCOMPARE(box->windowTitle(), "Delete Program");
            QCOMPARE(box->text(), "Are you sure you want to delete : <b>x</b>");
            QCOMPARE(int(box->icon()), qtIcon);
            const auto expected = yesNo ? (QMessageBox::Yes | QMessageBox::No)
                                        : QMessageBox::StandardButtons(QMessageBox::Ok);
            QCOMPARE(box->standardButtons(), expected);
            if (press)
                box->button(QMessageBox::StandardButton(press))->click();
            else
                QTest::keyClick(box, Qt::Key_Escape);
        });
        const MsgAnswer result = showMessageBox({"Are you sure you want to delete : <b>x</b>",
                                                 "Delete Program",
                                                 MsgIcon(icon),
                                                 MsgButtons(buttons),
                                                 {},
                                                 0});
        QVERIFY(seen);
        QCOMPARE(int(result), answer);
    }

    void f1OpensTheHelpFile_data()
    {
        QTest::addColumn<QString>("helpFile");
        QTest::addColumn<bool>("shellFails");
        QTest::addRow("no help file") << "" << false;
        QTest::addRow("help file") << "/opt/help/kestrel guide.html" << false;
        QTest::addRow("help file that cannot be opened") << "/opt/help/gone.html" << true;
    }
    void f1OpensTheHelpFile()
    {
        QFETCH(QString, helpFile);
        QFETCH(bool, shellFails);
        ShellRecorder shell;
        MessageBoxRecorder nested; // a failure to open the help shows through the hook
        if (shellFails)
            shell.queueFailure("The file \"/opt/help/gone.html\" does not exist.");
        whenShown<QMessageBox>([](QMessageBox* box) {
            // As a user would: the key goes to the focused button of the active box.
            QVERIFY(QTest::qWaitForWindowActive(box));
            QVERIFY(QApplication::focusWidget());
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_F1);
            box->button(QMessageBox::Ok)->click();
        });
        showMessageBox({"description", "source", MsgIcon::Critical, MsgButtons::Ok, helpFile, 3});
        QCOMPARE(shell.files(), helpFile.isEmpty() ? QStringList{} : QStringList{helpFile});
        QCOMPARE(nested.texts(), shellFails ? QStringList{"The file \"/opt/help/gone.html\" does "
                                                          "not exist."}
                                            : QStringList{});
    }

    void fileDialogAnswersTheChosenFileOrNothing()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString chosen = dir.filePath("my program.sh");
        QFile file(chosen);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();

        whenShown<QFileDialog>([&](QFileDialog* dialog) {
            QCOMPARE(dialog->windowTitle(), "Select A File To Open With");
            QCOMPARE(dialog->directory().absolutePath(), QDir(dir.path()).absolutePath());
            QVERIFY(dialog->testOption(QFileDialog::DontUseNativeDialog));
            QCOMPARE(dialog->fileMode(), QFileDialog::ExistingFile);
            dialog->selectFile(chosen);
            static_cast<QDialog*>(dialog)->accept(); // as the Open button does
        });
        QCOMPARE(showOpenFileDialog({"Select A File To Open With", dir.path()}),
                 std::optional<QString>(chosen));

        whenShown<QFileDialog>([](QFileDialog* dialog) { dialog->reject(); });
        QCOMPARE(showOpenFileDialog({"Select A File To Open With", dir.path()}), std::nullopt);
    }

    void pointerIsOneBalancedOverride()
    {
        QVERIFY(!QGuiApplication::overrideCursor());
        applyMousePointer(MousePointer::Default); // nothing set: nothing to undo
        QVERIFY(!QGuiApplication::overrideCursor());

        applyMousePointer(MousePointer::Hourglass);
        applyMousePointer(MousePointer::Hourglass);
        QVERIFY(QGuiApplication::overrideCursor());
        QCOMPARE(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
        applyMousePointer(MousePointer::Default);
        QVERIFY(!QGuiApplication::overrideCursor());

        // Someone else's override survives our arrow.
        QGuiApplication::setOverrideCursor(Qt::CrossCursor);
        applyMousePointer(MousePointer::Default);
        QVERIFY(QGuiApplication::overrideCursor());
        QGuiApplication::restoreOverrideCursor();
    }

    void installedHandlersAreTheRealOnes()
    {
        installRealHandlers();
        setMousePointer(MousePointer::Hourglass);
        QVERIFY(QGuiApplication::overrideCursor());
        setMousePointer(MousePointer::Default);
        QVERIFY(!QGuiApplication::overrideCursor());

        bool shown = false;
        whenShown<QMessageBox>([&](QMessageBox* box) {
            shown = true;
            box->button(QMessageBox::Yes)->click();
        });
        QCOMPARE(MsgBox({"Sure?", "Question", MsgIcon::Question, MsgButtons::YesNo, {}, 0}),
                 MsgAnswer::Yes);
        QVERIFY(shown);
    }
};

QTEST_MAIN(test_RealHandlers)
#include "test_RealHandlers.moc"
