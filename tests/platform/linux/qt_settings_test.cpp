// The QSettings store against a temporary XDG_CONFIG_HOME: exact round trips,
// hand-edited and damaged files, refused writes, and files that stay whole
// when writers are killed or race each other.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <thread>

#include "platform/linux/qt_settings.h"

namespace fs = std::filesystem;

namespace scriblane::linuxp {
namespace {

fs::path ConfigHome() { return fs::path(std::getenv("XDG_CONFIG_HOME")); }

// Each test gets an application name (hence a file) of its own.
std::string AppName() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string(info->test_suite_name()) + "_" + info->name();
    for (char& c : name) {
        if (c == '/') c = '_';
    }
    return name;
}

fs::path ConfFile(const std::string& app) { return ConfigHome() / app / (app + ".conf"); }

void WriteFile(const fs::path& path, const std::string& bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

std::string Garbage(std::size_t size) {
    std::mt19937 random(12345);
    std::string bytes;
    for (std::size_t i = 0; i < size; ++i) bytes += static_cast<char>(random());
    return bytes;
}

class RoundTripTest : public ::testing::TestWithParam<std::string> {};

TEST_P(RoundTripTest, ValueComesBackExactly) {
    QtSettingsStore store;
    const std::string app = AppName();
    store.SaveSetting(app, "settings", "font", GetParam());
    EXPECT_EQ(store.GetSetting(app, "settings", "font", "fallback"), GetParam());
    // A second store object reads the file, not a cache of this one.
    QtSettingsStore other;
    EXPECT_EQ(other.GetSetting(app, "settings", "font", "fallback"), GetParam());
}

INSTANTIATE_TEST_SUITE_P(Values, RoundTripTest,
                         ::testing::Values(std::string(""), std::string(" 12.5 "),
                                           std::string("1,2"), std::string("\"quoted\""),
                                           std::string("a=b"), std::string("x;y#z"),
                                           std::string("back\\slash"), std::string("@ByteArray(x)"),
                                           std::string("@"), std::string("tab\there"),
                                           std::string("two\nlines"), std::string("Ünïcødé ✓"),
                                           std::string("\xE9t\xE9"),  // not UTF-8
                                           std::string("99999999999999999999"),
                                           std::string("-2147483648"), std::string("none")));

TEST(QtSettingsStoreTest, MissingFileAndKeyGiveTheFallback) {
    QtSettingsStore store;
    const std::string app = AppName();
    EXPECT_EQ(store.GetSetting(app, "settings", "tw", "15"), "15");
    store.SaveSetting(app, "settings", "th", "30");
    EXPECT_EQ(store.GetSetting(app, "settings", "tw", "15"), "15");
    EXPECT_EQ(store.GetSetting(app, "other", "th", "x"), "x");
    EXPECT_EQ(store.GetSetting(app, "settings", "th", "x"), "30");
}

TEST(QtSettingsStoreTest, OnlyTheUsersOwnFileIsRead) {
    const std::string app = AppName();
    // System-wide and organisation-wide files are not this user's settings.
    WriteFile(fs::path(std::getenv("XDG_CONFIG_DIRS")) / app / (app + ".conf"),
              "[settings]\nth=99\n");
    WriteFile(ConfigHome() / (app + ".conf"), "[settings]\nth=98\n");
    QtSettingsStore store;
    EXPECT_EQ(store.GetSetting(app, "settings", "th", "fallback"), "fallback");
    WriteFile(ConfFile(app), "[settings]\nth=97\n");
    EXPECT_EQ(store.GetSetting(app, "settings", "th", "fallback"), "97");
}

TEST(QtSettingsStoreTest, FileLayoutIsAppFolderAndSettingsGroup) {
    QtSettingsStore store;
    const std::string app = AppName();
    store.SaveSetting(app, "settings", "colorT", "10114821");
    const std::string text = ReadFile(ConfFile(app));
    EXPECT_NE(text.find("[settings]"), std::string::npos) << text;
    EXPECT_NE(text.find("colorT=10114821"), std::string::npos) << text;
}

TEST(QtSettingsStoreTest, HandWrittenValuesAreRead) {
    const std::string app = AppName();
    WriteFile(ConfFile(app),
              "[settings]\ncolorT=255\nth=50\ntw=1,2\nfont=Liberation Serif\ncolorB=\n");
    QtSettingsStore store;
    EXPECT_EQ(store.GetSetting(app, "settings", "colorT", "0"), "255");
    EXPECT_EQ(store.GetSetting(app, "settings", "th", "0"), "50");
    EXPECT_EQ(store.GetSetting(app, "settings", "tw", "0"), "1,2");  // a list, joined
    EXPECT_EQ(store.GetSetting(app, "settings", "font", "0"), "Liberation Serif");
    EXPECT_EQ(store.GetSetting(app, "settings", "colorB", "0"), "");
}

TEST(QtSettingsStoreTest, DamagedFilesNeverCrash) {
    const std::string garbage = Garbage(4096);
    const std::string files[] = {
        garbage,
        "[settings]\n" + garbage,
        "[settings]\nth=@Variant(\\0\\0\\0\\x7f\\xff\\xff\\xff\\xff\\0\\0)\n",
        "[settings]\nth=@Variant(\\0\\0\\0\\n\\0\\xff\\xff\\xff\\xf0)\ntw=@ByteArray(\n",
        "[settings]\nth=@Rect(1 2 3)\ntw=@Size(\ncolorT=\"unterminated\n",
        std::string("[settings]\0th=5\n\xff\xfe", 16),
        "[settings\nth=5",
    };
    int n = 0;
    for (const std::string& content : files) {
        const std::string app = AppName() + std::to_string(n++);
        WriteFile(ConfFile(app), content);
        QtSettingsStore store;
        for (const char* key : {"th", "tw", "colorT", "colorB", "font"}) {
            // Whatever comes back is the core's to judge; it must come back.
            const std::string value = store.GetSetting(app, "settings", key, "fallback");
            EXPECT_LT(value.size(), 1u << 20) << key;
        }
        // The file stays writable afterwards; what could not be read is
        // kept aside, not lost.
        store.SaveSetting(app, "settings", "th", "42");
        EXPECT_EQ(store.GetSetting(app, "settings", "th", "x"), "42");
        const fs::path aside = ConfFile(app).string() + ".damaged";
        if (fs::exists(aside)) EXPECT_TRUE(ReadFile(aside) == content) << "kept aside altered";
    }
}

TEST(QtSettingsStoreTest, UnparsableFileIsKeptAsideWhenSaving) {
    const std::string app = AppName();
    const std::string damaged = Garbage(4096);
    WriteFile(ConfFile(app), damaged);
    QtSettingsStore store;
    store.SaveSetting(app, "settings", "tw", "15");
    EXPECT_EQ(store.GetSetting(app, "settings", "tw", "x"), "15");
    EXPECT_TRUE(ReadFile(ConfFile(app).string() + ".damaged") == damaged) << "kept aside altered";
    // Only the saved value is in the new file.
    EXPECT_EQ(ReadFile(ConfFile(app)), "[settings]\ntw=15\n");
}

TEST(QtSettingsStoreTest, RefusedWriteThrowsNamingTheFile) {
    const std::string app = AppName();
    // A plain file where the folder should be: no user, not even root, can
    // create the settings folder.
    WriteFile(ConfigHome() / "blocker", "");
    fs::create_directories(ConfigHome());
    const std::string blocked = "blocker";
    QtSettingsStore store;
    try {
        store.SaveSetting(blocked, "settings", "th", "30");
        FAIL() << "the write was reported as done";
    } catch (const SettingsError& e) {
        EXPECT_NE(std::string(e.what()).find("blocker.conf"), std::string::npos) << e.what();
    }
    EXPECT_TRUE(fs::is_regular_file(ConfigHome() / "blocker"));
}

TEST(QtSettingsStoreTest, RefusedWriteIsNotReadBackAsStored) {
    const std::string app = "blocker2";
    WriteFile(ConfigHome() / app, "");
    QtSettingsStore store;
    EXPECT_THROW(store.SaveSetting(app, "settings", "th", "77"), SettingsError);
    EXPECT_EQ(store.GetSetting(app, "settings", "th", "fallback"), "fallback");
}

// Parses the file as the store writes it; false when it is torn.
bool ParsesWhole(const std::string& text, const std::set<std::string>& allowed,
                 std::map<std::string, std::string>& values) {
    std::istringstream in(text);
    std::string line;
    bool inGroup = false;
    while (std::getline(in, line)) {
        if (line.empty()) continue;
        if (line == "[settings]") {
            inGroup = true;
            continue;
        }
        const auto eq = line.find('=');
        if (!inGroup || eq == std::string::npos) return false;
        const std::string value = line.substr(eq + 1);
        if (!allowed.count(value)) return false;
        values[line.substr(0, eq)] = value;
    }
    return text.empty() || (inGroup && text.back() == '\n');
}

const std::set<std::string> kLongValues = {std::string(3000, 'a'), std::string(3000, 'b')};

[[noreturn]] void WriteForever(const std::string& app, const std::string& key, int rounds) {
    QtSettingsStore store;
    for (int i = 0; i < rounds; ++i) {
        const std::string& value = i % 2 ? *kLongValues.begin() : *kLongValues.rbegin();
        try {
            store.SaveSetting(app, "settings", key, value);
        } catch (...) {
            _exit(2);
        }
    }
    _exit(0);
}

TEST(QtSettingsStoreTest, KilledWriterNeverLeavesATornFile) {
    const std::string app = AppName();
    std::mt19937 random(7);
    for (int round = 0; round < 40; ++round) {
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) WriteForever(app, "font", 1000000);
        std::this_thread::sleep_for(std::chrono::microseconds(500 + random() % 20000));
        kill(child, SIGKILL);
        int status = 0;
        waitpid(child, &status, 0);
        std::map<std::string, std::string> values;
        const std::string text = ReadFile(ConfFile(app));
        ASSERT_TRUE(ParsesWhole(text, kLongValues, values)) << "round " << round;
    }
    // A lock left by a killed writer does not block the next one.
    QtSettingsStore store;
    store.SaveSetting(app, "settings", "font", *kLongValues.begin());
    EXPECT_EQ(store.GetSetting(app, "settings", "font", ""), *kLongValues.begin());
}

TEST(QtSettingsStoreTest, EmptyLockLeftByAKilledWriterDoesNotHoldUpASave) {
    const std::string app = AppName();
    WriteFile(ConfFile(app), "[settings]\nth=1\n");
    WriteFile(ConfFile(app).string() + ".lock", "");
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        alarm(15);  // a hang guard: the lock would otherwise hold it 30 s
        QtSettingsStore store;
        store.SaveSetting(app, "settings", "th", "2");
        _exit(store.GetSetting(app, "settings", "th", "") == "2" ? 0 : 3);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status)) << "the save hung on the stale lock";
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST(QtSettingsStoreTest, ConcurrentWritersKeepEachOthersKeys) {
    const std::string app = AppName();
    constexpr int kRounds = 60;
    pid_t children[2];
    const char* keys[2] = {"tw", "th"};
    for (int i = 0; i < 2; ++i) {
        children[i] = fork();
        ASSERT_GE(children[i], 0);
        if (children[i] == 0) WriteForever(app, keys[i], kRounds);
    }
    for (pid_t child : children) {
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 0);
    }
    std::map<std::string, std::string> values;
    ASSERT_TRUE(ParsesWhole(ReadFile(ConfFile(app)), kLongValues, values));
    // The last write of each writer (round kRounds - 1 is odd) survived.
    EXPECT_EQ(values["tw"], *kLongValues.begin());
    EXPECT_EQ(values["th"], *kLongValues.begin());
}

}  // namespace
}  // namespace scriblane::linuxp

int main(int argc, char** argv) {
    // QSettings reads the folder once per process, so it is set first.
    char pattern[] = "/tmp/scriblane-settings-XXXXXX";
    const char* dir = mkdtemp(pattern);
    if (!dir) return 1;
    setenv("XDG_CONFIG_HOME", dir, 1);
    setenv("XDG_CONFIG_DIRS", (std::string(dir) + "/system").c_str(), 1);
    setenv("HOME", dir, 1);
    ::testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    std::error_code ignored;
    fs::remove_all(dir, ignored);
    return result;
}
