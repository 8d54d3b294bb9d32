#pragma once

#include "platform/ui/MousePointer.h"

#include <QList>

// Installs itself as the mouse-pointer handler for its lifetime and records every
// change in order.
class MousePointerRecorder
{
public:
    MousePointerRecorder();
    ~MousePointerRecorder();
    MousePointerRecorder(const MousePointerRecorder&) = delete;
    MousePointerRecorder& operator=(const MousePointerRecorder&) = delete;

    const QList<platform::MousePointer>& sequence() const { return mSequence; }
    // The pointer now showing: the last one set, Default before any.
    platform::MousePointer current() const
    {
        return mSequence.isEmpty() ? platform::MousePointer::Default : mSequence.constLast();
    }
    void clear() { mSequence.clear(); }

private:
    QList<platform::MousePointer> mSequence;
    platform::MousePointerHandler mPrevious;
};
