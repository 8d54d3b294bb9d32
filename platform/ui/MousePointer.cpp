#include "platform/ui/MousePointer.h"

namespace platform {
namespace {
MousePointerHandler& installedHandler()
{
    static MousePointerHandler handler;
    return handler;
}
} // namespace

void setMousePointer(MousePointer pointer)
{
    if (const MousePointerHandler& handler = installedHandler())
        handler(pointer);
}

MousePointerHandler setMousePointerHandler(MousePointerHandler handler)
{
    MousePointerHandler previous = std::move(installedHandler());
    installedHandler() = std::move(handler);
    return previous;
}
} // namespace platform
