#pragma once
// A platform for the tests: an in-memory registry, one window with a message queue, a
// settable tick counter and cursor, run-time modules by name, and a log of every call in
// order. Messages for the window go to `classProc`, as the real platform hands them to
// the window class's procedure.
#include <cstdint>
#include <cstring>
#include <deque>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "host/platform.h"
#include "tools/common/recording_surface.h"

namespace virelo::testing {

class FakePlatform final : public HostPlatform {
public:
    using Proc = std::function<LResult(WindowHandle, std::uint32_t, WParam, LParam)>;

    std::vector<std::string> calls;       // every call, in order
    std::vector<std::string>* route = nullptr;  // DefWindowProcA appends "platform" here

    // Registry: key path -> value name -> value.
    struct Value {
        std::uint32_t type;
        std::vector<std::uint8_t> bytes;
    };
    std::map<std::string, std::map<std::string, Value>> keys;
    std::map<KeyHandle, std::string> openKeys;
    KeyHandle nextKey = 0x1000;
    int valueWrites = 0;
    void SetDword(const std::string& path, const std::string& name, std::uint32_t v,
                  std::uint32_t type = RegDword) {
        Value& val = keys[path][name];
        val.type = type;
        val.bytes.resize(4);
        std::memcpy(val.bytes.data(), &v, 4);
    }
    void SetBytes(const std::string& path, const std::string& name, std::uint32_t type,
                  std::vector<std::uint8_t> bytes) {
        keys[path][name] = {type, std::move(bytes)};
    }
    // The stored value as a DWORD, or -1 when absent.
    std::int64_t Dword(const std::string& path, const std::string& name) const;

    // The window and the queue.
    static constexpr WindowHandle Window = 0x5000;
    Proc classProc;
    bool windowAlive = false;
    std::deque<Message> queue;
    bool queueRanDry = false;
    std::vector<Message> posted;   // every PostMessageA, in order
    int getMessageError = 0;       // GetMessageA answers -1 this many times first
    Rect client{0, 0, 640, 480};
    std::map<WindowHandle, Rect> clientOf;
    std::set<WindowHandle> liveWindows;
    std::map<WindowHandle, WindowHandle> parentOf;
    std::map<std::pair<std::string, std::string>, WindowHandle> topLevel;
    WindowHandle foreground = 0;
    std::vector<WindowHandle> broughtForward;
    bool registerFails = false, createFails = false;
    WindowClass registered{};
    std::string registeredName;
    struct Created {
        std::uint32_t exStyle, style;
        std::string className, title;
        int x, y, width, height;
        WindowHandle parent;
    };
    std::vector<Created> created;

    // Timer, drawing, dialog.
    TimerId timerResult = 1;
    std::vector<std::uint32_t> timerPeriods;
    int timersKilled = 0;
    std::function<void()> onSetTimer;
    struct Fill {
        DcHandle dc;
        Rect rect;
        GdiHandle brush;
    };
    std::vector<Fill> fills;
    int dcsTaken = 0, dcsReleased = 0;
    int spritesLoaded = 0, spritesFreed = 0;
    RecordingSurface surface;
    std::map<int, std::uint32_t> dialogItems;  // what GetDlgItemInt reads, SetDlgItemInt writes
    std::vector<std::intptr_t> dialogEnds;

    // Time, cursor, modules, system.
    std::uint32_t tick = 0;
    Point cursor{0, 0};
    int cursorHides = 0;
    int sleeps = 0;
    std::map<std::string, LibraryHandle> loadable;   // LoadLibraryA
    std::map<std::string, LibraryHandle> loaded;     // GetModuleHandleA
    std::map<std::pair<LibraryHandle, std::string>, ProcAddress> entries;
    std::vector<LibraryHandle> freed;
    std::function<std::int32_t(WindowHandle)> verifier = [](WindowHandle) { return 0; };
    int questions = 0;
    std::vector<std::pair<ImeContext, WindowHandle>> imeCalls;  // (context, window)
    ImeContext imePrevious = 0x1CE;
    std::vector<WindowHandle> passwordChanges;
    std::string provider;
    std::vector<std::uint32_t> saverRunning;  // SPI_SCREENSAVERRUNNING parameters
    bool versionOk = true;
    std::uint32_t platformId = 2;
    std::uint32_t versionSizeSeen = 0;
    std::string commandLine;
    StartupInfo startup{};
    std::int64_t exitCode = -999;  // not exited
    std::intptr_t dialogResult = 1;
    struct DialogCall {
        LibraryHandle module;
        int templateId;
        WindowHandle owner;
    };
    std::vector<DialogCall> dialogs;
    int guardDepth = 0;
    int dialogsInsideGuard = 0;

    // Delivers a message to the window as DispatchMessageA would.
    LResult Deliver(WindowHandle w, std::uint32_t m, WParam wp = 0, LParam lp = 0) {
        return classProc(w, m, wp, lp);
    }
    int CountPosted(std::uint32_t message) const {
        int n = 0;
        for (const Message& p : posted) n += p.message == message;
        return n;
    }

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
    DcHandle GetDC(WindowHandle) override;
    int ReleaseDC(WindowHandle, DcHandle) override;
    int FillRect(DcHandle dc, const Rect& rect, GdiHandle brush) override;
    GdiHandle GetStockObject(int object) override;
    TimerId SetTimer(WindowHandle window, TimerId id, std::uint32_t elapseMs) override;
    bool KillTimer(WindowHandle window, TimerId id) override;
    bool PostMessageA(WindowHandle window, std::uint32_t message, WParam wParam,
                      LParam lParam) override;
    void LoadSprites(WindowHandle) override;
    void FreeSprites() override;
    DrawSurface& WindowSurface(WindowHandle) override;
    bool SetDlgItemInt(WindowHandle, int item, std::uint32_t value, bool isSigned) override;
    std::uint32_t GetDlgItemInt(WindowHandle, int item, bool* translated, bool isSigned) override;
    WindowHandle GetDlgItem(WindowHandle dialog, int item) override;
    bool EndDialog(WindowHandle, std::intptr_t result) override;

    // CharStepper: single-byte code page.
    const char* CharNextA(const char* text) override { return *text ? text + 1 : text; }

    // HostPlatform
    std::uint32_t GetTickCount() override { return tick; }
    void Sleep(std::uint32_t) override;
    bool GetCursorPos(Point* point) override;
    GdiHandle SetCursor(GdiHandle cursor) override;
    LResult SendMessageA(WindowHandle window, std::uint32_t message, WParam wParam,
                         LParam lParam) override;
    bool PeekMessageA(Message* message, WindowHandle window, std::uint32_t first,
                      std::uint32_t last, std::uint32_t remove) override;
    int GetMessageA(Message* message, WindowHandle window, std::uint32_t first,
                    std::uint32_t last) override;
    bool TranslateMessage(const Message&) override;
    LResult DispatchMessageA(const Message& message) override;
    LResult DefWindowProcA(WindowHandle window, std::uint32_t message, WParam wParam,
                           LParam lParam) override;
    void PostQuitMessage(int exitCode) override;
    LibraryHandle LoadLibraryA(const char* name) override;
    LibraryHandle GetModuleHandleA(const char* name) override;
    ProcAddress GetProcAddress(LibraryHandle module, const char* name) override;
    bool FreeLibrary(LibraryHandle module) override;
    ImeContext CallImmAssociateContext(ProcAddress, WindowHandle window, ImeContext context) override;
    std::int32_t CallVerifyScreenSavePwd(ProcAddress, WindowHandle window) override;
    void CallPwdChangePasswordA(ProcAddress, const char* providerName, WindowHandle owner,
                                std::uint32_t, std::uint32_t) override;
    WindowHandle FindWindowA(const char* className, const char* title) override;
    bool IsWindow(WindowHandle window) override;
    bool SetForegroundWindow(WindowHandle window) override;
    WindowHandle GetForegroundWindow() override { return foreground; }
    WindowHandle GetParent(WindowHandle window) override;
    int GetSystemMetrics(int index) override { return index == 0 ? 1024 : 768; }
    GdiHandle LoadIconA(LibraryHandle, int resource) override { return 0x1C00 + resource; }
    std::uint16_t RegisterClassA(const WindowClass& windowClass) override;
    WindowHandle CreateWindowExA(std::uint32_t exStyle, const char* className, const char* title,
                                 std::uint32_t style, int x, int y, int width, int height,
                                 WindowHandle parent) override;
    std::intptr_t DialogBoxParamA(LibraryHandle module, int templateId, WindowHandle owner,
                                  LParam) override;
    bool GetVersionExA(OsVersionInfo* info) override;
    bool SystemParametersInfoA(std::uint32_t action, std::uint32_t param, void* value,
                               std::uint32_t) override;
    const char* GetCommandLineA() override { return commandLine.c_str(); }
    void GetStartupInfoA(StartupInfo* info) override { *info = startup; }
    void ExitProcess(std::uint32_t code) override { exitCode = code; }
    std::int32_t RunInFaultGuard(GuardedBody body, void* context) override;
};

}  // namespace virelo::testing
