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

bool windowShown = false;

// A command-line number: converted when numeric, else the built-in value. A
// number beyond 32 bits ends the command-line drawing.
std::int32_t ReadNumber(SettingsStore& store, const char* key, const char* fallback,
                        std::int32_t builtIn) {
    const std::string text = ReadSetting(store, key, fallback);
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

cBrowse& CommonDialog(Platform& platform) {
    if (!CommonDlg) CommonDlg = std::make_unique<cBrowse>(platform);
    return *CommonDlg;
}

void Main(Platform& platform) {
    MainForm = std::make_unique<fSB>(platform);
    platform.form.Load(MainFormSpec(), *MainForm);
    CmdText = platform.form.Command();
    if (!CmdText.empty()) {
        WriteFromCommand(platform, CmdText);
        ShutDown(platform);
        return;
    }
    PlaceForm(platform);
    platform.form.Show();
    windowShown = true;
}

void WriteFromCommand(Platform& platform, std::string& text) {
    try {
        SettingsStore& store = platform.store;
        DeskBackColor = ReadNumber(store, kKeyColorB, "15464446", 15464446);
        const std::int32_t color = ReadNumber(store, kKeyColorT, "10114821", 10114821);
        const std::int32_t width = ReadNumber(store, kKeyWidth, "15", 15);
        const std::int32_t height = ReadNumber(store, kKeyHeight, "30", 30);
        std::string face = ReadSetting(store, kKeyFont, kNoFontMarker);
        if (face == kNoFontMarker) face = "arial";
        text = " " + text;
        DrawOnDesk(platform.display, text, height, width, color, face);
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

void ShutDown(Platform& platform) {
    CommonDlg.reset();
    // The handlers object goes only after End: on a real platform End does
    // not return, and the close handler that called us is still running.
    std::unique_ptr<fSB> form = std::move(MainForm);
    platform.form.Unload();
    windowShown = false;
    platform.form.End(0);
}

void ReportUnhandled(Platform& platform, const std::string& what) {
    const std::string message = "Scriblane stopped after an unexpected failure: " + what;
    std::fprintf(stderr, "scriblane: %s\n", message.c_str());
    if (windowShown) {
        try {
            platform.form.MsgBox(message, 16);
        } catch (...) {
        }
    }
    platform.form.End(1);
}

void RunMain(Platform& platform) {
    try {
        Main(platform);
    } catch (const std::exception& e) {
        ReportUnhandled(platform, e.what());
    } catch (...) {
        ReportUnhandled(platform, "unknown failure");
    }
}

void ResetProgramState() {
    CmdText.clear();
    CommonDlg.reset();
    MainForm.reset();
    DeskBackColor = 0;
    windowShown = false;
}

}  // namespace scriblane
