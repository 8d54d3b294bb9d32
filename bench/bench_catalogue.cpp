// Times the catalogue on 1,000, 10,000 and 100,000 programs: loadPrograms (whole list,
// walked as the list view walks it), the value lookups, and addProgram (one bound
// insert). Prints per-row and per-call costs; compare the ratios between sizes.
#include "bench/BenchCatalogue.h"
#include "catalogue/clsDBRoutines.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
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
} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    std::printf("%9s %14s %14s %14s %14s %14s\n", "programs", "loadPrograms", "per row", "getPath",
                "getDesc", "addProgram");
    std::printf("%9s %14s %14s %14s %14s %14s\n", "", "ms", "ns", "us/call", "us/call", "ms/call");
    for (int count : {1000, 10000, 100000}) {
        const QString path = dir.filePath(QStringLiteral("bench-%1.mdb").arg(count));
        makeBenchCatalogue(path, count,
                           [](int n) { return QStringLiteral("/opt/icons/%1.ico").arg(n % 50); });
        clsDBRoutines db({path});

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
        const double path_ns = median(3, [&] {
            for (int i = 0; i < lookups; ++i)
                db.getProgramPath(
                    QStringLiteral("Program %1").arg((i * 31) % count, 6, 10, QLatin1Char('0')));
        });
        const double desc_ns = median(3, [&] {
            for (int i = 0; i < lookups; ++i)
                db.getProgramDescription(
                    QStringLiteral(" program %1 ").arg((i * 17) % count, 6, 10, QLatin1Char('0')));
        });
        int added = 0;
        constexpr int adds = 50;
        const double add_ns = median(3,
                                     [&] {
                                         for (int i = 0; i < adds; ++i)
                                             db.addProgram(QStringLiteral("Added %1").arg(++added),
                                                           {}, QStringLiteral("/a"), {});
                                     }) /
                              adds;
        std::printf("%9d %14.1f %14.0f %14.1f %14.1f %14.3f\n", count, load / 1e6, load / count,
                    path_ns / lookups / 1e3, desc_ns / lookups / 1e3, add_ns / 1e6);
        std::printf("result add_ms_%d %.4f\n", count, add_ns / 1e6);
        std::fflush(stdout);
    }
    return 0;
}
