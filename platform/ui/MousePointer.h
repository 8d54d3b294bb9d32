#pragma once

#include <functional>

namespace platform {
// The program-wide mouse pointer.
enum class MousePointer { Default, Hourglass };
using MousePointerHandler = std::function<void(MousePointer)>;
void setMousePointer(MousePointer pointer);
MousePointerHandler setMousePointerHandler(MousePointerHandler handler); // returns the previous one
} // namespace platform
