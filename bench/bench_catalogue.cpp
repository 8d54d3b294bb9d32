// Times the catalogue on 1,000, 10,000 and 100,000 programs: loadPrograms (whole list,
// walked as the list view walks it), the value lookups, and addProgram (one bound
// insert). Prints per-row and per-call costs; compare the ratios between sizes. With
// KESTREL_BENCH_POSTGRESQL (a URI of a database whose role may create databases) the same
// is measured on a catalogue of 100,000 programs on that server.
#include "bench/BenchCatalogue.h"
#include "catalogue/clsDBRoutines.h"
#include "platform/database/Connection.h"
#include "platform/database/Recordset.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QUrl>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

// Median of several runs, in nanoseconds.
template <typename F> double median(int runs, F&& body)
{
    std::vector<qint64> times;
    for (int r = 0; r < runs; ++r) {
        QElapsedTimer timer;
        timer.start();
        body();
        times.push_back(timer.nsecsElapsed());
    }
    std::sort(times.begin(), times.end());
    return double(times[times.size() / 2]);
}

// One line of the table, and the "result" lines scripts/bench keeps.
void measure(clsDBRoutines& db, int count, const char* engine)
{
    const double load = median(5, [&] {
        Recordset rs = db.loadPrograms();
        qint64 chars = 0;
        for (qint32 i = 0; i < rs.RecordCount(); ++i, rs.MoveNext())
            chars += rs.Fields(QStringLiteral("Program_Name")).toString().size() +
                     rs.Fields(QStringLiteral("Program_Path")).toString().size() +
                     rs.Fields(QStringLiteral("Program_CustomIcon")).toString().size();
        if (chars == 0)
            std::abort();
    });
    constexpr int lookups = 2000;
    const auto name = [count](int i, int step) {
        return QStringLiteral(" program %1 ").arg((i * step) % count, 6, 10, QLatin1Char('0'));
    };
    const double path_ns = median(3, [&] {
        for (int i = 0; i < lookups; ++i)
            db.getProgramPath(name(i, 31));
    });
    const double desc_ns = median(3, [&] {
        for (int i = 0; i < lookups; ++i)
            db.getProgramDescription(name(i, 17));
    });
    const double props_ns = median(3, [&] {
        for (int i = 0; i < lookups; ++i)
            db.loadProperties(name(i, 13));
    });
    int added = 0;
    constexpr int adds = 50;
    const double add_ns = median(3,
                                 [&] {
                                     for (int i = 0; i < adds; ++i)
                                         db.addProgram(QStringLiteral("Added %1").arg(++added), {},
                                                       QStringLiteral("/a"), {});
                                 }) /
                          adds;
    std::printf("%-10s %9d %14.1f %14.0f %14.1f %14.1f %14.1f %14.3f\n", engine, count, load / 1e6,
                load / count, path_ns / lookups / 1e3, desc_ns / lookups / 1e3,
                props_ns / lookups / 1e3, add_ns / 1e6);
    std::printf("result add_ms_%s_%d %.4f\n", engine, count, add_ns / 1e6);
    std::printf("result load_ms_%s_%d %.3f\n", engine, count, load / 1e6);
    std::printf("result op_us_%s_%d %.1f\n", engine, count,
                std::max({path_ns, desc_ns, props_ns}) / lookups / 1e3);
    std::fflush(stdout);
}
} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    std::printf("%-10s %9s %14s %14s %14s %14s %14s %14s\n", "engine", "programs", "loadPrograms",
                "per row", "getPath", "getDesc", "properties", "addProgram");
    std::printf("%-10s %9s %14s %14s %14s %14s %14s %14s\n", "", "", "ms", "ns", "us/call",
                "us/call", "us/call", "ms/call");
    for (int count : {1000, 10000, 100000}) {
        const QString path = dir.filePath(QStringLiteral("bench-%1.mdb").arg(count));
        makeBenchCatalogue(path, count,
                           [](int n) { return QStringLiteral("/opt/icons/%1.ico").arg(n % 50); });
        clsDBRoutines db({path});
        measure(db, count, "sqlite");
    }

    const QString server = qEnvironmentVariable("KESTREL_BENCH_POSTGRESQL");
    if (server.isEmpty())
        return 0;
    // The same programs as the file's, made on the server in one statement.
    constexpr int count = 100000;
    const QString database = QStringLiteral("kestrel_bench_%1").arg(app.applicationPid());
    const QString uri = makeServerBenchCatalogue(server, database, count);
    {
        clsDBRoutines db({uri});
        measure(db, count, "server");
    }
    dropServerBenchCatalogue(server, database);
    return 0;
}
