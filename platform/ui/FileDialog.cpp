#include "platform/ui/FileDialog.h"

namespace platform {
namespace {
FileDialogHandler& installedHandler()
{
    static FileDialogHandler handler;
    return handler;
}
} // namespace

std::optional<QString> GetOpenFileName(const FileDialogRequest& request)
{
    if (const FileDialogHandler& handler = installedHandler())
        return handler(request);
    // No user interface to ask: behave as if the user cancelled.
    return std::nullopt;
}

FileDialogHandler setFileDialogHandler(FileDialogHandler handler)
{
    FileDialogHandler previous = std::move(installedHandler());
    installedHandler() = std::move(handler);
    return previous;
}
} // namespace platform
