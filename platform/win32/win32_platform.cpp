#include "platform/win32/win32_platform.h"

#include "host/entry.h"
#include "host/messages.h"

namespace virelo::win32 {
namespace {

// The portable numbers are the platform's.
static_assert(WmCreate == WM_CREATE && WmDestroy == WM_DESTROY && WmSetText == WM_SETTEXT);
static_assert(WmPaint == WM_PAINT && WmClose == WM_CLOSE && WmQuit == WM_QUIT);
static_assert(WmEraseBkgnd == WM_ERASEBKGND && WmShowWindow == WM_SHOWWINDOW);
static_assert(WmActivateApp == WM_ACTIVATEAPP && WmSetCursor == WM_SETCURSOR);
static_assert(WmHelp == WM_HELP && WmContextMenu == WM_CONTEXTMENU);
static_assert(WmKeyDown == WM_KEYDOWN && WmSysKeyDown == WM_SYSKEYDOWN && WmKeyUp == WM_KEYUP);
static_assert(WmInitDialog == WM_INITDIALOG && WmCommand == WM_COMMAND);
static_assert(WmSysCommand == WM_SYSCOMMAND && WmTimer == WM_TIMER);
static_assert(WmMouseMove == WM_MOUSEMOVE && WmLButtonDown == WM_LBUTTONDOWN);
static_assert(WmRButtonDown == WM_RBUTTONDOWN && WmMButtonDown == WM_MBUTTONDOWN);
static_assert(UdmSetRange == WM_USER + 101);  // UDM_SETRANGE
static_assert(AskPasswordMessage == WM_APP);
static_assert(ScNextWindow == SC_NEXTWINDOW && ScPrevWindow == SC_PREVWINDOW &&
              ScScreenSave == SC_SCREENSAVE);
static_assert(SaverClassStyle == (CS_OWNDC | CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW));
static_assert(FullScreenExStyle == WS_EX_TOPMOST);
static_assert(FullScreenStyle == (WS_POPUP | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN));
static_assert(PreviewStyle == (WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN));
static_assert(SmCxScreen == SM_CXSCREEN && SmCyScreen == SM_CYSCREEN);
static_assert(SmXVirtualScreen == SM_XVIRTUALSCREEN && SmYVirtualScreen == SM_YVIRTUALSCREEN &&
              SmCxVirtualScreen == SM_CXVIRTUALSCREEN && SmCyVirtualScreen == SM_CYVIRTUALSCREEN);
static_assert(PmRemoveNoYield == (PM_REMOVE | PM_NOYIELD));
static_assert(SpiScreenSaverRunning == 97);  // SPI_SCREENSAVERRUNNING
static_assert(VerPlatformWin32Windows == VER_PLATFORM_WIN32_WINDOWS);
static_assert(OsVersionInfoSize == sizeof(OSVERSIONINFOA));
static_assert(StartfUseShowWindow == STARTF_USESHOWWINDOW && SwShowDefault == SW_SHOWDEFAULT);
static_assert(BlackBrush == BLACK_BRUSH && LogPixelsY == LOGPIXELSY);
static_assert(ErrorSuccess == ERROR_SUCCESS && ErrorMoreData == ERROR_MORE_DATA);
static_assert(RegDword == REG_DWORD && RegSz == REG_SZ);
static_assert(KeyRead == KEY_READ && KeyAllAccess == KEY_ALL_ACCESS);
static_assert(RegOptionNonVolatile == REG_OPTION_NON_VOLATILE);
static_assert(sizeof(WindowHandle) == sizeof(HWND) && sizeof(LResult) == sizeof(LRESULT) &&
              sizeof(WParam) == sizeof(WPARAM) && sizeof(LParam) == sizeof(LPARAM));
static_assert(sizeof(RECT::left) == sizeof(Rect::left));

template <typename H>
H To(std::uintptr_t value) {
    return reinterpret_cast<H>(value);
}
template <typename H>
std::uintptr_t From(H handle) {
    return reinterpret_cast<std::uintptr_t>(handle);
}

HKEY Key(KeyHandle key) { return To<HKEY>(key); }
HWND Wnd(WindowHandle window) { return To<HWND>(window); }

RECT ToRect(const Rect& r) { return {r.left, r.top, r.right, r.bottom}; }

MSG ToMsg(const Message& m) {
    MSG msg{};
    msg.hwnd = Wnd(m.window);
    msg.message = m.message;
    msg.wParam = m.wParam;
    msg.lParam = m.lParam;
    msg.time = m.time;
    msg.pt = {m.point.x, m.point.y};
    return msg;
}

Message FromMsg(const MSG& msg) {
    Message m;
    m.window = From(msg.hwnd);
    m.message = msg.message;
    m.wParam = msg.wParam;
    m.lParam = msg.lParam;
    m.time = msg.time;
    m.point = {msg.pt.x, msg.pt.y};
    return m;
}

// Entries found by name at run time, called with the platform's convention.
using ImmAssociateContextFn = HANDLE(WINAPI*)(HWND, HANDLE);
using VerifyScreenSavePwdFn = BOOL(WINAPI*)(HWND);
using PwdChangePasswordAFn = DWORD(WINAPI*)(LPCSTR, HWND, DWORD, LPVOID);

// The one platform whose fault guard is active (one thread, one guard at a time).
Win32Platform* guarded = nullptr;

}  // namespace

// ---- registry -----------------------------------------------------------------------------

std::int32_t Win32Platform::RegOpenKeyExA(KeyHandle key, const char* subKey, std::uint32_t options,
                                          std::uint32_t access, KeyHandle* result) {
    HKEY opened = nullptr;
    const LONG r = ::RegOpenKeyExA(Key(key), subKey, options, access, &opened);
    *result = From(opened);
    return r;
}

std::int32_t Win32Platform::RegOpenKeyA(KeyHandle key, const char* subKey, KeyHandle* result) {
    HKEY opened = nullptr;
    const LONG r = ::RegOpenKeyA(Key(key), subKey, &opened);
    *result = From(opened);
    return r;
}

std::int32_t Win32Platform::RegQueryValueExA(KeyHandle key, const char* name, std::uint32_t* type,
                                             void* data, std::uint32_t* size) {
    DWORD valueType = 0;
    DWORD bytes = size ? *size : 0;
    const LONG r = ::RegQueryValueExA(Key(key), name, nullptr, type ? &valueType : nullptr,
                                      static_cast<LPBYTE>(data), size ? &bytes : nullptr);
    if (type) *type = valueType;
    if (size) *size = bytes;
    return r;
}

std::int32_t Win32Platform::RegCreateKeyExA(KeyHandle key, const char* subKey,
                                            const char* className, std::uint32_t options,
                                            std::uint32_t access, KeyHandle* result,
                                            std::uint32_t* disposition) {
    HKEY created = nullptr;
    DWORD how = 0;
    const LONG r = ::RegCreateKeyExA(Key(key), subKey, 0, const_cast<LPSTR>(className), options,
                                     access, nullptr, &created, &how);
    *result = From(created);
    if (disposition) *disposition = how;
    return r;
}

std::int32_t Win32Platform::RegSetValueExA(KeyHandle key, const char* name, std::uint32_t type,
                                           const void* data, std::uint32_t size) {
    return ::RegSetValueExA(Key(key), name, 0, type, static_cast<const BYTE*>(data), size);
}

std::int32_t Win32Platform::RegCloseKey(KeyHandle key) { return ::RegCloseKey(Key(key)); }

// ---- window, drawing, timer, dialog ------------------------------------------------------

bool Win32Platform::GetClientRect(WindowHandle window, Rect* rect) {
    RECT r{};
    const BOOL ok = ::GetClientRect(Wnd(window), &r);
    *rect = {r.left, r.top, r.right, r.bottom};
    return ok != FALSE;
}

DcHandle Win32Platform::GetDC(WindowHandle window) { return From(::GetDC(Wnd(window))); }

int Win32Platform::ReleaseDC(WindowHandle window, DcHandle dc) {
    return ::ReleaseDC(Wnd(window), To<HDC>(dc));
}

int Win32Platform::FillRect(DcHandle dc, const Rect& rect, GdiHandle brush) {
    const RECT r = ToRect(rect);
    return ::FillRect(To<HDC>(dc), &r, To<HBRUSH>(brush));
}

int Win32Platform::GetDeviceCaps(DcHandle dc, int index) { return ::GetDeviceCaps(To<HDC>(dc), index); }

GdiHandle Win32Platform::GetStockObject(int object) { return From(::GetStockObject(object)); }

TimerId Win32Platform::SetTimer(WindowHandle window, TimerId id, std::uint32_t elapseMs) {
    return ::SetTimer(Wnd(window), id, elapseMs, nullptr);
}

bool Win32Platform::KillTimer(WindowHandle window, TimerId id) {
    return ::KillTimer(Wnd(window), id) != FALSE;
}

bool Win32Platform::PostMessageA(WindowHandle window, std::uint32_t message, WParam wParam,
                                 LParam lParam) {
    return ::PostMessageA(Wnd(window), message, wParam, lParam) != FALSE;
}

void Win32Platform::LoadSprites(WindowHandle window) {
    virelo::win32::LoadSprites(sprites_, module_, Wnd(window));
}

void Win32Platform::FreeSprites() { virelo::win32::FreeSprites(sprites_); }

DrawSurface& Win32Platform::WindowSurface(WindowHandle window) {
    surface_.emplace(Wnd(window), sprites_);
    return *surface_;
}

bool Win32Platform::SetDlgItemInt(WindowHandle dialog, int item, std::uint32_t value,
                                  bool isSigned) {
    return ::SetDlgItemInt(Wnd(dialog), item, value, isSigned ? TRUE : FALSE) != FALSE;
}

std::uint32_t Win32Platform::GetDlgItemInt(WindowHandle dialog, int item, bool* translated,
                                           bool isSigned) {
    BOOL ok = FALSE;
    const UINT value =
        ::GetDlgItemInt(Wnd(dialog), item, translated ? &ok : nullptr, isSigned ? TRUE : FALSE);
    if (translated) *translated = ok != FALSE;
    return value;
}

WindowHandle Win32Platform::GetDlgItem(WindowHandle dialog, int item) {
    return From(::GetDlgItem(Wnd(dialog), item));
}

bool Win32Platform::EndDialog(WindowHandle dialog, std::intptr_t result) {
    return ::EndDialog(Wnd(dialog), result) != FALSE;
}

const char* Win32Platform::CharNextA(const char* text) { return ::CharNextA(text); }

// ---- time, cursor, messages -------------------------------------------------------------------

std::uint32_t Win32Platform::GetTickCount() { return ::GetTickCount(); }

void Win32Platform::Sleep(std::uint32_t ms) { ::Sleep(ms); }

bool Win32Platform::GetCursorPos(Point* point) {
    POINT p{};
    const BOOL ok = ::GetCursorPos(&p);
    if (ok) *point = {p.x, p.y};  // on failure the point is left as it was
    return ok != FALSE;
}

GdiHandle Win32Platform::SetCursor(GdiHandle cursor) {
    return From(::SetCursor(To<HCURSOR>(cursor)));
}

LResult Win32Platform::SendMessageA(WindowHandle window, std::uint32_t message, WParam wParam,
                                    LParam lParam) {
    return ::SendMessageA(Wnd(window), message, wParam, lParam);
}

bool Win32Platform::PeekMessageA(Message* message, WindowHandle window, std::uint32_t first,
                                 std::uint32_t last, std::uint32_t remove) {
    MSG msg{};
    const BOOL got = ::PeekMessageA(&msg, Wnd(window), first, last, remove);
    if (got) *message = FromMsg(msg);
    return got != FALSE;
}

int Win32Platform::GetMessageA(Message* message, WindowHandle window, std::uint32_t first,
                               std::uint32_t last) {
    MSG msg{};
    const BOOL r = ::GetMessageA(&msg, Wnd(window), first, last);
    *message = FromMsg(msg);
    return r;
}

bool Win32Platform::TranslateMessage(const Message& message) {
    const MSG msg = ToMsg(message);
    return ::TranslateMessage(&msg) != FALSE;
}

LResult Win32Platform::DispatchMessageA(const Message& message) {
    const MSG msg = ToMsg(message);
    return ::DispatchMessageA(&msg);
}

LResult Win32Platform::DefWindowProcA(WindowHandle window, std::uint32_t message, WParam wParam,
                                      LParam lParam) {
    return ::DefWindowProcA(Wnd(window), message, wParam, lParam);
}

void Win32Platform::PostQuitMessage(int exitCode) { ::PostQuitMessage(exitCode); }

// ---- modules and their entries -----------------------------------------------------------------

LibraryHandle Win32Platform::LoadLibraryA(const char* name) { return From(::LoadLibraryA(name)); }

LibraryHandle Win32Platform::GetModuleHandleA(const char* name) {
    return From(::GetModuleHandleA(name));
}

ProcAddress Win32Platform::GetProcAddress(LibraryHandle module, const char* name) {
    return reinterpret_cast<ProcAddress>(::GetProcAddress(To<HMODULE>(module), name));
}

bool Win32Platform::FreeLibrary(LibraryHandle module) {
    return ::FreeLibrary(To<HMODULE>(module)) != FALSE;
}

ImeContext Win32Platform::CallImmAssociateContext(ProcAddress entry, WindowHandle window,
                                                  ImeContext context) {
    const auto fn = reinterpret_cast<ImmAssociateContextFn>(entry);
    return From(fn(Wnd(window), To<HANDLE>(context)));
}

std::int32_t Win32Platform::CallVerifyScreenSavePwd(ProcAddress entry, WindowHandle window) {
    const auto fn = reinterpret_cast<VerifyScreenSavePwdFn>(entry);
    return fn(Wnd(window));
}

void Win32Platform::CallPwdChangePasswordA(ProcAddress entry, const char* provider,
                                           WindowHandle owner, std::uint32_t reserved1,
                                           std::uint32_t reserved2) {
    const auto fn = reinterpret_cast<PwdChangePasswordAFn>(entry);
    fn(provider, Wnd(owner), reserved1, To<LPVOID>(reserved2));
}

// ---- windows ------------------------------------------------------------------------------

WindowHandle Win32Platform::FindWindowA(const char* className, const char* title) {
    return From(::FindWindowA(className, title));
}

bool Win32Platform::IsWindow(WindowHandle window) { return ::IsWindow(Wnd(window)) != FALSE; }

bool Win32Platform::SetForegroundWindow(WindowHandle window) {
    return ::SetForegroundWindow(Wnd(window)) != FALSE;
}

WindowHandle Win32Platform::GetForegroundWindow() { return From(::GetForegroundWindow()); }

WindowHandle Win32Platform::GetParent(WindowHandle window) { return From(::GetParent(Wnd(window))); }

int Win32Platform::GetSystemMetrics(int index) { return ::GetSystemMetrics(index); }

GdiHandle Win32Platform::LoadIconA(LibraryHandle module, int resource) {
    return From(::LoadIconA(To<HINSTANCE>(module), MAKEINTRESOURCEA(resource)));
}

std::uint16_t Win32Platform::RegisterClassA(const WindowClass& c) {
    WNDCLASSA wc{};
    wc.style = c.style;
    wc.lpfnWndProc = classProc_;
    wc.cbClsExtra = c.classExtra;
    wc.cbWndExtra = c.windowExtra;
    wc.hInstance = To<HINSTANCE>(c.instance);
    wc.hIcon = To<HICON>(c.icon);
    wc.hCursor = To<HCURSOR>(c.cursor);
    wc.hbrBackground = To<HBRUSH>(c.background);
    wc.lpszMenuName = c.menuName;
    wc.lpszClassName = c.className;
    return ::RegisterClassA(&wc);
}

WindowHandle Win32Platform::CreateWindowExA(std::uint32_t exStyle, const char* className,
                                            const char* title, std::uint32_t style, int x, int y,
                                            int width, int height, WindowHandle parent) {
    return From(::CreateWindowExA(exStyle, className, title, style, x, y, width, height,
                                  Wnd(parent), nullptr, module_, nullptr));
}

std::intptr_t Win32Platform::DialogBoxParamA(LibraryHandle module, int templateId,
                                             WindowHandle owner, LParam initParam) {
    return ::DialogBoxParamA(To<HINSTANCE>(module), MAKEINTRESOURCEA(templateId), Wnd(owner),
                             dialogProc_, initParam);
}

// ---- system -------------------------------------------------------------------------------

bool Win32Platform::GetVersionExA(OsVersionInfo* info) {
    OSVERSIONINFOA v{};
    v.dwOSVersionInfoSize = info->size;
    if (!::GetVersionExA(&v)) return false;
    info->majorVersion = v.dwMajorVersion;
    info->minorVersion = v.dwMinorVersion;
    info->buildNumber = v.dwBuildNumber;
    info->platformId = v.dwPlatformId;
    return true;
}

bool Win32Platform::SystemParametersInfoA(std::uint32_t action, std::uint32_t param, void* value,
                                          std::uint32_t winIni) {
    return ::SystemParametersInfoA(action, param, value, winIni) != FALSE;
}

const char* Win32Platform::GetCommandLineA() { return ::GetCommandLineA(); }

void Win32Platform::GetStartupInfoA(StartupInfo* info) {
    STARTUPINFOA s{};
    s.cb = sizeof s;
    s.dwFlags = 0;
    ::GetStartupInfoA(&s);
    info->flags = s.dwFlags;
    info->showWindow = s.wShowWindow;
}

void Win32Platform::ExitProcess(std::uint32_t exitCode) { ::ExitProcess(exitCode); }

// ---- the fault guard ----------------------------------------------------------------------
//
// What a compiler's __try/__except(UnhandledExceptionFilter(...)) builds, by hand (MinGW g++
// has neither): a handler attached to RunInFaultGuard's own stack frame. A fault that no
// inner frame handles reaches it while the system dispatches the fault, before any top-level
// filter, and it offers the fault to UnhandledExceptionFilter exactly once, which reports it
// the platform's way. When the report lets the program handle the fault, the running state
// is switched off and the process ends with FaultExitCode, where SaverMain's return would
// have led; unwinding first would run nothing, as no frame in between has cleanup. When it
// says "search on" (a debugger is there), the fault goes on to it unreported by us.

}  // namespace virelo::win32

extern "C" __attribute__((used)) EXCEPTION_DISPOSITION VireloFaultHandler(EXCEPTION_RECORD* record,
                                                                         void* /*frame*/,
                                                                         CONTEXT* context,
                                                                         void* /*dispatch*/) {
    using virelo::win32::guarded;
    constexpr DWORD Unwinding = 0x2 | 0x4;  // EXCEPTION_UNWINDING | EXCEPTION_EXIT_UNWIND
    if ((record->ExceptionFlags & Unwinding) != 0 || guarded == nullptr) return ExceptionContinueSearch;
    EXCEPTION_POINTERS pointers{record, context};
    const LONG verdict = ::UnhandledExceptionFilter(&pointers);
    if (verdict == EXCEPTION_CONTINUE_EXECUTION) return ExceptionContinueExecution;
    if (verdict == EXCEPTION_EXECUTE_HANDLER) {
        guarded->HandledFault();
        ::ExitProcess(static_cast<UINT>(virelo::FaultExitCode));
    }
    return ExceptionContinueSearch;
}

namespace virelo::win32 {

#if defined(__i386__)
// On i386 the handlers form a chain of records on the stack, its head at fs:[0].
struct HandlerRecord {
    HandlerRecord* next;
    void* handler;
};
#endif

__attribute__((noinline)) std::int32_t Win32Platform::RunInFaultGuard(GuardedBody body,
                                                                      void* context) {
    guarded = this;
#if defined(__i386__)
    HandlerRecord record{nullptr, reinterpret_cast<void*>(&VireloFaultHandler)};
    asm volatile("movl %%fs:0, %0" : "=r"(record.next));
    asm volatile("movl %0, %%fs:0" : : "r"(&record) : "memory");
    const std::int32_t result = body(context);
    asm volatile("movl %0, %%fs:0" : : "r"(record.next) : "memory");
#else
    // On x86_64 the frame's unwind record names the handler, for the function's whole range.
    asm volatile(".seh_handler VireloFaultHandler, @except");
    const std::int32_t result = body(context);
#endif
    guarded = nullptr;
    return result;
}

}  // namespace virelo::win32
