// Start-up, the two run modes and the way out.
#pragma once

#include <string>

#include "startup/program.h"

namespace scriblane {

// The entry procedure: loads the window hidden, then either draws the
// command line and ends, or places and shows the window.
void Main(Program& program);
// Reads the saved settings with the command line's defaults and draws `text`
// with a space put in front of it. Ends silently on any failure.
void WriteFromCommand(Program& program, std::string& text);
// Puts the window's outer bottom-right corner on the work area's.
void PlaceForm(Platform& platform);

// Main, with unhandled failures reported. Returns when the window is shown
// (the caller runs the event loop) or after a fake End.
void RunMain(Program& program);

}  // namespace scriblane
