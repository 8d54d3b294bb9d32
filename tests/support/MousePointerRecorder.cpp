#include "tests/support/MousePointerRecorder.h"

MousePointerRecorder::MousePointerRecorder()
{
    mPrevious = platform::setMousePointerHandler(
        [this](platform::MousePointer pointer) { mSequence.append(pointer); });
}

MousePointerRecorder::~MousePointerRecorder()
{
    platform::setMousePointerHandler(std::move(mPrevious));
}
