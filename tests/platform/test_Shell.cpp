#include "platform/shell/Shell.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <unistd.h>

using platform::ShellRequest;
using platform::ShellResult;

// The real shell with real child processes. The desktop it sees is our own: a
// private XDG configuration in which one test viewer is registered for plain text.
class test_Shell : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir mRoot;
    QString mOpened; // every call of the test viewer appends its argument count and arguments

    QString path(const QString& relative) const { return mRoot.filePath(relative); }

    static void writeFile(const QString& file, const QByteArray& content,
                          QFile::Permissions permissions = {})
    {
        QDir().mkpath(QFileInfo(file).absolutePath());
        QFile out(file);
        QVERIFY2(out.open(QIODevice::WriteOnly), qPrintable(file));
        out.write(content);
        out.close();
        if (permissions)
            QVERIFY(out.setPermissions(permissions));
    }

    // A script that records its working folder and what it inherited in marker.txt
    // in its current folder, written whole or not at all.
    static QByteArray markerScript()
    {
        return "#!/bin/sh\n"
               "{ pwd; echo \"ARGS=$#\"; echo \"LD=${LD_LIBRARY_PATH-unset}\";"
               " echo \"QPA=${QT_QPA_PLATFORM-unset}\"; echo \"PLUGINS=${QT_PLUGIN_PATH-unset}\";"
               " } > marker.tmp && mv marker.tmp marker.txt\n";
    }

    static const QFile::Permissions Executable;

    QStringList openedLines() const
    {
        QFile in(mOpened);
        if (!in.open(QIODevice::ReadOnly))
            return {};
        return QString::fromUtf8(in.readAll()).split(u'\n', Qt::SkipEmptyParts);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(mRoot.isValid());
        mOpened = path("opened.txt");
        const QString viewer = path("viewer.sh");
        writeFile(viewer, "#!/bin/sh\nprintf '%s\\n' \"$#\" \"$@\" >> '" + mOpened.toUtf8() + "'\n",
                  Executable);
        writeFile(path("data/applications/kestrel-test-viewer.desktop"),
                  "[Desktop Entry]\nType=Application\nName=Viewer\nExec=" + viewer.toUtf8() +
                      " %f\nMimeType=text/plain;\n");
        writeFile(path("config/mimeapps.list"),
                  "[Default Applications]\ntext/plain=kestrel-test-viewer.desktop\n");
        QDir().mkpath(path("system"));
        QVERIFY(QFile::link("/usr/share/mime", path("system/mime")));

        qputenv("XDG_CONFIG_HOME", path("config").toUtf8());
        qputenv("XDG_CONFIG_DIRS", path("system").toUtf8());
        qputenv("XDG_DATA_HOME", path("data").toUtf8());
        qputenv("XDG_DATA_DIRS", path("system").toUtf8());
        for (const char* name : {"XDG_CURRENT_DESKTOP", "DESKTOP_SESSION", "KDE_FULL_SESSION",
                                 "GNOME_DESKTOP_SESSION_ID", "BROWSER", "WAYLAND_DISPLAY"})
            qunsetenv(name);
        qputenv("DISPLAY", ":kestrel-test"); // xdg-open asks the registry only with a display
        // What the launcher itself may run with and must not pass on.
        qputenv("LD_LIBRARY_PATH", "/kestrel/lib");
        qputenv("QT_PLUGIN_PATH", "/kestrel/plugins");
        qputenv("QT_QPA_PLATFORM", "offscreen");
        QVERIFY(QDir::setCurrent(mRoot.path()));
    }

    void init() { QFile::remove(mOpened); }

    void cleanupTestCase()
    {
        // Let the temporary folder remove what the permission test closed.
        QFile::setPermissions(path("locked/closed"),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    void executableRunsDetachedInItsFolder_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("operation");
        QTest::addRow("plain") << "tool"
                               << "";
        QTest::addRow("Open") << "opened"
                              << "Open";
        QTest::addRow("blanks") << "my tool v2"
                                << "";
        QTest::addRow("quotes") << "it's \"quoted\""
                                << "";
        QTest::addRow("semicolon") << "a; touch injected"
                                   << "";
        QTest::addRow("command substitution") << "$(touch injected) `touch injected`"
                                              << "";
        QTest::addRow("leading dash") << "-rf"
                                      << "";
    }
    void executableRunsDetachedInItsFolder()
    {
        QFETCH(QString, name);
        QFETCH(QString, operation);
        const QString folder = path("run/" + name);
        const QString script = folder + "/" + name;
        writeFile(script, markerScript(), Executable);

        const ShellResult result = platform::systemShellExecute({script, operation});
        QVERIFY2(result.ok, qPrintable(result.error));
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(folder + "/marker.txt"), 5000);

        QFile marker(folder + "/marker.txt");
        QVERIFY(marker.open(QIODevice::ReadOnly));
        const QStringList lines = QString::fromUtf8(marker.readAll()).split(u'\n');
        QCOMPARE(lines.value(0), QFileInfo(folder).canonicalFilePath());
        QCOMPARE(lines.value(1), "ARGS=0");
        QCOMPARE(lines.value(2), "LD=unset");
        QCOMPARE(lines.value(3), "QPA=unset");
        QCOMPARE(lines.value(4), "PLUGINS=unset");
        QVERIFY(!QFile::exists(folder + "/injected"));
        QVERIFY(!QFile::exists(path("injected")));
    }

    void documentGoesToRegisteredApplication_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QFile::Permissions>("permissions");
        QTest::addRow("text file") << "notes.txt" << QFile::Permissions{};
        QTest::addRow("odd name") << "a b'\"; $(touch injected).txt" << QFile::Permissions{};
        // Exec bit without "#!" is a document, as on the desktop.
        QTest::addRow("exec bit, no interpreter") << "readme" << Executable;
    }
    void documentGoesToRegisteredApplication()
    {
        QFETCH(QString, name);
        QFETCH(QFile::Permissions, permissions);
        const QString document = path("docs/" + name);
        writeFile(document, "plain words\n", permissions);

        const ShellResult result = platform::systemShellExecute({document, {}});
        QVERIFY2(result.ok, qPrintable(result.error));
        QTRY_COMPARE_WITH_TIMEOUT(openedLines(), (QStringList{"1", document}), 5000);
        QVERIFY(!QFile::exists(path("docs/injected")));
        QVERIFY(!QFile::exists(path("injected")));
    }

    void relativePathIsTakenFromTheCurrentFolder()
    {
        writeFile(path("relative.txt"), "words\n");
        const ShellResult result = platform::systemShellExecute({"relative.txt", {}});
        QVERIFY2(result.ok, qPrintable(result.error));
        QTRY_COMPARE_WITH_TIMEOUT(openedLines(), (QStringList{"1", path("relative.txt")}), 5000);
    }

    void desktopEntryIsLaunched()
    {
        const QString folder = path("entry");
        writeFile(folder + "/app.sh", markerScript(), Executable);
        writeFile(folder + "/My App.desktop",
                  "[Desktop Entry]\nType=Application\nName=My App\nPath=" + folder.toUtf8() +
                      "\nExec=" + folder.toUtf8() + "/app.sh\n");
        const ShellResult result = platform::systemShellExecute({folder + "/My App.desktop", {}});
        QVERIFY2(result.ok, qPrintable(result.error));
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(folder + "/marker.txt"), 5000);
    }

    void failuresAreReported_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("operation");
        QTest::addColumn<QString>("named"); // what the message must mention

        writeFile(path("bad/data.bin"), QByteArray("\x00\x01\x02\xff\xfe kestrel", 14));
        writeFile(path("bad/Broken.desktop"),
                  "[Desktop Entry]\nType=Application\nName=Broken\nExec=/nonexistent/kestrel\n");
        writeFile(path("bad/Garbage.desktop"), "not an entry\n");
        writeFile(path("bad/noformat.sh"), "echo no interpreter line\n", Executable);
        writeFile(path("bad/notes.txt"), "words\n");
        writeFile(path("bad/broken program"),
                  QByteArray("\x7f"
                             "ELF\x02\x01 not really",
                             16),
                  Executable);

        QTest::addRow("empty path") << ""
                                    << ""
                                    << "";
        QTest::addRow("blanks only") << "   "
                                     << ""
                                     << "";
        QTest::addRow("missing file") << path("bad/missing.exe") << ""
                                      << "missing.exe";
        QTest::addRow("missing folder") << path("nowhere/at/all") << ""
                                        << "nowhere";
        QTest::addRow("no handler for the type") << path("bad/data.bin") << ""
                                                 << "data.bin";
        QTest::addRow("no handler for folders") << path("bad") << ""
                                                << "bad";
        QTest::addRow("entry names a missing program") << path("bad/Broken.desktop") << ""
                                                       << "Broken.desktop";
        QTest::addRow("entry is garbage") << path("bad/Garbage.desktop") << ""
                                          << "Garbage";
        QTest::addRow("program that cannot run") << path("bad/broken program") << ""
                                                 << "broken program";
        QTest::addRow("unknown operation") << path("bad/notes.txt") << "print"
                                           << "print";
    }
    void failuresAreReported()
    {
        QFETCH(QString, file);
        QFETCH(QString, operation);
        QFETCH(QString, named);
        const ShellResult result = platform::systemShellExecute({file, operation});
        QVERIFY(!result.ok);
        QVERIFY(!result.error.isEmpty());
        QVERIFY2(result.error.contains(named), qPrintable(result.error));
        QVERIFY(openedLines().isEmpty());
    }

    void withoutPermissionIsRefused_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addRow("unreadable document") << path("locked/secret.txt");
        QTest::addRow("folder that cannot be entered") << path("locked/closed");
    }
    void withoutPermissionIsRefused()
    {
        if (::geteuid() == 0)
            QSKIP("permissions do not bind the superuser");
        QFETCH(QString, target);
        writeFile(path("locked/secret.txt"), "words\n", QFile::WriteOwner);
        QDir().mkpath(path("locked/closed"));
        QVERIFY(QFile::setPermissions(path("locked/closed"), QFile::WriteOwner));
        const ShellResult result = platform::systemShellExecute({target, {}});
        QVERIFY(!result.ok);
        QVERIFY2(result.error.contains("permission"), qPrintable(result.error));
        QVERIFY(result.error.contains(target));
    }

    void hookDefaultsToTheRealShellAndCanBeReplaced()
    {
        QVERIFY(!platform::ShellExecute({path("bad/missing.exe"), {}}).ok);
        QList<ShellRequest> seen;
        platform::ShellHandler previous = platform::setShellHandler([&](const ShellRequest& r) {
            seen.append(r);
            return ShellResult{true, {}};
        });
        QVERIFY(platform::ShellExecute({"x", "Open"}).ok);
        platform::setShellHandler(std::move(previous));
        QCOMPARE(seen.size(), 1);
        QCOMPARE(seen.constFirst().operation, "Open");
        QVERIFY(!platform::ShellExecute({path("bad/missing.exe"), {}}).ok);
    }
};

const QFile::Permissions test_Shell::Executable =
    QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup | QFile::ExeGroup;

QTEST_GUILESS_MAIN(test_Shell)
#include "test_Shell.moc"
