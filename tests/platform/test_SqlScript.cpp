#include "platform/database/SqlScript.h"
#include "tests/support/TestMain.h"

#include <QTest>

// Statements split where the engine would end them, never inside quotes, comments,
// dollar-quoted bodies or a trigger's body.
class test_SqlScript : public QObject
{
    Q_OBJECT

private slots:
    void split_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<QStringList>("statements");
        using L = QStringList;
        QTest::addRow("plain, last without ;") << "a;\n b ;c" << L{"a", "b", "c"};
        QTest::addRow("comments dropped between") << "-- x;\na; /* y; */ -- z" << L{"a"};
        QTest::addRow("; in strings and names")
            << "i 'x;''y'; s \"a;b\" `c;` [d;];e" << L{"i 'x;''y'", "s \"a;b\" `c;` [d;]", "e"};
        QTest::addRow("comment inside kept")
            << "a /* ; */ b; c -- ;\n d" << L{"a /* ; */ b", "c -- ;\n d"};
        QTest::addRow("trigger body")
            << "CREATE TEMP TRIGGER t BEFORE INSERT ON p BEGIN SELECT 1; UPDATE q SET a = CASE "
               "WHEN 1 THEN 2 END; END; x"
            << L{"CREATE TEMP TRIGGER t BEFORE INSERT ON p BEGIN SELECT 1; UPDATE q SET a = CASE "
                 "WHEN 1 THEN 2 END; END",
                 "x"};
        QTest::addRow("trigger without body")
            << "create trigger t after insert on p execute function f(); x"
            << L{"create trigger t after insert on p execute function f()", "x"};
        QTest::addRow("dollar quoted")
            << "f AS $$ a; $b$ $$; g AS $q$ $$; $q$; $1; h$i$; j"
            << L{"f AS $$ a; $b$ $$", "g AS $q$ $$; $q$", "$1", "h$i$", "j"};
        QTest::addRow("unterminated quote ends the script") << "a 'b; c" << L{"a 'b; c"};
        QTest::addRow("nothing") << " -- only\n;;" << L{};
    }
    void split()
    {
        QFETCH(QString, script);
        QFETCH(QStringList, statements);
        QCOMPARE(splitSqlStatements(script), statements);
    }
};

KESTREL_TEST_GUILESS_MAIN(test_SqlScript)
#include "test_SqlScript.moc"
