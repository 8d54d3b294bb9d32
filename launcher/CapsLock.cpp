#include "launcher/CapsLock.h"

#include <QGuiApplication>

#if KESTREL_HAVE_XKB
#include <X11/XKBlib.h>
#endif

bool capsLockOn()
{
#if KESTREL_HAVE_XKB
    if (auto* x11 =
            qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr) {
        unsigned int indicators = 0;
        if (x11->display() &&
            XkbGetIndicatorState(x11->display(), XkbUseCoreKbd, &indicators) == 0) // Success
            return (indicators & 1U) != 0;
    }
#endif
    return false;
}
