#include "platform/desktop/DesktopEntry.h"
#include "platform/desktop/IconTheme.h"
#include "platform/desktop/XdgDirs.h"
#include "tests/support/TestFiles.h"
#include "tests/support/TestMain.h"

// Desktop entries, XDG folders and icon themes, all written by the test into its own folder.
class test_Desktop : public QObject
{
    Q_OBJECT

    QTemporaryDir mDir;

    QString write(const QString& relative, const QByteArray& data)
    {
        writeFile(mDir.filePath(relative), data);
        return mDir.filePath(relative);
    }

private slots:
    // Bad files name the line at fault; good ones give the decoded, localised values.
    void read_data()
    {
        // locale "LC_MESSAGES=..."; expected: name|description|skip reason, or the error
        const auto row = columns<QByteArray, QString, QByteArray>({"text", "expected", "locale"});
        const QByteArray head = "[Desktop Entry]\nType=Application\nExec=sh\n";
        row("escapes", head + "Name=a\\sb\\\\c\nComment=x\\ny\\tz\\;w\\q\n", "a b\\c|x\ny\tz;w\\q|",
            {});
        row("CRLF, BOM, comments",
            "\xEF\xBB\xBF# c\r\n[Desktop Entry]\r\nType=Application\r\nExec=sh\r\nName = N \r\n",
            "N||", {});
        const QByteArray localised = head + "Name=C\nName[de]=de\nName[de_DE]=de_DE\n"
                                            "Name[de@euro]=de@euro\nName[sr@latin]=sr\n";
        row("lang_COUNTRY@MOD falls to lang_COUNTRY", localised, "de_DE||",
            "LC_MESSAGES=de_DE.UTF-8@euro");
        row("lang@MOD", localised, "de@euro||", "LANG=de_CH@euro");
        row("LC_ALL first", localised, "sr||", "LC_ALL=sr_RS@latin");
        row("unlocalised", localised, "C||", "LANG=fr_FR");
        row("not an application", "[Desktop Entry]\nType=Link\nName=N\n",
            "N||Type is Link, not Application", {});
        row("hidden", head + "Name=N\nHidden=true\n", "N||Hidden=true", {});
        row("TryExec missing", head + "Name=N\nTryExec=no-such-program-kestrel\n",
            "N||TryExec program no-such-program-kestrel is not installed", {});
        row("TryExec found", head + "Name=N\nTryExec=/bin/sh\n", "N||", {});
        row("no group", "Name=N\n", "line 1: a key before the first group header", {});
        row("duplicate key", head + "Name=a\nName=b\n",
            "line 5: key Name appears twice in group [Desktop Entry] (first on line 4)", {});
        row("1 MiB line", head + "Name=" + QByteArray(1 << 20, 'x') + "\n",
            "line 4: the line is longer than 65536 bytes", {});
        row("unterminated escape", head + "Name=N\nComment=abc\\\n",
            "line 5: the value of Comment ends in an unfinished escape", {});
        row("garbage line", head + "what\n", "line 4: neither a group header nor key=value", {});
        row("no entry group", "[Other]\nA=b\n", "no [Desktop Entry] group", {});
    }
    void read()
    {
        auto [text, locale] = fetch<QByteArray, QByteArray>({"text", "locale"});
        ScopedEnvironment environment{{"LC_ALL", {}}, {"LC_MESSAGES", {}}, {"LANG", {}}};
        if (!locale.isEmpty())
            environment.set(locale.left(locale.indexOf('=')), locale.mid(locale.indexOf('=') + 1));
        desktop::DesktopApplication app;
        QString error;
        const bool ok = desktop::readDesktopApplication(write("read/a.desktop", text),
                                                        desktop::localeKeys(), app, error);
        QTEST(ok ? app.name + u'|' + app.description() + u'|' + desktop::applicationSkipReason(app)
                 : error,
              "expected");
    }

    // An id found in an earlier folder hides later ones; subfolders become part of the id.
    void entryPrecedence()
    {
        for (const char* file : {"user/applications/a.desktop", "sys/applications/a.desktop",
                                 "sys/applications/kde/b.desktop", "sys/applications/c.txt"})
            write(file, "");
        const ScopedEnvironment environment{
            {"XDG_DATA_HOME", mDir.filePath("user").toUtf8()},
            {"XDG_DATA_DIRS", ("relative:" + mDir.filePath("sys")).toUtf8()}};
        QStringList found;
        for (const desktop::EntryFile& entry :
             desktop::desktopEntryFiles(desktop::applicationDirs()))
            found << entry.id + u'=' + QDir(mDir.path()).relativeFilePath(entry.path);
        QCOMPARE(found, QStringList({"a.desktop=user/applications/a.desktop",
                                     "kde-b.desktop=sys/applications/kde/b.desktop"}));
    }

    // The user's theme, what it inherits (a circle among them is searched once), hicolor,
    // then loose files; nearest size to the one asked for.
    void iconLookup_data()
    {
        // The file found is relative to the test folder, or "".
        const auto row = columns<QString, QString>({"icon", "expected"});
        row("exact size in the user's theme", "a", "icons/Mine/48/a.png");
        row("nearest size in a parent", "b", "icons/Other/32/b.xpm");
        row("scalable covers 48", "c", "share/icons/hicolor/scalable/c.svg");
        row("hicolor after the circle", "d", "share/icons/hicolor/16/d.png");
        row("loose in pixmaps", "e", "pixmaps/e.png");
        row("file name, not icon name", "e.png", "pixmaps/e.png");
        row("absolute path", "@/pixmaps/e.png", "pixmaps/e.png");
        row("absolute folder", "@/pixmaps", "");
        row("missing", "zz", "");
        row("walks out", "../pixmaps/e", "");
    }
    void iconLookup()
    {
        QFETCH(QString, icon);
        write("icons/Mine/index.theme", "[Icon Theme]\nInherits=Other\nDirectories=16,48\n"
                                        "[16]\nSize=16\nType=Fixed\n[48]\nSize=48\nType=Fixed\n");
        write("icons/Other/index.theme",
              "[Icon Theme]\nInherits=Mine\nDirectories=16,32,64\n[16]\nSize=16\nType=Fixed\n"
              "[32]\nSize=32\nType=Fixed\n[64]\nSize=64\nType=Fixed\n");
        write("share/icons/hicolor/index.theme",
              "[Icon Theme]\nDirectories=16,scalable\n[16]\nSize=16\nType=Fixed\n"
              "[scalable]\nSize=48\nType=Scalable\nMinSize=8\nMaxSize=512\n");
        for (const char* file :
             {"icons/Mine/48/a.png", "icons/Mine/16/a.png", "icons/Other/16/b.png",
              "icons/Other/32/b.xpm", "icons/Other/64/b.png.txt", "share/icons/hicolor/16/c.png",
              "share/icons/hicolor/scalable/c.svg", "share/icons/hicolor/16/d.png",
              "pixmaps/e.png"})
            write(file, "");
        desktop::IconFinder finder(
            {mDir.filePath("icons"), mDir.filePath("share/icons"), mDir.filePath("pixmaps")},
            QStringLiteral("Mine"));
        const QString found = finder.find(icon.replace(u'@', mDir.path()));
        QTEST(found.isEmpty() ? QString() : QDir(mDir.path()).relativeFilePath(found), "expected");
    }

    void configuredTheme()
    {
        const ScopedEnvironment environment{{"XDG_CONFIG_HOME", mDir.filePath("config").toUtf8()}};
        // A FIFO in a settings file's place is passed over, never waited on.
        QDir(mDir.path()).mkpath("config/gtk-3.0");
        QCOMPARE(::mkfifo(QFile::encodeName(mDir.filePath("config/gtk-3.0/settings.ini")), 0600),
                 0);
        QCOMPARE(desktop::IconFinder::configuredTheme(), QStringLiteral("hicolor"));
        QVERIFY(QFile::remove(mDir.filePath("config/gtk-3.0/settings.ini")));
        write("config/kdeglobals", "[General]\nx=1\n[Icons]\nTheme=Kde\n");
        QCOMPARE(desktop::IconFinder::configuredTheme(), QStringLiteral("Kde"));
        write("config/gtk-3.0/settings.ini", "[Settings]\ngtk-icon-theme-name = Gtk\n");
        QCOMPARE(desktop::IconFinder::configuredTheme(), QStringLiteral("Gtk"));
    }
};

KESTREL_TEST_GUILESS_MAIN(test_Desktop)
#include "test_Desktop.moc"
