#pragma once
// The host's and the parade's platform on Win32: every call is the Win32 function of the
// same name, with the opaque handles of the portable code converted to and from the
// platform's types. The drawing goes through the GDI sprites and surface of gdi.h.
#include <windows.h>

#include <optional>

#include "host/platform.h"
#include "platform/win32/gdi.h"

namespace virelo::win32 {

class Win32Platform final : public HostPlatform {
public:
    // classProc: the procedure registered for the saver window class (HostWindowProc's
    // entry); dialogProc: the configuration dialog's procedure; onHandledFault: what the
    // fault guard does before the process ends when the program may handle a fault.
    constexpr Win32Platform(WNDPROC classProc, DLGPROC dialogProc, void (*onHandledFault)())
        : classProc_(classProc), dialogProc_(dialogProc), onHandledFault_(onHandledFault) {}

    // The module whose resources (bitmaps, icon, dialog) are used.
    void SetModule(HINSTANCE module) { module_ = module; }

    // RegistryApi
    std::int32_t RegOpenKeyExA(KeyHandle key, const char* subKey, std::uint32_t options,
                               std::uint32_t access, KeyHandle* result) override;
    std::int32_t RegOpenKeyA(KeyHandle key, const char* subKey, KeyHandle* result) override;
    std::int32_t RegQueryValueExA(KeyHandle key, const char* name, std::uint32_t* type,
                                  void* data, std::uint32_t* size) override;
    std::int32_t RegCreateKeyExA(KeyHandle key, const char* subKey, const char* className,
                                 std::uint32_t options, std::uint32_t access, KeyHandle* result,
                                 std::uint32_t* disposition) override;
    std::int32_t RegSetValueExA(KeyHandle key, const char* name, std::uint32_t type,
                                const void* data, std::uint32_t size) override;
    std::int32_t RegCloseKey(KeyHandle key) override;

    // ParadePlatform
    bool GetClientRect(WindowHandle window, Rect* rect) override;
    DcHandle GetDC(WindowHandle window) override;
    int ReleaseDC(WindowHandle window, DcHandle dc) override;
    int FillRect(DcHandle dc, const Rect& rect, GdiHandle brush) override;
    int GetDeviceCaps(DcHandle dc, int index) override;
    GdiHandle GetStockObject(int object) override;
    TimerId SetTimer(WindowHandle window, TimerId id, std::uint32_t elapseMs) override;
    bool KillTimer(WindowHandle window, TimerId id) override;
    bool PostMessageA(WindowHandle window, std::uint32_t message, WParam wParam,
                      LParam lParam) override;
    void LoadSprites(WindowHandle window) override;
    void FreeSprites() override;
    DrawSurface& WindowSurface(WindowHandle window) override;
    bool SetDlgItemInt(WindowHandle dialog, int item, std::uint32_t value, bool isSigned) override;
    std::uint32_t GetDlgItemInt(WindowHandle dialog, int item, bool* translated,
                                bool isSigned) override;
    WindowHandle GetDlgItem(WindowHandle dialog, int item) override;
    bool EndDialog(WindowHandle dialog, std::intptr_t result) override;

    // CharStepper
    const char* CharNextA(const char* text) override;

    // HostPlatform
    std::uint32_t GetTickCount() override;
    void Sleep(std::uint32_t ms) override;
    bool GetCursorPos(Point* point) override;
    GdiHandle SetCursor(GdiHandle cursor) override;
    LResult SendMessageA(WindowHandle window, std::uint32_t message, WParam wParam,
                         LParam lParam) override;
    bool PeekMessageA(Message* message, WindowHandle window, std::uint32_t first,
                      std::uint32_t last, std::uint32_t remove) override;
    int GetMessageA(Message* message, WindowHandle window, std::uint32_t first,
                    std::uint32_t last) override;
    bool TranslateMessage(const Message& message) override;
    LResult DispatchMessageA(const Message& message) override;
    LResult DefWindowProcA(WindowHandle window, std::uint32_t message, WParam wParam,
                           LParam lParam) override;
    void PostQuitMessage(int exitCode) override;
    LibraryHandle LoadLibraryA(const char* name) override;
    LibraryHandle GetModuleHandleA(const char* name) override;
    ProcAddress GetProcAddress(LibraryHandle module, const char* name) override;
    bool FreeLibrary(LibraryHandle module) override;
    ImeContext CallImmAssociateContext(ProcAddress entry, WindowHandle window,
                                       ImeContext context) override;
    std::int32_t CallVerifyScreenSavePwd(ProcAddress entry, WindowHandle window) override;
    void CallPwdChangePasswordA(ProcAddress entry, const char* provider, WindowHandle owner,
                                std::uint32_t reserved1, std::uint32_t reserved2) override;
    WindowHandle FindWindowA(const char* className, const char* title) override;
    bool IsWindow(WindowHandle window) override;
    bool SetForegroundWindow(WindowHandle window) override;
    WindowHandle GetForegroundWindow() override;
    WindowHandle GetParent(WindowHandle window) override;
    int GetSystemMetrics(int index) override;
    GdiHandle LoadIconA(LibraryHandle module, int resource) override;
    std::uint16_t RegisterClassA(const WindowClass& windowClass) override;
    WindowHandle CreateWindowExA(std::uint32_t exStyle, const char* className, const char* title,
                                 std::uint32_t style, int x, int y, int width, int height,
                                 WindowHandle parent) override;
    std::intptr_t DialogBoxParamA(LibraryHandle module, int templateId, WindowHandle owner,
                                  LParam initParam) override;
    bool GetVersionExA(OsVersionInfo* info) override;
    bool SystemParametersInfoA(std::uint32_t action, std::uint32_t param, void* value,
                               std::uint32_t winIni) override;
    const char* GetCommandLineA() override;
    void GetStartupInfoA(StartupInfo* info) override;
    [[noreturn]] void ExitProcess(std::uint32_t exitCode) override;
    std::int32_t RunInFaultGuard(GuardedBody body, void* context) override;

    // The fault guard's answer to a fault the program may handle.
    void HandledFault() const {
        if (onHandledFault_) onHandledFault_();
    }

private:

    WNDPROC classProc_;
    DLGPROC dialogProc_;
    void (*onHandledFault_)();
    HINSTANCE module_ = nullptr;
    GdiSprites sprites_;
    std::optional<GdiSurface> surface_;
};

}  // namespace virelo::win32
