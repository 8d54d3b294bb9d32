// Times kestrel-catalogue as an installer runs it: import-desktop of 500 desktop entries
// with icons in a themed hierarchy, check of 10,000 programs of every kind (programs,
// desktop entries, documents, missing files, custom icons), and a JSON import of 100,000
// programs. Everything lives in a temporary folder; the tool runs as a child process.
//   bench_desktop TOOL
#include "catalogue/CatalogueFile.h"
#include "catalogue/CatalogueJson.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {
QString gTool;
QProcessEnvironment gEnv;

void write(const QString& path, const QByteArray& data)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size())
        qFatal("cannot write %s", qPrintable(path));
}

// Milliseconds the tool takes; fails the benchmark when it does not do what is timed.
double runTool(const QStringList& args, const QByteArray& expected, int expectedCode = 0)
{
    QProcess tool;
    tool.setProcessEnvironment(gEnv);
    tool.setProcessChannelMode(QProcess::MergedChannels);
    QElapsedTimer timer;
    timer.start();
    tool.start(gTool, args);
    if (!tool.waitForFinished(600000))
        qFatal("%s did not finish", qPrintable(args.join(u' ')));
    const double ms = double(timer.nsecsElapsed()) / 1e6;
    const QByteArray output = tool.readAll();
    if (tool.exitCode() != expectedCode || !output.contains(expected))
        qFatal("%s: %s", qPrintable(args.join(u' ')), output.left(400).constData());
    return ms;
}

template <typename F> double median(int runs, F&& body)
{
    std::vector<double> times;
    for (int r = 0; r < runs; ++r)
        times.push_back(body(r));
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}
} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    if (argc != 2)
        qFatal("usage: bench_desktop TOOL");
    gTool = QString::fromLocal8Bit(argv[1]);
    QTemporaryDir dir;
    const QString root = dir.path();
    gEnv = QProcessEnvironment::systemEnvironment();
    gEnv.insert("HOME", root + "/home");
    gEnv.insert("XDG_CONFIG_HOME", root + "/config");
    gEnv.insert("XDG_DATA_HOME", root + "/user");
    gEnv.insert("XDG_DATA_DIRS", root + "/share");
    gEnv.insert("LC_ALL", "de_DE.UTF-8");

    // A hicolor theme of the usual shape, an icon of every entry at each size.
    const QStringList sizes{"16x16", "22x22",   "24x24",   "32x32",   "48x48",
                            "64x64", "128x128", "256x256", "scalable"};
    QByteArray index = "[Icon Theme]\nName=Hicolor\nDirectories=";
    for (const QString& size : sizes)
        index += size.toUtf8() + "/apps,";
    index += "\n";
    for (const QString& size : sizes)
        index +=
            "[" + size.toUtf8() + "/apps]\n" +
            (size == u"scalable" ? QByteArray("Size=48\nType=Scalable\nMinSize=8\nMaxSize=512\n")
                                 : "Size=" + size.section(u'x', 0, 0).toUtf8() + "\nType=Fixed\n");
    write(root + "/share/icons/hicolor/index.theme", index);
    constexpr int entries = 500;
    for (int i = 0; i < entries; ++i) {
        const QByteArray n = QByteArray::number(i);
        for (const QString& size : sizes)
            write(root + "/share/icons/hicolor/" + size + "/apps/app" + n +
                      (size == u"scalable" ? ".svg" : ".png"),
                  size == u"scalable" ? "<svg/>" : "\x89PNG");
        write(root + "/share/applications/app" + n + ".desktop",
              "[Desktop Entry]\nType=Application\nName=Application " + n + "\nName[de]=Anwendung " +
                  n + "\nComment=Does " + n + "\nComment[de]=Tut " + n +
                  "\nExec=sh -c true %f\nIcon=app" + n + "\nMimeType=text/x-bench" + n +
                  ";\nCategories=Utility;\n");
    }

    const double importMs = median(5, [&](int run) {
        const QString catalogue = root + QStringLiteral("/import-%1.mdb").arg(run);
        createCatalogue(catalogue);
        return runTool({"import-desktop", catalogue},
                       QByteArray::number(entries) + " added, 0 updated, 0 skipped");
    });

    // 10,000 programs: a fifth each programs, desktop entries, documents, folders, missing.
    write(root + "/bin/run", "#!/bin/sh\n");
    QFile::setPermissions(root + "/bin/run",
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    for (int i = 0; i < 50; ++i)
        write(root + QStringLiteral("/icons/%1.png").arg(i), "\x89PNG\r\n");
    write(root + "/docs/a.txt", "text\n");
    write(root + "/share/applications/editor.desktop",
          "[Desktop Entry]\nType=Application\nName=Editor\nExec=sh\nMimeType=text/plain;\n");
    QList<ProgramRecord> programs;
    constexpr int checked = 10000;
    for (int i = 0; i < checked; ++i) {
        const QString paths[] = {
            root + "/bin/run",
            root + QStringLiteral("/share/applications/app%1.desktop").arg(i % entries),
            root + "/docs/a.txt", root + "/docs", root + QStringLiteral("/missing/%1").arg(i)};
        programs.append({QStringLiteral("Program %1").arg(i),
                         {},
                         paths[i % 5],
                         i % 7 == 0 ? root + "/icons/missing.png"
                                    : root + QStringLiteral("/icons/%1.png").arg(i % 50),
                         "1/1/2024"});
    }
    write(root + "/check.json", catalogueToJson(programs));
    const QString checkCatalogue = root + "/check.mdb";
    createCatalogue(checkCatalogue);
    runTool({"import", checkCatalogue, root + "/check.json"}, "10000 added");
    const double checkMs = median(5, [&](int) {
        return runTool({"check", checkCatalogue}, "Program 4: ", 1);
    });

    for (int i = checked; i < 100000; ++i)
        programs.append({QStringLiteral("Program %1").arg(i),
                         QStringLiteral("Description %1").arg(i),
                         QStringLiteral("/opt/p/%1").arg(i),
                         {},
                         "1/1/2024"});
    write(root + "/big.json", catalogueToJson(programs));
    const double bigMs = median(3, [&](int run) {
        const QString catalogue = root + QStringLiteral("/big-%1.mdb").arg(run);
        createCatalogue(catalogue);
        return runTool({"import", catalogue, root + "/big.json"}, "100000 added");
    });

    std::printf("kestrel-catalogue (median, ms)\n");
    std::printf("  import-desktop of %d entries, 9 icon sizes each  %8.1f\n", entries, importMs);
    std::printf("  check of %d programs                        %8.1f\n", checked, checkMs);
    std::printf("  import of 100000 programs from JSON             %8.1f\n", bigMs);
    std::printf("result import_desktop_ms_500 %.1f\n", importMs);
    std::printf("result check_ms_10000 %.1f\n", checkMs);
    std::printf("result import_json_ms_100000 %.1f\n", bigMs);
    return 0;
}
