#include "platform/desktop/DesktopEntry.h"
#include "platform/desktop/IconTheme.h"
#include "platform/desktop/XdgDirs.h"
#include "tests/support/TestMain.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

// Desktop entries, XDG folders and icon themes, all written by the test into its own folder.
class test_Desktop : public QObject
{
    Q_OBJECT

    QTemporaryDir mDir;

    QString write(const QString& relative, const QByteArray& data)
    {
        const QString path = mDir.filePath(relative);
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size())
            qFatal("cannot write %s", qPrintable(path));
        return path;
    }

private slots:
    // Bad files name the line at fault; good ones give the decoded, localised values.
    void read_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("localeVariable"); // "LC_MESSAGES=..."
        QTest::addColumn<QString>("expected");       // name|description|skip reason, or error
        const QByteArray head = "[Desktop Entry]\nType=Application\nExec=sh\n";
        QTest::addRow("escapes") << head + "Name=a\\sb\\\\c\nComment=x\\ny\\tz\\;w\\q\n"
                                 << ""
                                 << "a b\\c|x\ny\tz;w\\q|";
        QTest::addRow("generic name when no comment") << head + "Name=N\nGenericName=G\n"
                                                      << ""
                                                      << "N|G|";
        QTest::addRow("CRLF, BOM, comments")
            << QByteArray("\xEF\xBB\xBF# c\r\n[Desktop Entry]\r\nType=Application\r\nExec=sh\r\n"
                          "Name = N \r\n")
            << ""
            << "N||";
        const QByteArray localised = head + "Name=C\nName[de]=de\nName[de_DE]=de_DE\n"
                                            "Name[de@euro]=de@euro\nName[sr@latin]=sr\n";
        QTest::addRow("lang_COUNTRY@MOD falls to lang_COUNTRY")
            << localised << "LC_MESSAGES=de_DE.UTF-8@euro"
            << "de_DE||";
        QTest::addRow("lang_COUNTRY falls to lang") << localised << "LANG=de_AT.UTF-8"
                                                    << "de||";
        QTest::addRow("lang@MOD") << localised << "LANG=de_CH@euro"
                                  << "de@euro||";
        QTest::addRow("LC_ALL first") << localised << "LC_ALL=sr_RS@latin"
                                      << "sr||";
        QTest::addRow("unlocalised") << localised << "LANG=fr_FR"
                                     << "C||";
        QTest::addRow("C locale") << localised << "LC_ALL=C"
                                  << "C||";
        QTest::addRow("not an application")
            << QByteArray("[Desktop Entry]\nType=Link\nName=N\n") << ""
            << "N||Type is Link, not Application";
        QTest::addRow("hidden") << head + "Name=N\nHidden=true\n"
                                << ""
                                << "N||Hidden=true";
        QTest::addRow("no display") << head + "Name=N\nNoDisplay=true\n"
                                    << ""
                                    << "N||NoDisplay=true";
        QTest::addRow("TryExec missing") << head + "Name=N\nTryExec=no-such-program-kestrel\n"
                                         << ""
                                         << "N||TryExec program no-such-program-kestrel "
                                            "is not installed";
        QTest::addRow("TryExec found") << head + "Name=N\nTryExec=/bin/sh\n"
                                       << ""
                                       << "N||";
        QTest::addRow("no group") << QByteArray("Name=N\n") << ""
                                  << "line 1: a key before the first group header";
        QTest::addRow("not UTF-8") << head + "Name=caf\xE9\n"
                                   << ""
                                   << "line 4: the text is not UTF-8";
        QTest::addRow("duplicate key") << head + "Name=a\nName=b\n"
                                       << ""
                                       << "line 5: key Name appears twice in group [Desktop "
                                          "Entry] (first on line 4)";
        QTest::addRow("1 MiB line") << head + "Name=" + QByteArray(1 << 20, 'x') + "\n"
                                    << ""
                                    << "line 4: the line is longer than 65536 bytes";
        QTest::addRow("unterminated escape") << head + "Name=N\nComment=abc\\\n"
                                             << ""
                                             << "line 5: the value of Comment ends in an "
                                                "unfinished escape";
        QTest::addRow("garbage line") << head + "what\n"
                                      << ""
                                      << "line 4: neither a group header nor key=value";
        QTest::addRow("no entry group") << QByteArray("[Other]\nA=b\n") << ""
                                        << "no [Desktop Entry] group";
    }
    void read()
    {
        QFETCH(QByteArray, text);
        QFETCH(QString, localeVariable);
        QFETCH(QString, expected);
        for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"})
            qunsetenv(variable);
        if (!localeVariable.isEmpty())
            qputenv(localeVariable.section(u'=', 0, 0).toLatin1(),
                    localeVariable.section(u'=', 1).toLatin1());
        const QString path = write(QStringLiteral("read/a.desktop"), text);
        desktop::DesktopApplication app;
        QString error;
        const bool ok = desktop::readDesktopApplication(path, desktop::localeKeys(), app, error);
        qputenv("LC_ALL", "C.UTF-8");
        QCOMPARE(ok ? app.name + u'|' + app.description() + u'|' +
                          desktop::applicationSkipReason(app)
                    : error,
                 expected);
    }

    // An id found in an earlier folder hides later ones; subfolders become part of the id.
    void entryPrecedence()
    {
        write("user/applications/a.desktop", "");
        write("sys/applications/a.desktop", "");
        write("sys/applications/kde/b.desktop", "");
        write("sys/applications/c.txt", "");
        qputenv("XDG_DATA_HOME", mDir.filePath("user").toUtf8());
        qputenv("XDG_DATA_DIRS", ("relative:" + mDir.filePath("sys")).toUtf8());
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
        QTest::addColumn<QString>("icon");
        QTest::addColumn<QString>("expected"); // relative to the test folder, or ""
        QTest::addRow("exact size in the user's theme") << "a"
                                                        << "icons/Mine/48/a.png";
        QTest::addRow("nearest size in a parent") << "b"
                                                  << "icons/Other/32/b.xpm";
        QTest::addRow("scalable covers 48") << "c"
                                            << "share/icons/hicolor/scalable/c.svg";
        QTest::addRow("hicolor after the inherited circle") << "d"
                                                            << "share/icons/hicolor/16/d.png";
        QTest::addRow("loose in pixmaps") << "e"
                                          << "pixmaps/e.png";
        QTest::addRow("file name instead of icon name") << "e.png"
                                                        << "pixmaps/e.png";
        QTest::addRow("absolute path") << "@/pixmaps/e.png"
                                       << "pixmaps/e.png";
        QTest::addRow("absolute folder") << "@/pixmaps"
                                         << "";
        QTest::addRow("missing") << "zz"
                                 << "";
        QTest::addRow("walks out") << "../pixmaps/e"
                                   << "";
    }
    void iconLookup()
    {
        QFETCH(QString, icon);
        QFETCH(QString, expected);
        const auto theme = [this](const QString& root, const QByteArray& inherits,
                                  const QStringList& dirs) {
            QByteArray index = "[Icon Theme]\nName=x\nInherits=" + inherits +
                               "\nDirectories=" + dirs.join(u',').toUtf8() + "\n";
            for (const QString& dir : dirs)
                index += "[" + dir.toUtf8() + "]\n" +
                         (dir == u"scalable" ? "Size=48\nType=Scalable\nMinSize=8\nMaxSize=512\n"
                                             : "Size=" + dir.toUtf8() + "\nType=Fixed\n");
            write(root + QStringLiteral("/index.theme"), index);
        };
        theme("icons/Mine", "Other", {"16", "48"});
        theme("icons/Other", "Mine", {"16", "32", "64"});
        theme("share/icons/hicolor", "", {"16", "scalable"});
        write("icons/Mine/48/a.png", "");
        write("icons/Mine/16/a.png", "");
        write("icons/Other/16/b.png", "");
        write("icons/Other/32/b.xpm", "");
        write("icons/Other/64/b.png.txt", "");
        write("share/icons/hicolor/16/c.png", "");
        write("share/icons/hicolor/scalable/c.svg", "");
        write("share/icons/hicolor/16/d.png", "");
        write("pixmaps/e.png", "");
        desktop::IconFinder finder(
            {mDir.filePath("icons"), mDir.filePath("share/icons"), mDir.filePath("pixmaps")},
            QStringLiteral("Mine"));
        const QString found = finder.find(icon.replace(u'@', mDir.path()));
        QCOMPARE(found.isEmpty() ? QString() : QDir(mDir.path()).relativeFilePath(found), expected);
    }

    void configuredTheme()
    {
        qputenv("XDG_CONFIG_HOME", mDir.filePath("config").toUtf8());
        QCOMPARE(desktop::IconFinder::configuredTheme(), QStringLiteral("hicolor"));
        write("config/kdeglobals", "[General]\nx=1\n[Icons]\nTheme=Kde\n");
        QCOMPARE(desktop::IconFinder::configuredTheme(), QStringLiteral("Kde"));
        write("config/gtk-3.0/settings.ini", "[Settings]\ngtk-icon-theme-name = Gtk\n");
        QCOMPARE(desktop::IconFinder::configuredTheme(), QStringLiteral("Gtk"));
    }
};

KESTREL_TEST_GUILESS_MAIN(test_Desktop)
#include "test_Desktop.moc"
