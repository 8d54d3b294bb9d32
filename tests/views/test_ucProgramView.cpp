#include "catalogue/clsDBRoutines.h"
#include "settings/clsEnvironment.h"
#include "tests/support/InstallationFixture.h"
#include "tests/support/TestMain.h"
#include "views/common/BackgroundTask.h"
#include "views/common/IconCache.h"
#include "views/common/ProgramHealth.h"
#include "views/common/ProgramSearch.h"
#include "views/launcher/ucProgramView.h"

#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QSemaphore>
#include <QSet>
#include <QTest>
#include <QThreadPool>

using launcher::ucProgramView;

class TestUcProgramView : public QObject
{
    Q_OBJECT

    // "name|path|colour of the icon" ("-": no icon) for every item, in the list's order.
    static QStringList shown(const ucProgramView& view)
    {
        QStringList items;
        for (int i = 0; i < view.lstView()->count(); ++i) {
            const QListWidgetItem* item = view.lstView()->item(i);
            const QString colour =
                item->icon().isNull()
                    ? QStringLiteral("-")
                    : item->icon().pixmap(32, 32).toImage().pixelColor(16, 16).name();
            items << item->text() + '|' + item->data(ucProgramView::PathRole).toString() + '|' +
                         colour;
        }
        return items;
    }

private slots:
    void fillsNamesPathsAndIcons()
    {
        InstallationFixture fx;
        const QString red = fx.path("red.png"), blue = fx.path("blue.png");
        InstallationFixture::writeIcon(red, Qt::red);
        InstallationFixture::writeIcon(blue, Qt::blue);
        const QList<QStringList> rows{{"  Spaced  ", "  /bin/s  ", ""},
                                      {"Blank", "/bin/b", "   "},
                                      {"Own", "/bin/o", " " + red + " "},
                                      {"Lost", "/bin/l", fx.path("missing.ico")},
                                      {"Twin", "/bin/t1", red},
                                      {"Twin ", "/bin/t2", blue},
                                      // A picture that fails does not claim the name.
                                      {"Pair", "/bin/p1", fx.path("missing.ico")},
                                      {"Pair", "/bin/p2", blue}};
        for (const QStringList& row : rows)
            fx.sql("INSERT INTO Program (Program_Name, Program_Path, Program_CustomIcon) "
                   "VALUES (?, ?, ?)",
                   {row[0], row[1], row[2]});

        ucProgramView view(gDBRoutines(), gEnvironment().DefaultIcon());
        view.loadView();
        const QString gray = QColor(Qt::gray).name(), r = "#ff0000", b = "#0000ff";
        QCOMPARE(shown(view),
                 (QStringList{"Spaced|/bin/s|" + gray, "Blank|/bin/b|" + gray, "Lost|/bin/l|-",
                              "Own|/bin/o|" + r, "Pair|/bin/p1|" + b, "Pair|/bin/p2|" + b,
                              "Twin|/bin/t1|" + r, "Twin|/bin/t2|" + r}));
        // Each icon file is decoded once: items of the same file share one picture.
        QSet<qint64> pictures;
        for (int i = 0; i < view.lstView()->count(); ++i)
            if (!view.lstView()->item(i)->icon().isNull())
                pictures.insert(view.lstView()->item(i)->icon().cacheKey());
        QCOMPARE(pictures.size(), 3);
    }

    // Many icon files are decoded on two threads; each program still gets its own file's
    // picture, and a file that fails leaves only its own programs without one.
    void manyOwnIconsEachOnItsProgram()
    {
        InstallationFixture fx;
        QStringList expected;
        for (int i = 0; i < 60; ++i) {
            const QString name = QStringLiteral("P%1").arg(i, 2, 10, QLatin1Char('0'));
            const QColor colour = QColor::fromHsv(i * 6, 255, 255);
            const QString file = fx.path(name + (i % 7 == 3 ? ".ico" : ".png"));
            if (i % 7 != 3)
                InstallationFixture::writeIcon(file, colour);
            fx.sql("INSERT INTO Program (Program_Name, Program_Path, Program_CustomIcon) "
                   "VALUES (?, ?, ?)",
                   {name, "/bin/" + name, file});
            expected << name + "|/bin/" + name + '|' + (i % 7 == 3 ? "-" : colour.name());
        }
        ucProgramView view(gDBRoutines(), gEnvironment().DefaultIcon());
        view.loadView();
        QCOMPARE(shown(view), expected);
    }

    // The fill takes what the user's icon cache holds for an unchanged icon file instead of
    // decoding it, and decodes the file again once it has changed.
    void fillTakesUnchangedIconsFromTheCache()
    {
        InstallationFixture fx;
        const QString icon = fx.path("own.png");
        InstallationFixture::writeIcon(icon, Qt::red);
        fx.sql("INSERT INTO Program (Program_Name, Program_Path, Program_CustomIcon) "
               "VALUES ('Own', '/bin/o', ?)",
               {icon});
        const auto fill = [] {
            ucProgramView view(gDBRoutines(), gEnvironment().DefaultIcon());
            view.loadView();
            return shown(view);
        };
        QCOMPARE(fill(), QStringList{"Own|/bin/o|#ff0000"});

        // What the cache holds for this content is what the list shows.
        {
            IconCache cache(IconCache::defaultFile(false));
            cache.load();
            QVERIFY(cache.take(icon, IconCache::stamp(icon)));
            QImage green(32, 32, QImage::Format_ARGB32);
            green.fill(Qt::green);
            cache.insert(icon, IconCache::stamp(icon), {green});
            cache.save();
        }
        QCOMPARE(fill(), QStringList{"Own|/bin/o|#00ff00"});

        InstallationFixture::writeIcon(icon, Qt::blue);
        QCOMPARE(fill(), QStringList{"Own|/bin/o|#0000ff"});
    }

    void holdsMoreThan32767ProgramsAndShowsTheLast()
    {
        InstallationFixture fx;
        InstallationFixture::writeIcon(fx.path("red.png"), Qt::red);
        fx.sql("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 33000) "
               "INSERT INTO Program (Program_Name, Program_Path, Program_CustomIcon) "
               "SELECT printf('P%05d', i), '/p', CASE WHEN i % 20 = 0 THEN ? ELSE '' END FROM n",
               {fx.path("red.png")});
        ucProgramView view(gDBRoutines(), gEnvironment().DefaultIcon());
        view.resize(417, 345);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        view.loadView();
        QListWidget* list = view.lstView();
        QCOMPARE(list->count(), 33000);
        QCOMPARE(view.ImageList1().Count(), 33000);
        QCOMPARE(shown(view).last(), QStringLiteral("P33000|/p|#ff0000"));
        QTRY_VERIFY(list->viewport()->rect().intersects(list->visualItemRect(list->item(32999))));
    }

    // As the launcher starts: filled, then shown. The items are laid out for the list's
    // real size before its first paint, which already shows the last program, and no
    // relayout paints it again.
    void filledBeforeShownPaintsOnceAtTheEnd()
    {
        InstallationFixture fx;
        fx.sql("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 300) "
               "INSERT INTO Program (Program_Name, Program_Path) SELECT printf('P%03d', i), '/p' "
               "FROM n");
        ucProgramView view(gDBRoutines(), gEnvironment().DefaultIcon());
        view.resize(417, 345);
        view.loadView();
        QListWidget* list = view.lstView();
        struct PaintCounter : QObject
        {
            int paints = 0;
            bool eventFilter(QObject*, QEvent* event) override
            {
                paints += event->type() == QEvent::Paint;
                return false;
            }
        } counter;
        list->viewport()->installEventFilter(&counter);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QTRY_VERIFY_WITH_TIMEOUT(counter.paints > 0, 5000);
        // A relayout still pending would run at this geometry query, not after a guessed
        // wait, and post a second paint, which the events processed next would deliver.
        const QRect last = list->visualItemRect(list->item(299));
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
        QCOMPARE(counter.paints, 1);
        QVERIFY(list->viewport()->rect().contains(last));
    }

    // A list filled before it shows is checked as it is filled, so that its first paint can
    // already show the marks; showing it does not check again.
    void brokenCheckedAsFilled()
    {
        InstallationFixture fx;
        fx.add("Gone", fx.path("gone"));
        ucProgramView view(gDBRoutines(), gEnvironment().DefaultIcon());
        view.markBroken(BrokenMarker::Grey);
        view.loadView();
        QTRY_COMPARE(view.lstView()->item(0)->toolTip(), fx.path("gone") + " does not exist");
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QCoreApplication::processEvents();
        QVERIFY(!ProgramHealth::instance().isChecking());
    }

    // Every word, in the name or the description, letter case and accents ignored; names
    // starting with the text first, otherwise the list's order.
    void searchFilters_data()
    {
        QTest::addColumn<QString>("query");
        QTest::addColumn<QStringList>("shown");
        const QStringList all{"Café Viewer", "Calculator", "Notes", "Xcalc", "Émoji 😀"};
        QTest::addRow("accent and case") << "CAFE" << QStringList{"Café Viewer", "Notes"};
        QTest::addRow("name prefix first") << "calc" << QStringList{"Calculator", "Notes", "Xcalc"};
        QTest::addRow("every word") << "old  CALC" << QStringList{"Xcalc"};
        QTest::addRow("blanks only") << "   " << all;
        QTest::addRow("emoji") << "émoji 😀" << QStringList{"Émoji 😀"};
        QTest::addRow("right to left") << "שלום" << QStringList{"Émoji 😀"};
        QTest::addRow("control characters") << "ca\tfe\x01" << QStringList{"Café Viewer", "Notes"};
        QTest::addRow("no match") << "zzz" << QStringList{};
        QTest::addRow("10,000 characters") << QString(10000, 'a') << QStringList{};
    }
    void searchFilters()
    {
        QFETCH(QString, query);
        QFETCH(QStringList, shown);
        InstallationFixture fx;
        for (const QStringList& row : QList<QStringList>{{"Café Viewer", "Shows menus"},
                                                         {"Calculator", "Adds numbers"},
                                                         {"Notes", "A CAFÉ calculator"},
                                                         {"Xcalc", "Old calculator"},
                                                         {"Émoji 😀", "שלום, right to left"}})
            fx.sql("INSERT INTO Program (Program_Name, Program_Desc, Program_Path) VALUES (?, ?, "
                   "'/p')",
                   {row[0], row[1]});
        ucProgramView view(gDBRoutines(), gEnvironment().DefaultIcon());
        view.resize(417, 345);
        view.show();
        view.loadView();
        view.setFilterText(query);
        QStringList names;
        for (const QListWidgetItem* item : view.shownItems())
            names << item->text();
        QCOMPARE(names, shown);
        QCOMPARE(view.lstView()->count(), 5);
        auto* noMatch = view.findChild<QLabel*>("lblNoMatch");
        QCOMPARE(noMatch->isVisible(), shown.isEmpty());
        if (shown.isEmpty())
            QVERIFY(noMatch->text().startsWith("No programs match \"" + query.left(10)));
        view.setFilterText({});
        QVERIFY(view.lstView()->isVisible() && !noMatch->isVisible());
    }

    // Typing on and backspacing reuse earlier results: each answer is the one a fresh
    // index gives.
    void searchTypedAndErasedAnswersAsFresh()
    {
        const QStringList names{"Program 001", "Program 010", "Progress", "Calculator", "Café"};
        const QStringList texts{"", "old", "Bar of progress", "Program sums", "Coffee"};
        ProgramSearchIndex typed;
        typed.build(names, texts);
        for (const char* query : {"p", "pr", "pro g", "pro gr", "pro g", "pr", "p", "ro 0", "ro 01",
                                  "ro 0", "ro", "", "c", "ca", "caf", "ca", "x", "o"}) {
            ProgramSearchIndex fresh;
            fresh.build(names, texts);
            QCOMPARE(typed.match(QString::fromUtf8(query)), fresh.match(QString::fromUtf8(query)));
        }
    }

    // The index is ready before the first search; the selection stays while the filter
    // shows it; Enter with none takes the first match.
    void searchKeepsSelectionAndEnterTakesFirstMatch()
    {
        InstallationFixture fx;
        fx.add("Alpha", "/a");
        fx.add("Beta", "/b");
        ucProgramView view(gDBRoutines(), gEnvironment().DefaultIcon());
        view.resize(417, 345);
        view.show();
        view.loadView();
        QTRY_VERIFY(view.searchIndexBuilt()); // once painted, before any search
        view.lstView()->setCurrentRow(1);
        view.setFilterText("ta");
        QCOMPARE(view.selectedItem(), QStringLiteral("Beta"));
        QCOMPARE(view.visibleList()->selectionModel()->selectedIndexes().size(), 1);
        view.setFilterText("alp");
        QCOMPARE(view.selectedItem(), QString());
        QListWidgetItem* activated = nullptr;
        connect(&view, &ucProgramView::ListDoubleClicked,
                [&](QListWidgetItem* item) { activated = item; });
        view.activateSelection(); // nothing selected: the first match
        QVERIFY(activated && activated->text() == "Alpha");
        QCOMPARE(view.selectedItem(), QStringLiteral("Alpha"));
    }

    // A search while the index is built on its second thread answers from the list as it
    // is; a reload while a build runs drops that build's index of the old list.
    void searchWhileTheIndexBuilds()
    {
        InstallationFixture fx;
        fx.sql("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 60000) "
               "INSERT INTO Program (Program_Name, Program_Desc, Program_Path) "
               "SELECT 'P' || i, 'old', '/p' FROM n");
        struct View : ucProgramView
        {
            using ucProgramView::clearView;
            using ucProgramView::ucProgramView;
        } view(gDBRoutines(), gEnvironment().DefaultIcon());
        view.resize(417, 345);
        view.show();
        view.loadView();
        QTRY_VERIFY(view.searchIndexBuilding() || view.searchIndexBuilt());
        view.setFilterText("old p5999");
        QCOMPARE(view.shownItems().size(), 11); // P5999, P59990 ... P59999
        view.setFilterText({});
        view.clearView();
        view.loadView();
        while (!view.searchIndexBuilding() && !view.searchIndexBuilt())
            QTest::qWait(1); // until the build starts
        fx.sql("UPDATE Program SET Program_Desc = 'new'");
        view.clearView();
        view.loadView();
        view.setFilterText("new");
        QCOMPARE(view.shownItems().size(), 60000);
        view.setFilterText("old");
        QVERIFY(view.shownItems().isEmpty());
    }

    // A filter every program passes: Enter takes the first; a program the check hides is left out.
    void searchPassingEveryProgram()
    {
        InstallationFixture fx;
        fx.add("Alpha", QCoreApplication::applicationFilePath());
        fx.add("Beta", "/b");
        ucProgramView view(gDBRoutines(), gEnvironment().DefaultIcon());
        view.resize(417, 345);
        view.show();
        view.loadView();
        view.setFilterText("a");
        QCOMPARE(view.shownItems().size(), 2);
        QListWidgetItem* activated = nullptr;
        connect(&view, &ucProgramView::ListDoubleClicked,
                [&](QListWidgetItem* item) { activated = item; });
        view.activateSelection();
        QVERIFY(activated && activated->text() == "Alpha");
        QCOMPARE(view.selectedItem(), QStringLiteral("Alpha"));
        // Once the health check hides a program, the results show the others.
        view.markBroken(BrokenMarker::Hide)->checkNow();
        QTRY_COMPARE(view.visibleList(), view.lstFiltered());
        QCOMPARE(view.shownItems(), QList{view.lstView()->item(0)});
    }

    void contextMenuOnlyWithASelection()
    {
        InstallationFixture fx;
        fx.add("Alpha", "/a");
        ucProgramView view(gDBRoutines(), gEnvironment().DefaultIcon());
        view.resize(417, 345);
        view.show();
        view.loadView();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QWidget* viewport = view.lstView()->viewport();
        QTest::mouseClick(viewport, Qt::RightButton, {}, QPoint(400, 300));
        QVERIFY(!view.mnuPopupmenu()->isVisible());
        const QPoint alpha = view.lstView()->visualItemRect(view.lstView()->item(0)).center();
        QTest::mouseClick(viewport, Qt::RightButton, {}, alpha);
        QTRY_VERIFY(view.mnuPopupmenu()->isVisible());
        view.mnuPopupmenu()->close();
    }

    // Work off the window's thread, at the priority asked for, hands its result or its error
    // to a live receiver on the receiver's thread, and nothing to one that is gone.
    void backgroundWorkReachesOnlyALiveReceiver()
    {
        QObject receiver;
        QThread::Priority ranAt = QThread::InheritPriority;
        int result = 0;
        QString error;
        background::run(
            &receiver, QThread::IdlePriority,
            [&ranAt] {
                ranAt = QThread::currentThread()->priority();
                return 42;
            },
            [&](int value) {
                QCOMPARE(QThread::currentThread(), receiver.thread());
                result = value;
            });
        background::run(
            &receiver, QThread::LowPriority, []() -> int { throw KestrelError(5, "test", "busy"); },
            [](int) {}, [&](const KestrelError& failure) { error = failure.description(); });
        QTRY_COMPARE(result, 42);
        QCOMPARE(ranAt, QThread::IdlePriority);
        QTRY_COMPARE(error, "busy");

        QSemaphore go;
        bool delivered = false;
        {
            QObject gone;
            background::run(
                &gone, QThread::NormalPriority,
                [&go] {
                    go.acquire();
                    return 1;
                },
                [&delivered](int) { delivered = true; });
        }
        go.release();
        background::threads(QThread::NormalPriority)->waitForDone();
        QCoreApplication::processEvents();
        QVERIFY(!delivered);
    }
};

KESTREL_TEST_MAIN(TestUcProgramView)
#include "test_ucProgramView.moc"
