#include "catalogue/CatalogueFile.h"
#include "tests/support/LockHolder.h"
#include "tests/support/SilentServer.h"
#include "tests/support/Sql.h"
#include "tests/support/TestFiles.h"
#include "tests/support/TestMain.h"
#include "tests/support/TestServer.h"

#include <QDate>
#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QProcess>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <list>
#include <optional>
#include <sys/stat.h>
#include <sys/sysmacros.h>

// The command-line tool, run as the installer runs it.
class test_kestrel_catalogue : public QObject
{
    Q_OBJECT

    QTemporaryDir mInputs; // JSON files the rows read, never written by them
    const QByteArray kJson = R"({"format": "kestrel-catalogue", "version": 1, "programs": [)";
    QTemporaryDir mDir;                            // each test's own, with an empty catalogue there
    std::unique_ptr<testdb::Catalogue> mCatalogue; // on the engine of the row (SQLite if none)

    static QPair<int, QString> run(const QStringList& args)
    {
        QProcess tool;
        tool.setProcessChannelMode(QProcess::MergedChannels);
        tool.start(KESTREL_CATALOGUE_TOOL, args);
        if (!tool.waitForFinished(60000) || tool.exitStatus() != QProcess::NormalExit)
            return {-1, QStringLiteral("did not finish")};
        return {tool.exitCode(), QString::fromUtf8(tool.readAll())};
    }
    // The tool exits with code and its output holds the texts; what it said shows if not.
    static bool says(const QStringList& args, int code = 0, const QString& text = {},
                     const QString& also = {})
    {
        const auto [exitCode, output] = run(args);
        const bool ok = exitCode == code && output.contains(text) && output.contains(also);
        if (!ok)
            qWarning().noquote() << exitCode << output.left(3000);
        return ok;
    }
    static QString today()
    {
        return QLocale::system().toString(QDate::currentDate(), QLocale::ShortFormat);
    }

private slots:
    void init()
    {
        mDir = QTemporaryDir();
        REQUIRE_ENGINE(testdb::engineOfRow());
        mCatalogue = std::make_unique<testdb::Catalogue>(testdb::engineOfRow(), mDir.path());
    }

    // Each row in a folder of its own holding k.mdb (programs O'B and Two, added today),
    // tables.db (no catalogue), nul.mdb (a name with NUL and ESC), the FIFO pipe.mdb, the empty
    // Kestrel.mdb and, for the device row, zero.mdb. Bad input: a clear message, a non-zero
    // exit (2 for usage, 1 for the file) and no change.
    void commands_data()
    {
        // The arguments, "|" between them; "@" stands for the test's folder.
        const auto row = columns<QString, int, QString>({"line", "code", "message"});
        row("create", "create|@/new.mdb", 0, "Created the empty catalogue");
        row("add", "add|@/k.mdb|--name| Three |--path|/3", 0, "Added Three");
        row("list", "list|@/k.mdb", 0,
            "O'B\t/o\ta\\tb\t\t" + today() + "\nTwo\t/t\t\t\t" + today() + "\n");
        row("add a taken name", "add|@/k.mdb|--name|o'b|--path|/p", 1,
            "k.mdb: A program named \"o'b\" is in the catalogue already");
        row("list NUL", "list|@/nul.mdb", 0, "a\\0b\\x1b\t/p\t\t\t");
        row("delete by the printed name", "delete|@/nul.mdb|gone\\x1b[5m", 0,
            "Deleted gone\\x1b[5m");
        row("modify by the printed name", "modify|@/nul.mdb|gone\\x1b[5m|--desc|d", 0,
            "Modified gone\\x1b[5m");
        row("add keeps a tab", "add|@/k.mdb|--name|\tTab |--path|/t", 0, "Added \\tTab\n");
        // Only ASCII letters fold, as in the name column: ZÄH (stored first) is not zäh.
        row("modify non-ASCII case", "modify|@/nul.mdb|z\u00e4h|--desc|d", 0,
            "Modified z\u00e4h\n");
        // Never opened, so never waited on: a FIFO, a device, a folder.
        row("list a FIFO", "list|@/pipe.mdb", 1, "is a named pipe (FIFO), not a catalogue");
        row("add to a FIFO", "add|@/pipe.mdb|--name|a|--path|/a", 1, "named pipe");
        row("list a device", "list|@/zero.mdb", 1, "is a character device");
        row("usage a FIFO", "usage|@/pipe.mdb", 1, "is a named pipe (FIFO), not a regular");
        row("usage a device", "usage|@/null", 1, "null: is a character device, not a");
        row("list a locked catalogue", "list|@/Kestrel.mdb", 1, // held; waits the tool's 30 s
            "another program holds the catalogue locked; the wait ran out");
        row("export onto a link", "export|@/k.mdb|@/link.json", 1, "is a symbolic link");
        row("export to a device", "export|@/k.mdb|@/null", 0, "");
        row("create on a folder", "create|@", 1, "\": it is a folder. Name a new file in it");
        row("help", "--help", 0, "Usage: kestrel-catalogue COMMAND");
        row("no command", "", 2, "a command is missing");
        row("create over a catalogue", "create|@/k.mdb", 1, "exists already");
        row("list missing file", "list|@/missing.mdb", 1, "no such file");
        row("no tables", "list|@/tables.db", 1, "not a catalogue (no such table: Program)");
        row("blank name", "add|@/tables.db|--name| |--path|/a", 2, "--name is missing or empty");
        row("modify", "modify|@/k.mdb|o'b|--desc|new|--icon|", 0, "Modified O'B");
        row("modify missing", "modify|@/k.mdb|x|--desc|d", 1, "no program named \"x\"");
        row("modify nothing", "modify|@/k.mdb|Two", 2, "nothing to change");
        row("modify onto a name", "modify|@/k.mdb|two|--name| o'B ", 1,
            "k.mdb: A program named \"O'B\" is in the catalogue already");
        row("delete", "delete|@/k.mdb| TWO ", 0, "Deleted TWO");
        row("delete missing", "delete|@/k.mdb|Zed", 1, "no program named \"Zed\"");
        row("check", "check|@/k.mdb", 1, "O'B: /o does not exist\n");
        row("check json", "check|@/k.mdb|--json", 1,
            "{\n  \"format\": \"kestrel-catalogue-check\",\n  \"version\": 1,\n  \"broken\": [\n"
            "    {\"name\": \"O'B\", \"problem\": \"/o does not exist\"},\n    {\"name\": \"Two\"");
        // 1 says programs are broken; a catalogue that cannot be read is another code.
        row("check a missing catalogue", "check|@/missing.mdb", 3, "no such file");
        row("export option", "export|@/k.mdb|--all", 2, "export: unknown option --all");
        row("import missing JSON", "import|@/k.mdb|%/none.json", 1, "none.json: no such file");
        // Rows "import FILE": a JSON file of that name ("%" its folder) imported into k.mdb.
        const auto import = [&](const char* file, const QByteArray& json, const QString& message) {
            writeFile(mInputs.filePath(file), json);
            row("import " + QByteArray(file), "import|@/k.mdb|%/" + QString(file), 1, message);
        };
        import("malformed", kJson + "\n  {\"name\": \"a\",}]}", "malformed: line 2, column 17: ");
        import("format", R"({"format": "other", "version": 1, "programs": []})",
               "format: \"format\" is not \"kestrel-catalogue\"");
        import("version", R"({"format": "kestrel-catalogue", "version": 2, "programs": []})",
               "version: version 2 is not supported");
        import("missing field", kJson + R"({"name": "a", "path": "/a"}, {"name": "b"}]})",
               "missing field: program 2 \"b\": \"path\" is missing; nothing was imported");
        import("typed field", kJson + R"({"name": "a", "path": "/a", "icon": 3}]})",
               "program 1 \"a\": \"icon\" is not a text");
        import("blank name", kJson + R"({"name": " ", "path": "/a"}]})", "\"name\" is empty");
        import("lone surrogate", kJson + R"({"name": "sur\ud800x", "path": "/a"}]})",
               "program 1 \"sur\ufffdx\": \"name\" holds a NUL or half a surrogate pair at "
               "character 4");
        import("NUL",
               kJson + R"({"name": "ok\\ud800 \ud83d\ude00", "path": "/a"},)" +
                   R"({"name": "n", "path": "/a", "icon": "i\u0000"}]})",
               "program 2 \"n\": \"icon\" holds a NUL");
        row("import usage", "import|@/k.mdb", 2, "import: expected FILE and JSON");
        row("import-desktop folder", "import-desktop|@/k.mdb|@/nowhere", 1,
            "nowhere: no such folder");
        // Options end at "--"; a value is taken whatever it looks like.
        row("path like an option", "add|@/k.mdb|--name|--help|--path|--help", 0, "Added --help");
        row("name after --", "delete|@/k.mdb|--|--help", 1, "no program named \"--help\"");
        row("echoed name", "delete|@/k.mdb|gone\x1b[5m", 1, "named \"gone\\x1b[5m\"");
        // Locations that cannot be used say why, name the server and never show a password,
        // in whatever case or form; a long location shortened; several hosts.
        row("password in capitals", "list|postgresql://h/d?PASSWORD=s3cret", 1,
            "carries a password");
        row("password in the user part, two hosts", "list|postgresql://u:s3cret@h1:5432,h2:5433/db",
            1, "\"postgresql://u@h1:5432,h2:5433/db\": it carries a password");
        row("password parameter, encoded", "list|postgres://h/db?sslmode=require&pass%77ord=s3cret",
            1, "\"postgres://h/db?sslmode=require\": it carries a password");
        row("unknown scheme", "list|mysql://h/db", 1, "\"mysql\" is not postgresql://");
        row("malformed URI", "list|postgresql://h:99999/db", 1, "not a well-formed URI");
        row("no database", "list|postgresql://h/", 1, "names no database");
        row("unknown parameter", "list|postgresql://h/db?colour=red", 1,
            "\"colour\" is not a connection parameter");
        row("statement pooling", "list|postgresql://h/db?pool_mode=statement", 1,
            "pool_mode \"statement\" is not session or transaction");
        row("no server there", "list|postgresql:///kestrel?host=@&connect_timeout=3", 1,
            "(host @, port 5432, database kestrel): connection to server on socket");
        row("long database", "list|postgresql://127.0.0.1:1/" + QString(100000, 'd'), 1,
            "Connection refused");
        row("hosts", "list|postgresql://127.0.0.1:1,[::1]:2/d?connect_timeout=1", 1,
            "(host 127.0.0.1,::1, port 1,2, database d)");
        row("host ports", "list|postgresql:///d?host=127.0.0.1,127.0.0.1&port=1,2", 1,
            "(host 127.0.0.1,127.0.0.1, port 1,2, database d)");
        row("bad host", "list|postgresql://a,b:x/d", 1, "the host \"b:x\" is not");
        // A server that accepts and never answers ($ is its port): the default wait.
        row("silent server", "list|postgresql://127.0.0.1:$/d?connect_timeout=0", 1,
            "timeout expired");
        for (const char* command :
             {"modify", "delete", "export", "import", "import-desktop", "check", "list"})
            row(command, QString(command) + "|--help", 0,
                QStringLiteral("Usage: kestrel-catalogue %1 FILE").arg(command));
    }
    void commands()
    {
        auto [line, code, message] = fetch<QString, int, QString>({"line", "code", "message"});
        const auto in = [&](const QString& name) { return mDir.filePath(name); };
        createCatalogue(in("k.mdb"));
        sql(in("k.mdb"),
            "INSERT INTO Program (Program_Name, Program_Desc, Program_Path, Program_Added_Date) "
            "VALUES ('O''B', 'a\tb', '/o', ?), ('Two', '', '/t', ?)",
            {today(), today()});
        sql(in("tables.db"), "CREATE TABLE Other (a)");
        createCatalogue(in("nul.mdb"));
        sql(in("nul.mdb"), "INSERT INTO Program (Program_Name, Program_Path) VALUES "
                           "('a' || char(0) || 'b' || char(27), '/p'), "
                           "('Z\u00c4H', '/z'), ('z\u00e4h', '/z'), "
                           "('gone' || char(27) || '[5m', '/g')");
        QCOMPARE(::mkfifo(QFile::encodeName(in("pipe.mdb")), 0600), 0);
        // Decoys: devices made here (only root may make one), a link to the catalogue. None
        // may become a file.
        for (const char* device : {"zero.mdb", "null"})
            if (line.contains(QStringLiteral("@/") + device) &&
                ::mknod(QFile::encodeName(in(device)), S_IFCHR | 0600, makedev(1, 3)) != 0)
                QSKIP("no device can be made here (not root)");
        QVERIFY(QFile::link("k.mdb", in("link.json")));
        std::optional<LockHolder> holder; // another program's lock, held past the tool's wait
        if (line.contains("@/Kestrel.mdb"))
            QVERIFY(holder.emplace(mCatalogue->location()).locked());
        const auto before = snapshot(mDir.path());
        const SilentServer silent;
        line.replace(QRegularExpression("@(?!\\w)"), mDir.path())
            .replace(QRegularExpression("%(?=/)"), mInputs.path())
            .replace("$", QString::number(silent.port()));
        message.replace("host @", "host " + mDir.path());
        const QDeadlineTimer deadline(holder ? 60000 : 15000);
        const auto [exitCode, output] = run(line.isEmpty() ? QStringList() : line.split('|'));
        QCOMPARE(exitCode, code);
        QVERIFY2(output.contains(message) && !output.contains("s3cret") && output.size() < 3000,
                 qPrintable(output.left(3000)));
        QVERIFY(!deadline.hasExpired());
        if (code != 0)
            QCOMPARE(snapshot(mDir.path()), before);
        QVERIFY(!QFileInfo(in("null")).isFile() && QFileInfo(in("link.json")).isSymLink());
    }

    // A catalogue on the server: made in an existing empty database, its roles printed,
    // programs copied there and back with keys, dates, icons and options, all or nothing.
    void serverCatalogue()
    {
        REQUIRE_ENGINE(testdb::Postgresql);
        testdb::Catalogue made(testdb::Postgresql, mDir.path()); // a database of the test's own
        const QString uri = made.location();
        QVERIFY(says({"create", uri}, 1, "holds a catalogue already"));
        QVERIFY(says({"create", testdb::serverDatabaseUri("kestrel_no_such_database")}, 1,
                     "does not exist", "createdb"));
        QVERIFY(says({"roles", "lab"}, 0,
                     "GRANT SELECT ON Program, Program_Options TO kestrel_reader;\n"));

        const QString file = mDir.filePath("k.mdb");
        createCatalogue(file);
        sql(file, "INSERT INTO Program VALUES (3, 'b', 'B d', '/b', '/b.png', 1, '1/2/2003'), "
                  "(7, 'A', '', '/a', '', -1, '4/5/2006')");
        sql(file, "INSERT INTO Program_Options VALUES (7, 1)");
        QVERIFY(says({"copy", file, uri}, 0,
                     "Copied 2 programs and 1 option rows from " + file + " to "));
        QCOMPARE(run({"list", uri}).second, run({"list", file}).second);
        QCOMPARE(sql(uri, "SELECT Program_Key || ':' || Program_UseDIcon FROM Program ORDER BY 1"),
                 (QVariantList{"3:1", "7:-1"}));
        QCOMPARE(sql(uri, "SELECT Program_Key FROM Program_Options"), QVariantList{7});
        QCOMPARE(run({"add", uri, "--name", "C", "--path", "/c"}).first, 0);
        QCOMPARE(run({"add", uri, "--name", " c ", "--path", "/c"}).first, 1); // as on a file
        QCOMPARE(sql(uri, "SELECT Program_Key FROM Program WHERE Program_Name = 'C'"),
                 QVariantList{8});
        // An older catalogue gets the change stamp from its next writer; each write raises it.
        sql(uri, "DROP FUNCTION kestrel_count_change() CASCADE; DROP TABLE Catalogue_Change");
        const QString changes = "SELECT Change_Count FROM Catalogue_Change";
        QCOMPARE(run({"add", uri, "--name", "D", "--path", "/d"}).first, 0);
        const qint64 added = sql(uri, changes).value(0).toLongLong();
        QCOMPARE(run({"delete", uri, "D"}).first, 0);
        QVERIFY(added > 0 && sql(uri, changes).value(0).toLongLong() > added);
        QString big; // letters that do not compress, past the server's name index
        for (quint32 i = 0, x = 1; i < 20000; ++i, x = x * 1103515245 + 12345)
            big += QChar('a' + (x >> 16) % 26);
        QVERIFY(says({"add", uri, "--name", big, "--path", "/b"}, 1,
                     "the name or another text is too long for the server"));
        // A role without rights is told so; one that may only read, why nothing changed.
        const QString role = made.database() + "_reader";
        sql(uri, "CREATE ROLE " + role + " LOGIN");
        const auto dropRole = qScopeGuard([&] {
            sql(uri, "DROP OWNED BY " + role);
            sql(testdb::serverUri(), "DROP ROLE " + role);
        });
        const QString asRole = testdb::withQuery(uri, "user", role);
        QVERIFY(
            says({"list", asRole}, 1, ": this user may not read the catalogue (permission denied"));
        sql(uri, "GRANT SELECT ON Program, Program_Options TO " + role);
        QVERIFY(says({"modify", asRole, "c", "--desc", "d"}, 1,
                     "\"c\" could not be changed: permission denied"));
        QVERIFY(says({"delete", asRole, "c"}, 1, "\"C\" could not be deleted: permission denied"));

        // A destination with programs only with --replace; a failure half-way leaves it as it
        // was. (storedIcons copies back to a file.)
        QVERIFY(says({"copy", file, uri}, 1, "holds 3 programs already; give --replace"));
        sql(file, "UPDATE Program SET Program_UseDIcon = 'not a number' WHERE Program_Key = 7");
        QCOMPARE(run({"copy", file, uri, "--replace"}).first, 1);
        QCOMPARE(sql(uri, "SELECT count(*) FROM Program"), QVariantList{3});
        sql(file, "UPDATE Program SET Program_UseDIcon = 0, Program_Name = 'A' || char(0) "
                  "WHERE Program_Key = 7");
        QVERIFY(says({"copy", file, uri, "--replace"}, 1,
                     "key 7, \"A\\0\", holds a NUL in Program_Name"));
        sql(file, "UPDATE Program SET Program_Name = 'A' WHERE Program_Key = 7");
        QCOMPARE(run({"copy", file, uri, "--replace"}).first, 0);
        QCOMPARE(sql(uri, "SELECT count(*) FROM Program"), QVariantList{2});
    }

    // Icons stored with their programs: a catalogue made before them reads as before and
    // gets their table at the first store; over the cap refused; kept through a rename with
    // the file gone, judged by check, carried byte for byte by export and copy (with the
    // audiences, also into a catalogue made before those), deleted with their program.
    void storedIcons_data() { testdb::addEngineRows(); }
    void storedIcons()
    {
        const QString at = mCatalogue->location(), icon = mDir.filePath("i.png"),
                      junk = mDir.filePath("junk.png"), big = mDir.filePath("big.png");
        writeFile(icon, QByteArray("\x89PNG\r\n\x1a\n\0\xff", 10));
        writeFile(junk, "junk");
        writeFile(big, QByteArray(1024 * 1024 + 1, 'x'));
        sql(at, "DROP TABLE Program_Icon");
        QCOMPARE(run({"add", at, "--name", "Plain", "--path", "/bin/sh"}),
                 qMakePair(0, QString("Added Plain\n")));
        QVERIFY(says({"add", at, "--name", "Big", "--path", "/bin/sh", "--icon", big}, 1,
                     "stores icons of at most 1 MB (1048576 bytes)"));
        QCOMPARE(run({"add", at, "--name", "Pic", "--path", "/bin/sh", "--icon", icon}).first, 0);
        QCOMPARE(run({"add", at, "--name", "Junk", "--path", "/bin/sh", "--icon", junk}).first, 0);
        QVERIFY(says({"modify", at, "junk", "--audience", "host:b", "--audience", "host:a"}));
        QFile::remove(icon);
        QCOMPARE(run({"modify", at, "pic", "--name", "Renamed", "--icon", icon}).first, 0);
        QCOMPARE(run({"check", at}).second,
                 "Junk: the icon stored for " + junk + " is not a picture\n");
        const QString exported = run({"export", at}).second;
        QVERIFY2(
            exported.contains(", \"picture\": \"iVBORw0KGgoA/w==\"}") &&
                exported.contains("\"/bin/sh\", \"icon\": \"\", \"added\": \"" + today() + "\"}"),
            qPrintable(exported));
        const QString copied = mDir.filePath("copy.mdb");
        createCatalogue(copied);
        sql(copied, "DROP TABLE Program_Audience");
        QCOMPARE(run({"copy", at, copied}).first, 0);
        QCOMPARE(run({"export", copied}).second, exported);
        QCOMPARE(run({"delete", at, "Renamed"}).first, 0);
        QCOMPARE(sql(at, "SELECT count(*) FROM Program_Icon").value(0).toInt(), 1);
    }

    // Import into an empty catalogue and export (to standard output, a file or as a list):
    // the same bytes, pictures and audiences too. Names that exist are skipped or updated; a
    // failure half-way leaves nothing behind.
    void jsonRoundTrip()
    {
        const QString json = mDir.filePath("in.json"), first = mCatalogue->location(),
                      out = mDir.filePath("out.json");
        const QByteArray text =
            "{\n  \"format\": \"kestrel-catalogue\",\n  \"version\": 1,\n  \"programs\": [\n"
            "    {\"name\": \"B \\\"q\\\" \\\\ \\u0001\", \"description\": \"t\\tn\\n \xC3\xA9 "
            "\xF0\x9F\x98\x80\", \"path\": \"/b\", \"icon\": \"/b.png\", \"added\": \"1/2/03\", "
            "\"picture\": \"iVBORw0KGgoA/w==\", \"audiences\": [\"host:a\", \"host:b\"]},\n"
            "    {\"name\": \"c\", \"description\": \" d \", \"path\": \"/c\", \"icon\": "
            "\"/i.png\", \"added\": \"\"}\n  ]\n}\n";
        writeFile(json, text);
        QCOMPARE(run({"import", first, json}).second, "2 added, 0 updated, 0 skipped\n");
        const QByteArray exported = run({"export", first}).second.toUtf8();
        QVERIFY2(exported.startsWith(text.left(text.indexOf("\"added\": \"\""))), exported);
        QCOMPARE(run({"export", first, out}).first, 0);
        QCOMPARE(readFile(out), exported);
        QCOMPARE(run({"list", first, "--json"}).second.toUtf8(), exported);

        // Same names again, other letter case: skipped, shown by a dry run, then updated.
        QByteArray changed = exported;
        changed.replace("\"c\"", "\"C\"").replace("\"/c\"", "\"/new\"");
        writeFile(json, changed);
        QCOMPARE(run({"import", first, json, "--verbose"}).second,
                 "skipped program 1 \"B \"q\" \\\\ \\x01\": the name exists\n"
                 "skipped program 2 \"C\": the name exists\n0 added, 0 updated, 2 skipped\n");
        QCOMPARE(run({"import", first, json, "--update", "--dry-run"}).second,
                 "would update C\nwould add 0, would update 1, would skip 1\n");
        QCOMPARE(run({"export", first}).second.toUtf8(), exported);
        QCOMPARE(run({"import", first, json, "--update"}).second,
                 "0 added, 1 updated, 1 skipped\n");
        QVERIFY(run({"list", first}).second.contains("C\t/new\t d \t/i.png\t"));

        // The second program fails to go in: the first is not kept either.
        sql(first, "CREATE TRIGGER refuse BEFORE INSERT ON Program WHEN "
                   "NEW.Program_Name = 'boom' BEGIN SELECT RAISE(ABORT, 'refused'); END");
        sql(first, "DELETE FROM Program");
        writeFile(json, kJson + R"({"name": "a", "path": "/a"}, {"name": "boom", "path": "/b"}]})");
        QVERIFY(says({"import", first, json}, 1, "Kestrel.mdb: refused; nothing was imported"));
        QCOMPARE(sql(first, "SELECT count(*) FROM Program").value(0).toInt(), 0);
    }

    // Desktop entries and an icon theme made here: precedence, filters, language, icons,
    // names that exist, the summary line.
    void importDesktop()
    {
        const QString u = mDir.filePath("user/applications/"),
                      s = mDir.filePath("sys/applications/");
        const QByteArray app = "[Desktop Entry]\nType=Application\nExec=sh -c true\n";
        writeFile(u + "calc.desktop",
                  app + "Name=Calc\nComment=Sums\nComment[de]=Rechnen\nIcon=calc\n");
        writeFile(s + "calc.desktop", app + "Name=Hidden by the user's\n");
        writeFile(s + "edit.desktop", app + "Name=Edit\nGenericName=Editor\nIcon=" +
                                          mDir.filePath("sys").toUtf8() + "\n");
        writeFile(s + "nodisplay\x1b[5m.desktop", app + "Name=N\nNoDisplay=true\n");
        writeFile(s + "bad.desktop", app + "Name=\xFF\n");
        writeFile(s + "old.desktop", app + "Name=OLD\n");
        writeFile(mDir.filePath("sys/icons/hicolor/index.theme"),
                  "[Icon Theme]\nDirectories=16,48\n[16]\nSize=16\n[48]\nSize=48\n");
        writeFile(mDir.filePath("sys/icons/hicolor/16/calc.png"), "\x89PNG");
        writeFile(mDir.filePath("sys/icons/hicolor/48/calc.png"), "\x89PNG");
        const QString catalogue = mCatalogue->location();
        QCOMPARE(run({"add", catalogue, "--name", "old", "--path", "/x"}).first, 0);

        const ScopedEnvironment env{{"HOME", QFile::encodeName(mDir.filePath("home"))},
                                    {"XDG_CONFIG_HOME", QFile::encodeName(mDir.filePath("config"))},
                                    {"XDG_DATA_HOME", QFile::encodeName(mDir.filePath("user"))},
                                    {"XDG_DATA_DIRS", QFile::encodeName(mDir.filePath("sys"))},
                                    {"LC_ALL", {}},
                                    {"LANG", "C.UTF-8"},
                                    {"LC_MESSAGES", "de_DE.UTF-8"}};
        // {U}, {S}: the application folders; {@} the folder; {t} today. Braced, as a random
        // folder name may hold "S/" or "U/".
        const auto expect = [&](QString text) {
            return text.replace("{U}", u)
                .replace("{S}", s)
                .replace("{t}", today())
                .replace("{@}", mDir.path());
        };
        QCOMPARE(run({"import-desktop", catalogue, "--verbose"}),
                 qMakePair(0, expect("added Calc ({U}calc.desktop)\n"
                                     "skipped {S}bad.desktop: line 4: the text is not UTF-8\n"
                                     "added Edit ({S}edit.desktop)\n"
                                     "  without an icon: the icon {@}/sys is not a file\n"
                                     "skipped {S}nodisplay\\x1b[5m.desktop: NoDisplay=true\n"
                                     "skipped OLD ({S}old.desktop): the name exists\n"
                                     "2 added, 0 updated, 3 skipped\n")));
        QCOMPARE(run({"list", catalogue}).second,
                 expect("Calc\t{U}calc.desktop\tRechnen\t{@}/sys/icons/hicolor/48/calc.png\t{t}\n"
                        "Edit\t{S}edit.desktop\tEditor\t\t{t}\nold\t/x\t\t\t{t}\n"));
        QCOMPARE(sql(catalogue, "SELECT Icon_Data FROM Program_Icon"),
                 QVariantList{QByteArray("\x89PNG")});
        QCOMPARE(run({"import-desktop", catalogue, s, "--update", "--dry-run"}).second,
                 expect("would add Hidden by the user's ({S}calc.desktop)\n"
                        "would update OLD ({S}old.desktop)\n"
                        "would add 1, would update 1, would skip 3\n"));
        QCOMPARE(run({"import-desktop", catalogue, "--update"}).second,
                 "0 added, 1 updated, 4 skipped\n");
        QVERIFY(run({"list", catalogue}).second.contains("OLD\t" + s + "old.desktop\t"));
    }

    // Audiences: set, refused, listed as a user would see them, checked, cleared.
    void audiences()
    {
        // The exit code; what the output holds, and after "!" what it does not; the arguments.
        for (const auto& [code, said, args] :
             std::initializer_list<std::tuple<int, QString, QString>>{
                 {0, "Added Chem",
                  "add @ --name Chem --path /c --audience host:lab2-* --audience group:root"},
                 {0, "Added Open", "add @ --name Open --path /o"},
                 {2, "ends in a backslash", "add @ --name X --path /x --audience host:a\\"},
                 {0, "\"audiences\": [\"group:root\", \"host:lab2-*\"]}", "list @ --json"},
                 {0, "Open\t/o!Chem", "list @ --as nobody"},
                 {0, "Chem\t/c", "list @ --as nobody --host lab2-07"},
                 {2, "no user named", "list @ --as no-such-user-kestrel"},
                 {0, "Modified Chem", "modify @ chem --audience group:no-such-group-kestrel"},
                 {1, "Chem: the audience group:no-such-group-kestrel names no group", "check @"},
                 {0, "Modified Chem", "modify @ chem --everyone"},
                 {0, "\"Chem\"!audiences", "export @"}}) {
            const auto [exitCode, output] =
                run(QString(args).replace("@", mCatalogue->location()).split(' '));
            const QString absent = said.section('!', 1);
            QVERIFY2(exitCode == code && output.contains(said.section('!', 0, 0)) &&
                         (absent.isEmpty() || !output.contains(absent)),
                     qPrintable(args + " said: " + output));
        }
    }

    // Administrators' tools at once: four loops of adds racing on the same names, each ending
    // in an import of programs shared with the others and its own. Every name is stored
    // once, every import succeeds, no key collides.
    void racingTools_data() { testdb::addEngineRows(); }
    void racingTools()
    {
        std::list<QProcess> tools;
        for (int k = 0; k < 4; ++k) {
            QStringList rows; // 50 names shared with the other tools, 50 its own
            for (int i = 0; i < 100; ++i)
                rows << QString(R"({"name": "s%1", "path": "/p"})").arg(i < 50 ? i : k * 100 + i);
            const QString file = mDir.filePath(QString("%1.json").arg(k));
            writeFile(file, kJson + rows.join(',').toUtf8() + "]}");
            tools.emplace_back();
            tools.back().start("sh", {"-c",
                                      "for i in 0 1 2 3 4 5 6 7 8 9; do \"$0\" add \"$1\" --name "
                                      "N$i --path /n >/dev/null 2>&1; done; exec \"$0\" import "
                                      "\"$1\" \"$2\"",
                                      KESTREL_CATALOGUE_TOOL, mCatalogue->location(), file});
        }
        for (QProcess& tool : tools) {
            QVERIFY(tool.waitForFinished(120000));
            QCOMPARE(QString::number(tool.exitCode()) + tool.readAllStandardError(), "0");
        }
        QCOMPARE(sql(mCatalogue->location(), "SELECT count(DISTINCT lower(Program_Name)) * 1000 + "
                                             "count(*) FROM Program"),
                 QVariantList{260260});
    }
};

KESTREL_TEST_GUILESS_MAIN(test_kestrel_catalogue)
#include "test_kestrel_catalogue.moc"
