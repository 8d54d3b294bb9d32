#include "platform/shell/Shell.h"
#include "tests/support/TestFiles.h"
#include "tests/support/TestMain.h"

using Perms = QFile::Permissions;
static const Perms Executable = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner;

// The real shell and real children, on a private desktop with one viewer for plain text.
class test_Shell : public QObject
{
    Q_OBJECT

    QTemporaryDir mRoot;
    ScopedEnvironment mEnvironment; // put back when the test ends
    const QString mStartedIn = QDir::currentPath();
    QString path(const QString& relative) const { return QDir(mRoot.path()).filePath(relative); }

    void write(const QString& file, const QByteArray& content, Perms perms = {})
    {
        writeFile(path(file), content);
        QVERIFY(!perms || QFile::setPermissions(path(file), perms));
    }

private slots:
    void initTestCase()
    {
        // The viewer records its argument count and arguments in "opened".
        const QByteArray root = mRoot.path().toUtf8();
        write("viewer.sh", "#!/bin/sh\nprintf '%s\\n' \"$#\" \"$@\" >> " + root + "/opened",
              Executable);
        write("applications/viewer.desktop",
              "[Desktop Entry]\nType=Application\nName=V\nMimeType=text/plain;\nExec=" + root +
                  "/viewer.sh %f\n");
        write("mimeapps.list", "[Default Applications]\ntext/plain=viewer.desktop\n");
        QVERIFY(QFile::link("/usr/share/mime", path("mime")));
        for (auto name : {"XDG_CONFIG_HOME", "XDG_CONFIG_DIRS", "XDG_DATA_HOME", "XDG_DATA_DIRS"})
            mEnvironment.set(name, root);
        for (const char* name : {"XDG_CURRENT_DESKTOP", "DESKTOP_SESSION", "KDE_FULL_SESSION",
                                 "GNOME_DESKTOP_SESSION_ID", "BROWSER", "WAYLAND_DISPLAY"})
            mEnvironment.set(name, {});
        // DISPLAY makes xdg-open ask the registry; the others must not reach a child.
        for (const char* name : {"DISPLAY", "LD_LIBRARY_PATH", "QT_PLUGIN_PATH", "QT_QPA_PLATFORM"})
            mEnvironment.set(name, "set");
        // A command found on PATH writes where it runs: the user's home folder.
        write("bin/kestrel-bare", "#!/bin/sh\necho ran >bare.tmp && mv bare.tmp bare.txt\n",
              Executable);
        mEnvironment.set("PATH", root + "/bin:" + qgetenv("PATH"));
        mEnvironment.set("HOME", root + "/home");
        QVERIFY(QDir(mRoot.path()).mkpath("home"));
        QVERIFY(QDir::setCurrent(mRoot.path()));
    }
    void init() { QFile::remove(path("opened")); }
    void cleanupTestCase()
    {
        QFile::setPermissions(path("locked/closed"), Executable);
        QDir::setCurrent(mStartedIn);
    }

    // What started leaves a record: which arguments, in which folder, with which environment.
    // A failure known at once is reported (the message names the file) and starts nothing.
    void defaultAction_data()
    {
        // record: the file a start writes, or none; expected: its lines, or what the error names
        const auto row = columns<QString, QString, QString, QStringList>(
            {"file", "operation", "record", "expected"});
        const QString root = QFileInfo(mRoot.path()).canonicalFilePath();
        const auto document = [&](const char* tag, const QString& file, Perms perms = {}) {
            write(file, "words\n", perms);
            row(tag, file, {}, "opened", {"1", path(file), ""});
        };
        const auto fail = [&row](const char* tag, const QString& file, const QString& named) {
            row(tag, file, {}, {}, {named});
        };
        // Writes its folder and inherited environment to marker.txt there, whole or not at all.
        const QString name = "my \"it's\"; $(touch injected) `touch injected`", dir = "run/" + name;
        write(dir + "/" + name,
              "#!/bin/sh\n{ pwd; echo $#; echo ${LD_LIBRARY_PATH-no}${QT_QPA_PLATFORM-no}"
              "${QT_PLUGIN_PATH-no}; } >marker.tmp && mv marker.tmp marker.txt\n",
              Executable);
        row("program: quotes, ;, $(...), Open", path(dir + "/" + name), "Open", dir + "/marker.txt",
            {root + "/" + dir, "0", "nonono", ""});
        document("odd name, relative", "docs/a b'\"; $(touch injected).txt");
        document("exec bit, no interpreter: a document", path("docs/readme"), Executable);
        row("desktop entry", path("applications/viewer.desktop"), {}, "opened", {"0", ""});

        write("bad/data.bin", QByteArray("\x00\x01\x02\xff\xfe kestrel", 14));
        write("bad/Broken.desktop", "[Desktop Entry]\nType=Application\nName=B\nExec=/no/x\n");
        write("bad/broken program", "\177ELF\2\1 not really", Executable);
        row("command name on PATH", "kestrel-bare", {}, "home/bare.txt", {"ran", ""});
        fail("command name nowhere", "kestrel-nowhere", "kestrel-nowhere");
        fail("missing file", path("bad/missing.exe"), "missing.exe");
        fail("no handler for the type", path("bad/data.bin"), "data.bin");
        fail("entry names a missing program", path("bad/Broken.desktop"), "Broken");
        fail("program that cannot run", path("bad/broken program"), "broken program");
        write("docs/print me.txt", "words\n");
        row("operation other than Open", path("docs/print me.txt"), "print", {}, {"\"print\""});
        if (!asuser::permissionsApply())
            return;
        write("locked/secret.txt", "words\n", QFile::WriteOwner);
        QVERIFY(QDir().mkpath(path("locked/closed")));
        QVERIFY(QFile::setPermissions(path("locked/closed"), QFile::WriteOwner));
        fail("unreadable document", path("locked/secret.txt"), "permission");
        fail("folder not to be entered", path("locked/closed"), "permission");
    }
    void defaultAction()
    {
        auto [file, operation, record, expected] = fetch<QString, QString, QString, QStringList>(
            {"file", "operation", "record", "expected"});
        const platform::ShellResult result = platform::systemShellExecute({file, operation});
        QVERIFY2(result.ok != record.isEmpty(), qPrintable(result.error));
        if (record.isEmpty())
            QVERIFY2(result.error.contains(expected[0]) && !QFile::exists(path("opened")),
                     qPrintable(result.error));
        else
            QTRY_COMPARE_WITH_TIMEOUT(QString(readFile(path(record))).split(u'\n'), expected, 5000);
        QVERIFY(!QFile::exists(path("injected")) &&
                !QFile::exists(QFileInfo(path(file)).dir().filePath("injected")));
    }
};

KESTREL_TEST_MAIN_AS_USER(test_Shell)
#include "test_Shell.moc"
