#pragma once

// The system log and append-only log files.
#include <QByteArray>
#include <QString>

namespace platform::log {

enum class Level { Info, Warning };

// One message to the system log (syslog; the journal collects it), tagged with the
// program's name. Never fails visibly: the system log may be absent.
void toSystemLog(Level level, const QString& message);

// Appends one line (a line break is added) to the file at path with a single write() on
// an O_APPEND descriptor, so lines of several processes never interleave. The file is
// created when missing; a symbolic link and anything but a regular file are refused
// without blocking.
// Answers true, or false with the reason in error.
bool appendLine(const QString& path, const QByteArray& line, QString& error);

// Text made safe for one field of a tab-separated line, nothing dropped: backslash, tab
// and line breaks as \\, \t, \n, \r, the other controls as \xHH. Log lines (and the system
// log) also escape the C1 controls and the Unicode line separators (\xHH, \uHHHH);
// the tool's listing and messages leave those and write NUL as \0.
enum class Escape { Log, Listing };
QString escapeField(const QString& text, Escape style = Escape::Log);
// A message for a terminal: each line that holds a control character (a name or an
// engine's text echoed in it) escaped whole as Escape::Listing; the other lines as given.
QString terminalText(const QString& text);
// The reverse of escapeField; answers false on a malformed escape or a raw control
// character, with what and where in error when given.
bool unescapeField(const QString& field, QString& text, QString* error = nullptr);

} // namespace platform::log
