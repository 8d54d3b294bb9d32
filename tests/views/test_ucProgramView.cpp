#include "tests/views/ViewsFixture.h"
#include "views/launcher/ucProgramView.h"

#include <QListWidget>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>

using launcher::ucProgramView;

namespace {
QListWidgetItem* itemNamed(QListWidget* list, const QString& name)
{
    const QList<QListWidgetItem*> found = list->findItems(name, Qt::MatchExactly);
    return found.isEmpty() ? nullptr : found.first();
}

QPoint centreOf(QListWidget* list, QListWidgetItem* item)
{
    return list->visualItemRect(item).center();
}
} // namespace

class TestUcProgramView : public QObject
{
    Q_OBJECT

private slots:
    void fillsNamesPathsAndIcons_data();
    void fillsNamesPathsAndIcons();
    void firstImageOfANameWins();
    void decodesEachIconFileOnce();
    void emptyCatalogueLeavesTheViewAlone();
    void holdsMoreThan32767Programs();
    void layoutFollowsTheControl();
    void leftReleaseReportsTheSelection();
    void releaseWithoutSelectionDoesNothing();
    void contextMenuOnlyWithASelection();
    void doubleClickReportsTheSelectedItem();
};

void TestUcProgramView::fillsNamesPathsAndIcons_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("programPath");
    QTest::addColumn<QString>("icon"); // file name in the fixture folder, or literal text
    QTest::addColumn<QString>("shownName");
    QTest::addColumn<QString>("shownPath");
    QTest::addColumn<QString>("expectedPicture"); // "default", "red", or "" for none

    QTest::addRow("no custom icon") << "Editor"
                                    << "/usr/bin/ed"
                                    << ""
                                    << "Editor"
                                    << "/usr/bin/ed"
                                    << "default";
    QTest::addRow("blank custom icon") << "Blank"
                                       << "/bin/b"
                                       << "   "
                                       << "Blank"
                                       << "/bin/b"
                                       << "default";
    QTest::addRow("own icon") << "Red"
                              << "/bin/r"
                              << "@red.png"
                              << "Red"
                              << "/bin/r"
                              << "red";
    QTest::addRow("own icon with blanks") << "Red2"
                                          << "/bin/r"
                                          << " @red.png "
                                          << "Red2"
                                          << "/bin/r"
                                          << "red";
    QTest::addRow("missing icon file") << "Lost"
                                       << "/bin/l"
                                       << "@nothing-here.ico"
                                       << "Lost"
                                       << "/bin/l"
                                       << "";
    QTest::addRow("not a picture") << "Broken"
                                   << "/bin/k"
                                   << "@broken.ico"
                                   << "Broken"
                                   << "/bin/k"
                                   << "";
    QTest::addRow("blanks around name and path") << "  Spaced  "
                                                 << "  /bin/s  "
                                                 << ""
                                                 << "Spaced"
                                                 << "/bin/s"
                                                 << "default";
}

void TestUcProgramView::fillsNamesPathsAndIcons()
{
    QFETCH(QString, name);
    QFETCH(QString, programPath);
    QFETCH(QString, icon);
    QFETCH(QString, shownName);
    QFETCH(QString, shownPath);
    QFETCH(QString, expectedPicture);

    ViewsFixture fx;
    QString iconValue = icon;
    const qsizetype at = icon.indexOf(u'@');
    if (at >= 0) {
        const QString file = icon.mid(at + 1).trimmed();
        iconValue = icon.left(at) + fx.path(file) + icon.mid(at + 1 + file.size());
    }
    fx.add(name, programPath, iconValue);

    ucProgramView view;
    QCOMPARE(view.loadView(), false);
    QListWidget* list = view.findChild<QListWidget*>(QStringLiteral("lstView"));
    QVERIFY(list);
    QCOMPARE(list->count(), 1);
    QListWidgetItem* item = list->item(0);
    QCOMPARE(item->text(), shownName);
    QCOMPARE(item->data(ucProgramViewBase::PathRole).toString(), shownPath);

    const QImage shown = item->icon().pixmap(32, 32).toImage();
    if (expectedPicture.isEmpty()) {
        QVERIFY(item->icon().isNull());
        QCOMPARE(item->data(ucProgramViewBase::ImageIndexRole).toInt(), 0);
        QCOMPARE(view.ImageList1().Count(), 0);
    } else {
        const QColor colour = expectedPicture == "red" ? QColor(Qt::red) : QColor(Qt::gray);
        QCOMPARE(shown.pixelColor(16, 16), colour);
        QCOMPARE(view.ImageList1().key(1), shownName);
    }

    list->setCurrentItem(item);
    QCOMPARE(view.selectedItem(), shownName);
}

void TestUcProgramView::firstImageOfANameWins()
{
    ViewsFixture fx;
    // Ordered by name, then by insertion: the red row comes first.
    fx.add("Twin", "/bin/one", fx.path("red.png"));
    fx.add("Twin ", "/bin/two", fx.path("blue.png"));
    // A failed first picture does not take the key: the later one serves both.
    fx.add("Pair", "/bin/p1", fx.path("missing.ico"));
    fx.add("Pair", "/bin/p2", fx.path("blue.png"));

    ucProgramView view;
    view.loadView();
    QCOMPARE(view.lstView()->count(), 4);
    QCOMPARE(view.ImageList1().Count(), 2);
    for (int i = 0; i < 4; ++i) {
        QListWidgetItem* item = view.lstView()->item(i);
        const QColor expected = item->text() == "Twin" ? QColor(Qt::red) : QColor(Qt::blue);
        QCOMPARE(item->icon().pixmap(32, 32).toImage().pixelColor(5, 5), expected);
    }
}

void TestUcProgramView::decodesEachIconFileOnce()
{
    ViewsFixture fx;
    fx.add("A", "/a");
    fx.add("B", "/b");
    fx.add("C", "/c", fx.path("red.png"));
    fx.add("D", "/d", fx.path("red.png"));

    ucProgramView view;
    view.loadView();
    QListWidget* list = view.lstView();
    // One decoded picture per file: items of the same file share it.
    QCOMPARE(list->item(0)->icon().cacheKey(), list->item(1)->icon().cacheKey());
    QCOMPARE(list->item(2)->icon().cacheKey(), list->item(3)->icon().cacheKey());
    QVERIFY(list->item(0)->icon().cacheKey() != list->item(2)->icon().cacheKey());
}

void TestUcProgramView::emptyCatalogueLeavesTheViewAlone()
{
    ViewsFixture fx;
    ucProgramView view;
    view.loadView();
    QCOMPARE(view.lstView()->count(), 0);
    QCOMPARE(view.ImageList1().Count(), 0);
    QCOMPARE(view.selectedItem(), QString());
}

void TestUcProgramView::holdsMoreThan32767Programs()
{
    ViewsFixture fx;
    fx.addMany(40000);
    ucProgramView view;
    view.resize(417, 345);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    view.loadView();
    QListWidget* list = view.lstView();
    QCOMPARE(list->count(), 40000);
    QCOMPARE(list->item(39999)->text(), QStringLiteral("Program 040000"));
    QCOMPARE(view.ImageList1().Count(), 40000);
    QCOMPARE(list->item(39999)->icon().pixmap(32, 32).toImage().pixelColor(5, 5), QColor(Qt::red));
    // The last program added is scrolled into view.
    QTRY_VERIFY(list->viewport()->rect().intersects(list->visualItemRect(list->item(39999))));
}

void TestUcProgramView::layoutFollowsTheControl()
{
    ucProgramView view;
    view.show();
    view.resize(400, 300);
    QTRY_COMPARE(view.lstView()->geometry(), QRect(0, 0, 400, 300 - 7)); // 100 twips
    view.resize(250, 120);
    QTRY_COMPARE(view.lstView()->geometry(), QRect(0, 0, 250, 120 - 7));
}

void TestUcProgramView::leftReleaseReportsTheSelection()
{
    ViewsFixture fx;
    fx.add("Alpha", "/a");
    fx.add("Beta", "/b");
    ucProgramView view;
    view.resize(417, 345);
    view.show();
    view.loadView();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    QListWidget* list = view.lstView();
    QSignalSpy clicked(&view, &ucProgramView::ItemClicked);

    QListWidgetItem* beta = itemNamed(list, "Beta");
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, centreOf(list, beta));
    // Once for the click on the item, once for the release.
    QCOMPARE(clicked.count(), 2);
    for (const QList<QVariant>& args : clicked)
        QCOMPARE(args.at(0).value<QListWidgetItem*>(), beta);
    QCOMPARE(view.selectedItem(), QStringLiteral("Beta"));
}

void TestUcProgramView::releaseWithoutSelectionDoesNothing()
{
    ViewsFixture fx;
    fx.add("Alpha", "/a");
    ucProgramView view;
    view.resize(417, 345);
    view.show();
    view.loadView();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    QSignalSpy clicked(&view, &ucProgramView::ItemClicked);
    QTest::mouseClick(view.lstView()->viewport(), Qt::LeftButton, {}, QPoint(400, 300));
    QCOMPARE(view.selectedItem(), QString());
    QCOMPARE(clicked.count(), 0);
}

void TestUcProgramView::contextMenuOnlyWithASelection()
{
    ViewsFixture fx;
    fx.add("Alpha", "/a");
    fx.add("Beta", "/b");
    ucProgramView view;
    view.resize(417, 345);
    view.show();
    view.loadView();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    QListWidget* list = view.lstView();
    QMenu* menu = view.findChild<QMenu*>(QStringLiteral("mnuPopupmenu"));
    QVERIFY(menu);
    QCOMPARE(menu->title(), QStringLiteral("PopupMenu"));

    QTest::mouseClick(list->viewport(), Qt::RightButton, {}, QPoint(400, 300));
    QVERIFY(!menu->isVisible());

    QListWidgetItem* beta = itemNamed(list, "Beta");
    const QRect cell = list->visualItemRect(beta);
    const QPoint click = cell.center() + QPoint(5, 3);
    QTest::mouseClick(list->viewport(), Qt::RightButton, {}, click);
    QTRY_VERIFY(menu->isVisible());
    const QPoint expected = list->viewport()->mapToGlobal(QPoint(cell.left(), click.y()));
    QCOMPARE(menu->pos(), expected);

    QSignalSpy properties(&view, &ucProgramView::PropertiesClicked);
    QAction* action = menu->findChild<QAction*>(QStringLiteral("mnuPopupmenuProperties"));
    QVERIFY(action);
    QCOMPARE(action->text(), QStringLiteral("Properties"));
    action->trigger();
    QCOMPARE(properties.count(), 1);
    menu->close();
}

void TestUcProgramView::doubleClickReportsTheSelectedItem()
{
    ViewsFixture fx;
    fx.add("Alpha", "/a");
    ucProgramView view;
    view.resize(417, 345);
    view.show();
    view.loadView();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    QListWidget* list = view.lstView();
    QSignalSpy doubled(&view, &ucProgramView::ListDoubleClicked);

    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, QPoint(400, 300));
    QCOMPARE(doubled.count(), 1);
    QCOMPARE(doubled.takeFirst().at(0).value<QListWidgetItem*>(), nullptr);

    QListWidgetItem* alpha = list->item(0);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, centreOf(list, alpha));
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, centreOf(list, alpha));
    QCOMPARE(doubled.count(), 1);
    QCOMPARE(doubled.takeFirst().at(0).value<QListWidgetItem*>(), alpha);
}

QTEST_MAIN(TestUcProgramView)
#include "test_ucProgramView.moc"
