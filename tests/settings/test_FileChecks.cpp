#include "settings/FileChecks.h"

#include <QTemporaryDir>
#include <QTest>

class TestFileChecks : public QObject
{
    Q_OBJECT
private slots:
    void existenceTellsFilesFromFolders()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath("a b.txt");
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.close();

        QVERIFY(FileExists(file));
        QVERIFY(FileExists("  " + file + "  "));
        QVERIFY(!FolderExists(file));
        QVERIFY(FolderExists(dir.path()));
        QVERIFY(FolderExists(" " + dir.path() + " "));
        QVERIFY(!FileExists(dir.path()));
        QVERIFY(!FileExists(""));
        QVERIFY(!FileExists("   "));
        QVERIFY(!FolderExists(""));
        QVERIFY(!FileExists(dir.filePath("missing")));
        // Only spaces are trimmed: a tab is part of the name.
        QVERIFY(!FileExists("\t" + file));
    }

    void conversions_data()
    {
        QTest::addColumn<int>("value");
        QTest::addColumn<int>("digit");
        QTest::addColumn<bool>("positive");
        QTest::addRow("-1") << -1 << 1 << false;
        QTest::addRow("0") << 0 << 0 << false;
        QTest::addRow("1") << 1 << 1 << true;
        QTest::addRow("5") << 5 << 1 << true;
        QTest::addRow("32767") << 32767 << 1 << true;
        QTest::addRow("-32768") << -32768 << 1 << false;
    }
    void conversions()
    {
        QFETCH(int, value);
        QTEST(int(FlagToDigit(qint16(value))), "digit");
        QTEST(IsPositive(qint16(value)), "positive");
    }

    void trimSpacesOnlyTouchesSpaces()
    {
        QCOMPARE(TrimSpaces("  a b  "), QString("a b"));
        QCOMPARE(TrimSpaces("\ta\t"), QString("\ta\t"));
        QCOMPARE(TrimSpaces("    "), QString());
    }
};

QTEST_GUILESS_MAIN(TestFileChecks)
#include "test_FileChecks.moc"
