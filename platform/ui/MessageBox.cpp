#include "platform/ui/MessageBox.h"

#include "platform/KestrelError.h"

#include <cstdio>

namespace platform {
namespace {
MsgHandler& installedHandler()
{
    static MsgHandler handler;
    return handler;
}
} // namespace

MsgAnswer MsgBox(const MsgRequest& request)
{
    if (const MsgHandler& handler = installedHandler())
        return handler(request);
    // No user interface (a command-line tool, a core test): say it on stderr.
    std::fprintf(stderr, "%s: %s\n", qUtf8Printable(request.title), qUtf8Printable(request.text));
    return request.buttons == MsgButtons::YesNo ? MsgAnswer::No : MsgAnswer::Ok;
}

void ShowError(const KestrelError& error)
{
    MsgBox({error.description(), error.source(), MsgIcon::Critical, MsgButtons::Ok,
            error.helpFile(), error.helpContext()});
}

MsgHandler setMsgHandler(MsgHandler handler)
{
    MsgHandler previous = std::move(installedHandler());
    installedHandler() = std::move(handler);
    return previous;
}
} // namespace platform
