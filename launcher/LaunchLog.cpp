#include "launcher/LaunchLog.h"

#include "platform/log/LaunchRecord.h"
#include "platform/log/Log.h"

namespace launchlog {
namespace {
struct State
{
    QString file;
    bool failureReported = false;
};

State& state()
{
    static State s;
    return s;
}
} // namespace

void setFile(const QString& path)
{
    state().file = path;
}

QString file()
{
    return state().file;
}

QString record(const QString& program, const QString& path, bool started, const QString& reason)
{
    using namespace platform::log;
    const LaunchRecord entry = launchNow(program, path, started, reason);
    toSystemLog(started ? Level::Info : Level::Warning, formatLaunchMessage(entry));
    State& s = state();
    if (s.file.isEmpty())
        return {};
    QString error;
    if (appendLine(s.file, formatLaunchLine(entry).toUtf8(), error) || s.failureReported)
        return {};
    s.failureReported = true;
    return QStringLiteral("Launch log not written (%1): %2").arg(s.file, error);
}

void reset()
{
    state() = State();
}

} // namespace launchlog
