// The settings keys, the number test and conversions, the save sequence.
#include "settings/settings.h"

#include <cstddef>

namespace scriblane {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// A number split into its parts; the value is digits x 10^exponent.
struct Decimal {
    bool negative = false;
    std::string digits;      // significant digits, leading zeros removed
    std::int64_t exponent = 0;
};

// One parser serves the test and the conversion, so they cannot disagree.
std::optional<Decimal> Parse(std::string_view s) {
    std::size_t i = 0;
    const std::size_t n = s.size();
    while (i < n && IsBlank(s[i])) ++i;
    Decimal d;
    if (i < n && (s[i] == '+' || s[i] == '-')) d.negative = s[i++] == '-';
    std::size_t mantissaDigits = 0;
    std::int64_t fractionDigits = 0;
    bool pastPoint = false;
    for (; i < n; ++i) {
        char c = s[i];
        if (IsDigit(c)) {
            ++mantissaDigits;
            if (pastPoint) ++fractionDigits;
            // Leading zeros carry no value; after the point they still count
            // as fraction digits, which keeps the exponent right.
            if (!(d.digits.empty() && c == '0')) d.digits.push_back(c);
        } else if (c == '.' && !pastPoint) {
            pastPoint = true;
        } else {
            break;
        }
    }
    if (mantissaDigits == 0) return std::nullopt;
    std::int64_t exponent = 0;
    if (i < n && (s[i] == 'e' || s[i] == 'E')) {
        ++i;
        bool expNegative = false;
        if (i < n && (s[i] == '+' || s[i] == '-')) expNegative = s[i++] == '-';
        if (i >= n || !IsDigit(s[i])) return std::nullopt;
        for (; i < n && IsDigit(s[i]); ++i) {
            // Saturate: anything this large is out of range or zero anyway.
            if (exponent < 1'000'000'000) exponent = exponent * 10 + (s[i] - '0');
        }
        if (expNegative) exponent = -exponent;
    }
    while (i < n && IsBlank(s[i])) ++i;
    if (i != n) return std::nullopt;
    d.exponent = exponent - fractionDigits;
    return d;
}

}  // namespace

bool IsNumeric(std::string_view text) { return Parse(text).has_value(); }

std::optional<std::int32_t> ToInt32(std::string_view text) {
    auto parsed = Parse(text);
    if (!parsed) return std::nullopt;
    const Decimal& d = *parsed;
    if (d.digits.empty()) return 0;
    const auto len = static_cast<std::int64_t>(d.digits.size());
    // Integer digits: those left of the point once the exponent is applied.
    const std::int64_t intLen = len + d.exponent;
    if (intLen > 11) return std::nullopt;  // at least 10^11: far out of range
    std::int64_t magnitude = 0;
    for (std::int64_t k = 0; k < intLen; ++k) {
        magnitude = magnitude * 10 + (k < len ? d.digits[static_cast<std::size_t>(k)] - '0' : 0);
    }
    // Round the fraction to nearest, halves to even.
    const std::int64_t firstFrac = intLen < 0 ? len : intLen;  // index into digits
    if (intLen >= 0 && firstFrac < len) {
        const char first = d.digits[static_cast<std::size_t>(firstFrac)];
        bool up = false;
        if (first > '5') {
            up = true;
        } else if (first == '5') {
            bool rest = false;
            for (std::int64_t k = firstFrac + 1; k < len && !rest; ++k) {
                rest = d.digits[static_cast<std::size_t>(k)] != '0';
            }
            up = rest || (magnitude % 2 == 1);
        }
        if (up) ++magnitude;
    } else if (intLen < 0) {
        magnitude = 0;  // below 0.1 in size: rounds to zero
    }
    const std::int64_t value = d.negative ? -magnitude : magnitude;
    if (value < INT32_MIN || value > INT32_MAX) return std::nullopt;
    return static_cast<std::int32_t>(value);
}

std::string ColorToText(std::int32_t color) { return std::to_string(color); }

std::string ReadSetting(SettingsStore& store, const char* key, const std::string& fallback) {
    return store.GetSetting(kAppName, kSection, key, fallback);
}

void WriteSettings(SettingsStore& store, const SavedChoices& c) {
    int written = 0;
    auto save = [&](const char* key, const std::string& value) {
        try {
            store.SaveSetting(kAppName, kSection, key, value);
        } catch (const SettingsError& e) {
            throw SaveRefused(e.what(), written);
        }
        ++written;
    };
    if (IsNumeric(c.width)) save(kKeyWidth, c.width);
    if (IsNumeric(c.height)) save(kKeyHeight, c.height);
    save(kKeyFont, c.face);
    const std::string back = ColorToText(c.backColor);
    const std::string text = ColorToText(c.textColor);
    save(kKeyColorT, text);
    save(kKeyColorB, back);
}

}  // namespace scriblane
