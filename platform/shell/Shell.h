#pragma once

#include <QString>
#include <functional>

class QObject;

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
    // The started program's process when it was started directly; 0 when a handler (gio,
    // xdg-open) started it, which hands on and ends on its own.
    qint64 pid = 0;
};
using ShellHandler = std::function<ShellResult(const ShellRequest&)>;
ShellResult ShellExecute(const ShellRequest& request);
ShellHandler setShellHandler(ShellHandler handler); // returns the previous one

// The same request answered on a thread of its own, so that waiting for a handler
// (gio, xdg-mime) never blocks the caller's thread. done runs on context's thread once
// the answer is there, and not at all when context is gone by then.
using ShellDone = std::function<void(const ShellResult&)>;
void ShellExecuteAsync(const ShellRequest& request, QObject* context, ShellDone done);

// Calls ended on context's thread once the process pid ends (at once when it is gone
// already). It need not be our child: a program started detached is followed too. Not at
// all where the system cannot follow a process (Linux before 5.3), or when context is gone.
void whenProcessEnds(qint64 pid, QObject* context, std::function<void()> ended);

// The real implementation, installed by default: an executable file is started
// detached in its own folder, a .desktop entry goes through `gio launch`, anything
// else to the application registered for its type (`xdg-open`). A bare command name
// that is no file in the working folder is looked up on PATH. Never through a shell
// command line.
ShellResult systemShellExecute(const ShellRequest& request);
} // namespace platform
