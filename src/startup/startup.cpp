// Main, the two run modes, placing the window and shutting down.
#include "startup/startup.h"

#include <cfenv>
#include <cmath>
#include <cstdio>

#include "dialogs/cbrowse.h"
#include "render/render.h"
#include "settings/settings.h"
#include "window/fsb.h"
#include "window/layout.h"

namespace scriblane {
namespace {

// A command-line number: converted when numeric, else the built-in value,
// which is also what the store answers for a key it lacks. A number beyond
// 32 bits ends the command-line drawing.
std::int32_t ReadNumber(SettingsStore& store, const char* key, std::int32_t builtIn) {
    const std::string text = ReadSetting(store, key, std::to_string(builtIn));
    if (!IsNumeric(text)) return builtIn;
    auto value = ToInt32(text);
    if (!value) throw std::range_error(std::string(key) + " does not fit 32 bits");
    return *value;
}

// A floating-point value to the nearest 32-bit integer, halves to even.
std::int32_t RoundToInt32(double value) {
    const double r = std::nearbyint(value);  // default rounding: to nearest, ties to even
    if (!(r >= -2147483648.0 && r <= 2147483647.0)) throw std::range_error("overflow");
    return static_cast<std::int32_t>(r);
}

}  // namespace

cBrowse& CommonDialog(Program& program) {
    if (!program.CommonDlg) program.CommonDlg = std::make_unique<cBrowse>(program.platform);
    return *program.CommonDlg;
}

void Main(Program& program) {
    Platform& platform = program.platform;
    program.MainForm = std::make_unique<fSB>(program);
    platform.form.Load(MainFormSpec(), *program.MainForm);
    program.CmdText = platform.form.Command();
    if (!program.CmdText.empty()) {
        WriteFromCommand(program, program.CmdText);
        ShutDown(program);
        return;
    }
    PlaceForm(platform);
    platform.form.Show();
    program.windowShown = true;
}

void WriteFromCommand(Program& program, std::string& text) {
    try {
        SettingsStore& store = program.platform.store;
        program.DeskBackColor = ReadNumber(store, kKeyColorB, kDefaultBackColor);
        const std::int32_t color = ReadNumber(store, kKeyColorT, kDefaultTextColor);
        const std::int32_t width = ReadNumber(store, kKeyWidth, kDefaultWidth);
        const std::int32_t height = ReadNumber(store, kKeyHeight, kDefaultHeight);
        std::string face = ReadSetting(store, kKeyFont, kNoFontMarker);
        if (face == kNoFontMarker) face = kCommandLineFace;
        text = " " + text;
        DrawOnDesk(program.platform.display, text, height, width, color, face,
                   program.DeskBackColor);
    } catch (...) {
        // Command-line mode never shows a message.
    }
}

void PlaceForm(Platform& platform) {
    try {
        Rect area{0, 0, 0, 0};
        platform.display.SystemParametersInfoA(kSpiGetWorkArea, 0, &area, 0);
        if (area.right == 0) return;
        const std::int32_t x = RoundToInt32(area.right * platform.form.TwipsPerPixelX());
        const std::int32_t y = RoundToInt32(area.bottom * platform.form.TwipsPerPixelY());
        const std::int32_t w = RoundToInt32(platform.form.Width());
        const std::int32_t h = RoundToInt32(platform.form.Height());
        std::int32_t left, top;
        if (__builtin_sub_overflow(x, w, &left) || __builtin_sub_overflow(y, h, &top)) return;
        platform.form.Move(left, top);
    } catch (...) {
        // The window is then shown wherever it stands.
    }
}

void ShutDown(Program& program) {
    program.CommonDlg.reset();
    // The handlers object goes only after End: on a real platform End does
    // not return, and the close handler that called us is still running.
    std::unique_ptr<FormEvents> form = std::move(program.MainForm);
    program.platform.form.Unload();
    program.windowShown = false;
    program.platform.form.End(0);
}

void ReportUnhandled(Program& program, const std::string& what) {
    Platform& platform = program.platform;
    const std::string message = "Scriblane stopped after an unexpected failure: " + what;
    std::fprintf(stderr, "scriblane: %s\n", message.c_str());
    if (program.windowShown) {
        try {
            platform.form.MsgBox(message, 16);
        } catch (...) {
        }
    }
    platform.form.End(1);
}

void RunMain(Program& program) {
    try {
        Main(program);
    } catch (const std::exception& e) {
        ReportUnhandled(program, e.what());
    } catch (...) {
        ReportUnhandled(program, "unknown failure");
    }
}

}  // namespace scriblane
