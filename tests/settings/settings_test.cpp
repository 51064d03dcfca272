#include "settings/settings.h"

#include <gtest/gtest.h>

#include "platform/fake/fake_platform.h"

namespace scriblane {
namespace {

struct NumberCase {
    const char* text;
    bool numeric;
    std::optional<std::int32_t> value;  // nullopt: not convertible
};

// The test and the conversion share one reading of numbers; this table pins
// which forms are numbers at all.
const NumberCase kNumbers[] = {
    {"0", true, 0},
    {"15", true, 15},
    {"+15", true, 15},
    {"-5", true, -5},
    {" 12.5 ", true, 12},
    {"13.5", true, 14},
    {"-12.5", true, -12},
    {"-13.5", true, -14},
    {"12.51", true, 13},
    {"12.4999", true, 12},
    {"0.5", true, 0},
    {"1.5", true, 2},
    {".5", true, 0},
    {"5.", true, 5},
    {"\t30\t", true, 30},
    {"007", true, 7},
    {"1e3", true, 1000},
    {"1.5E2", true, 150},
    {"2.5e0", true, 2},
    {"25e-1", true, 2},
    {"35e-1", true, 4},
    {"1e-400", true, 0},
    {"1e400", true, std::nullopt},
    {"2147483647", true, 2147483647},
    {"2147483647.4", true, 2147483647},
    {"2147483647.5", true, std::nullopt},
    {"2147483648", true, std::nullopt},
    {"-2147483648", true, INT32_MIN},
    {"-2147483648.5", true, INT32_MIN},
    {"-2147483649", true, std::nullopt},
    {"99999999999", true, std::nullopt},
    {"20000000", true, 20000000},
    {"0000000000000000000000000042", true, 42},
    {"0.000000000000000000000000009", true, 0},
    {"", false, std::nullopt},
    {" ", false, std::nullopt},
    {"abc", false, std::nullopt},
    {"12abc", false, std::nullopt},
    {"1 2", false, std::nullopt},
    {"- 5", false, std::nullopt},
    {"1,000", false, std::nullopt},
    {"1.2.3", false, std::nullopt},
    {".", false, std::nullopt},
    {"+", false, std::nullopt},
    {"1e", false, std::nullopt},
    {"e5", false, std::nullopt},
    {"0x10", false, std::nullopt},
    {"&H10", false, std::nullopt},
    {"inf", false, std::nullopt},
    {"nan", false, std::nullopt},
    {"12,5", false, std::nullopt},
    {"5\n", false, std::nullopt},
};

TEST(NumberTest, TestAndConversionAgreeWithTheTable) {
    for (const auto& c : kNumbers) {
        SCOPED_TRACE(std::string("text \"") + c.text + "\"");
        EXPECT_EQ(IsNumeric(c.text), c.numeric);
        EXPECT_EQ(ToInt32(c.text), c.value);
    }
}

TEST(NumberTest, HugeTextsAreHandled) {
    const std::string many(1 << 20, '9');
    EXPECT_TRUE(IsNumeric(many));
    EXPECT_EQ(ToInt32(many), std::nullopt);
    EXPECT_EQ(ToInt32("0." + many), 1);
    EXPECT_EQ(ToInt32("1e999999999999999999999"), std::nullopt);
    EXPECT_EQ(ToInt32("1e-999999999999999999999"), 0);
}

TEST(NumberTest, ColorsAsDecimalText) {
    EXPECT_EQ(ColorToText(0), "0");
    EXPECT_EQ(ColorToText(16777215), "16777215");
    EXPECT_EQ(ColorToText(-5), "-5");
    EXPECT_EQ(ColorToText(INT32_MIN), "-2147483648");
}

class WriteSettingsTest : public ::testing::Test {
protected:
    fake::FakePlatform fake;
};

TEST_F(WriteSettingsTest, WritesInOrderAndSkipsSizesThatAreNotNumbers) {
    struct Case {
        std::string width, height;
        std::vector<std::string> expected;
    } cases[] = {
        {" 12.5 ", "30",
         {"SaveSetting(Scriblane, settings, tw,  12.5 )", "SaveSetting(Scriblane, settings, th, 30)",
          "SaveSetting(Scriblane, settings, font, Arial)",
          "SaveSetting(Scriblane, settings, colorT, 255)",
          "SaveSetting(Scriblane, settings, colorB, 16777215)"}},
        {"abc", "",
         {"SaveSetting(Scriblane, settings, font, Arial)",
          "SaveSetting(Scriblane, settings, colorT, 255)",
          "SaveSetting(Scriblane, settings, colorB, 16777215)"}},
    };
    for (const auto& c : cases) {
        fake.ClearCalls();
        WriteSettings(fake, SavedChoices{c.width, c.height, "Arial", 255, 16777215});
        EXPECT_EQ(fake.CallsNamed({"SaveSetting"}), c.expected);
    }
}

TEST_F(WriteSettingsTest, ARefusedWriteStopsTheSequenceAndKeepsEarlierWrites) {
    fake.refuseWrites = {"font"};
    EXPECT_THROW(WriteSettings(fake, SavedChoices{"15", "30", "Arial", 1, 2}), SettingsError);
    EXPECT_EQ(fake.stored.count("tw"), 1u);
    EXPECT_EQ(fake.stored.count("th"), 1u);
    EXPECT_EQ(fake.stored.count("colorT"), 0u);
    EXPECT_EQ(fake.stored.count("colorB"), 0u);
}

}  // namespace
}  // namespace scriblane
