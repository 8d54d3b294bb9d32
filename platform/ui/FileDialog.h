#pragma once

#include <QString>
#include <functional>
#include <optional>

namespace platform {
// An open-file dialog: a title, an initial folder, every file offered (no filter).
struct FileDialogRequest
{
    QString title;
    QString initialFolder;
};
// The chosen full path, or nothing when the user cancelled.
using FileDialogHandler = std::function<std::optional<QString>(const FileDialogRequest&)>;
std::optional<QString> GetOpenFileName(const FileDialogRequest& request);
FileDialogHandler setFileDialogHandler(FileDialogHandler handler); // returns the previous one
} // namespace platform
