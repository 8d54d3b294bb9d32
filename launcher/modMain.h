#pragma once

#include <QString>

#include <functional>

// The launcher's start-up procedure and its launching of catalogue programs.
namespace modMain {

// Loads the settings beside the executable (the result is not examined), makes the
// catalogue object, read-only, at the location they name, then loads and shows the main
// window frmView on it. Errors while
// the window loads (a catalogue that cannot be opened) are thrown to the caller, the
// program's top-level handler.
void Main();

// Makes the program's catalogue object, read-only, at the location the loaded settings name;
// on a server it holds its connection only while it reads.
void openCatalogue();

// Makes and loads the main window frmView on the program's catalogue and settings, unless
// it exists (frmView::Instance asks for it).
void openMainWindow();

// Called with a launch's outcome: true when the program was started.
using LaunchDone = std::function<void(bool started)>;

// Starts the program of that name with the desktop's default action. The path is read
// from the catalogue at once; finding the handler and starting it happen on a thread of
// their own, so the window keeps working while the hourglass shows. A failure (the
// catalogue cannot be read, no path recorded, a path the shell cannot open) is reported
// in two message boxes once it is known, and then done(false); success gives done(true).
// Answers false, and does nothing, while a launch of the same program is still pending.
// ended runs when the started program ends, when it was started directly: a document or a
// desktop entry handed to the desktop's handlers is not followed.
bool LaunchProgram(const QString& name, LaunchDone done = {}, std::function<void()> ended = {});

// Launches still waiting for the shell's answer.
int PendingLaunches();

} // namespace modMain
