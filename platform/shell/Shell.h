#pragma once

#include <QString>
#include <functional>

namespace platform {
// The desktop's default action for a path. ok is false when the request could not
// be made (missing file, no permission, no handler); error then says why.
struct ShellRequest
{
    QString file;
    QString operation;
}; // operation "" = default, "Open"
struct ShellResult
{
    bool ok = false;
    QString error;
};
using ShellHandler = std::function<ShellResult(const ShellRequest&)>;
ShellResult ShellExecute(const ShellRequest& request);
ShellHandler setShellHandler(ShellHandler handler); // returns the previous one

// The real implementation, installed by default: an executable file is started
// detached in its own folder, a .desktop entry goes through `gio launch`, anything
// else to the application registered for its type (`xdg-open`). Never through a
// shell command line.
ShellResult systemShellExecute(const ShellRequest& request);
} // namespace platform
