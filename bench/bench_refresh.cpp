// A running launcher's check for changes against one server: the server's processor time
// per check that finds nothing changed, as a room of launchers makes it every interval.
//
//   bench_refresh <server URI> [programs] [pooler URI]
//
// The URI names a database whose role may create databases; a catalogue of programs (1,000
// unless given) is made in a database of its own and dropped afterwards. The server runs on
// this machine: its processor time is read from /proc, the postmaster's own and its ended
// children's (cutime, cstime) plus every live child's, before and after the checks, so the
// backend of a connection that a check opens and closes is counted as well as one that is
// kept. Three ways are measured: the launcher's check (clsDBRoutines::changeStamp, whatever
// connection it keeps), the same on a connection opened and closed for each check (what a
// launcher that holds no connection at rest pays) beside a bare connection's cost, and a
// catalogue made before the change stamp, whose rows are compared instead. With a pooler's
// URI (a transaction pooler in front of the same server), the check on a new connection is
// measured through it too: that is the room's way, and the figure the target is set for.
#include "bench/BenchCatalogue.h"
#include "bench/ServerCpu.h"
#include "catalogue/clsDBRoutines.h"
#include "platform/database/Connection.h"
#include "platform/database/Recordset.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QUrl>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <unistd.h>

namespace {
qint64 postmasterOf(const QString& uri)
{
    Connection connection;
    connection.setConnectionString(uri);
    connection.Open();
    Recordset rs(connection);
    rs.setSource(QStringLiteral("SELECT pg_backend_pid() AS Pid"));
    rs.Open();
    const qint64 backend = rs.Fields(QStringLiteral("Pid")).toLongLong();
    rs.Close();
    connection.Close();
    return parentOf(backend);
}

struct Figure
{
    double serverMs = 0; // per check
    double wallMs = 0;   // per check
};

// The server's time per check over count checks, after a few that are not counted.
Figure measure(qint64 postmaster, int count, const std::function<void()>& check)
{
    for (int i = 0; i < 20; ++i)
        check();
    const double cpu = serverCpuMs(postmaster);
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < count; ++i)
        check();
    const double wall =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    // A backend that just closed is counted once the postmaster has reaped it.
    usleep(300 * 1000);
    return {(serverCpuMs(postmaster) - cpu) / count, wall / count};
}
} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_refresh <server URI> [programs]\n");
        return 2;
    }
    const QString server = QString::fromLocal8Bit(argv[1]);
    const int programs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 1000;
    const QString pooler = argc > 3 ? QString::fromLocal8Bit(argv[3]) : QString();
    const QString database = QStringLiteral("kestrel_refresh_%1").arg(app.applicationPid());
    const QString uri = makeServerBenchCatalogue(server, database, programs);
    const qint64 postmaster = postmasterOf(uri);
    if (postmaster <= 1 || processCpuMs(postmaster, true) == 0) {
        std::fprintf(stderr, "bench_refresh: the server does not run on this machine\n");
        dropServerBenchCatalogue(server, database);
        return 1;
    }

    QString first;
    const auto unchanged = [&first](const QString& stamp) {
        if (first.isEmpty())
            first = stamp;
        if (stamp != first) {
            std::fprintf(stderr, "bench_refresh: the stamp moved without a change\n");
            std::exit(1);
        }
    };
    clsDBRoutines launcher({uri, true});
    const Figure kept = measure(postmaster, 2000, [&] { unchanged(launcher.changeStamp()); });
    first.clear();
    const Figure fresh = measure(postmaster, 200, [&] {
        clsDBRoutines once({uri, true});
        unchanged(once.changeStamp());
    });
    Figure pooled{-1, -1};
    if (!pooler.isEmpty()) {
        QUrl url(pooler);
        url.setPath(u'/' + database);
        const QString through = url.toString();
        first.clear();
        clsDBRoutines({through, true}).changeStamp(); // the pooler's sessions opened
        pooled = measure(postmaster, 200, [&] {
            clsDBRoutines once({through, true});
            unchanged(once.changeStamp());
        });
    }
    // What any client's connection costs this server: the floor of a check on a new one.
    const Figure bare =
        measure(postmaster, 200, [&] { statement(uri, QStringLiteral("SELECT 1")); });
    statement(uri, QStringLiteral("DROP FUNCTION kestrel_count_change() CASCADE"));
    statement(uri, QStringLiteral("DROP TABLE Catalogue_Change"));
    first.clear();
    clsDBRoutines older({uri, true});
    const Figure rows = measure(postmaster, 200, [&] { unchanged(older.changeStamp()); });
    dropServerBenchCatalogue(server, database);

    std::printf("A launcher's check for changes that finds none, %d programs: the server's "
                "processor time (all its processes) and the time a check takes\n\n",
                programs);
    std::printf("%-48s %14s %10s\n", "", "server CPU ms", "wall ms");
    const auto row = [](const char* what, const Figure& f) {
        std::printf("%-48s %14.3f %10.3f\n", what, f.serverMs, f.wallMs);
    };
    row("change stamp, the launcher's connection", kept);
    row("change stamp, a connection opened per check", fresh);
    if (pooled.serverMs >= 0)
        row("the same through the pooler", pooled);
    row("bare connection (open, SELECT 1, close)", bare);
    row("no stamp (older catalogue): rows compared", rows);
    std::printf("\n");
    // A launcher holds no connection between two checks: each check opens one (through the
    // pooler in a room, where there is one).
    std::printf("result refresh_server_cpu_ms_per_check %.4f\n",
                pooled.serverMs >= 0 ? pooled.serverMs : fresh.serverMs);
    std::printf("result refresh_server_cpu_ms_per_check_direct %.4f\n", fresh.serverMs);
    std::printf("result refresh_server_cpu_ms_per_check_kept_connection %.4f\n", kept.serverMs);
    std::printf("result refresh_server_cpu_ms_per_check_no_stamp %.4f\n", rows.serverMs);
    return 0;
}
