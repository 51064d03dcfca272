// The Windows platform put together.
#include "platform/win32/win32_host.h"

#include <windows.h>
#include <commctrl.h>

#include "platform/win32/registry_store.h"
#include "platform/win32/win32_dialogs.h"
#include "platform/win32/win32_display.h"
#include "platform/win32/win32_form.h"

namespace scriblane {
namespace {

class Win32Host final : public PlatformHost {
public:
    Platform& platform() override { return platform_; }

    int RunEventLoop() override {
        MSG msg{};
        for (;;) {
            const BOOL got = GetMessageA(&msg, nullptr, 0, 0);
            if (got == 0) return static_cast<int>(msg.wParam);
            if (got == -1) return 1;
            if (form_.PreTranslate(msg)) continue;
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }

private:
    win32::Win32Display display_;
    win32::RegistryStore store_;
    win32::Win32Form form_;
    win32::Win32Dialogs dialogs_;
    Platform platform_{display_, store_, form_, dialogs_};
};

}  // namespace

std::unique_ptr<PlatformHost> CreateWin32Host() {
    INITCOMMONCONTROLSEX icc{};
    icc.dwSize = sizeof(icc);
    icc.dwICC = ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES;
    // Without it only the tooltips are missing; the program still works.
    InitCommonControlsEx(&icc);
    return std::make_unique<Win32Host>();
}

}  // namespace scriblane
