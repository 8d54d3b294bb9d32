#include "platform/database/Connection.h"
#include "platform/ui/widgets/KestrelApplication.h"
#include "platform/ui/widgets/LoadPicture.h"
#include "platform/ui/widgets/RealHandlers.h"
#include "platform/ui/widgets/StartupWarmUp.h"
#include "resources/ArtworkPixels.h"
#include "resources/KestrelResources.h"
#include "tests/support/TestFiles.h"
#include "tests/support/TestMain.h"

#include <QAbstractButton>
#include <QColorSpace>
#include <QImageReader>
#include <QLabel>
#include <QMessageBox>
#include <QProcess>
#include <QSqlDatabase>
#include <QTimer>
#include <cstring>
#include <new>
#include <poll.h>
#include <span>
#include <sys/socket.h>
#include <sys/sysmacros.h>
#include <sys/un.h>

#ifdef KESTREL_HAVE_FONTCONFIG
#include <fontconfig/fontconfig.h>
#endif

using namespace platform;
using B = QMessageBox;
using Throw = std::function<void()>;
Q_DECLARE_METATYPE(Throw)

struct Receiver : QObject // runs mThrow for each user event; counts those it survives
{
    Throw mThrow = [] {};
    int mDelivered = 0;
    bool event(QEvent*) override // only user events come here
    {
        mThrow();
        return ++mDelivered > 0;
    }
};

// The widget layer offscreen: the real message box, pictures, the top-level error handler.
class test_UiWidgets : public QObject
{
    Q_OBJECT

    QTemporaryDir mDir;

private slots:
    // The real box: title, text, icon, buttons, the answer a click or Escape gives. Texts of
    // megabytes show cut in the middle (words and the whole), and nothing shown is cut off.
    void messageBoxAnswers_data()
    {
        const auto row = columns<MsgIcon, B::StandardButton, MsgAnswer, QString, B::Icon>(
            {"icon", "press", "answer", "text", "shown icon"});
        const QString x = "<b>x</b>", path = "/" + QString(5 << 20, u'x') + "/end.mdb";
        row("warning, escaped", MsgIcon::Exclamation, B::NoButton, MsgAnswer::Ok, x, B::Warning);
        row("question, yes", MsgIcon::Question, B::Yes, MsgAnswer::Yes, x, B::Question);
        row("question, escaped", MsgIcon::Question, B::NoButton, MsgAnswer::No, x, B::Question);
        row("huge text", MsgIcon::Critical, B::NoButton, MsgAnswer::Ok,
            "Cannot open the catalogue database \"" + path + "\": name too long", B::Critical);
    }
    void messageBoxAnswers()
    {
        auto [icon, press, answer, text] = fetch<MsgIcon, B::StandardButton, MsgAnswer, QString>(
            {"icon", "press", "answer", "text"});
        const bool question = icon == MsgIcon::Question;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            const auto close = qScopeGuard([&] { // also after a failed check
                press ? box->button(press)->click() : QTest::keyClick(box, Qt::Key_Escape);
            });
            const QString shown = box->text();
            const QLabel* label = box->findChild<QLabel*>("qt_msgbox_label");
            QVERIFY2(shown == text || (shown.size() <= 600 && shown.startsWith(text.left(38)) &&
                                       shown.endsWith(text.right(24))),
                     qPrintable(shown.left(700)));
            QVERIFY((label->wordWrap() || label->sizeHint().width() <= label->width()) &&
                    label->heightForWidth(label->width()) <= label->height());
            QCOMPARE(box->windowTitle(), "Delete");
            QTEST(box->icon(), "shown icon");
            QCOMPARE(box->standardButtons(), question ? B::Yes | B::No : B::StandardButtons(B::Ok));
        });
        const MsgButtons buttons = question ? MsgButtons::YesNo : MsgButtons::Ok;
        QCOMPARE(showMessageBox({text, "Delete", icon, buttons, {}, 0}), answer);
    }

    // A good file gives its picture; a bad one an error (number) naming the file.
    void loadsPicturesOrThrows_data()
    {
        const auto row = columns<QString, QSize, qint32>({"file", "size", "error"});
        const QByteArray png = readFile(kestrel_resources::LogoPath); // 200x42
        const QString odd = mDir.filePath("my icon; $(x).ico"), cut = mDir.filePath("cut.png");
        writeFile(odd, png);
        writeFile(cut, png.left(png.size() / 2));
        const QString svg = mDir.filePath("i.svg"), xpm = mDir.filePath("i.xpm");
        writeFile(svg, "<svg xmlns='http://www.w3.org/2000/svg' width='40' height='20'/>");
        writeFile(xpm, "/* XPM */ {\"2 3 1 1\", \". c #f00\", \"..\", \"..\", \"..\"};");
        row("multi-size ico", kestrel_resources::DefaultIconPath, QSize(32, 32), 0);
        row("svg drawn at the icon size", svg, QSize(32, 16), 0);
        row("xpm", xpm, QSize(2, 3), 0);
        row("png named .ico, odd name", odd, QSize(200, 42), 0);
        row("missing", mDir.filePath("missing.ico"), QSize(), 53);
        row("truncated png", cut, QSize(), 481);
        row("device", mDir.filePath("device"), QSize(), 75); // a decoy, never read
    }
    void loadsPicturesOrThrows()
    {
        auto [file, size, error] = fetch<QString, QSize, qint32>({"file", "size", "error"});
        if (file.endsWith("/device") && !QFileInfo::exists(file) &&
            ::mknod(QFile::encodeName(file).constData(), S_IFCHR | 0600, makedev(1, 5)) != 0)
            QSKIP("only root makes a device node");
        for (bool icon : {false, true}) {
            const QString e = errorOf([&] {
                QCOMPARE(icon ? loadIcon(file).actualSize(size) : loadPicture(file).size(), size);
            });
            QCOMPARE(e.section('|', 0, 1), error ? QString::number(error) + "|LoadPicture" : "");
            QVERIFY2(!error || e.contains(file), qPrintable(e));
        }
    }

    // Every PNG of the artwork is compiled in, with the pixels decoding it gives.
    void artworkPixelsAreThePngs()
    {
        using namespace kestrel_resources;
        const qsizetype pngs = QDir(QStringLiteral(":/kestrel")).entryList({"*.png"}).size();
        QVERIFY(pngs >= 7 && artworkPixelsCount == pngs);
        const auto pixels = [](QImage image) {
            image.setColorSpace({});
            return image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
        };
        for (const ArtworkPixels& art : std::span(artworkPixels, artworkPixelsCount)) {
            const QImage decoded = pixels(QImageReader(art.path, "png").read());
            QVERIFY2(!decoded.isNull(), art.path);
            QCOMPARE(pixels(picture(art.path).toImage()), decoded);
        }
    }

#ifdef KESTREL_HAVE_FONTCONFIG
    // The warm-up loads the font configuration its own way, ending where fontconfig's own
    // start would: the same files read, fonts and caches, also where that start falls back.
    void warmUpFontsAreFontconfigsOwn_data()
    {
        const auto row = columns<QByteArray>({"FONTCONFIG_FILE"});
        writeFile(mDir.filePath("nocache.conf"),
                  "<fontconfig><dir>/usr/share/fonts</dir></fontconfig>");
        row("the system's configuration", QByteArray());
        row("one that does not load", QFile::encodeName(mDir.filePath("missing/fonts.conf")));
        row("one without a cache folder", QFile::encodeName(mDir.filePath("nocache.conf")));
    }
    void warmUpFontsAreFontconfigsOwn()
    {
        const auto [configFile] = fetch<QByteArray>({"FONTCONFIG_FILE"});
        const ScopedEnvironment environment{{"FONTCONFIG_FILE", configFile}};
        const auto restore = qScopeGuard([] { FcConfigSetCurrent(nullptr); });
        FcConfigSetCurrent(nullptr); // as in a new process
        StartupWarmUp().installFonts();
        FcConfig* own = FcInitLoadConfigAndFonts();
        const auto releaseOwn = qScopeGuard([own] { FcConfigDestroy(own); });
        const auto described = [](FcConfig* config) {
            QStringList out;
            for (FcStrList* list : {FcConfigGetConfigFiles(config), FcConfigGetFontDirs(config),
                                    FcConfigGetCacheDirs(config)}) {
                while (FcChar8* s = FcStrListNext(list))
                    out << QString::fromUtf8(reinterpret_cast<const char*>(s));
                FcStrListDone(list);
            }
            const FcFontSet* fonts = FcConfigGetFonts(config, FcSetSystem);
            return out << QString::number(fonts ? fonts->nfont : 0);
        };
        const QStringList current = described(FcConfigGetCurrent());
        QVERIFY(own && current.last() != "0");
        QCOMPARE(current, described(own));
    }
#endif

    // The warm-up starts before the application object and connects to the session bus on
    // a thread of its own, which must not become the one Qt takes for the main thread.
    void warmUpBusThreadIsNotTheMainThread()
    {
        QProcess child;
        child.start(QCoreApplication::applicationFilePath(), {"--start-beside-a-silent-bus"});
        QVERIFY(child.waitForFinished(30000));
        QCOMPARE(child.exitCode(), 0);
        const QString reported = QString::fromUtf8(child.readAllStandardOutput());
        QVERIFY2(!reported.contains(QStringLiteral("thread")), qPrintable(reported));
    }

    // The driver's warm-up beside a first catalogue open: no hindrance, no connection left.
    void warmUpRunsBesideTheFirstOpen()
    {
        const QString path = mDir.filePath(QStringLiteral("warm.db")); // empty: no tables
        QVERIFY(QFile(path).open(QIODevice::WriteOnly));
        for (int round = 0; round < 20; ++round) {
            StartupWarmUp warmUp;
            warmUp.startWithApplication();
            Connection connection;
            connection.setConnectionString(path);
            connection.setReadOnly(true);
            connection.Open();
            connection.Close();
        }
        QCOMPARE(QSqlDatabase::connectionNames(), QStringList());
    }

    // Last: a failed run leaves the application refusing events.
    void unhandledErrorShowsOneMessageAndEnds_data()
    {
        const auto row = columns<Throw, QString, QString>({"thrower", "at", "named"});
        const Throw kestrel = [] { throw KestrelError(53, "clsDBRoutines", "No /srv/K.mdb"); };
        row("KestrelError in the loop", kestrel, "loop", "53");
        row("before the loop runs", kestrel, "sent", "clsDBRoutines");
        row("in start-up", kestrel, "start-up", "No /srv/K.mdb");
        row("std", Throw([] { throw std::bad_alloc(); }), "loop", "alloc");
        row("anything else", Throw([] { throw 42; }), "loop", "unknown");
    }
    void unhandledErrorShowsOneMessageAndEnds()
    {
        auto [thrower, at, named] = fetch<Throw, QString, QString>({"thrower", "at", "named"});
        Receiver failing, bystander;
        failing.mThrow = thrower;
        QList<MsgRequest> shown;
        MsgHandler previous = setMsgHandler([&](const MsgRequest& request) {
            shown.append(request);
            QEvent again(QEvent::User); // another error while the message is on screen
            QCoreApplication::sendEvent(&failing, &again);
            return MsgAnswer::Ok;
        });
        const auto restore = qScopeGuard([&previous] { setMsgHandler(std::move(previous)); });
        const int code = static_cast<KestrelApplication*>(qApp)->runGuarded([&] {
            if (at == "start-up")
                thrower();
            QCoreApplication::postEvent(&failing, new QEvent(QEvent::User));
            if (at == "sent")
                QCoreApplication::sendPostedEvents(&failing);
            QCoreApplication::postEvent(&bystander, new QEvent(QEvent::User));     // must never run
            QTimer::singleShot(2000, &failing, [] { QCoreApplication::exit(0); }); // if not ended
            return QCoreApplication::exec();
        });
        QCOMPARE(code, KestrelApplication::UnhandledErrorExitCode);
        QVERIFY(code != 0 && bystander.mDelivered == 0);
        QVERIFY(shown.size() == 1 && shown[0].icon == MsgIcon::Critical);
        QVERIFY2(shown[0].text.contains(named), qPrintable(shown[0].text));
    }
};

namespace {
// The child of warmUpBusThreadIsNotTheMainThread: a silent bus (it takes connections, never
// answers) holds the warm-up's bus thread while the application is made; prints Qt's messages.
int startBesideASilentBus(int argc, char** argv)
{
    const QByteArray path = qgetenv("HOME") + "/silent-bus"; // the test's own home folder
    const int bus = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{AF_UNIX, {}};
    std::strncpy(address.sun_path, path.constData(), sizeof address.sun_path - 1);
    if (bus < 0 || bind(bus, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(bus, 8) != 0)
        return 2;
    qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + path);
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString& message) {
        std::printf("%s\n", qUtf8Printable(message));
    });
    {
        StartupWarmUp ahead; // its bus thread connected before the application is made
        pollfd waiting{bus, POLLIN, 0};
        if (::poll(&waiting, 1, 10000) != 1)
            return 3;
        auto app = std::make_unique<KestrelApplication>(argc, argv);
        qInstallMessageHandler(nullptr);
        // Closing the bus fails the waiting connections: the bus threads end.
        close(bus);
    }
    return 0;
}
} // namespace

int main(int argc, char** argv)
{
    if (argc > 1 && qstrcmp(argv[1], "--start-beside-a-silent-bus") == 0)
        return startBesideASilentBus(argc, argv);
    kestreltest::isolateUserFolders();
    // The warm-up's bus connection fails at once instead of reaching the user's bus.
    qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + qgetenv("HOME") + "/no-bus");
    KestrelApplication app(argc, argv);
    test_UiWidgets test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_UiWidgets.moc"
