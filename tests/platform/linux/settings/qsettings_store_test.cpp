// The QSettings store against a temporary XDG_CONFIG_HOME: exact round trips,
// hand-edited and damaged files, refused writes, and files that stay whole
// when writers are killed or race each other.
#include <dlfcn.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <pwd.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <fcntl.h>
#include <unistd.h>

#include <QSettings>
#include <QString>
#include <QVariant>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/linux/settings/ini_text.h"
#include "platform/linux/settings/qsettings_store.h"
#include "platform/linux/settings/settings_file.h"

namespace fs = std::filesystem;

// The file calls of a save, as "fsync PATH" and "rename FROM TO", while
// `g_tracing` is set. These definitions stand in for the C library's in
// this program and pass every call on, unless `g_renameDoesNothing` has a
// rename answer success and do nothing (a file system that loses it).
namespace {
bool g_tracing = false;
bool g_renameDoesNothing = false;
std::vector<std::string> g_trace;

std::string PathOf(int fd) {
    char path[4096];
    const ssize_t n = readlink(("/proc/self/fd/" + std::to_string(fd)).c_str(), path, sizeof path);
    return std::string(path, n > 0 ? static_cast<std::size_t>(n) : 0);
}
}  // namespace

extern "C" int fsync(int fd) {
    static const auto real = reinterpret_cast<int (*)(int)>(dlsym(RTLD_NEXT, "fsync"));
    if (g_tracing) g_trace.push_back("fsync " + PathOf(fd));
    return real(fd);
}

extern "C" int rename(const char* from, const char* to) noexcept {
    static const auto real =
        reinterpret_cast<int (*)(const char*, const char*)>(dlsym(RTLD_NEXT, "rename"));
    if (g_tracing) g_trace.push_back(std::string("rename ") + from + " " + to);
    if (g_renameDoesNothing) return 0;
    return real(from, to);
}

extern "C" int renameat(int fromDir, const char* from, int toDir, const char* to) noexcept {
    static const auto real = reinterpret_cast<int (*)(int, const char*, int, const char*)>(
        dlsym(RTLD_NEXT, "renameat"));
    if (g_tracing) {
        g_trace.push_back("rename " + PathOf(fromDir) + "/" + from + " " + PathOf(toDir) + "/" + to);
    }
    if (g_renameDoesNothing) return 0;
    return real(fromDir, from, toDir, to);
}

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
    // Spelt as QSettings spells it, so files written before read the same.
    const fs::path byQt = ConfigHome() / (app + "-qt.ini");
    {
        QSettings qt(QString::fromStdString(byQt.string()), QSettings::IniFormat);
        const std::string& v = GetParam();
        if (QString::fromUtf8(v.data(), static_cast<qsizetype>(v.size())).toUtf8().toStdString() == v) {
            qt.setValue("settings/font", QString::fromUtf8(v.data(), static_cast<qsizetype>(v.size())));
        } else {
            qt.setValue("settings/font", QByteArray(v.data(), static_cast<qsizetype>(v.size())));
        }
    }
    EXPECT_EQ(ReadFile(ConfFile(app)), ReadFile(byQt));
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
    // The file QSettings itself would use for this application.
    EXPECT_EQ(QtSettingsStore::FilePath(app),
              QSettings(QSettings::NativeFormat, QSettings::UserScope, QString::fromStdString(app),
                        QString::fromStdString(app))
                  .fileName()
                  .toStdString());
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

// Every key of the file as QSettings reads it.
std::map<std::string, std::string> AllValues(const fs::path& file) {
    std::map<std::string, std::string> out;
    QSettings qt(QString::fromStdString(file.string()), QSettings::IniFormat);
    for (const QString& key : qt.allKeys()) {
        const QVariant v = qt.value(key);
        const char* type = v.typeName();
        out[key.toStdString()] = (v.typeId() == QMetaType::QStringList
                                      ? v.toStringList().join("|").toStdString()
                                      : v.toString().toStdString()) +
                                 "/" + (type != nullptr ? type : "?");
    }
    return out;
}

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

TEST(QtSettingsStoreTest, ASaveKeepsEverythingItDoesNotWrite) {
    const std::string garbage = Garbage(4096);
    struct Case {
        std::string content;
        std::string key;
        std::string value;
        std::vector<std::string> kept;  // text that must still be in the file
    };
    const Case cases[] = {
        // A hand-written note QSettings cannot parse, and a width the save
        // does not write (the width box held "abc").
        {"[settings]\n# my note\ntw=21\nth=30\n", "th", "31", {"# my note\n", "tw=21\n"}},
        {"[settings]\n# my note\ntw=21\n", "colorB", "5", {"# my note\ntw=21\n"}},
        {"; mine\n[settings]\ntw=21 ; narrow\n\n[other]\nx=1\n", "tw", "22",
         {"; mine\n", "tw=22 ; narrow\n", "[other]\nx=1\n"}},
        {"[other]\nx=1\n[settings]\nth=30\n[more]\ny=2\n", "font", "Serif",
         {"[other]\nx=1\n", "th=30\nfont=Serif\n[more]\ny=2\n"}},
        {"[General]\nroot=1\n", "tw", "15", {"[General]\nroot=1\n"}},
        {"[settings]\r\nth=30\r\n# note\r\n", "tw", "9", {"th=30\r\n# note\r\n"}},
        {"\xEF\xBB\xBF[settings]\nth=30", "tw", "9", {"\xEF\xBB\xBF[settings]\nth=30"}},
        {"[settings]\nth=30\ntw=1\ntw=2\n", "tw", "3", {"tw=1\n"}},
        {"[settings]\nnote=\"open quote\nth=5\n", "tw", "8", {"note=\"open quote\nth=5\n"}},
        {"[settings]\nnote=\"open\\", "th", "8", {"note=\"open\\"}},
        {"[settings]\nnote=open\\", "th", "8", {"note=open\\"}},
        {"[settings]\nfont=\"a\nb\"\n", "font", "c", {}},
        {"[settings]\nth=@Variant(\\0\\0\\0\\x7f\\xff\\xff\\xff\\xff\\0\\0)\n", "tw", "4", {}},
        {"[settings]\nth=@Rect(1 2 3)\ntw=@Size(\ncolorT=\"unterminated\n", "font", "x",
         {"colorT=\"unterminated\n"}},
        {std::string("[settings]\0th=5\n\xff\xfe", 16), "th", "6", {}},
        {"[settings\nth=5", "tw", "7", {"[settings\nth=5"}},
        {garbage, "th", "42", {garbage}},
        {"[settings]\n" + garbage, "tw", "42", {garbage}},
        // A later line QSettings reads the key from, spelt otherwise: that
        // line is the one saved to.
        {"[settings]\nth=5\nt%68=6\n", "th", "12", {"[settings]\nth=5\nt%68=12\n"}},
        {"[settings]\nth=5\nth\v=6\n", "th", "12", {"[settings]\nth=5\nth\v=12\n"}},
        {"[settings]\nth=5\n\fth =6 ; x\n", "th", "12", {"th=5\n\fth =12 ; x\n"}},
        {"[settings]\nth=5\nt%U0068=6\n", "th", "12", {"th=5\nt%U0068=12\n"}},
        {"[settings]\nth=5\n[%73ettings]\nth=6\n", "th", "12",
         {"[settings]\nth=5\n[%73ettings]\nth=12\n"}},
        {"[settings]\nth=5\n[ settings ]\ntw=1\n", "th", "12",
         {"[settings]\nth=12\n[ settings ]\ntw=1\n"}},
        {"settings\\th=7\n[other]\nx=1\n", "th", "12", {"settings\\th=12\n[other]\nx=1\n"}},
        {"settings\\th=7\n[settings]\ntw=1\n", "th", "12", {"settings\\th=12\n[settings]\ntw=1\n"}},
        {"[settings]\nth=5\n[settings\\a]\nx=1\n", "th", "12", {"[settings\\a]\nx=1\n"}},
        // A name QSettings reads with a byte-order mark in front of it.
        {"[settings]\ntw=1\n\xEF\xBB\xBFtw=2\n", "tw", "25",
         {"[settings]\ntw=1\n\xEF\xBB\xBFtw=25\n"}},
        {"[settings]\nth=5\n[\xEF\xBB\xBFsettings]\nth=6\n", "th", "12",
         {"[settings]\nth=5\n[\xEF\xBB\xBFsettings]\nth=12\n"}},
        // Spellings that are not the key: left alone.
        {"[settings]\nth=5\n[Settings]\nth=6\nt%6=7\n", "th", "12",
         {"[Settings]\nth=6\nt%6=7\n"}},
    };
    int n = 0;
    for (const Case& c : cases) {
        const std::string app = AppName() + std::to_string(n++);
        WriteFile(ConfFile(app), c.content);
        std::map<std::string, std::string> before = AllValues(ConfFile(app));
        QtSettingsStore store;
        for (const char* key : {"th", "tw", "colorT", "colorB", "font"}) {
            // Whatever comes back is the core's to judge; it must come back.
            const std::string value = store.GetSetting(app, "settings", key, "fallback");
            EXPECT_LT(value.size(), 1u << 20) << key;
        }
        store.SaveSetting(app, "settings", c.key, c.value);
        EXPECT_EQ(store.GetSetting(app, "settings", c.key, "x"), c.value) << "case " << n;
        // The plain reader of `scriblane` too, or it leaves the file to QSettings.
        const auto plain = PlainIniValues(ReadFile(ConfFile(app)));
        if (plain) EXPECT_EQ(plain->at("settings/" + c.key), c.value) << "case " << n;
        std::map<std::string, std::string> after = AllValues(ConfFile(app));
        before.erase("settings/" + c.key);
        after.erase("settings/" + c.key);
        EXPECT_EQ(after, before) << "case " << n << " lost or changed another key";
        const std::string text = ReadFile(ConfFile(app));
        for (const std::string& part : c.kept) {
            EXPECT_TRUE(Contains(text, part)) << "case " << n << " lost a line:\n" << text;
        }
        // Nothing is set aside: the file itself kept it all.
        EXPECT_FALSE(fs::exists(ConfFile(app).string() + ".damaged")) << "case " << n;
    }
}

// `scriblane` reads plain files without QtCore. Whatever that reader
// decides must be what QSettings reads, key for key; what it cannot decide
// goes to QSettings. `decided` says which forms it must cover.
TEST(QtSettingsStoreTest, PlainReaderAgreesWithQSettingsOrDefers) {
    struct Case {
        std::string content;
        bool decided;
    };
    std::vector<Case> cases = {
        {"[settings]\nth=50\ntw=15\nfont=Liberation Serif\ncolorT=255\ncolorB=\n", true},
        {"", true},
        {"\n\n[settings]\n\n\nth=5\n\n", true},
        {"\xEF\xBB\xBF[settings]\r\nth=5\r\nfont=crlf\r\n", true},
        {"; comment\n[settings]\nth=5 ; after\nfont=;not a value\n", true},
        {"[settings]\nth=5\nth=6\n", true},
        {"[Settings]\nth=5\n[settings]\nTH=6\n", true},
        {"[settings]\nth=5\n[other]\nth=7\n[settings]\ntw=9\nth=8\n", true},
        {"th=1\n[General]\ntw=2\n[settings]\nth=3\n[gEnErAl]\nfont=x\n", true},
        {"[ settings ] trailing\n  th  =  5  \ntw=\t6\t\n", true},
        {"[settings]\nfont=\"  padded; a=b, c  \"  \n", true},
        {"[settings]\nfont=a\\tb\\\\c\\\"d\\ae\\bf\\fg\\vh\\ri\\nj\n", true},
        {"[settings]\nfont=\\x41\\x7x\\0\\17\n", true},
        {"[settings]\nfont=a \\t  \ntw=\\x20 \n", true},
        {"[settings]\nfont=@@x\ntw=\"@@\"\n", true},
        {"[settings]\nfont=\xC3\x9Cn\xC3\xAF \xE2\x9C\x93 \xF0\x9F\x98\x80\n", true},
        {"[settings]\nfont=#hash\nth=[x]\n", true},
        {"[settings]\nfont=\\x0041\n", false},
        {"[settings]\nfont=\\101\n", false},
        {"[settings]\nfont=a\\qb\n", false},
        {"[settings]\nfont=@Variant(\\0\\0\\0\\x7f\\xff\\xff\\xff\\xff\\0\\0)\n", false},
        {"[settings]\nfont=@ByteArray(abc)\n", false},
        {"[settings]\nfont=@String(abc)\n", false},
        {"[settings]\nth=@Invalid()\n", false},
        {"[settings]\nfont=\"a\nb\"\n", false},
        {"[settings]\nfont=a\\\nb\n", false},
        {"[settings]\nfont=\"open\n", false},
        {"[settings]\nfont=x\"y\"\n", false},
        {"[settings]\nfont=\"a\" b\n", false},
        {"[settings]\n# note\nth=5\n", false},
        {"[settings]\ntw=1,2\n", false},
        {"[settings%2Fx]\nth=5\n", false},
        {"[settings]\nsub\\th=5\nth=6\n", false},
        {"settings\\th=5\n", false},
        {"[settings]\nt%68=5\n", false},
        {"[settings]\n=5\n", false},
        {"[]\nth=5\n", false},
        {"[settings\nth=5\n", false},
        {"; c\n  [settings]\nth=5\n", false},
        {"[settings]\nfont=\xE9t\xE9\n", false},
        {"[settings]\nfont=\xEF\xBB\xBFx\n", false},
        {"[settings]\nfont=\xED\xA0\x80\n", false},
        {std::string("[settings]\nfont=a\0b\n", 19), false},
        {"[settings]\nfont=a\\", false},
        {"[settings]\n\vth=5\n", false},
        {"[settings\f]\nth=5\n", false},
    };
    // What QSettings itself writes for awkward text values (text with a
    // NUL in it it writes as @String(...)).
    const std::vector<std::string> written = {
        "", " lead", "trail ", "a,b", "a;b", "a=b", "\"q\"", "back\\slash", "tab\there",
        "two\nlines", "cr\rhere", "\x01" "1f", "\x7f", "@", "@at",
        "@@two", "\xC3\x9Cn\xC3\xAF \xE2\x9C\x93", "\xF0\x9F\x98\x80", "#hash", "x;y#z", "\\x41",
        "[notsection]", "15464446", "\"", " , ", std::string("nul\0" "1f", 6)};
    for (std::size_t k = 0; k < written.size(); ++k) {
        const fs::path file = ConfigHome() / ("written" + std::to_string(k) + ".ini");
        {
            QSettings qt(QString::fromStdString(file.string()), QSettings::IniFormat);
            const std::string& v = written[k];
            qt.setValue("settings/font",
                        QString::fromUtf8(v.data(), static_cast<qsizetype>(v.size())));
            qt.setValue("other/th", QStringLiteral("1"));
            qt.setValue("tw", QStringLiteral("2"));
        }
        cases.push_back({ReadFile(file), k + 1 < written.size()});
    }
    int n = 0;
    for (const Case& c : cases) {
        const std::string app = AppName() + std::to_string(n++);
        WriteFile(ConfFile(app), c.content);
        const auto plain = PlainIniValues(c.content);
        ASSERT_EQ(plain.has_value(), c.decided) << "case " << n << ":\n" << c.content;
        if (!plain) continue;
        // Every key QSettings sees, with the text the store would return.
        std::map<std::string, std::string> byQt;
        QSettings qt(QString::fromStdString(ConfFile(app).string()), QSettings::IniFormat);
        for (const QString& key : qt.allKeys()) {
            const QVariant v = qt.value(key);
            byQt[key.toStdString()] = v.typeId() == QMetaType::QString
                                          ? v.toString().toUtf8().toStdString()
                                          : std::string("<not text: ") + v.typeName() + ">";
        }
        EXPECT_EQ(*plain, byQt) << "case " << n << ":\n" << c.content;
        QtSettingsStore store;
        for (const char* key : {"th", "tw", "colorT", "colorB", "font"}) {
            const auto found = plain->find(std::string("settings/") + key);
            EXPECT_EQ(found != plain->end() ? found->second : "fallback",
                      store.GetSetting(app, "settings", key, "fallback"))
                << "case " << n << " key " << key;
        }
    }
}

// The file the plain reader opens is the store's, or it defers to QtCore.
TEST(QtSettingsStoreTest, PlainReaderFindsTheStoresFileOrDefers) {
    const std::string app = AppName();
    const std::string xdg = std::getenv("XDG_CONFIG_HOME");
    const std::string home = std::getenv("HOME");
    struct Case {
        bool xdgSet;
        std::string xdg;
        std::string home;
        bool decided;
    };
    const Case cases[] = {
        {true, xdg, home, true},
        {true, "", home, true},
        {false, "", home, true},
        {false, "", home + "/", true},
        {false, "", home + "/./x//", true},
        {true, xdg + "//a/./b/", home, true},
        {true, xdg + "/a/../b", home, false},
        {true, "relative/config", home, false},
        {false, "", "", false},
        {true, xdg + "/\xE9", home, false},
    };
    int n = 0;
    for (const Case& c : cases) {
        ++n;
        if (c.xdgSet) {
            setenv("XDG_CONFIG_HOME", c.xdg.c_str(), 1);
        } else {
            unsetenv("XDG_CONFIG_HOME");
        }
        setenv("HOME", c.home.c_str(), 1);
        const auto plain = PlainSettingsFilePath(app);
        const std::string byQt = QtSettingsStore::FilePath(app);
        setenv("XDG_CONFIG_HOME", xdg.c_str(), 1);
        setenv("HOME", home.c_str(), 1);
        ASSERT_EQ(plain.has_value(), c.decided) << "case " << n;
        if (plain) {
            EXPECT_EQ(fs::path(*plain).lexically_normal(), fs::path(byQt).lexically_normal())
                << "case " << n;
        }
    }
}

TEST(QtSettingsStoreTest, ALinkedFileIsWrittenThroughItsLink) {
    const std::string app = AppName();
    const fs::path dotfiles = ConfigHome() / "dotfiles";
    fs::create_directories(dotfiles);
    struct Case {
        const char* name;
        bool targetExists;
        bool viaSecondLink;
    };
    const Case cases[] = {{"present", true, false}, {"dangling", false, false},
                          {"chained", true, true}};
    for (const Case& c : cases) {
        const fs::path target = dotfiles / (std::string(c.name) + ".conf");
        if (c.targetExists) WriteFile(target, "[settings]\n# mine\nth=30\n");
        fs::remove(ConfFile(app));
        fs::create_directories(ConfFile(app).parent_path());
        if (c.viaSecondLink) {
            const fs::path middle = dotfiles / (std::string(c.name) + "-link");
            fs::create_symlink(target, middle);
            fs::create_symlink(middle, ConfFile(app));
        } else {
            fs::create_symlink(target, ConfFile(app));
        }
        QtSettingsStore store;
        store.SaveSetting(app, "settings", "tw", "12");
        EXPECT_TRUE(fs::is_symlink(ConfFile(app))) << c.name << ": the link was replaced";
        EXPECT_EQ(store.GetSetting(app, "settings", "tw", "x"), "12") << c.name;
        const std::string text = ReadFile(target);
        EXPECT_TRUE(Contains(text, "tw=12\n")) << c.name << ":\n" << text;
        if (c.targetExists) EXPECT_TRUE(Contains(text, "# mine\nth=30\n")) << c.name;
        EXPECT_FALSE(fs::exists(target.string() + ".saving")) << c.name;
    }
}

TEST(QtSettingsStoreTest, AFileThatCannotBeReadNeverHangsAndRefusesTheSave) {
    const std::string app = AppName();
    struct Case {
        const char* name;
        void (*make)(const fs::path&);
        const char* refusal;
    };
    const Case cases[] = {
        {"fifo", [](const fs::path& p) { ASSERT_EQ(mkfifo(p.c_str(), 0600), 0); },
         "not a regular file"},
        {"folder", [](const fs::path& p) { fs::create_directories(p); }, "not a regular file"},
        {"device", [](const fs::path& p) { fs::create_symlink("/dev/zero", p); },
         "not a regular file"},
        // Past the bound on what a settings file may cost to read.
        {"oversized",
         [](const fs::path& p) {
             std::string text = "[settings]\nth=5\n";
             while (text.size() <= kMaxSettingsFileBytes) {
                 text += "k" + std::to_string(text.size()) + "=v\n";
             }
             WriteFile(p, text);
         },
         "larger than 1 MiB"},
    };
    for (const Case& c : cases) {
        const std::string name = app + c.name;
        fs::create_directories(ConfFile(name).parent_path());
        c.make(ConfFile(name));
        const bool regular = fs::is_regular_file(ConfFile(name));
        const std::string before = regular ? ReadFile(ConfFile(name)) : "";
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            alarm(10);  // a hang guard
            QtSettingsStore store;
            if (store.GetSetting(name, "settings", "th", "fallback") != "fallback") _exit(3);
            try {
                store.SaveSetting(name, "settings", "th", "2");
                _exit(4);
            } catch (const SettingsError& e) {
                _exit(Contains(e.what(), c.refusal) ? 0 : 5);
            }
        }
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status)) << c.name << ": reading or saving hung";
        EXPECT_EQ(WEXITSTATUS(status), 0) << c.name;
        if (regular) EXPECT_EQ(ReadFile(ConfFile(name)), before) << c.name;
    }
    // The refusal comes before any lock is made beside what the link leads to.
    EXPECT_FALSE(fs::exists("/dev/zero.lock"));
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

// A save that cannot be done whole is refused at once, says why, and leaves
// the file byte for byte as it was.
TEST(QtSettingsStoreTest, ARefusedSaveSaysWhyAndChangesNothing) {
    const std::string app = AppName();
    struct Case {
        const char* name;
        void (*make)(const fs::path& file);
        const char* refusal;
        bool renameDoesNothing;
    };
    const Case cases[] = {
        // Planted by anyone who may write the folder: none may hold a save up.
        {"fifo_lock", [](const fs::path& f) { mkfifo((f.string() + ".lock").c_str(), 0666); },
         ".lock is not a regular file", false},
        {"folder_lock", [](const fs::path& f) { fs::create_directory(f.string() + ".lock"); },
         ".lock is not a regular file", false},
        {"link_lock",
         [](const fs::path& f) {
             fs::create_symlink(f.parent_path() / "elsewhere", f.string() + ".lock");
         },
         ".lock is not a regular file", false},
        // Its owner made it read-only.
        {"read_only", [](const fs::path& f) { chmod(f.c_str(), 0444); }, "the file is read-only",
         false},
        // The rename reports success and does nothing.
        {"lost_rename", [](const fs::path&) {}, "did not take the settings file's name", true},
    };
    int n = 0;
    for (const Case& c : cases) {
        const std::string name = app + std::to_string(n++);
        const std::string before = "[settings]\n# mine\nth=1\n";
        WriteFile(ConfFile(name), before);
        c.make(ConfFile(name));
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            alarm(10);  // a hang guard
            g_renameDoesNothing = c.renameDoesNothing;
            const auto start = std::chrono::steady_clock::now();
            try {
                QtSettingsStore().SaveSetting(name, "settings", "th", "2");
                _exit(4);
            } catch (const SettingsError& e) {
                if (!Contains(e.what(), c.refusal)) _exit(5);
            }
            // At once: not after the 10 s a saver waits for another.
            _exit(std::chrono::steady_clock::now() - start < std::chrono::seconds(1) ? 0 : 6);
        }
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status)) << c.name << ": the save hung";
        EXPECT_EQ(WEXITSTATUS(status), 0) << c.name;
        EXPECT_EQ(ReadFile(ConfFile(name)), before) << c.name;
        EXPECT_FALSE(fs::exists(ConfFile(name).string() + ".saving")) << c.name;
        EXPECT_FALSE(fs::exists(ConfFile(name).parent_path() / "elsewhere")) << c.name;
    }
}

// A file of exactly the bound is read; one byte more is not.
TEST(QtSettingsStoreTest, TheSizeBoundIsOneMebibyteExactly) {
    const std::string app = AppName();
    for (const std::size_t size : {kMaxSettingsFileBytes, kMaxSettingsFileBytes + 1}) {
        std::string text = "[settings]\nth=5\n#";
        text += std::string(size - text.size() - 1, 'x') + "\n";
        ASSERT_EQ(text.size(), size);
        WriteFile(ConfFile(app), text);
        const bool within = size <= kMaxSettingsFileBytes;
        EXPECT_EQ(QtSettingsStore().GetSetting(app, "settings", "th", "fallback"),
                  within ? "5" : "fallback")
            << size;
        EXPECT_EQ(ReadSettingsFile(ConfFile(app).string()).result,
                  within ? SettingsFileRead::Read : SettingsFileRead::TooLarge)
            << size;
    }
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

// The folder's names other than the settings file and its lock.
std::set<std::string> Leftovers(const std::string& app, bool allowSaving) {
    std::set<std::string> out;
    for (const auto& entry : fs::directory_iterator(ConfFile(app).parent_path())) {
        const std::string name = entry.path().filename().string();
        if (name == app + ".conf" || name == app + ".conf.lock") continue;
        if (allowSaving && name == app + ".conf.saving") continue;
        out.insert(name);
    }
    return out;
}

TEST(QtSettingsStoreTest, KilledWriterNeverLeavesATornFile) {
    const std::string app = AppName();
    std::mt19937 random(7);
    QtSettingsStore store;
    store.SaveSetting(app, "settings", "font", *kLongValues.begin());
    for (int round = 0; round < 60; ++round) {
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) WriteForever(app, "font", 1000000);
        std::this_thread::sleep_for(std::chrono::microseconds(500 + random() % 20000));
        kill(child, SIGKILL);
        int status = 0;
        waitpid(child, &status, 0);
        // The old file or the new one, never none and never half of one.
        ASSERT_TRUE(fs::is_regular_file(ConfFile(app))) << "round " << round;
        std::map<std::string, std::string> values;
        const std::string text = ReadFile(ConfFile(app));
        ASSERT_TRUE(ParsesWhole(text, kLongValues, values)) << "round " << round;
        ASSERT_EQ(values.size(), 1u) << "round " << round;
        // At most the one temporary file the next save reuses.
        ASSERT_EQ(Leftovers(app, true), std::set<std::string>()) << "round " << round;
    }
    // A lock left by a killed writer does not block the next one, which
    // clears what the killed one left.
    store.SaveSetting(app, "settings", "font", *kLongValues.begin());
    EXPECT_EQ(store.GetSetting(app, "settings", "font", ""), *kLongValues.begin());
    EXPECT_EQ(Leftovers(app, false), std::set<std::string>());
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
    constexpr int kRounds = 60;
    const char* keys[2] = {"tw", "th"};
    // Two writers through one path, and through two links to one file (two
    // users' or two config folders' files, made links by a dotfile manager).
    for (const bool twoLinks : {false, true}) {
        const std::string app = AppName() + (twoLinks ? "Linked" : "");
        const std::string apps[2] = {twoLinks ? app + "A" : app, twoLinks ? app + "B" : app};
        const fs::path shared = ConfigHome() / (app + "-dotfiles");
        const fs::path file = twoLinks ? shared / "shared.conf" : ConfFile(app);
        if (twoLinks) {
            fs::create_directories(shared);
            for (const std::string& a : apps) {
                fs::create_directories(ConfFile(a).parent_path());
                fs::create_symlink(file, ConfFile(a));
            }
        }
        QtSettingsStore().SaveSetting(apps[0], "settings", "font", *kLongValues.begin());
        pid_t children[2];
        for (int i = 0; i < 2; ++i) {
            children[i] = fork();
            ASSERT_GE(children[i], 0);
            if (children[i] == 0) WriteForever(apps[i], keys[i], kRounds);
        }
        // Read all the while: never a torn file, never a key gone.
        int reads = 0, torn = 0, running = 2;
        while (running > 0) {
            std::map<std::string, std::string> seen;
            ++reads;
            if (!ParsesWhole(ReadFile(file), kLongValues, seen) || !seen.count("font")) ++torn;
            for (pid_t& child : children) {
                int status = 0;
                if (child > 0 && waitpid(child, &status, WNOHANG) == child) {
                    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
                        << "a save was refused";
                    child = -1;
                    --running;
                }
            }
        }
        EXPECT_EQ(torn, 0) << "of " << reads << " reads";
        std::map<std::string, std::string> values;
        ASSERT_TRUE(ParsesWhole(ReadFile(file), kLongValues, values));
        // The last write of each writer (round kRounds - 1 is odd) survived.
        EXPECT_EQ(values["tw"], *kLongValues.begin()) << "two links: " << twoLinks;
        EXPECT_EQ(values["th"], *kLongValues.begin()) << "two links: " << twoLinks;
        // One lock, beside the file itself.
        EXPECT_TRUE(fs::exists(file.string() + ".lock"));
        if (twoLinks) {
            for (const std::string& a : apps) {
                EXPECT_EQ(Leftovers(a, false), std::set<std::string>()) << a;
                EXPECT_FALSE(fs::exists(ConfFile(a).string() + ".lock")) << a;
            }
        }
    }
}

// The steps of a save, traced: the new file is on the disk before it takes
// the settings file's name, so a power cut never leaves an empty file.
TEST(QtSettingsStoreTest, TheNewFileIsSyncedBeforeItReplacesTheOld) {
    const std::string app = AppName();
    for (const bool existing : {false, true}) {
        QtSettingsStore store;
        g_trace.clear();
        g_tracing = true;
        store.SaveSetting(app, "settings", "th", existing ? "31" : "30");
        g_tracing = false;
        // A descriptor's name comes back with every link resolved.
        const std::string file =
            (fs::canonical(ConfFile(app).parent_path()) / (app + ".conf")).string();
        const auto at = [&](const std::string& call) {
            return std::find(g_trace.begin(), g_trace.end(), call) - g_trace.begin();
        };
        const auto synced = at("fsync " + file + ".saving");
        const auto renamed = at("rename " + file + ".saving " + file);
        ASSERT_LT(renamed, static_cast<long>(g_trace.size())) << "no rename; existing " << existing;
        EXPECT_LT(synced, renamed) << "existing " << existing;
    }
}

// QSettings in this process reuses what it parsed while the file's size and
// time stay the same: saves of one size in quick succession each read back.
TEST(QtSettingsStoreTest, TwoHundredSavesInARowEachReadBack) {
    const std::string app = AppName();
    QtSettingsStore store;
    for (int i = 0; i < 200; ++i) {
        const std::string value = std::to_string(1000 + i);
        store.SaveSetting(app, "settings", "th", value);
        ASSERT_EQ(store.GetSetting(app, "settings", "th", "fallback"), value) << "save " << i;
    }
}

// Runs `body` in a child, as `user` (root for nullptr), with the settings
// folder `config` and stderr into `log`; its status.
int RunAs(const passwd* user, const fs::path& config, const fs::path& log,
          const std::function<int()>& body) {
    const pid_t child = fork();
    if (child < 0) return -1;
    if (child == 0) {
        alarm(20);  // a hang guard
        setenv("XDG_CONFIG_HOME", config.c_str(), 1);
        const int fd = open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0666);
        if (fd < 0 || dup2(fd, 2) < 0) _exit(90);
        if (user != nullptr && (setgroups(0, nullptr) != 0 || setgid(user->pw_gid) != 0 ||
                                setuid(user->pw_uid) != 0)) {
            _exit(91);
        }
        try {
            _exit(body());
        } catch (...) {
            _exit(92);
        }
    }
    int status = 0;
    if (waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -2;
    return WEXITSTATUS(status);
}

// Root saving a user's settings (sudo -E keeps XDG_CONFIG_HOME) leaves them
// the user's: owner, group and mode kept, the lock in no one's way. A file
// the user may not read reads as the defaults, said once, and refuses saves.
TEST(QtSettingsStoreTest, ASaveAsRootKeepsTheUsersFileTheUsers) {
    if (geteuid() != 0) GTEST_SKIP() << "needs root";
    const passwd* user = getpwnam("scriblane-test");
    if (user == nullptr) GTEST_SKIP() << "no user scriblane-test (scripts/setup.sh makes it)";
    const passwd userCopy = *user;
    struct Case {
        const char* name;
        bool folder;     // the settings folder exists, the user's
        bool file;       // the file exists
        bool rootsFile;  // the file is root's, mode 0600
        bool rootsLock;  // a lock root made earlier (mode 0644) instead of a save as root
    };
    const Case cases[] = {
        {"users_file", true, true, false, false},
        {"no_file_yet", true, false, false, false},
        {"no_folder_yet", false, false, false, false},
        {"roots_file", true, true, true, false},
        {"roots_old_lock", true, true, false, true},
    };
    for (const Case& c : cases) {
        char pattern[] = "/tmp/scriblane-owner-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        const fs::path config = pattern;
        ASSERT_EQ(chown(config.c_str(), userCopy.pw_uid, userCopy.pw_gid), 0);
        const std::string app = "Owner";
        const fs::path file = config / app / (app + ".conf");
        const fs::path log = config.string() + ".log";
        if (c.folder) {
            fs::create_directories(file.parent_path());
            ASSERT_EQ(chown(file.parent_path().c_str(), userCopy.pw_uid, userCopy.pw_gid), 0);
            chmod(file.parent_path().c_str(), 0700);
        }
        if (c.file) {
            WriteFile(file, "[settings]\n# mine\nth=30\n");
            chmod(file.c_str(), 0600);
            if (!c.rootsFile) ASSERT_EQ(chown(file.c_str(), userCopy.pw_uid, userCopy.pw_gid), 0);
        }
        if (c.rootsLock) {
            WriteFile(file.string() + ".lock", "");
            chmod((file.string() + ".lock").c_str(), 0644);
            WriteFile(file, "[settings]\n# mine\nth=40\n");
        } else {
            // Root saves with the user's rights: a file of root's that the
            // user may not read is as unreadable to root's save.
            const int asRoot = RunAs(nullptr, config, log, [&] {
                try {
                    QtSettingsStore().SaveSetting(app, "settings", "th", "40");
                } catch (const SettingsError& e) {
                    return c.rootsFile && Contains(e.what(), "permission denied") ? 0 : 7;
                }
                return c.rootsFile ? 8 : 0;
            });
            EXPECT_EQ(asRoot, 0) << c.name;
        }
        struct stat st {};
        ASSERT_EQ(stat(file.c_str(), &st), 0) << c.name;
        const uid_t owner = c.rootsFile ? 0 : userCopy.pw_uid;
        EXPECT_EQ(st.st_uid, owner) << c.name;
        if (c.file) EXPECT_EQ(st.st_mode & 07777, 0600u) << c.name;
        if (!c.folder) {
            ASSERT_EQ(stat(file.parent_path().c_str(), &st), 0);
            EXPECT_EQ(st.st_uid, userCopy.pw_uid) << c.name << ": the folder root made";
        }
        ASSERT_EQ(stat((file.string() + ".lock").c_str(), &st), 0) << c.name;
        EXPECT_EQ(st.st_uid, c.rootsLock ? 0 : userCopy.pw_uid) << c.name << ": the lock root made";
        // Now the user.
        const int asUser = RunAs(&userCopy, config, log, [&] {
            QtSettingsStore store(/*reportUnreadable=*/true);
            std::string th;
            for (int i = 0; i < 5; ++i) th = store.GetSetting(app, "settings", "th", "fallback");
            if (th != (c.rootsFile ? "fallback" : "40")) return 3;
            try {
                store.SaveSetting(app, "settings", "tw", "9");
            } catch (const SettingsError& e) {
                return c.rootsFile && Contains(e.what(), "permission denied") ? 0 : 4;
            }
            if (c.rootsFile) return 5;
            return store.GetSetting(app, "settings", "tw", "") == "9" ? 0 : 6;
        });
        EXPECT_EQ(asUser, 0) << c.name;
        const std::string said = ReadFile(log);
        std::size_t lines = 0;
        for (std::size_t at = said.find("cannot read"); at != std::string::npos;
             at = said.find("cannot read", at + 1)) {
            ++lines;
        }
        EXPECT_EQ(lines, c.rootsFile ? 1u : 0u) << c.name << ":\n" << said;
        if (c.rootsFile) EXPECT_TRUE(Contains(said, "permission denied")) << said;
        if (c.file) EXPECT_TRUE(Contains(ReadFile(file), "# mine\n")) << c.name;
        std::error_code ignored;
        fs::remove_all(config, ignored);
        fs::remove(log, ignored);
    }
}

// Root saving a user's settings has no more rights than the user: a link or
// a folder the user put on the way leads nowhere the user could not write.
// And a user's save replaces whatever file lies in the user's own folder.
TEST(QtSettingsStoreTest, ARootSaveHasTheUsersRightsAndNoMore) {
    if (geteuid() != 0) GTEST_SKIP() << "needs root";
    const passwd* found = getpwnam("scriblane-test");
    if (found == nullptr) GTEST_SKIP() << "no user scriblane-test (scripts/setup.sh makes it)";
    const passwd user = *found;
    const uid_t other = 65534;  // another user: nobody
    struct Case {
        const char* name;
        bool asRoot;
        // Puts something on the way; answers the file the save must not touch.
        std::function<fs::path(const fs::path& config, const fs::path& elsewhere)> make;
        const char* refusal;  // nullptr: the save succeeds
    };
    const auto writeAs = [](const fs::path& f, uid_t uid, mode_t mode) {
        WriteFile(f, "[settings]\n# theirs\nth=7\n");
        EXPECT_EQ(chown(f.c_str(), uid, uid), 0);
        chmod(f.c_str(), mode);
    };
    const auto linkAs = [&](const fs::path& target, const fs::path& link) {
        fs::create_directories(link.parent_path());
        EXPECT_EQ(chown(link.parent_path().c_str(), user.pw_uid, user.pw_gid), 0);
        fs::create_symlink(target, link);
        EXPECT_EQ(lchown(link.c_str(), user.pw_uid, user.pw_gid), 0);
    };
    const Case cases[] = {
        {"link_to_a_private_file", true,
         [&](const fs::path& config, const fs::path& elsewhere) {
             writeAs(elsewhere / "other.conf", other, 0600);
             linkAs(elsewhere / "other.conf", config / "Owner" / "Owner.conf");
             return elsewhere / "other.conf";
         },
         "other.conf"},
        {"link_to_a_readable_file", true,
         [&](const fs::path& config, const fs::path& elsewhere) {
             writeAs(elsewhere / "other.conf", other, 0644);
             linkAs(elsewhere / "other.conf", config / "Owner" / "Owner.conf");
             return elsewhere / "other.conf";
         },
         "other.conf"},
        // Where a folder swapped in mid-save would lead: a root-only one.
        {"folder_linked_to_a_root_only_folder", true,
         [&](const fs::path& config, const fs::path& elsewhere) {
             chmod(elsewhere.c_str(), 0700);
             linkAs(elsewhere, config / "Owner");
             return elsewhere / "Owner.conf";
         },
         "permission denied"},
        // Left by an older version that saved as root.
        {"roots_readable_file_in_the_users_folder", false,
         [&](const fs::path& config, const fs::path&) {
             fs::create_directories(config / "Owner");
             EXPECT_EQ(chown((config / "Owner").c_str(), user.pw_uid, user.pw_gid), 0);
             writeAs(config / "Owner" / "Owner.conf", 0, 0640);
             chmod((config / "Owner" / "Owner.conf").c_str(), 0644);
             return fs::path();
         },
         nullptr},
    };
    for (const Case& c : cases) {
        char configPattern[] = "/tmp/scriblane-rights-XXXXXX";
        char elsewherePattern[] = "/tmp/scriblane-elsewhere-XXXXXX";
        ASSERT_NE(mkdtemp(configPattern), nullptr);
        ASSERT_NE(mkdtemp(elsewherePattern), nullptr);
        const fs::path config = configPattern, elsewhere = elsewherePattern;
        chmod(elsewhere.c_str(), 0755);
        ASSERT_EQ(chown(config.c_str(), user.pw_uid, user.pw_gid), 0);
        const fs::path untouchable = c.make(config, elsewhere);
        const std::string before = untouchable.empty() ? "" : ReadFile(untouchable);
        const bool existed = !untouchable.empty() && fs::exists(untouchable);
        const int status = RunAs(c.asRoot ? nullptr : &user, config, config.string() + ".log", [&] {
            try {
                QtSettingsStore().SaveSetting("Owner", "settings", "th", "40");
            } catch (const SettingsError& e) {
                return c.refusal != nullptr && Contains(e.what(), c.refusal) ? 0 : 3;
            }
            return c.refusal == nullptr ? 0 : 4;
        });
        EXPECT_EQ(status, 0) << c.name;
        if (!untouchable.empty()) {
            EXPECT_EQ(fs::exists(untouchable), existed) << c.name;
            if (existed) EXPECT_EQ(ReadFile(untouchable), before) << c.name;
            EXPECT_FALSE(fs::exists(untouchable.string() + ".lock")) << c.name;
        }
        if (c.refusal == nullptr) {
            const fs::path file = config / "Owner" / "Owner.conf";
            struct stat st {};
            ASSERT_EQ(stat(file.c_str(), &st), 0);
            EXPECT_EQ(st.st_uid, user.pw_uid) << c.name << ": the new file is the user's";
            EXPECT_EQ(st.st_mode & 07777, 0644u) << c.name;
            EXPECT_TRUE(Contains(ReadFile(file), "# theirs\nth=40\n")) << ReadFile(file);
        }
        std::error_code ignored;
        fs::remove_all(config, ignored);
        fs::remove_all(elsewhere, ignored);
        fs::remove(config.string() + ".log", ignored);
    }
}

// A full disk is named, and the old file stays as it was.
TEST(QtSettingsStoreTest, AFullDiskIsNamedAndTheOldFileKept) {
    if (geteuid() != 0) GTEST_SKIP() << "needs root to mount a small file system";
    char pattern[] = "/tmp/scriblane-full-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    const fs::path config = pattern;
    if (mount("scriblane", config.c_str(), "tmpfs", 0, "size=64k") != 0) {
        fs::remove(config);
        GTEST_SKIP() << "cannot mount a tmpfs here";
    }
    const fs::path file = config / "Full" / "Full.conf";
    const std::string before = "[settings]\n# mine\nth=1\n";
    WriteFile(file, before);
    {
        // Fill what is left.
        std::ofstream filler(config / "filler", std::ios::binary);
        const std::string block(4096, 'x');
        for (int i = 0; i < 64 && filler; ++i) filler << block << std::flush;
    }
    const int status = RunAs(nullptr, config, "/tmp/scriblane-full.log", [&] {
        try {
            QtSettingsStore().SaveSetting("Full", "settings", "th", "2");
        } catch (const SettingsError& e) {
            return Contains(e.what(), "no space left") ? 0 : 3;
        }
        return 4;
    });
    EXPECT_EQ(status, 0);
    EXPECT_EQ(ReadFile(file), before);
    EXPECT_FALSE(fs::exists(file.string() + ".saving"));
    umount2(config.c_str(), MNT_DETACH);
    std::error_code ignored;
    fs::remove_all(config, ignored);
    fs::remove("/tmp/scriblane-full.log", ignored);
}

// Savers that keep saving take the lock in turn: each gets saves, and none
// waits anywhere near its 10 s for one (waiters that poll lose the lock to
// the saver that just let it go, for a second and more at a time).
TEST(QtSettingsStoreTest, SaversUnderSteadyContentionEachGetSaves) {
    const std::string app = AppName();
    QtSettingsStore().SaveSetting(app, "settings", "th", "1");
    constexpr int kSavers = 4;
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    std::vector<pid_t> savers;
    for (int i = 0; i < kSavers; ++i) {
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            alarm(40);  // a hang guard
            QtSettingsStore store;
            int saves = 0;
            auto longest = std::chrono::steady_clock::duration::zero();
            while (std::chrono::steady_clock::now() < until) {
                const auto start = std::chrono::steady_clock::now();
                try {
                    store.SaveSetting(app, "settings", "k" + std::to_string(i),
                                      std::to_string(saves));
                    ++saves;
                } catch (const SettingsError&) {
                    _exit(2);  // waited out the lock
                }
                longest = std::max(longest, std::chrono::steady_clock::now() - start);
            }
            if (saves == 0) _exit(3);
            _exit(longest < std::chrono::seconds(1) ? 0 : 4);
        }
        savers.push_back(child);
    }
    for (int i = 0; i < kSavers; ++i) {
        int status = 0;
        ASSERT_EQ(waitpid(savers[i], &status, 0), savers[i]);
        ASSERT_TRUE(WIFEXITED(status)) << "saver " << i;
        EXPECT_EQ(WEXITSTATUS(status), 0)
            << "saver " << i << " (2: gave up waiting, 3: no save, 4: one save took a second)";
    }
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
