// libFuzzer target for the launch-log line reader. A line it accepts is written back by
// the writer as a line that reads as the same record (to the second: the writer keeps no
// milliseconds): nothing a user appends to the log reads as something else once summarised.
#include "platform/log/LaunchRecord.h"
#include "tests/fuzz/FuzzCheck.h"

using namespace platform::log;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString line = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    LaunchRecord record;
    QString error;
    if (!parseLaunchLine(line, record, error)) {
        check(!error.isEmpty(), "a refused line without a reason");
        return 0;
    }
    const QString written = formatLaunchLine(record);
    check(!written.contains(u'\n') && !written.contains(u'\r'), "a record written as two lines");
    LaunchRecord again;
    check(parseLaunchLine(written, again, error), "a written line does not read");
    check(again.when.toSecsSinceEpoch() == record.when.toSecsSinceEpoch() &&
              again.host == record.host && again.user == record.user &&
              again.program == record.program && again.path == record.path &&
              again.started == record.started && again.reason == record.reason,
          "a written line reads as another record");
    return 0;
}
