#pragma once

#include <QString>

class QFile;

namespace platform {
// Why path (symbolic links followed) cannot be opened as an ordinary file without the
// risk of blocking or of reading endless data: "a named pipe (FIFO)", "a character
// device", "a folder", ... Empty for a regular file, and for a path that does not exist
// (the caller reports that its own way).
QString notRegularFileReason(const QString& path);

// Opens path with the open(2) flags given (O_CLOEXEC, O_NOCTTY added) as a regular file
// only: a FIFO never blocks the open, anything but a regular file is closed again, and
// with followLink false a symbolic link at the end of the path is not followed. Answers the
// descriptor, or -1 with why in error ("is a named pipe (FIFO), not a regular file", "is a
// symbolic link, not followed", or the system's reason).
int openRegularFile(const QString& path, int flags, bool followLink, QString& error);
// file opened for reading on path by openRegularFile; answers false with why in error.
bool openRegularForReading(QFile& file, const QString& path, bool followLink, QString& error);
} // namespace platform
