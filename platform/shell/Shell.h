#pragma once

#include <QString>
#include <functional>

namespace platform {
// The desktop's default action for a path. ok is false when the request could not
// be made (missing file, no permission, no handler); error then says why.
struct ShellRequest { QString file; QString operation; };   // operation "" = default, "Open"
struct ShellResult { bool ok = false; QString error; };
using ShellHandler = std::function<ShellResult(const ShellRequest&)>;
ShellResult ShellExecute(const ShellRequest& request);
ShellHandler setShellHandler(ShellHandler handler); // returns the previous one
}
