#pragma once

#include <QString>

namespace platform {
// Why path (symbolic links followed) cannot be opened as an ordinary file without the
// risk of blocking or of reading endless data: "a named pipe (FIFO)", "a character
// device", "a folder", ... Empty for a regular file, and for a path that does not exist
// (the caller reports that its own way).
QString notRegularFileReason(const QString& path);
} // namespace platform
