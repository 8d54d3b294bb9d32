#include "platform/KestrelError.h"
#include "platform/ui/widgets/KestrelApplication.h"
#include "tests/support/MessageBoxRecorder.h"

#include <QTest>
#include <QTimer>
#include <stdexcept>

namespace {
// Throws what it is told from its event handler.
class Thrower : public QObject
{
public:
    std::function<void()> mThrow;
    int mDelivered = 0;

protected:
    bool event(QEvent* event) override
    {
        if (event->type() != QEvent::User)
            return QObject::event(event);
        ++mDelivered;
        if (mThrow)
            mThrow();
        return true;
    }
};

void post(QObject* receiver)
{
    QCoreApplication::postEvent(receiver, new QEvent(QEvent::User));
}

using Throw = std::function<void()>;
} // namespace

Q_DECLARE_METATYPE(Throw)

class test_KestrelApplication : public QObject
{
    Q_OBJECT

private:
    KestrelApplication& app() { return *static_cast<KestrelApplication*>(qApp); }

private slots:
    void errorEscapingAnEventHandlerEndsTheProgram_data()
    {
        QTest::addColumn<Throw>("thrower");
        QTest::addColumn<QStringList>("named");
        QTest::addColumn<QString>("helpFile");
        QTest::addRow("KestrelError") << Throw([] {
            throw KestrelError(53, "clsDBRoutines", "File not found: /srv/data/Kestrel.mdb",
                               "/srv/help.html", 7);
        }) << QStringList{"53", "clsDBRoutines", "/srv/data/Kestrel.mdb"}
                                      << "/srv/help.html";
        QTest::addRow("std::exception") << Throw([] { throw std::runtime_error("disk on fire"); })
                                        << QStringList{"disk on fire"} << "";
        QTest::addRow("anything else") << Throw([] { throw 42; }) << QStringList{"unknown"} << "";
    }
    void errorEscapingAnEventHandlerEndsTheProgram()
    {
        QFETCH(Throw, thrower);
        QFETCH(QStringList, named);
        QFETCH(QString, helpFile);
        MessageBoxRecorder messages;
        Thrower failing;
        Thrower bystander;
        failing.mThrow = thrower;

        const int code = app().runGuarded([&] {
            post(&failing);
            post(&bystander); // queued behind the error: must never run
            return app().exec();
        });

        QCOMPARE(code, KestrelApplication::UnhandledErrorExitCode);
        QVERIFY(code != 0);
        QCOMPARE(messages.requests().size(), 1);
        const platform::MsgRequest& shown = messages.requests().constFirst();
        QCOMPARE(shown.icon, platform::MsgIcon::Critical);
        QCOMPARE(shown.buttons, platform::MsgButtons::Ok);
        for (const QString& part : named)
            QVERIFY2(shown.text.contains(part), qPrintable(shown.text));
        QCOMPARE(shown.helpFile, helpFile);
        QCOMPARE(failing.mDelivered, 1);
        QCOMPARE(bystander.mDelivered, 0);
    }

    void errorInStartUpEndsTheProgram()
    {
        MessageBoxRecorder messages;
        const int code = app().runGuarded([]() -> int {
            throw KestrelError(-2147467259, "clsDBRoutines", "Could not find file 'Kestrel.mdb'.");
        });
        QCOMPARE(code, KestrelApplication::UnhandledErrorExitCode);
        QCOMPARE(messages.requests().size(), 1);
        QVERIFY(messages.texts().constFirst().contains("Could not find file 'Kestrel.mdb'."));
    }

    // An event sent directly during start-up fails before the loop exists; the loop
    // must still end at once instead of running a half-started program.
    void errorBeforeTheLoopRunsStillEndsIt()
    {
        MessageBoxRecorder messages;
        Thrower failing;
        failing.mThrow = [] { throw KestrelError(5, "frmView", "Invalid procedure call"); };
        bool leftRunning = false;
        const int code = app().runGuarded([&] {
            QEvent event(QEvent::User);
            QCoreApplication::sendEvent(&failing, &event);
            QTimer::singleShot(2000, &failing, [&] {
                leftRunning = true;
                QCoreApplication::exit(0);
            });
            return app().exec();
        });
        QCOMPARE(code, KestrelApplication::UnhandledErrorExitCode);
        QVERIFY(!leftRunning);
        QCOMPARE(messages.requests().size(), 1);
    }

    // Another error while the message is on screen gets no second message.
    void errorWhileReportingShowsOneMessage()
    {
        int shown = 0;
        Thrower failing;
        failing.mThrow = [] { throw KestrelError(6, "Clock", "Overflow"); };
        platform::MsgHandler previous = platform::setMsgHandler([&](const platform::MsgRequest&) {
            ++shown;
            QEvent again(QEvent::User);
            QCoreApplication::sendEvent(&failing, &again);
            return platform::MsgAnswer::Ok;
        });
        const int code = app().runGuarded([&] {
            post(&failing);
            return app().exec();
        });
        platform::setMsgHandler(std::move(previous));
        QCOMPARE(code, KestrelApplication::UnhandledErrorExitCode);
        QCOMPARE(shown, 1);
        QCOMPARE(failing.mDelivered, 2);
    }

    // Last: a run after failed ones behaves normally again.
    void normalRunAnswersItsOwnResult()
    {
        MessageBoxRecorder messages;
        Thrower fine;
        const int code = app().runGuarded([&] {
            post(&fine);
            QTimer::singleShot(0, &fine, [] { QCoreApplication::exit(0); });
            return app().exec();
        });
        QCOMPARE(code, 0);
        QCOMPARE(fine.mDelivered, 1);
        QVERIFY(messages.requests().isEmpty());
        QVERIFY(!app().hasFailed());
    }
};

int main(int argc, char** argv)
{
    KestrelApplication app(argc, argv);
    test_KestrelApplication test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_KestrelApplication.moc"
