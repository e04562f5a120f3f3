#pragma once
// The host's side of the platform: cursor, message queue, run-time modules and their
// entries, window queries, the version query and the process entry's calls. Implemented
// one to one with the Win32 functions of the same names by platform/win32, and by
// recording fakes in the tests.
#include <cstdint>

#include "host/saver_platform.h"

namespace virelo {

using ImeContext = std::uintptr_t;  // HIMC

struct Message {  // MSG
    WindowHandle window = 0;
    std::uint32_t message = 0;
    WParam wParam = 0;
    LParam lParam = 0;
    std::uint32_t time = 0;  // carried through for the platform, not read by the logic
    Point point{0, 0};
};

// The fields of WNDCLASSA that the logic decides. The class procedure is the module's
// HostWindowProc entry, which only the platform layer can name.
struct WindowClass {
    std::uint32_t style = 0;
    int classExtra = 0;
    int windowExtra = 0;
    LibraryHandle instance = 0;
    GdiHandle icon = 0;
    GdiHandle cursor = 0;
    GdiHandle background = 0;
    const char* menuName = nullptr;
    const char* className = nullptr;
};

struct OsVersionInfo {      // OSVERSIONINFOA without the service-pack text
    std::uint32_t size = 0;  // in: the record size the caller claims
    std::uint32_t majorVersion = 0;
    std::uint32_t minorVersion = 0;
    std::uint32_t buildNumber = 0;
    std::uint32_t platformId = 0;
};

struct StartupInfo {  // STARTUPINFOA's flags and show command
    std::uint32_t flags = 0;
    std::uint16_t showWindow = 0;
};

// Advances one character of the active multi-byte code page; stays on the NUL.
class CharStepper {
public:
    virtual const char* CharNextA(const char* text) = 0;

protected:
    ~CharStepper() = default;
};

class HostPlatform : public ParadePlatform, public CharStepper {
public:
    // Time, cursor.
    virtual std::uint32_t GetTickCount() = 0;
    virtual void Sleep(std::uint32_t ms) = 0;
    virtual bool GetCursorPos(Point* point) = 0;
    virtual GdiHandle SetCursor(GdiHandle cursor) = 0;

    // Messages.
    virtual LResult SendMessageA(WindowHandle window, std::uint32_t message, WParam wParam,
                                 LParam lParam) = 0;
    virtual bool PeekMessageA(Message* message, WindowHandle window, std::uint32_t first,
                              std::uint32_t last, std::uint32_t remove) = 0;
    // > 0 for a message, 0 for the quit message (its code in wParam), -1 on error.
    virtual int GetMessageA(Message* message, WindowHandle window, std::uint32_t first,
                            std::uint32_t last) = 0;
    virtual bool TranslateMessage(const Message& message) = 0;
    virtual LResult DispatchMessageA(const Message& message) = 0;
    virtual LResult DefWindowProcA(WindowHandle window, std::uint32_t message, WParam wParam,
                                   LParam lParam) = 0;
    virtual void PostQuitMessage(int exitCode) = 0;

    // Run-time modules and the entries the host calls through.
    virtual LibraryHandle LoadLibraryA(const char* name) = 0;
    virtual LibraryHandle GetModuleHandleA(const char* name) = 0;  // null name: the program
    virtual ProcAddress GetProcAddress(LibraryHandle module, const char* name) = 0;
    virtual bool FreeLibrary(LibraryHandle module) = 0;
    // ImmAssociateContext(window, context) -> the previous context.
    virtual ImeContext CallImmAssociateContext(ProcAddress entry, WindowHandle window,
                                               ImeContext context) = 0;
    // VerifyScreenSavePwd(window) -> non-zero to let the saver close.
    virtual std::int32_t CallVerifyScreenSavePwd(ProcAddress entry, WindowHandle window) = 0;
    // PwdChangePasswordA(provider, owner, 0, 0); the result is not used.
    virtual void CallPwdChangePasswordA(ProcAddress entry, const char* provider,
                                        WindowHandle owner, std::uint32_t reserved1,
                                        std::uint32_t reserved2) = 0;

    // Windows.
    virtual WindowHandle FindWindowA(const char* className, const char* title) = 0;
    virtual bool IsWindow(WindowHandle window) = 0;
    virtual bool SetForegroundWindow(WindowHandle window) = 0;
    virtual WindowHandle GetForegroundWindow() = 0;
    virtual WindowHandle GetParent(WindowHandle window) = 0;
    virtual int GetSystemMetrics(int index) = 0;
    virtual GdiHandle LoadIconA(LibraryHandle module, int resource) = 0;
    virtual std::uint16_t RegisterClassA(const WindowClass& windowClass) = 0;
    // Delivers WM_CREATE to the class procedure before it returns; 0 on failure.
    virtual WindowHandle CreateWindowExA(std::uint32_t exStyle, const char* className,
                                         const char* title, std::uint32_t style, int x, int y,
                                         int width, int height, WindowHandle parent) = 0;
    // The configuration dialog of the module's template, run modally with the module's
    // ScreenSaverConfigureDialog; -1 when it cannot be created.
    virtual std::intptr_t DialogBoxParamA(LibraryHandle module, int templateId,
                                          WindowHandle owner, LParam initParam) = 0;

    // System.
    virtual bool GetVersionExA(OsVersionInfo* info) = 0;
    virtual bool SystemParametersInfoA(std::uint32_t action, std::uint32_t param, void* value,
                                       std::uint32_t winIni) = 0;
    virtual const char* GetCommandLineA() = 0;
    virtual void GetStartupInfoA(StartupInfo* info) = 0;
    // Never returns on the platform; a fake records the code and returns.
    virtual void ExitProcess(std::uint32_t exitCode) = 0;

    // The fault guard: runs the body inside the platform's structured-exception guard. An
    // unhandled fault is offered to the platform's report; when the program may handle it,
    // the saver-running state is switched off and the process ends. Without such a guard
    // (tests, or a platform that has none) the body simply runs.
    using GuardedBody = std::int32_t (*)(void* context);
    virtual std::int32_t RunInFaultGuard(GuardedBody body, void* context) {
        return body(context);
    }

protected:
    ~HostPlatform() = default;
};

}  // namespace virelo
