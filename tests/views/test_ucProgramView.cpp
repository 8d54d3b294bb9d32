#include "catalogue/StoredIcon.h"
#include "settings/clsEnvironment.h"
#include "tests/support/InstallationFixture.h"
#include "tests/support/TestFiles.h"
#include "tests/support/TestMain.h"
#include "views/common/BackgroundTask.h"
#include "views/common/IconCache.h"
#include "views/common/ProgramSearch.h"
#include "views/launcher/frmProperties.h"
#include "views/launcher/ucProgramView.h"

#include <QLabel>
#include <QSemaphore>

using launcher::ucProgramView;

namespace {
struct View : ucProgramView
{
    View() : ucProgramView(gDBRoutines(), gEnvironment().DefaultIcon()) {}
    using ucProgramView::clearView;
    bool showExposed() // at the size the launcher gives its list
    {
        resize(417, 345);
        show();
        return QTest::qWaitForWindowExposed(this);
    }
};

// "name|path|colour of the icon" of each item.
QStringList described(const QList<QListWidgetItem*>& items)
{
    QStringList out;
    for (const QListWidgetItem* item : items) {
        const QImage picture = item->icon().pixmap(32, 32).toImage();
        out << item->text() + '|' + item->data(ucProgramView::PathRole).toString() + '|' +
                   (picture.isNull() ? "none" : picture.pixelColor(16, 16).name());
    }
    return out;
}

// With the picture the catalogue stores for it, if any.
void insert(const InstallationFixture& fx, const QString& name, const QString& path,
            const QString& icon, const QByteArray& stored = {})
{
    fx.sql("INSERT INTO Program (Program_Name, Program_Path, Program_CustomIcon) VALUES (?, ?, ?)",
           {name, path, icon});
    if (!stored.isNull()) // for the program just added
        fx.sql("INSERT INTO Program_Icon SELECT max(Program_Key), ?, ? FROM Program",
               {storedIconDigest(stored), stored});
}

struct PaintCounter : QObject
{
    int paints = 0;
    bool eventFilter(QObject*, QEvent* event) override
    {
        paints += event->type() == QEvent::Paint;
        return false;
    }
};
} // namespace

class TestUcProgramView : public QObject
{
    Q_OBJECT

private slots:
    // Names and paths trimmed; one decode per icon file, on two threads; a file that fails
    // gives the default icon; the first program of a name lends its picture to the others.
    void fillsNamesPathsAndIcons()
    {
        InstallationFixture fx;
        const QString red = fx.path("r.png"), blue = fx.path("b.png"), yellow = fx.path("y.png");
        InstallationFixture::writeIcon(red, Qt::red);
        InstallationFixture::writeIcon(blue, Qt::blue);
        InstallationFixture::writeIcon(yellow, Qt::yellow);
        const QString gray = QColor(Qt::gray).name(), r = "#ff0000", b = "#0000ff";
        insert(fx, "  Spaced  ", "  /bin/s  ", "");
        insert(fx, "Blank", "/bin/b", "   ");
        insert(fx, "Own", "/bin/o", " " + red + " ");
        insert(fx, "Lost", "/bin/l", fx.path("missing.ico"));
        insert(fx, "Twin", "/bin/t1", red);
        insert(fx, "Twin ", "/bin/t2", blue);
        insert(fx, "Pair", "/bin/p1", fx.path("missing.ico"));
        insert(fx, "Pair", "/bin/p2", blue);
        // A stored picture wins over the file, there or not; a stored non-picture: the default.
        insert(fx, "Kept", "/bin/k", fx.path("missing.ico"), readFile(yellow));
        insert(fx, "Junk", "/bin/j", red, "junk");
        QStringList expected{"Spaced|/bin/s|" + gray, "Blank|/bin/b|" + gray, "Junk|/bin/j|" + gray,
                             "Kept|/bin/k|#ffff00",   "Lost|/bin/l|" + gray,  "Own|/bin/o|" + r};
        for (int i = 0; i < 60; ++i) {
            const QString name = QStringLiteral("P%1").arg(i, 2, 10, QLatin1Char('0'));
            const QColor colour = QColor::fromHsv(i * 6 + 3, 255, 255);
            const bool fails = i % 7 == 3;
            insert(fx, name, "/bin/" + name, fx.path(name + (fails ? ".ico" : ".png")));
            InstallationFixture::writeIcon(fx.path(name + ".png"), colour);
            expected << name + "|/bin/" + name + '|' + (fails ? gray : colour.name());
        }
        expected << "Pair|/bin/p1|" + gray << "Pair|/bin/p2|" + gray << "Twin|/bin/t1|" + r
                 << "Twin|/bin/t2|" + r;
        // Each fill in a view of its own: its items, its pictures; label: P59's cell, lower half.
        QImage label;
        const auto fill = [&label] {
            View view;
            view.showExposed(); // painted for the grab even if not exposed
            view.loadView();
            QListWidget* list = view.lstView();
            const QRect cell = list->visualItemRect(list->item(list->count() - 5));
            label = list->viewport()->grab(cell.adjusted(0, cell.height() / 2, 0, 0)).toImage();
            QSet<qint64> pictures;
            for (const QListWidgetItem* item : view.shownItems())
                pictures.insert(item->icon().cacheKey());
            return described(view.shownItems()) << QString::number(pictures.size());
        };
        QCOMPARE(fill(), expected << QString::number(3 + 60 - 9));
        const QImage pictured = label;

        // Later fills take an unchanged file's icon from the user's cache, decode a changed one.
        IconCache cache(IconCache::defaultFile(false));
        cache.load();
        QVERIFY(cache.take(red, IconCache::stamp(red)));
        cache.insert(red, IconCache::stamp(red), cache.take(blue, IconCache::stamp(blue)).value());
        cache.save();
        QCOMPARE(fill(), QStringList(expected).replaceInStrings(r, b));
        InstallationFixture::writeIcon(red, Qt::green);
        QCOMPARE(fill(), QStringList(expected).replaceInStrings(r, "#00ff00"));
        // A catalogue made before pictures were stored: the files' icons, as before. With no
        // default icon either, a program without a picture (P59) keeps the picture's room.
        fx.sql("DROP TABLE Program_Icon");
        releaseDBRoutines();
        writeFile(fx.path("Default.ico"), "junk");
        QCOMPARE(fill().mid(2, 2), (QStringList{"Junk|/bin/j|#00ff00", "Kept|/bin/k|none"}));
        QCOMPARE(label, pictured);
    }

    // Filled, then shown (start-up): laid out at the list's real size before one paint, which
    // already shows the last program. A reload of the shown list scrolls to the last again.
    void holdsMoreThan32767ProgramsAndShowsTheLast()
    {
        InstallationFixture fx;
        InstallationFixture::writeIcon(fx.path("red.png"), Qt::red);
        fx.sql("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 33000) "
               "INSERT INTO Program (Program_Name, Program_Path, Program_CustomIcon) "
               "SELECT printf('P%05d', i), '/p', CASE WHEN i % 20 = 0 THEN ? ELSE '' END FROM n",
               {fx.path("red.png")});
        View view;
        QListWidget* list = view.lstView();
        PaintCounter counter;
        list->viewport()->installEventFilter(&counter);
        view.loadView();
        QVERIFY(view.showExposed());
        QCOMPARE(list->count(), 33000);
        QCOMPARE(described({list->item(32999)}), QStringList{"P33000|/p|#ff0000"});
        QVERIFY(QTest::qWaitFor([&] { return counter.paints > 0; }, 5000));
        // A pending relayout would run at this query and post a paint, delivered below.
        const QRect last = list->visualItemRect(list->item(32999));
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
        QCOMPARE(counter.paints, 1);
        QVERIFY(list->viewport()->rect().contains(last));
        list->scrollToTop(); // then a reload
        view.clearView();
        view.loadView();
        QTRY_VERIFY(list->viewport()->rect().intersects(list->visualItemRect(list->item(32999))));
    }

    // Every word, in name or description, case and accents ignored; names starting with the
    // text first, else the list's order. The index is built before the first search; each
    // search selects its first match (also when all pass); the first row keeps off the top.
    void searchFilters_data()
    {
        const auto row = columns<QString, QStringList>({"query", "shown"});
        const QStringList all{"Café Viewer", "Calculator", "Notes", "Xcalc", "Émoji 😀"};
        row("accent and case", "CAFE", QStringList{"Café Viewer", "Notes"});
        row("name prefix first", "calc", QStringList{"Calculator", "Notes", "Xcalc"});
        row("every word", "old  CALC", QStringList{"Xcalc"});
        row("every program", "o", all);
        row("blanks only", "   ", all);
        row("emoji", "émoji 😀", QStringList{"Émoji 😀"});
        row("right to left", "שלום", QStringList{"Émoji 😀"});
        row("control characters", "ca\tfe\x01", QStringList{"Café Viewer", "Notes"});
        row("no match", "zzz", QStringList{});
        row("10,000 characters", QString(10000, 'a'), QStringList{});
    }
    void searchFilters()
    {
        auto [query, shown] = fetch<QString, QStringList>({"query", "shown"});
        InstallationFixture fx;
        fx.sql("INSERT INTO Program (Program_Name, Program_Desc, Program_Path) VALUES "
               "('Café Viewer', 'Shows menus', '/p'), ('Calculator', 'Adds numbers', '/p'), "
               "('Notes', 'A CAFÉ calculator', '/p'), ('Xcalc', 'Old calculator', '/p'), "
               "('Émoji 😀', 'שלום, right to left', '/p')");
        View view;
        QVERIFY(view.showExposed());
        view.loadView();
        QTRY_VERIFY(view.searchIndexBuilt()); // once painted, before any search
        view.setFilterText(query);
        QCOMPARE(textsOf(view.shownItems()), shown);
        QAbstractItemView* list = view.visibleList();
        const QRect first = list->visualRect(list->model()->index(0, 0));
        QVERIFY(shown.isEmpty() ||
                list->viewport()->mapTo(list, first.topLeft()).y() - list->frameWidth() >= 4);
        QCOMPARE(view.lstView()->count(), 5);
        QCOMPARE(view.selectedItem(), query.trimmed().isEmpty() ? QString() : shown.value(0));
        QCOMPARE(list == view.lstFiltered(), shown.size() < 5);
        QCOMPARE(list->selectionModel()->selectedIndexes().size(),
                 qsizetype(!shown.isEmpty() && !query.trimmed().isEmpty()));
        auto* noMatch = view.findChild<QLabel*>("lblNoMatch");
        QCOMPARE(noMatch->isVisible(), shown.isEmpty());
        if (shown.isEmpty())
            QVERIFY(noMatch->text().startsWith("No programs match \"" + query.left(10)));
        view.setFilterText({});
        QVERIFY(view.lstView()->isVisible() && !noMatch->isVisible());
    }

    // Typing on and backspacing reuse earlier results, answering as a fresh index does.
    void searchTypedAndErasedAnswersAsFresh()
    {
        ProgramSearchIndex typed;
        typed.build({"Program 001", "Program 010", "Progress", "Calculator", "Café"},
                    {"", "old", "Bar of progress", "Program sums", "Coffee"});
        const ProgramSearchIndex fresh = typed; // copied before any search
        for (const QString& query :
             QStringList{"p", "pr", "pro g", "pro gr", "pro g", "pr", "p", "ro 0", "ro 01", "ro 0",
                         "ro", "", "c", "ca", "caf", "ca", "x", "o"})
            QCOMPARE(typed.match(query), ProgramSearchIndex(fresh).match(query));
    }

    // A search during the index build answers from the list; a reload drops the old build.
    void searchWhileTheIndexBuilds()
    {
        InstallationFixture fx;
        fx.sql("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 60000) "
               "INSERT INTO Program (Program_Name, Program_Desc, Program_Path) "
               "SELECT 'P' || i, 'old', '/p' FROM n");
        View view;
        QVERIFY(view.showExposed());
        // A (re)load, its index still building; a build ends only between the wait's checks.
        const auto reloaded = [&view] {
            view.clearView();
            view.loadView();
            return QTest::qWaitFor(
                       [&] { return view.searchIndexBuilding() || view.searchIndexBuilt(); }) &&
                   view.searchIndexBuilding();
        };
        QVERIFY(reloaded());
        view.setFilterText("old p5999");
        QCOMPARE(view.shownItems().size(), 11); // P5999, P59990 ... P59999
        view.setFilterText({});
        QVERIFY(reloaded());
        fx.sql("UPDATE Program SET Program_Desc = 'new'");
        view.clearView();
        view.loadView();
        view.setFilterText("new");
        QCOMPARE(view.shownItems().size(), 60000);
        view.setFilterText("old");
        QVERIFY(view.shownItems().isEmpty());
    }

    // The launcher's properties window: the program's fields, its picture or why none.
    void propertiesOpenOrRefuse_data()
    {
        // icon: the custom icon file; stored: the file whose bytes the catalogue stores
        const auto row = columns<QString, QString, QStringList, bool, QString>(
            {"name", "icon", "messages", "picture", "stored"});
        row("empty name", " ", "", {"Error|Invalid Program Name|Information"}, false, "");
        row("unknown name", " Nobody ", "",
            {"Closing Property Window|No Properties Found For : Nobody|Critical"}, false, "");
        row("no custom icon: the default one", " Editor", "", {}, true, "");
        row("missing icon file: no picture", "Editor", "gone.ico", {}, false, "");
        row("missing icon file, picture stored", "Editor", "gone.ico", {}, true, "Default.ico");
        row("stored non-picture: the default", "Editor", "gone.ico", {}, true, "data/Kestrel.mdb");
    }
    void propertiesOpenOrRefuse()
    {
        auto [name, icon, messages, stored] =
            fetch<QString, QString, QStringList, QString>({"name", "icon", "messages", "stored"});
        InstallationFixture fx;
        const QString iconPath = icon.isEmpty() ? QStringLiteral("") : fx.path(icon);
        insert(fx, "Editor", " /usr/bin/editor ", iconPath,
               stored.isEmpty() ? QByteArray() : readFile(fx.path(stored)));
        fx.sql("UPDATE Program SET Program_Added_Date = ' 3/4/2005 '");
        MessageBoxRecorder recorder;
        launcher::frmProperties window(gDBRoutines(), gEnvironment().DefaultIcon(), nullptr);
        window.setProgram(name);
        QCOMPARE(described(recorder), messages);
        QCOMPARE(window.isOpen(), messages.isEmpty());
        if (!window.isOpen())
            return;
        QStringList shown{window.windowTitle()};
        for (const char* id : {"lblProgramName", "lblDateAdded", "lblProgramPath", "lblIconPath"})
            shown << window.findChild<QLabel*>(id)->text();
        QCOMPARE(shown, (QStringList{"Showing Properties For : Editor", "Editor", "3/4/2005",
                                     "/usr/bin/editor", iconPath}));
        QTEST(!window.findChild<QLabel*>(QStringLiteral("Image1"))->pixmap().isNull(), "picture");
    }

    // Work off the window's thread, at the priority asked for, hands its result or its error
    // to a live receiver on the receiver's thread, and nothing to one that is gone.
    void backgroundWorkReachesOnlyALiveReceiver()
    {
        QObject receiver;
        QThread::Priority ran = QThread::InheritPriority;
        QString error;
        background::run(
            &receiver, QThread::IdlePriority, [] { return QThread::currentThread()->priority(); },
            [&](QThread::Priority value) {
                ran = QThread::currentThread() == receiver.thread() ? value : QThread::HighPriority;
            });
        background::run(
            &receiver, QThread::LowPriority, []() -> int { throw KestrelError(5, "test", "busy"); },
            [](int) {}, [&](const KestrelError& failure) { error = failure.description(); });
        QTRY_COMPARE(ran, QThread::IdlePriority);
        QTRY_COMPARE(error, "busy");

        QSemaphore go;
        bool delivered = false; // to a receiver gone while the work runs
        background::run(
            std::make_unique<QObject>().get(), QThread::NormalPriority,
            [&go] { return go.tryAcquire(1, 5000); }, [&delivered](bool) { delivered = true; });
        go.release();
        QVERIFY(background::threads(QThread::NormalPriority)->waitForDone(5000));
        QCoreApplication::processEvents();
        QVERIFY(!delivered);
    }
};

KESTREL_TEST_MAIN(TestUcProgramView)
#include "test_ucProgramView.moc"
