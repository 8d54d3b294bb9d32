// A room's launchers starting at once against one server: the server's part of a
// launcher's start (open a read-only connection, load the whole list and walk it as the
// list view does), for one reader alone and for 50 readers released at the same instant.
//
//   bench_room <server URI> [readers] [programs]
//
// The URI names a database whose role may create databases; a catalogue of programs
// (1,000 unless given) is made in a database of its own and dropped afterwards. Each
// reader is a process of its own (this program started again), fully started and with
// the server's driver loaded before the clock starts, so that what is timed is what a
// launcher waits for from the server. All readers block on one pipe; closing its
// writing end releases them together. Each checks that it saw every program, and tells
// its own processor time besides. The same is measured for bare connections (open, one
// "SELECT 1", close): the floor that any client of this server on this machine has.
//
// On one machine the readers share its cores with each other and with the server, which
// a room's launchers, each on its own workstation, do not: the 50-reader figure is an
// upper bound of the server's part, not a launcher's start. scripts/bench adds it to a
// single launcher's measured start-up (bench_startup) for the room's target.
#include "bench/BenchCatalogue.h"
#include "catalogue/CatalogueFile.h"
#include "catalogue/clsDBRoutines.h"
#include "platform/database/Connection.h"
#include "platform/database/Recordset.h"

#include <QCoreApplication>
#include <QSqlDatabase>
#include <QUrl>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {
constexpr int StartFd = 3;  // the reader waits for end of file here
constexpr int ResultFd = 4; // and writes "ready", then "<end ms> <programs> <cpu ms>", here

double nowMs()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return double(ts.tv_sec) * 1e3 + double(ts.tv_nsec) / 1e6;
}

double cpuMs() // of this process, user and system
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
}

void writeLine(int fd, const std::string& line)
{
    const std::string text = line + '\n';
    if (write(fd, text.data(), text.size()) != ssize_t(text.size()))
        std::_Exit(3);
}

// A reader's work, timed from its release: the launcher's (list walked: the number of
// programs seen) or a bare connection's (1).
int readerWork(const QString& uri, bool bare)
{
    if (bare) {
        Connection connection;
        connection.setConnectionString(uri);
        connection.Open();
        Recordset rs(connection);
        rs.setSource(QStringLiteral("SELECT 1"));
        rs.Open();
        rs.Close();
        connection.Close();
        return 1;
    }
    clsDBRoutines db({uri, true});
    Recordset rs = db.loadPrograms();
    qint64 chars = 0;
    int programs = 0;
    for (; !rs.Eof(); rs.MoveNext(), ++programs)
        chars += rs.Fields(QStringLiteral("Program_Name")).toString().size() +
                 rs.Fields(QStringLiteral("Program_Path")).toString().size() +
                 rs.Fields(QStringLiteral("Program_CustomIcon")).toString().size();
    return chars > 0 ? programs : 0;
}

int reader(const QString& uri, bool bare)
{
    // The driver's library loaded, as a launcher has it by the time it asks for its list.
    static_cast<void>(QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), QStringLiteral("warm")));
    QSqlDatabase::removeDatabase(QStringLiteral("warm"));
    writeLine(ResultFd, "ready");
    char byte = 0;
    while (read(StartFd, &byte, 1) > 0) {
    }
    const double cpu = cpuMs();
    int programs = 0;
    try {
        programs = readerWork(uri, bare);
    } catch (const KestrelError& error) {
        std::fprintf(stderr, "bench_room reader: %s\n", qPrintable(error.description()));
        programs = -1;
    }
    char line[96];
    std::snprintf(line, sizeof line, "%.3f %d %.3f", nowMs(), programs, cpuMs() - cpu);
    writeLine(ResultFd, line);
    return 0;
}

struct Round
{
    std::vector<double> times; // each reader's milliseconds from the release, sorted
    std::vector<double> cpu;   // each reader's own processor milliseconds meanwhile
};

// Starts count readers, releases them together, and answers their times; ends the
// process when one did not see every program. programs 0: bare connections.
Round releaseReaders(const char* self, const QString& uri, int count, int programs)
{
    const char* mode = programs > 0 ? "--reader" : "--connect";
    int start[2], results[2];
    if (pipe(start) != 0 || pipe(results) != 0)
        std::exit(1);
    const QByteArray location = uri.toLocal8Bit();
    std::vector<pid_t> pids;
    for (int i = 0; i < count; ++i) {
        const pid_t pid = fork();
        if (pid == 0) {
            dup2(start[0], StartFd);
            dup2(results[1], ResultFd);
            for (int fd : {start[0], start[1], results[0], results[1]})
                if (fd != StartFd && fd != ResultFd)
                    close(fd);
            execl(self, self, mode, location.constData(), static_cast<char*>(nullptr));
            std::_Exit(127);
        }
        pids.push_back(pid);
    }
    close(start[0]);
    close(results[1]);
    FILE* in = fdopen(results[0], "r");
    char line[128];
    for (int ready = 0; ready < count;) {
        if (!std::fgets(line, sizeof line, in)) {
            std::fprintf(stderr, "bench_room: a reader ended before it was ready\n");
            std::exit(1);
        }
        ready += std::strcmp(line, "ready\n") == 0;
    }
    const double released = nowMs();
    close(start[1]);
    Round result;
    while (std::fgets(line, sizeof line, in)) {
        double end = 0, cpu = 0;
        int seen = 0;
        if (std::sscanf(line, "%lf %d %lf", &end, &seen, &cpu) != 3 ||
            seen != std::max(programs, 1)) {
            std::fprintf(stderr, "bench_room: a reader saw %d of %d programs\n", seen, programs);
            std::exit(1);
        }
        result.times.push_back(end - released);
        result.cpu.push_back(cpu);
    }
    std::fclose(in);
    for (pid_t pid : pids)
        waitpid(pid, nullptr, 0);
    if (int(result.times.size()) != count) {
        std::fprintf(stderr, "bench_room: %zu of %d readers answered\n", result.times.size(),
                     count);
        std::exit(1);
    }
    std::sort(result.times.begin(), result.times.end());
    return result;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

struct Figures
{
    double single = 0, singleMax = 0, singleCpu = 0;       // 1 reader, 11 runs
    double together = 0, togetherMax = 0, togetherCpu = 0; // all readers, 3 rounds
};

Figures measure(const char* self, const QString& uri, int readers, int programs)
{
    Figures f;
    std::vector<double> alone, aloneCpu;
    for (int i = 0; i < 11; ++i) {
        const Round one = releaseReaders(self, uri, 1, programs);
        alone.push_back(one.times.front());
        aloneCpu.push_back(one.cpu.front());
    }
    f.single = median(alone);
    f.singleMax = *std::max_element(alone.begin(), alone.end());
    f.singleCpu = median(aloneCpu);
    std::vector<double> medians, cpu;
    for (int i = 0; i < 3; ++i) {
        const Round all = releaseReaders(self, uri, readers, programs);
        medians.push_back(median(all.times));
        f.togetherMax = std::max(f.togetherMax, all.times.back());
        cpu.insert(cpu.end(), all.cpu.begin(), all.cpu.end());
    }
    f.together = median(medians);
    f.togetherCpu = median(cpu);
    return f;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    if (argc == 3 &&
        (std::strcmp(argv[1], "--reader") == 0 || std::strcmp(argv[1], "--connect") == 0))
        return reader(QString::fromLocal8Bit(argv[2]), std::strcmp(argv[1], "--connect") == 0);
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_room <server URI> [readers] [programs]\n");
        return 2;
    }
    const QString server = QString::fromLocal8Bit(argv[1]);
    const int readers = argc > 2 ? std::max(1, std::atoi(argv[2])) : 50;
    const int programs = argc > 3 ? std::max(1, std::atoi(argv[3])) : 1000;
    const QString database = QStringLiteral("kestrel_room_%1").arg(app.applicationPid());
    const QString uri = makeServerBenchCatalogue(server, database, programs);

    const char* self = argv[0];
    releaseReaders(self, uri, 1, programs); // not counted: warms the server's caches
    const Figures list = measure(self, uri, readers, programs);
    const Figures bare = measure(self, uri, readers, 0);
    dropServerBenchCatalogue(server, database);

    std::printf("A room's launchers against one server: open, load and walk %d programs, from\n"
                "the release to the list walked (the readers share this machine's %ld cores "
                "with the server); a bare connection (open, SELECT 1, close) beside it\n\n",
                programs, sysconf(_SC_NPROCESSORS_ONLN));
    std::printf("%-34s %10s %10s %12s\n", "", "median ms", "max ms", "own CPU ms");
    const auto row = [](const std::string& what, double ms, double max, double cpu) {
        std::printf("%-34s %10.1f %10.1f %12.1f\n", what.c_str(), ms, max, cpu);
    };
    const std::string many = std::to_string(readers);
    row("launcher's part, 1 reader", list.single, list.singleMax, list.singleCpu);
    row("launcher's part, " + many + " readers", list.together, list.togetherMax, list.togetherCpu);
    row("bare connection, 1", bare.single, bare.singleMax, bare.singleCpu);
    row("bare connection, " + many + " at once", bare.together, bare.togetherMax, bare.togetherCpu);
    std::printf("\nevery reader saw all %d programs; %s together / 1 alone: %.2f (bare "
                "connections: %.2f)\n\n",
                programs, many.c_str(), list.together / list.single, bare.together / bare.single);
    std::printf("result room_single_ms %.3f\n", list.single);
    std::printf("result room_together_ms %.3f\n", list.together);
    std::printf("result room_together_max_ms %.3f\n", list.togetherMax);
    std::printf("result room_bare_single_ms %.3f\n", bare.single);
    std::printf("result room_bare_together_ms %.3f\n", bare.together);
    return 0;
}
