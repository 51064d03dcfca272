// The main window's start-up and its commands.
#include "window/fsb.h"

#include "dialogs/cbrowse.h"
#include "render/render.h"
#include "settings/settings.h"

namespace scriblane {
namespace {

// A numeric colour text whose value is a plain colour.
bool ReadPlainColor(const std::string& text, std::int32_t& color) {
    if (!IsNumeric(text)) return false;
    auto value = ToInt32(text);
    if (!value || !IsPlainColor(*value)) return false;
    color = *value;
    return true;
}

// Reads a size box: its number when numeric, else the fallback. A numeric
// text beyond 32 bits is an invalid entry.
std::int32_t ReadSize(const std::string& text, std::int32_t fallback) {
    if (!IsNumeric(text)) return fallback;
    auto value = ToInt32(text);
    if (!value) throw FormError("size out of range");
    return *value;
}

}  // namespace

void fSB::OnLoad() {
    FormRuntime& form = p_.form;
    form.SetBackColor(Ctl::PicT, 0);

    std::int32_t back = 0;
    if (!ReadPlainColor(ReadSetting(p_.store, kKeyColorB, kNoColorMarker), back)) {
        const ColorRef desk = p_.display.GetSysColor(kColorBackground);
        back = IsPlainColor(desk) ? desk : kMaxColor;
    }
    program_.DeskBackColor = back;
    form.SetBackColor(Ctl::PicBk, program_.DeskBackColor);
    form.Refresh(Ctl::PicBk);

    std::int32_t text = 0;
    form.SetBackColor(Ctl::PicT,
                      ReadPlainColor(ReadSetting(p_.store, kKeyColorT, kNoColorMarker), text) ? text
                                                                                          : 0);
    form.Refresh(Ctl::PicT);

    const std::string width = ReadSetting(p_.store, kKeyWidth, std::to_string(kDefaultWidth));
    if (IsNumeric(width)) form.SetText(Ctl::tW, width);
    const std::string height = ReadSetting(p_.store, kKeyHeight, std::to_string(kDefaultHeight));
    if (IsNumeric(height)) form.SetText(Ctl::tH, height);

    // From here on a failing step is skipped and start-up goes on.
    try {
        const std::int32_t count = form.ScreenFontCount();
        for (std::int32_t i = 0; i < count; ++i) {
            try {
                form.AddItem(Ctl::fBox, form.ScreenFont(i));
            } catch (...) {
            }
        }
    } catch (...) {
    }
    try {
        const std::string face = ReadSetting(p_.store, kKeyFont, kNoFontMarker);
        if (face == kNoFontMarker) {
            form.SetListIndex(Ctl::fBox, 0);
        } else {
            form.SetText(Ctl::fBox, face);
        }
    } catch (...) {
    }
    Busy = false;
}

void fSB::OnClick(Ctl control) {
    try {
        switch (control) {
            case Ctl::bWrite: bWrite_Click(); break;
            case Ctl::bCol: bCol_Click(); break;
            case Ctl::bcolBK: bcolBK_Click(); break;
            case Ctl::bUseDeskCol: bUseDeskCol_Click(); break;
            case Ctl::bSave: bSave_Click(); break;
            case Ctl::bHelp: bHelp_Click(); break;
            default: break;
        }
    } catch (const std::exception& e) {
        ReportUnhandled(program_, e.what());
    } catch (...) {
        ReportUnhandled(program_, "unknown failure");
    }
}

void fSB::OnUnload(std::int32_t& cancel) {
    cancel = 1;
    ShutDown(program_);
}

void fSB::bWrite_Click() {
    if (Busy) return;
    Busy = true;
    std::string text;
    std::int32_t height = 0, width = 0, color = 0;
    std::string face;
    try {
        text = p_.form.GetText(Ctl::tText);
        if (text.empty()) {
            p_.form.MsgBox(kNoTextMessage, kStyleInformation);
            Busy = false;
            return;
        }
        height = ReadSize(p_.form.GetText(Ctl::tH), kDefaultHeight);
        width = ReadSize(p_.form.GetText(Ctl::tW), kDefaultWidth);
        color = p_.form.GetBackColor(Ctl::PicT);
        face = p_.form.GetText(Ctl::fBox);
        if (face.empty()) face = kWindowFace;
    } catch (...) {
        Busy = false;
        p_.form.MsgBox(kBadEntryMessage, kStyleInformation);
        return;
    }
    DrawOnDesk(p_.display, text, height, width, color, face, program_.DeskBackColor);
    Busy = false;
}

void fSB::ChooseSwatchColor(Ctl swatch, bool setsDeskBackColor) {
    if (Busy) return;
    Busy = true;
    try {
        const ColorRef start = p_.form.GetBackColor(swatch);
        const std::int32_t chosen = CommonDialog(program_).dcolor(p_.form.hWnd(), start);
        if (chosen != -1) {
            p_.form.SetBackColor(swatch, chosen);
            p_.form.Refresh(swatch);
            if (setsDeskBackColor) program_.DeskBackColor = chosen;
        }
        Busy = false;
    } catch (...) {
        Busy = false;
        if (setsDeskBackColor) program_.DeskBackColor = kMaxColor;
    }
}

void fSB::bCol_Click() { ChooseSwatchColor(Ctl::PicT, false); }

void fSB::bcolBK_Click() { ChooseSwatchColor(Ctl::PicBk, true); }

void fSB::bUseDeskCol_Click() {
    try {
        const ColorRef desk = p_.display.GetSysColor(kColorBackground);
        if (IsPlainColor(desk)) {
            program_.DeskBackColor = desk;
            p_.form.SetBackColor(Ctl::PicBk, program_.DeskBackColor);
            p_.form.Refresh(Ctl::PicBk);
        }
    } catch (...) {
        program_.DeskBackColor = kMaxColor;
    }
}

void fSB::bSave_Click() {
    if (p_.form.MsgBox(kSaveQuestion, kStyleYesNoQuestion) != kAnswerYes) return;
    SavedChoices choices;
    choices.width = p_.form.GetText(Ctl::tW);
    choices.height = p_.form.GetText(Ctl::tH);
    choices.face = p_.form.GetText(Ctl::fBox);
    choices.backColor = p_.form.GetBackColor(Ctl::PicBk);
    choices.textColor = p_.form.GetBackColor(Ctl::PicT);
    try {
        WriteSettings(p_.store, choices);
    } catch (const SaveRefused& e) {
        // A refused write must not cost the user the window and its entries.
        p_.form.MsgBox(std::string("The settings could not be saved: ") + e.what() +
                           (e.written() > 0 ? "\r\nSettings written before the failure were kept."
                                            : "\r\nNo setting was written."),
                       kStyleWarning);
    }
}

void fSB::bHelp_Click() { p_.form.MsgBox(HelpText(), kStyleOk); }

std::string fSB::HelpText() {
    std::string msg;
    msg += "Enter text to show on screen.\r\n";
    msg += "Choose size of letters in pixels. The default size is 30 x 15 pixels.\r\n";
    msg += "Choose font face.\r\n";
    msg += "Choose color for text. Selected color shows under color selector button.\r\n";
    msg += "Choose color for background. If not selected the color will be that of the "
           "Desktop.\r\n";
    msg += "Click the SAVE SETTINGS button to make current settings the default.\r\n";
    msg += "The USE DESK COLOR button will set background color to Desktop color.\r\n";
    msg += "\r\n";
    msg += "Note: The text is written at center-screen and will disappear when you close "
           "whatever is behind it. If you write on the Desktop it will disappear when you "
           "refresh the Desktop. To do that: Right-click on Desktop and click Refresh.";
    return msg;
}

}  // namespace scriblane
