// Times programs from process start to the first paint of their window, on the X display
// in DISPLAY (a virtual one: scripts/bench starts Xvfb).
//
//   bench_startup <runs> <label>=<executable> ...
//
// The programs under test are the real ones: they get no switch and read nothing to help
// this measurement. We watch the X server instead. With SubstructureNotify on the root
// window we see each top-level window the moment it is created and put a Damage monitor
// on it; Damage reports every drawing into the window. Qt draws a window only once it is
// mapped and exposed, and then flushes the whole backing store in one go, so the first
// paint is the first burst of damage on a mapped window: it ends with its last rectangle
// (nothing more for BurstGap). The clock starts just before fork and stops when that last
// rectangle reaches us. Each program runs in its own folder with the xcb platform, and
// the programs take turns, run by run; the answer per program is the median.
#include <xcb/damage.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <map>
#include <poll.h>
#include <set>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {
constexpr double BurstGapMs = 150;
constexpr double TimeoutMs = 30000;

double nowMs()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return double(ts.tv_sec) * 1e3 + double(ts.tv_nsec) / 1e6;
}

struct Program
{
    std::string label;
    std::string path;
    std::vector<double> times;
};

pid_t start(const std::string& path)
{
    const pid_t pid = fork();
    if (pid != 0)
        return pid;
    const std::string folder = path.substr(0, path.rfind('/') + 1);
    if (!folder.empty() && chdir(folder.c_str()) != 0)
        _exit(126);
    // A real start on the display: whatever platform the benchmark itself runs on.
    unsetenv("QT_QPA_PLATFORM");
    execl(path.c_str(), path.c_str(), static_cast<char*>(nullptr));
    _exit(127);
}

void stop(pid_t pid)
{
    kill(pid, SIGTERM);
    int status = 0;
    waitpid(pid, &status, 0);
}

// Milliseconds from start to the end of the first paint, or a negative number.
double measure(xcb_connection_t* c, xcb_window_t root, uint8_t damageEvent, const Program& p)
{
    xcb_flush(c);
    while (xcb_generic_event_t* stale = xcb_poll_for_event(c))
        std::free(stale);

    const double t0 = nowMs();
    const pid_t pid = start(p.path);
    std::set<xcb_window_t> mapped;
    xcb_window_t painted = XCB_NONE;
    double lastPaint = -1;
    const int fd = xcb_get_file_descriptor(c);
    // BENCH_STARTUP_TRACE=1 lists every event, to check what counts as the first paint.
    static const bool trace = std::getenv("BENCH_STARTUP_TRACE") != nullptr;
    for (;;) {
        const double now = nowMs();
        if (lastPaint >= 0 && now - lastPaint >= BurstGapMs)
            break;
        if (now - t0 > TimeoutMs)
            break;
        int status = 0;
        if (waitpid(pid, &status, WNOHANG) == pid) {
            std::fprintf(stderr, "bench_startup: %s ended before painting\n", p.label.c_str());
            return -1;
        }
        xcb_generic_event_t* event = xcb_poll_for_event(c);
        if (!event) {
            if (xcb_connection_has_error(c))
                return -1;
            pollfd pfd{fd, POLLIN, 0};
            poll(&pfd, 1, 10);
            continue;
        }
        const double at = nowMs();
        const uint8_t type = event->response_type & 0x7f;
        if (trace)
            std::fprintf(stderr, "%8.1f ms event %u window 0x%x\n", at - t0, type,
                         type == damageEvent
                             ? reinterpret_cast<xcb_damage_notify_event_t*>(event)->drawable
                             : reinterpret_cast<xcb_map_notify_event_t*>(event)->window);
        if (type == XCB_CREATE_NOTIFY) {
            const auto* created = reinterpret_cast<xcb_create_notify_event_t*>(event);
            if (created->parent == root) {
                xcb_damage_create(c, xcb_generate_id(c), created->window,
                                  XCB_DAMAGE_REPORT_LEVEL_RAW_RECTANGLES);
                xcb_flush(c);
            }
        } else if (type == XCB_MAP_NOTIFY) {
            mapped.insert(reinterpret_cast<xcb_map_notify_event_t*>(event)->window);
        } else if (type == damageEvent) {
            const auto* damage = reinterpret_cast<xcb_damage_notify_event_t*>(event);
            if (mapped.count(damage->drawable) &&
                (painted == XCB_NONE || painted == damage->drawable)) {
                painted = damage->drawable;
                lastPaint = at;
            }
        }
        std::free(event);
    }
    stop(pid);
    if (lastPaint < 0) {
        std::fprintf(stderr, "bench_startup: %s painted no window\n", p.label.c_str());
        return -1;
    }
    return lastPaint - t0;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}
} // namespace

int main(int argc, char* argv[])
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: bench_startup <runs> <label>=<executable> ...\n");
        return 2;
    }
    const int runs = std::max(1, std::atoi(argv[1]));
    std::vector<Program> programs;
    for (int i = 2; i < argc; ++i) {
        const std::string arg = argv[i];
        const auto eq = arg.find('=');
        if (eq == std::string::npos || arg.at(eq + 1) != '/') {
            std::fprintf(stderr, "bench_startup: want <label>=<absolute path>, got %s\n", argv[i]);
            return 2;
        }
        programs.push_back({arg.substr(0, eq), arg.substr(eq + 1), {}});
    }

    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c)) {
        std::fprintf(stderr, "bench_startup: no X display\n");
        return 1;
    }
    const xcb_query_extension_reply_t* ext = xcb_get_extension_data(c, &xcb_damage_id);
    if (!ext || !ext->present) {
        std::fprintf(stderr, "bench_startup: the X server has no Damage extension\n");
        return 1;
    }
    std::free(xcb_damage_query_version_reply(
        c, xcb_damage_query_version(c, XCB_DAMAGE_MAJOR_VERSION, XCB_DAMAGE_MINOR_VERSION),
        nullptr));
    const uint8_t damageEvent = ext->first_event + XCB_DAMAGE_NOTIFY;
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(c, root, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(c);

    // One start each that is not counted: it warms the file cache, and a program that
    // writes its settings on first start has done so.
    for (int run = -1; run < runs; ++run) {
        for (Program& p : programs) {
            const double ms = measure(c, root, damageEvent, p);
            if (ms < 0)
                return 1;
            if (run >= 0)
                p.times.push_back(ms);
            usleep(200 * 1000);
        }
    }
    xcb_disconnect(c);

    std::printf("Start-up, process start to the first paint of the window (Xvfb, median of %d)\n\n",
                runs);
    std::printf("%-12s %10s %10s %10s\n", "program", "median ms", "min ms", "max ms");
    for (const Program& p : programs)
        std::printf("%-12s %10.1f %10.1f %10.1f\n", p.label.c_str(), median(p.times),
                    *std::min_element(p.times.begin(), p.times.end()),
                    *std::max_element(p.times.begin(), p.times.end()));
    if (programs.size() >= 2)
        std::printf("\n%s / %s: %.2f\n", programs[0].label.c_str(), programs[1].label.c_str(),
                    median(programs[0].times) / median(programs[1].times));
    std::printf("\n");
    for (const Program& p : programs)
        std::printf("result startup_ms_%s %.3f\n", p.label.c_str(), median(p.times));
    return 0;
}
