// Start-up, the two run modes and the way out.
#pragma once

#include <memory>
#include <string>

#include "dialogs/cbrowse.h"
#include "platform/platform.h"
#include "window/fsb.h"

namespace scriblane {

// The command line's argument text, as one string.
inline std::string CmdText;
// The one shared dialog object, created on first use.
inline std::unique_ptr<cBrowse> CommonDlg;
// The main window's handlers; loaded in both run modes.
inline std::unique_ptr<fSB> MainForm;

// The entry procedure: loads the window hidden, then either draws the
// command line and ends, or places and shows the window.
void Main(Platform& platform);
// Reads the saved settings with the command line's defaults and draws `text`
// with a space put in front of it. Ends silently on any failure.
void WriteFromCommand(Platform& platform, std::string& text);
// Puts the window's outer bottom-right corner on the work area's.
void PlaceForm(Platform& platform);
// Releases the dialog object and the window and ends the program.
void ShutDown(Platform& platform);

// CommonDlg, created when first needed.
cBrowse& CommonDialog(Platform& platform);

// A failure no handler took: report it (a message box once the window is
// visible, standard error always) and end the program.
void ReportUnhandled(Platform& platform, const std::string& what);

// Main, with unhandled failures reported. Returns when the window is shown
// (the caller runs the event loop) or after a fake End.
void RunMain(Platform& platform);

// Forgets all program-wide state (for a fresh run in the same process).
void ResetProgramState();

}  // namespace scriblane
