#pragma once

#include "platform/ui/FileDialog.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/MousePointer.h"

namespace platform {
// The Qt Widgets implementations of the user-interface hooks. Both programs call
// installRealHandlers() once, after creating their application object.
void installRealHandlers();

// A modal QMessageBox over the active window. With a help file attached, F1 opens
// that file with the desktop's default action (through the shell hook).
MsgAnswer showMessageBox(const MsgRequest& request);

// Qt's own open-file dialog (a native one may be out of reach of tests and of
// desktops without a portal): every file offered, an existing file must be chosen.
std::optional<QString> showOpenFileDialog(const FileDialogRequest& request);

// The program-wide pointer as an application override cursor. Hourglass twice
// stays one override; Default with none set does nothing.
void applyMousePointer(MousePointer pointer);
} // namespace platform
