#pragma once

#include <QString>

namespace admin {

class frmSetup;

// Start-up: loads the settings from mStrIniFile (normally settingsFilePath()), makes the
// catalogue object at the location they name and shows the setup window on it. Settings that cannot
// be loaded are reported and no window is shown; the answer is then false and the program should
// end.
bool Main(const QString& mStrIniFile);

// The settings file the program started with; the database-location change writes to it.
QString settingsFile();

// Each window exists at most once. The setup window, created when first needed.
frmSetup& setupWindow();
// The setup window while it is open, else nullptr.
frmSetup* openSetupWindow();
// Shows the add dialog modeless and without an owner; an open one is shown again as it is.
void showAddProgram();

} // namespace admin
