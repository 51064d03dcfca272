// The form runtime on Linux. While the window is hidden it is only a
// FormModel; the Qt application and widgets are made when the window is
// first needed on screen (placing or showing it), never in command-line mode.
#pragma once

#include <QString>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/linux/form/form_core.h"
#include "platform/linux/x11/x11_screen_info.h"
#include "platform/platform.h"

class QApplication;
class QWidget;

namespace scriblane::linuxp {

class FormWindow;

// Sets the environment the toolkit needs; runs before any thread starts.
void PrepareQtEnvironment();

class QtForm : public FormCore {
public:
    // `args`: the program's arguments after its name. `beforeEnd` runs just
    // before the process ends (it flushes what was drawn).
    QtForm(std::vector<std::string> args, std::function<void()> beforeEnd);
    ~QtForm() override;

    void Show() override;
    double Width() override;
    double Height() override;
    void Move(std::int32_t left, std::int32_t top) override;
    void Unload() override;
    Handle hWnd() override;
    std::string GetText(Ctl control) override;
    void SetText(Ctl control, const std::string& text) override;
    void AddItem(Ctl control, const std::string& item) override;
    void SetListIndex(Ctl control, std::int32_t index) override;
    ColorRef GetBackColor(Ctl control) override;
    void SetBackColor(Ctl control, ColorRef color) override;
    void Refresh(Ctl control) override;
    // 1440 / logical DPI, fixed once first asked. Before Qt runs it comes from
    // the X server's Xft.dpi resource (what Qt will use too), else 96 DPI.
    double TwipsPerPixelX() override;
    double TwipsPerPixelY() override;
    std::int32_t MsgBox(const std::string& prompt, std::int32_t style) override;

    // The X server's Xft.dpi, as a connection the program has already open
    // reads it, for the scale asked before Qt runs (without it, a short
    // connection of its own asks the server).
    void UseServerDpi(std::optional<double> dpi) { serverDpi_ = dpi; }

    // What the window of `layout` will show a window manager, for asking its
    // frame before Qt runs (see x11::FrameProbe).
    static x11::FrameLook FrameLookOf(const FormSpec& layout);
    // That frame, as asked ahead of the window: `answer` waits at most its
    // argument. Used for the window's first placing; without it the
    // window's own request is waited for.
    void UseFrameAskedAhead(std::function<x11::FrameExtents(std::chrono::milliseconds)> answer) {
        frameAhead_ = std::move(answer);
    }

    // Runs Qt's event loop once the window is shown; 0 at once otherwise.
    int Exec();

    // The widgets, for the dialogs' owner and for tests; nullptr while the
    // window does not exist.
    QWidget* Window() const;
    QWidget* Control(Ctl control) const;

    // Makes the QApplication when there is none yet (dialogs need one too).
    static void EnsureApplication();

protected:
    void FontListFilled() override;

private:
    void EnsureWindow();
    void BuildControls();
    // The face to use for a table face (see MakeFont), asked once per face.
    QString InstalledFace(const char* face);
    // After the first paint: the faces are listed on a thread of their own,
    // and the list fills itself when they are in.
    void ListFontsAfterFirstPaint();
    bool CloseRequested();
    x11::FrameExtents Extents();
    int Px(int twips) const;
    double Dpr() const;

    std::optional<double> twipsPerPixel_;
    std::optional<std::optional<double>> serverDpi_;

    FormWindow* window_ = nullptr;
    std::map<Ctl, QWidget*> controls_;
    QWidget* firstFocus_ = nullptr;
    std::optional<x11::FrameExtents> extents_;
    void* x11Display_ = nullptr;  // Qt's Xlib connection, on X11 only
    bool extentsRequested_ = false;
    std::function<x11::FrameExtents(std::chrono::milliseconds)> frameAhead_;
    bool shown_ = false;
    bool closing_ = false;
    bool listing_ = false;
    std::map<std::string, bool> screenFonts_;  // each name asked of fontconfig once
    // Read on the main thread only: false once the form is gone, for a fill
    // posted by the listing thread.
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace scriblane::linuxp
