// The main window: its start-up from the settings and its six commands.
#pragma once

#include <cstdint>
#include <string>

#include "platform/platform.h"
#include "startup/program.h"
#include "window/layout.h"

namespace scriblane {

inline constexpr std::int32_t kStyleOk = 0;
inline constexpr std::int32_t kStyleYesNoQuestion = 36;
inline constexpr std::int32_t kStyleWarning = 48;
inline constexpr std::int32_t kStyleInformation = 64;
inline constexpr std::int32_t kAnswerYes = 6;

inline constexpr const char* kNoTextMessage = "No text entered.";
inline constexpr const char* kBadEntryMessage = "Error. One of your entries may be invalid.";
inline constexpr const char* kSaveQuestion =
    "Default settings will appear at program open and be used when Scriblane is run by command "
    "with a parameter. Save these settings as the default font, color and size?";

class fSB : public FormEvents {
public:
    explicit fSB(Program& program) : program_(program), p_(program.platform) {}

    void OnLoad() override;
    void OnClick(Ctl control) override;
    void OnUnload(std::int32_t& cancel) override;

    void bWrite_Click();
    void bCol_Click();
    void bcolBK_Click();
    void bUseDeskCol_Click();
    void bSave_Click();
    void bHelp_Click();

    static std::string HelpText();

    bool Busy = false;

private:
    // "Text Color" and "Back Color" differ only in the swatch and in what
    // happens to the drawing background.
    void ChooseSwatchColor(Ctl swatch, bool setsDeskBackColor);
    Program& program_;
    Platform& p_;
};

}  // namespace scriblane
