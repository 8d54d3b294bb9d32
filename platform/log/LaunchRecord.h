#pragma once

// One launch attempt as the launch log records it: a tab-separated line
//   time  host  user  program  path  result  reason
// with the time in ISO 8601 with its offset, the result "started" or "failed", and every
// field escaped (escapeField), so a line is always one line.
#include <QDateTime>
#include <QString>

namespace platform::log {

struct LaunchRecord
{
    QDateTime when;
    QString host;
    QString user;
    QString program;
    QString path;
    bool started = false;
    QString reason; // why it failed; empty when started
};

// A record for a launch happening now on this machine by this process's user.
LaunchRecord launchNow(const QString& program, const QString& path, bool started,
                       const QString& reason);

QString formatLaunchLine(const LaunchRecord& record);
// The system log's form of the record (its own time and host go with every entry).
QString formatLaunchMessage(const LaunchRecord& record);

// Reads one line (a CR at its end is part of a CR LF line end); answers false with what is
// wrong in error, naming the field.
bool parseLaunchLine(const QString& line, LaunchRecord& record, QString& error);

} // namespace platform::log
