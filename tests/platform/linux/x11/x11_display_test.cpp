// X11Display against a private Xvfb: device-context state, screen metrics,
// the desktop colour, and the exact pixels DrawTextA leaves on the root.
// gtest before Xlib: Xlib's macros (None, Bool) clash with gtest's names.
#include <gtest/gtest.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/linux/text/text_layout.h"
#include "platform/linux/x11/x11_display.h"
#include "platform/linux/overlay/x11_overlay.h"
#include "platform/linux/x11/x11_text_draw.h"
#include "xvfb_server.h"

namespace scriblane::linuxp {
namespace {

constexpr int kWidth = 1024;
constexpr int kHeight = 768;

// The test program's own Xvfb, started in main.
std::string displayName;

class X11DisplayTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { InstallX11ErrorHandlers(); }

    void SetUp() override {
        ASSERT_FALSE(displayName.empty()) << "no Xvfb";
        dpy_ = XOpenDisplay(displayName.c_str());
        ASSERT_NE(dpy_, nullptr);
        root_ = DefaultRootWindow(dpy_);
        // A known root: one solid colour, no properties from earlier tests.
        XSetWindowBackground(dpy_, root_, 0x102030);
        XClearWindow(dpy_, root_);
        for (const char* name : {"_NET_WORKAREA", "_XROOTPMAP_ID", "ESETROOT_PMAP_ID"}) {
            XDeleteProperty(dpy_, root_, XInternAtom(dpy_, name, False));
        }
        XSync(dpy_, False);
        display_ = std::make_unique<X11Display>(dpy_);
    }

    void TearDown() override {
        display_.reset();
        if (dpy_) XCloseDisplay(dpy_);
    }

    // The root's pixel as 0xRRGGBB.
    unsigned long Pixel(int x, int y) {
        XSync(dpy_, False);
        XImage* image = XGetImage(dpy_, root_, x, y, 1, 1, AllPlanes, ZPixmap);
        if (!image) return ~0ul;
        const unsigned long p = XGetPixel(image, 0, 0) & 0xFFFFFF;
        XDestroyImage(image);
        return p;
    }

    // Bounding box of the pixels of `rgb` in the root (right/bottom exclusive).
    Rect Find(unsigned long rgb) {
        XSync(dpy_, False);
        XImage* image = XGetImage(dpy_, root_, 0, 0, kWidth, kHeight, AllPlanes, ZPixmap);
        Rect r{INT_MAX, INT_MAX, -1, -1};
        for (int y = 0; y < kHeight; ++y) {
            for (int x = 0; x < kWidth; ++x) {
                if ((XGetPixel(image, x, y) & 0xFFFFFF) != rgb) continue;
                r.left = std::min(r.left, x);
                r.top = std::min(r.top, y);
                r.right = std::max(r.right, x + 1);
                r.bottom = std::max(r.bottom, y + 1);
            }
        }
        XDestroyImage(image);
        return r;
    }

    Handle Font(std::int32_t height, std::int32_t width, const char* face = "arial") {
        FontRequest request;
        request.height = height;
        request.width = width;
        request.charSet = 1;
        request.faceName = face;
        return display_->CreateFontA(request);
    }

    ::Display* dpy_ = nullptr;
    Window root_ = 0;
    std::unique_ptr<X11Display> display_;
};

TEST_F(X11DisplayTest, NewContextHasWin32Defaults) {
    EXPECT_EQ(display_->CreateDCA("WINSPOOL", nullptr, nullptr, nullptr), 0u);
    EXPECT_EQ(display_->CreateDCA(nullptr, nullptr, nullptr, nullptr), 0u);
    const Handle dc = display_->CreateDCA("DISPLAY", nullptr, nullptr, nullptr);
    ASSERT_NE(dc, 0u);
    EXPECT_EQ(display_->GetTextColor(dc), 0);
    EXPECT_EQ(display_->GetBkColor(dc), 0xFFFFFF);
    EXPECT_EQ(display_->SetTextColor(dc, 0x123456), 0);
    EXPECT_EQ(display_->SetTextColor(dc, 7), 0x123456);
    EXPECT_EQ(display_->SetBkColor(dc, -5), 0xFFFFFF);
    EXPECT_EQ(display_->GetBkColor(dc), -5);
    EXPECT_EQ(display_->DeleteDC(dc), 1);
    EXPECT_EQ(display_->DeleteDC(dc), 0);
    EXPECT_EQ(display_->GetTextColor(dc), -1);  // CLR_INVALID on a freed context
    EXPECT_EQ(display_->SetBkColor(dc, 1), -1);
}

TEST_F(X11DisplayTest, ScreenContextReportsThePrimaryScreen) {
    const Handle dc = display_->GetWindowDC(0);
    ASSERT_NE(dc, 0u);
    EXPECT_EQ(display_->GetDeviceCaps(dc, kHorzRes), kWidth);
    EXPECT_EQ(display_->GetDeviceCaps(dc, kVertRes), kHeight);
    EXPECT_EQ(display_->GetDeviceCaps(dc, 12), 24);  // BITSPIXEL
    EXPECT_EQ(display_->GetDeviceCaps(0xDEAD, kHorzRes), 0);
    EXPECT_EQ(display_->ReleaseDC(0, dc), 1);
    EXPECT_EQ(display_->ReleaseDC(0, dc), 0);
    // A context from CreateDCA is not released, it is deleted.
    const Handle created = display_->CreateDCA("display", nullptr, nullptr, nullptr);
    EXPECT_EQ(display_->ReleaseDC(0, created), 0);
    EXPECT_EQ(display_->DeleteDC(created), 1);
}

TEST_F(X11DisplayTest, FontsSelectAndDelete) {
    const Handle dc = display_->CreateDCA("DISPLAY", nullptr, nullptr, nullptr);
    const Handle font = Font(30, 15);
    ASSERT_NE(font, 0u);
    const Handle stock = display_->SelectObject(dc, font);
    EXPECT_NE(stock, 0u);
    EXPECT_EQ(display_->SelectObject(dc, 0xBAD), 0u);  // not an object
    EXPECT_EQ(display_->DeleteObject(font), 0) << "deleted while selected";
    EXPECT_EQ(display_->SelectObject(dc, stock), font);
    EXPECT_EQ(display_->DeleteObject(font), 1);
    EXPECT_EQ(display_->DeleteObject(font), 0);
    EXPECT_EQ(display_->SelectObject(dc, font), 0u);
    EXPECT_EQ(display_->DeleteDC(dc), 1);
}

TEST_F(X11DisplayTest, DrawTextFillsOnlyTheLineCells) {
    const Handle dc = display_->CreateDCA("DISPLAY", nullptr, nullptr, nullptr);
    display_->SetTextColor(dc, 0x0000FF);  // red
    display_->SetBkColor(dc, 0x00FF00);    // green
    const Handle font = Font(30, 15);
    const Handle old = display_->SelectObject(dc, font);
    Rect box{312, 184, 712, 584};
    const char text[] = "  Hello\nab";
    EXPECT_EQ(display_->DrawTextA(dc, text, 10, &box, 261), 60);  // two cells
    const Rect band = Find(0x00FF00);
    EXPECT_EQ(band.top, 184);
    EXPECT_EQ(band.bottom, 244);
    EXPECT_LE(std::abs((band.left + band.right) - 1024), 1);
    EXPECT_NE(Find(0xFF0000).right, -1) << "no text pixels";
    // The box outside the lines is untouched.
    EXPECT_EQ(Pixel(312, 184), 0x102030u);
    EXPECT_EQ(Pixel(511, 300), 0x102030u);
    EXPECT_EQ(Pixel(511, 244), 0x102030u);
    display_->SelectObject(dc, old);
    display_->DeleteObject(font);
    display_->DeleteDC(dc);
}

TEST_F(X11DisplayTest, BackgroundUsesTheLow24Bits) {
    const Handle dc = display_->CreateDCA("DISPLAY", nullptr, nullptr, nullptr);
    display_->SetBkColor(dc, static_cast<ColorRef>(0x7F563412));
    Rect box{0, 0, 400, 400};
    display_->DrawTextA(dc, "   ", 3, &box, 261);
    // 0x00BBGGRR 0x563412 is red 0x12, green 0x34, blue 0x56.
    EXPECT_EQ(Pixel(200, 5), 0x123456u);
    display_->DeleteDC(dc);
}

TEST_F(X11DisplayTest, DrawTextEdgeCases) {
    const Handle dc = display_->CreateDCA("DISPLAY", nullptr, nullptr, nullptr);
    Rect box{312, 184, 712, 584};
    EXPECT_EQ(display_->DrawTextA(dc, "x", 1, nullptr, 261), 0);
    EXPECT_EQ(display_->DrawTextA(0xBAD, "x", 1, &box, 261), 0);
    // The stock font's cell is 16 pixels, give or take the rounding of
    // whichever face the machine's sans-serif is.
    const std::int32_t cell = display_->DrawTextA(dc, "", 0, &box, 261);
    EXPECT_NEAR(cell, kDefaultCellHeight, 1);
    EXPECT_EQ(display_->DrawTextA(dc, "ab\ncd", -1, &box, 261), 2 * cell);
    // Boxes far outside the 16-bit coordinate range draw nothing and do not wrap.
    for (const Rect& far : {Rect{INT32_MIN, INT32_MIN, INT32_MIN + 400, INT32_MIN + 400},
                            Rect{INT32_MAX - 400, INT32_MAX - 400, INT32_MAX, INT32_MAX},
                            Rect{65536 + 312, 65536 + 184, 65536 + 712, 65536 + 584}}) {
        XClearWindow(dpy_, root_);
        Rect r = far;
        display_->SetBkColor(dc, 0x00FF00);
        display_->DrawTextA(dc, "Hello", 5, &r, 261);
        EXPECT_EQ(Find(0x00FF00).right, -1) << far.left;
    }
    display_->DeleteDC(dc);
}

TEST_F(X11DisplayTest, WorkAreaIsTheScreenWithoutAWindowManager) {
    Rect area;
    EXPECT_EQ(display_->SystemParametersInfoA(kSpiGetWorkArea, 0, &area, 0), 1);
    EXPECT_EQ(area, (Rect{0, 0, kWidth, kHeight}));
    EXPECT_EQ(display_->SystemParametersInfoA(47, 0, &area, 0), 0);
    EXPECT_EQ(display_->SystemParametersInfoA(kSpiGetWorkArea, 0, nullptr, 0), 0);
}

TEST_F(X11DisplayTest, WorkAreaFollowsNetWorkareaWithinThePrimaryScreen) {
    const Atom atom = XInternAtom(dpy_, "_NET_WORKAREA", False);
    const long values[] = {0, 30, 1024, 700, 5, 5, 10, 10};  // first desktop counts
    XChangeProperty(dpy_, root_, atom, XA_CARDINAL, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(values), 8);
    XSync(dpy_, False);
    Rect area;
    display_->SystemParametersInfoA(kSpiGetWorkArea, 0, &area, 0);
    EXPECT_EQ(area, (Rect{0, 30, 1024, 730}));
    const long beyond[] = {-100, -100, 5000, 5000};
    XChangeProperty(dpy_, root_, atom, XA_CARDINAL, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(beyond), 4);
    XSync(dpy_, False);
    display_->SystemParametersInfoA(kSpiGetWorkArea, 0, &area, 0);
    EXPECT_EQ(area, (Rect{0, 0, kWidth, kHeight}));
    // Read ahead, it answers the next question once; then the root is asked.
    display_->ReadAhead();
    XChangeProperty(dpy_, root_, atom, XA_CARDINAL, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(values), 4);
    XSync(dpy_, False);
    display_->SystemParametersInfoA(kSpiGetWorkArea, 0, &area, 0);
    EXPECT_EQ(area, (Rect{0, 0, kWidth, kHeight}));
    display_->SystemParametersInfoA(kSpiGetWorkArea, 0, &area, 0);
    EXPECT_EQ(area, (Rect{0, 30, 1024, 730}));
}

TEST_F(X11DisplayTest, DesktopColourIsWhatTheUserSees) {
    constexpr ColorRef kFixed = 0x00A56E3A;
    struct Area {
        Rect r;
        unsigned long rgb;
    };
    struct Case {
        const char* name;
        const char* solid;  // xsetroot -solid, or the fixture's own root colour
        unsigned long picture;  // published root picture's colour; 0 for none
        bool pictureGone;       // published, then freed
        std::vector<Area> windows;  // mapped over the root
        std::vector<Area> drawn;    // painted on the root itself
        const char* desktop;        // XDG_CURRENT_DESKTOP
        const char* gnome;          // the desktop environment's stored keys
        ColorRef want;
    };
    const char* plainBlue = "primary-color='#123456'\npicture-options='none'\n";
    const char* withPicture = "primary-color='#123456'\npicture-options='zoom'\n";
    const Area everywhere{{0, 0, kWidth, kHeight}, 0xFF0000};
    const Case cases[] = {
        {"black root", "black", 0, false, {}, {}, nullptr, nullptr, 0x000000},
        {"coloured root", "#2040A0", 0, false, {}, {}, nullptr, nullptr, 0xA04020},
        {"fixture root", nullptr, 0, false, {}, {}, nullptr, nullptr, 0x302010},
        {"picture over the root", "#2040A0", 0xC08040, false, {}, {}, nullptr, nullptr, 0x4080C0},
        {"stale picture", "#2040A0", 0xC08040, true, {}, {}, nullptr, nullptr, 0xA04020},
        {"window over most points", "#2040A0", 0, false, {{{0, 0, 700, kHeight}, 0xFF0000}}, {},
         nullptr, nullptr, 0xA04020},
        {"window over every point", "#2040A0", 0, false, {everywhere}, {}, nullptr, nullptr,
         kFixed},
        {"text band across the top", "#2040A0", 0, false, {}, {{{0, 0, kWidth, 60}, 0x00FF00}},
         nullptr, nullptr, 0xA04020},
        {"band down the left side", "#2040A0", 0, false, {}, {{{0, 0, 200, kHeight}, 0x00FF00}},
         nullptr, nullptr, 0xA04020},
        {"root without one colour", "#2040A0", 0, false, {},
         {{{0, 0, kWidth, 200}, 0x00FF00}, {{0, 300, kWidth, 500}, 0x0000FF}}, nullptr, nullptr,
         kFixed},
        {"GNOME plain colour", nullptr, 0, false, {everywhere}, {}, "ubuntu:GNOME", plainBlue,
         0x563412},
        {"GNOME picture shown", nullptr, 0, false, {everywhere}, {}, "GNOME", withPicture, kFixed},
        {"other desktop", nullptr, 0, false, {everywhere}, {}, "XFCE", plainBlue, kFixed},
        {"plain root before GNOME", "black", 0, false, {}, {}, "GNOME", plainBlue, 0x000000},
    };

    char dir[] = "/tmp/scriblane-desk-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    const std::string settingsDir = std::string(dir) + "/glib-2.0/settings";
    ASSERT_EQ(std::system(("mkdir -p " + settingsDir).c_str()), 0);
    const std::string keyfile = settingsDir + "/keyfile";
    setenv("XDG_CONFIG_HOME", dir, 1);
    setenv("GSETTINGS_BACKEND", "keyfile", 1);
    const Atom atom = XInternAtom(dpy_, "_XROOTPMAP_ID", False);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        XSetWindowBackground(dpy_, root_, 0x102030);
        XClearWindow(dpy_, root_);
        XDeleteProperty(dpy_, root_, atom);
        XSync(dpy_, False);  // before xsetroot's own connection paints
        if (c.solid) {
            const std::string command =
                "timeout 10 xsetroot -display " + displayName + " -solid '" + c.solid + "'";
            ASSERT_EQ(std::system(command.c_str()), 0);
        }
        Pixmap pixmap = 0;
        if (c.picture) {
            pixmap = XCreatePixmap(dpy_, root_, 4, 4, 24);
            GC gc = XCreateGC(dpy_, pixmap, 0, nullptr);
            XSetForeground(dpy_, gc, c.picture);
            XFillRectangle(dpy_, pixmap, gc, 0, 0, 4, 4);
            XFreeGC(dpy_, gc);
            XChangeProperty(dpy_, root_, atom, XA_PIXMAP, 32, PropModeReplace,
                            reinterpret_cast<const unsigned char*>(&pixmap), 1);
            if (c.pictureGone) XFreePixmap(dpy_, pixmap);
        }
        GC gc = XCreateGC(dpy_, root_, 0, nullptr);
        for (const Area& a : c.drawn) {
            XSetForeground(dpy_, gc, a.rgb);
            XFillRectangle(dpy_, root_, gc, a.r.left, a.r.top, a.r.right - a.r.left,
                           a.r.bottom - a.r.top);
        }
        XFreeGC(dpy_, gc);
        std::vector<Window> windows;
        for (const Area& a : c.windows) {
            windows.push_back(XCreateSimpleWindow(dpy_, root_, a.r.left, a.r.top,
                                                  a.r.right - a.r.left, a.r.bottom - a.r.top, 0,
                                                  0, a.rgb));
            XMapWindow(dpy_, windows.back());
        }
        if (c.desktop) {
            setenv("XDG_CURRENT_DESKTOP", c.desktop, 1);
        } else {
            unsetenv("XDG_CURRENT_DESKTOP");
        }
        std::remove(keyfile.c_str());
        if (c.gnome) {
            FILE* f = std::fopen(keyfile.c_str(), "w");
            ASSERT_NE(f, nullptr);
            std::fprintf(f, "[org/gnome/desktop/background]\n%s", c.gnome);
            std::fclose(f);
        }
        XSync(dpy_, False);
        // The windows really hide the root where they stand.
        for (const Area& a : c.windows) EXPECT_EQ(Pixel(a.r.left, a.r.top), a.rgb);

        EXPECT_EQ(display_->GetSysColor(kColorBackground), c.want);
        // Read ahead of need (the window's start-up), the same answer.
        display_->ReadAhead();
        EXPECT_EQ(display_->GetSysColor(kColorBackground), c.want);

        for (Window w : windows) XDestroyWindow(dpy_, w);
        if (pixmap && !c.pictureGone) XFreePixmap(dpy_, pixmap);
        XSync(dpy_, False);
    }
    unsetenv("XDG_CURRENT_DESKTOP");
    unsetenv("GSETTINGS_BACKEND");
    unsetenv("XDG_CONFIG_HOME");
    std::system(("rm -rf " + std::string(dir)).c_str());
}

// A colour read ahead answers the first question only: the user's later
// "desk colour" asks the desktop as it is then.
TEST_F(X11DisplayTest, DesktopColourReadAheadAnswersOnce) {
    const auto solid = [](const char* colour) {
        return std::system(("timeout 10 xsetroot -display " + displayName + " -solid '" + colour +
                            "'").c_str());
    };
    ASSERT_EQ(solid("black"), 0);
    display_->ReadAhead();
    ASSERT_EQ(solid("#2040A0"), 0);
    EXPECT_EQ(display_->GetSysColor(kColorBackground), 0x000000u);
    EXPECT_EQ(display_->GetSysColor(kColorBackground), 0xA04020u);
}

// The helper behind the desktop environment's setting: output only from a
// program that ends well and in time; a hung one is killed, not waited for.
TEST_F(X11DisplayTest, FixedSystemColours) {
    EXPECT_EQ(display_->GetSysColor(kColorWindowText), 0);
    EXPECT_EQ(display_->GetSysColor(kColorBtnText), 0);
    EXPECT_EQ(display_->GetSysColor(5), 0xFFFFFF);  // COLOR_WINDOW
    EXPECT_EQ(display_->GetSysColor(-1), 0);
    EXPECT_EQ(display_->GetSysColor(1000), 0);
}

// Where the root is never shown, the overlay window carries the very pixels
// the root drawing leaves, in the same place, and covers nothing else.
TEST_F(X11DisplayTest, OverlayShowsTheRootDrawingsPixels) {
    struct Case {
        const char* text;
        Rect box;
        std::uint32_t format;
        std::int32_t width;
        std::uint32_t underline;
    };
    const Case cases[] = {
        {"Hello", {312, 184, 712, 584}, 261, 15, 0},
        {"  Hello\n&ab&&c\nthird line", {312, 184, 712, 584}, 261, 15, 0},  // lines, a prefix
        {"Underlined all along", {312, 184, 712, 584}, 261, 12, 1},
        // Wider than the box, running out on both sides and off the screen.
        {"A line much wider than its box and the screen", {-100, 100, 300, 500}, 261, 40, 0},
        {"Clipped to its box on both sides", {400, 300, 600, 700}, 1, 20, 0},
        // Fallback faces for what the chosen face lacks.
        {"Hello \xE6\x97\xA5\xE6\x9C\xAC \xE2\x9C\x93", {312, 184, 712, 584}, 261, 15, 1},
    };
    auto rootImage = [&] {
        XSync(dpy_, False);
        return XGetImage(dpy_, root_, 0, 0, kWidth, kHeight, AllPlanes, ZPixmap);
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        XClearWindow(dpy_, root_);
        const Handle dc = display_->CreateDCA("DISPLAY", nullptr, nullptr, nullptr);
        display_->SetTextColor(dc, 0x9A5705);
        display_->SetBkColor(dc, 0xEBF7FE);
        FontRequest request;
        request.height = 30;
        request.width = c.width;
        request.underline = c.underline;
        request.faceName = "arial";
        const Handle font = display_->CreateFontA(request);
        display_->SelectObject(dc, font);
        Rect box = c.box;
        display_->DrawTextA(dc, c.text, -1, &box, c.format);
        XImage* onRoot = rootImage();

        XClearWindow(dpy_, root_);
        X11Font own;
        own.request = request;
        ASSERT_TRUE(RealizeFont(dpy_, own));
        const std::string text = c.text;
        const auto lines = LayoutLines(DecodeText(text.data(), text.size()),
                                       c.format & kDtSingleLine, c.format & kDtNoPrefix);
        const OverlayWindow overlay =
            ShowOverlay(dpy_, own, 0x9A5705, 0xEBF7FE, lines, c.box, c.format);
        ASSERT_NE(overlay.window, 0u);
        XImage* onOverlay = rootImage();
        int differ = 0;
        for (int y = 0; y < kHeight; ++y) {
            for (int x = 0; x < kWidth; ++x) {
                differ += (XGetPixel(onRoot, x, y) & 0xFFFFFF) != (XGetPixel(onOverlay, x, y) & 0xFFFFFF);
            }
        }
        EXPECT_EQ(differ, 0);
        EXPECT_NE(XGetPixel(onOverlay, 512, c.box.top + 15) & 0xFFFFFF, 0x102030u) << "nothing drawn";
        XDestroyImage(onRoot);
        XDestroyImage(onOverlay);
        DestroyOverlay(dpy_, overlay);
        CloseFont(dpy_, own);
        display_->DeleteDC(dc);
        display_->DeleteObject(font);
    }
}

TEST_F(X11DisplayTest, LostServerEndsTheProcessWithOneLine) {
    int err[2];
    ASSERT_EQ(pipe(err), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        dup2(err[1], STDERR_FILENO);
        ::Display* d = XOpenDisplay(displayName.c_str());
        if (!d) _exit(3);
        InstallX11ErrorHandlers();
        XSync(d, False);
        // The connection is cut under the program's feet.
        shutdown(ConnectionNumber(d), SHUT_RDWR);
        XSync(d, False);
        _exit(4);  // not reached: the handler ends the process
    }
    close(err[1]);
    int status = 0;
    waitpid(child, &status, 0);
    char buffer[512] = {};
    const ssize_t n = read(err[0], buffer, sizeof buffer - 1);
    close(err[0]);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_EQ(std::string(buffer, n > 0 ? n : 0),
              "scriblane: lost the connection to the X display\n");
}

}  // namespace
}  // namespace scriblane::linuxp

int main(int argc, char** argv) {
    return scriblane::testing::RunTestsOnPrivateXvfb(
        argc, argv, [](const std::string& name) { scriblane::linuxp::displayName = name; });
}
