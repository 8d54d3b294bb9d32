#pragma once

#include <QString>

// The launcher's start-up procedure and its launching of catalogue programs.
namespace modMain {

// Loads the settings beside the executable (the result is not examined), switches the
// catalogue to read-only use, then loads and shows the main window frmView. Errors while
// the window loads (a catalogue that cannot be opened) are thrown to the caller, the
// program's top-level handler.
void Main();

// Starts the program of that name with the desktop's default action. A failure (the
// catalogue cannot be read, no path recorded, a path the shell cannot open) is reported
// in two message boxes and answers false. The hourglass shows until it returns.
bool LaunchProgram(const QString& name);

} // namespace modMain
