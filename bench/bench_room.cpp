// A room's launchers against one server, with the real launcher: what the server spends
// on a launcher's start, and how many connections idle launchers hold.
//
//   bench_room <server URI> <staged installation> [starts] [launchers] [programs] [pooler URI]
//
// The URI names a database on this machine whose role may create databases and read the
// server's settings; a catalogue of programs (1,000 unless given) is made in a database of
// its own and dropped afterwards. The installation (scripts/run's stage) gives the
// launcher and its default icon; a folder beside it names the catalogue in its Kestrel.ini.
//
// The server's processor time is its postmaster's own and its reaped children's (a backend
// that ended is added to the postmaster's when it is reaped) plus its live children's, read
// from /proc before and after; the bench's own backend, which watches pg_stat_activity, is
// taken off. A start is over when its launcher has connected and holds no connection again
// (starts 20 unless given, one after the other); beside it, a bare connection's (open,
// SELECT 1, close), the floor of any client on this server and machine. The connections at rest are
// those that launchers started together (20 unless given) hold once each has connected and settled.
// With a pooler's URI (a transaction pooler in front of the same server, as a room of
// launchers is meant to use it), the starts are measured through it as well: its sessions
// stay open, so a start there is over when the server has spent nothing for a second, and
// its cost is the processor time of the server processes serving the pooler's sessions.
#include "bench/BenchCatalogue.h"
#include "bench/ServerCpu.h"
#include "catalogue/CatalogueFile.h"
#include "platform/database/Connection.h"
#include "platform/database/Recordset.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>
#include <QThread>
#include <QUrl>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <unistd.h>
#include <vector>

namespace {
// The bench's own connection to the server: the first column of a statement's first row.
class Watcher
{
public:
    explicit Watcher(const QString& uri)
    {
        mConnection.setConnectionString(uri);
        mConnection.Open();
    }
    ~Watcher() { mConnection.Close(); }
    QVariantList column(const QString& statement)
    {
        Recordset rs(mConnection);
        rs.setSource(statement);
        rs.Open();
        QVariantList values;
        for (; !rs.Eof(); rs.MoveNext())
            values.append(rs.Fields(rs.FieldNames().value(0)));
        return values;
    }
    QVariant value(const QString& statement) { return column(statement).value(0); }

private:
    Connection mConnection;
};

// Waits until ready() holds, polling; false after the timeout.
bool waitFor(const std::function<bool()>& ready, int timeoutMs = 30000)
{
    QElapsedTimer timer;
    timer.start();
    while (!ready()) {
        if (timer.hasExpired(timeoutMs))
            return false;
        QThread::msleep(20);
    }
    return true;
}

void stop(std::vector<std::unique_ptr<QProcess>>& launchers)
{
    for (auto& launcher : launchers) {
        launcher->terminate();
        launcher->waitForFinished(10000);
    }
    launchers.clear();
}
} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: bench_room <server URI> <staged installation> [starts] "
                             "[launchers] [programs]\n");
        return 2;
    }
    const QString server = QString::fromLocal8Bit(argv[1]);
    const QDir stage(QString::fromLocal8Bit(argv[2]));
    const int starts = argc > 3 ? std::max(1, std::atoi(argv[3])) : 20;
    const int together = argc > 4 ? std::max(1, std::atoi(argv[4])) : 20;
    const int programs = argc > 5 ? std::max(1, std::atoi(argv[5])) : 1000;
    const QString pooler = argc > 6 ? QString::fromLocal8Bit(argv[6]) : QString();
    const QString database = QStringLiteral("kestrel_room_%1").arg(app.applicationPid());
    const QString uri = makeServerBenchCatalogue(server, database, programs);

    QTemporaryDir room;
    QDir(room.path()).mkpath(QStringLiteral("icons"));
    QFile::copy(stage.filePath(QStringLiteral("Kestrel")),
                room.filePath(QStringLiteral("Kestrel")));
    QFile::copy(stage.filePath(QStringLiteral("Default.ico")),
                room.filePath(QStringLiteral("Default.ico")));
    QFile ini(room.filePath(QStringLiteral("Kestrel.ini")));
    const auto nameCatalogue = [&ini](const QString& location) {
        if (!ini.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return false;
        ini.write(QStringLiteral("[Database]\nDatabasePath=%1\n[General]\nRequireLogin=0\n"
                                 "ShowToolbar=0\nNumberOfClicks=2\nDefaultIcon=Default.ico\n"
                                 "DefaultDialogIconPath=icons\nDefaultDialogDBPath=icons\n")
                      .arg(location)
                      .toUtf8());
        ini.close();
        return true;
    };
    if (!nameCatalogue(uri))
        return 1;

    Watcher watcher(server);
    QFile pidFile(watcher.value(QStringLiteral("SHOW data_directory")).toString() +
                  QStringLiteral("/postmaster.pid"));
    const qint64 postmaster =
        pidFile.open(QIODevice::ReadOnly) ? pidFile.readLine().trimmed().toLongLong() : 0;
    const qint64 watcherBackend =
        watcher.value(QStringLiteral("SELECT pg_backend_pid()")).toLongLong();
    const QString sessions =
        QStringLiteral("SELECT pid FROM pg_stat_activity WHERE datname = '%1'").arg(database);
    const auto held = [&] { return watcher.column(sessions).size(); };
    const auto launch = [&] {
        auto launcher = std::make_unique<QProcess>();
        launcher->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        launcher->start(room.filePath(QStringLiteral("Kestrel")), {});
        return launcher;
    };

    // One start after the other: the server's time for each.
    std::vector<std::unique_ptr<QProcess>> running;
    running.push_back(launch()); // not counted: warms the server's caches
    const bool warmed = waitFor([&] { return held() > 0; }) && waitFor([&] { return held() == 0; });
    stop(running);
    // The server's processor milliseconds for each of count runs of work, the watcher's
    // own taken off.
    const auto serverMsPerRun = [&](int count, const std::function<void()>& work) {
        const double serverBefore = serverCpuMs(postmaster);
        const double watcherBefore = processCpuMs(watcherBackend, false);
        for (int i = 0; i < count; ++i)
            work();
        return (serverCpuMs(postmaster) - serverBefore -
                (processCpuMs(watcherBackend, false) - watcherBefore)) /
               count;
    };
    bool settled = warmed;
    const double perStart = serverMsPerRun(starts, [&] {
        running.push_back(launch());
        settled =
            settled && waitFor([&] { return held() > 0; }) && waitFor([&] { return held() == 0; });
        stop(running);
    });
    // The floor any client pays on this server and machine: open, SELECT 1, close.
    const double perBareConnection = serverMsPerRun(starts, [&] {
        Watcher bare(uri);
        bare.value(QStringLiteral("SELECT 1"));
    });

    // Launchers started together: the connections they hold once all have settled.
    for (int i = 0; i < together; ++i)
        running.push_back(launch());
    QSet<qint64> seen;
    const bool connected = waitFor(
        [&] {
            for (const QVariant& pid : watcher.column(sessions))
                seen.insert(pid.toLongLong());
            return seen.size() >= together;
        },
        120000);
    waitFor([&] { return held() == 0; }, 10000);
    QThread::msleep(2000);
    const qsizetype atRest = held();
    stop(running);

    // Through the pooler: its server sessions stay, so a start is over when the server has
    // been idle for a second, and what it spent is the time of those sessions.
    double perPooledStart = -1;
    if (!pooler.isEmpty()) {
        QUrl pooled(pooler);
        pooled.setPath(u'/' + database);
        nameCatalogue(pooled.toString());
        const auto startAndSettle = [&] {
            running.push_back(launch());
            QThread::msleep(500);
            double before = -1;
            waitFor([&] {
                const double now = serverCpuMs(postmaster);
                const bool idle = now == before;
                before = now;
                QThread::msleep(1000);
                return idle;
            });
            stop(running);
        };
        startAndSettle(); // not counted: the pooler's sessions are opened
        // The pooler's sessions live on, so their own time is exact; the server's
        // background processes (checkpoints, WAL) are no start's.
        const auto pooledSessionsMs = [&] {
            QHash<qint64, double> ms;
            for (const QVariant& pid : watcher.column(sessions))
                ms.insert(pid.toLongLong(), processCpuMs(pid.toLongLong(), false));
            return ms;
        };
        const QHash<qint64, double> before = pooledSessionsMs();
        for (int i = 0; i < starts; ++i)
            startAndSettle();
        double spent = 0;
        for (const auto& [pid, ms] : pooledSessionsMs().asKeyValueRange())
            spent += ms - before.value(pid, 0.0);
        perPooledStart = spent / starts;
    }
    dropServerBenchCatalogue(server, database);

    if (!postmaster || !settled || !connected) {
        std::fprintf(stderr, "bench_room: %s\n",
                     !postmaster ? "the server's postmaster.pid cannot be read (not on this "
                                   "machine, or the role may not read its settings)"
                                 : "a launcher never connected or never let go of its connection");
        return 1;
    }
    std::printf("A room's launchers against one server (%d programs)\n\n", programs);
    std::printf("%-58s %10.2f\n", "server processor ms per launcher start", perStart);
    std::printf("%-58s %10.2f\n", "server processor ms per bare connection (open, SELECT 1)",
                perBareConnection);
    if (perPooledStart >= 0)
        std::printf("%-58s %10.2f\n", "server processor ms per launcher start, through the pooler",
                    perPooledStart);
    std::printf("%-58s %10lld\n",
                qPrintable(QStringLiteral("connections held by %1 idle launchers").arg(together)),
                qint64(atRest));
    // A room is meant to start through a pooler: the target is that figure where there is one.
    std::printf("\nresult room_server_cpu_ms_per_start %.3f\n",
                perPooledStart >= 0 ? perPooledStart : perStart);
    std::printf("result room_server_cpu_ms_per_start_direct %.3f\n", perStart);
    std::printf("result room_connections_at_rest %lld\n", qint64(atRest));
    std::printf("result room_server_cpu_ms_per_bare_connection %.3f\n", perBareConnection);
    return 0;
}
