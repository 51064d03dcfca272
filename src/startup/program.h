// The program-wide state, one object a run, and what the window needs of start-up.
#pragma once

#include <memory>
#include <string>

#include "dialogs/cbrowse.h"
#include "platform/platform.h"

namespace scriblane {

// Everything that lives as long as the program. A run makes one; a test
// makes a fresh one for each case.
struct Program {
    explicit Program(Platform& p) : platform(p) {}
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    Platform& platform;
    // The command line's argument text, as one string.
    std::string CmdText;
    // The one shared dialog object, created on first use.
    std::unique_ptr<cBrowse> CommonDlg;
    // The main window's handlers; loaded in both run modes.
    std::unique_ptr<FormEvents> MainForm;
    // The background colour of every drawing.
    ColorRef DeskBackColor = 0;
    // Whether an unhandled failure can be shown in a message box.
    bool windowShown = false;
};

// CommonDlg, created when first needed.
cBrowse& CommonDialog(Program& program);

// Releases the dialog object and the window and ends the program.
void ShutDown(Program& program);

// A failure no handler took: report it (a message box once the window is
// visible, standard error always) and end the program.
void ReportUnhandled(Program& program, const std::string& what);

}  // namespace scriblane
