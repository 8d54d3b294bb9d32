#pragma once

#include <QString>

// The launcher's record of launch attempts: every attempt goes to the system log, and to
// the file named by [Logging] LaunchLog in the settings when that key is set.
namespace launchlog {

// The file that launches are appended to; empty: none (the default).
void setFile(const QString& path);
QString file();

// Records one attempt. A file that cannot be written never stops the launch: the first
// such failure of the session is answered as a notice for the user, later ones as "".
QString record(const QString& program, const QString& path, bool started, const QString& reason);

// Forgets the file and the reported failure (a new session; tests).
void reset();

} // namespace launchlog
