// The per-user settings: keys, value forms, the numeric test and the
// conversions shared by start-up, command-line mode and "Save Settings".
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/platform.h"

namespace scriblane {

inline constexpr const char* kAppName = "Scriblane";
inline constexpr const char* kSection = "settings";
inline constexpr const char* kKeyColorT = "colorT";
inline constexpr const char* kKeyColorB = "colorB";
inline constexpr const char* kKeyWidth = "tw";
inline constexpr const char* kKeyHeight = "th";
inline constexpr const char* kKeyFont = "font";
inline constexpr const char* kNoFontMarker = "none";
// The window's answer for a colour key it lacks: no plain colour, so it reads as unset.
inline constexpr const char* kNoColorMarker = "20000000";

// What is drawn with where nothing usable is saved.
inline constexpr std::int32_t kDefaultWidth = 15;
inline constexpr std::int32_t kDefaultHeight = 30;
inline constexpr std::int32_t kDefaultTextColor = 10114821;
inline constexpr std::int32_t kDefaultBackColor = 15464446;
// The face command-line mode draws with when none is saved, and the one the
// window draws with when its face box is empty, each spelt as it always was.
inline constexpr const char* kCommandLineFace = "arial";
inline constexpr const char* kWindowFace = "Arial";

inline constexpr std::int32_t kMaxColor = 16777215;
inline bool IsPlainColor(std::int64_t value) { return value >= 0 && value <= kMaxColor; }

// True for an optionally signed decimal number, with or without a fraction
// and an exponent (e or E, optionally signed), blanks (space or tab) allowed
// before and after. Digits may stand on either side of the point ("5.", ".5").
// No thousands separators, no locale forms, no hexadecimal, no inf or nan.
bool IsNumeric(std::string_view text);

// A numeric text rounded to the nearest 32-bit signed integer, halves to the
// even neighbour. nullopt when the text is not numeric or the rounded value
// lies outside the 32-bit range.
std::optional<std::int32_t> ToInt32(std::string_view text);

// Decimal text of a 32-bit signed integer: "-5", "0", "16777215".
std::string ColorToText(std::int32_t color);

// The store under the program's application name and section.
std::string ReadSetting(SettingsStore& store, const char* key, const std::string& fallback);

// What "Save Settings" copies out of the window.
struct SavedChoices {
    std::string width;   // text of tW, as typed
    std::string height;  // text of tH, as typed
    std::string face;    // text of fBox, possibly empty
    std::int32_t textColor = 0;
    std::int32_t backColor = 0;
};

// A save the store refused part-way: its message, and how many keys were
// written (and stay written) before the refusal.
class SaveRefused : public SettingsError {
public:
    SaveRefused(const std::string& what, int written) : SettingsError(what), written_(written) {}
    int written() const { return written_; }

private:
    int written_;
};

// Writes "tw" and "th" (each only when numeric), "font", "colorT", "colorB",
// in that order. A refused write throws SaveRefused; the writes before it
// stay.
void WriteSettings(SettingsStore& store, const SavedChoices& choices);

}  // namespace scriblane
