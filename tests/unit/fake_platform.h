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
#include "render/recording_surface.h"

namespace virelo::testing {

std::string Hex(std::uintptr_t v);

class FakePlatform final : public HostPlatform {
public:
    using Proc = std::function<LResult(WindowHandle, std::uint32_t, WParam, LParam)>;

    std::vector<std::string> calls;       // every call, in order
    std::vector<std::string>* route = nullptr;  // DefWindowProcA appends "platform" here

    // Registry: key path -> value name -> value.
    struct Value { std::uint32_t type; std::vector<std::uint8_t> bytes; };
    std::map<std::string, std::map<std::string, Value>> keys;
    std::map<KeyHandle, std::string> openKeys;
    KeyHandle nextKey = 0x1000;
    int valueWrites = 0;
    void SetDword(const std::string& path, const std::string& name, std::uint32_t v,
                  std::uint32_t type = RegDword) {
        SetBytes(path, name, type, {std::uint8_t(v), std::uint8_t(v >> 8), std::uint8_t(v >> 16), std::uint8_t(v >> 24)});
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
    bool windowAlive = false, queueRanDry = false;
    std::deque<Message> queue;
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
    struct Created { std::uint32_t exStyle, style; std::string className, title; int x, y, width, height; WindowHandle parent; };
    std::vector<Created> created;

    // Timer, drawing, dialog.
    TimerId timerResult = 1;
    std::vector<std::uint32_t> timerPeriods;
    std::function<void()> onSetTimer;
    struct Fill { DcHandle dc; Rect rect; GdiHandle brush; };
    std::vector<Fill> fills;
    int dcsTaken = 0, dcsReleased = 0;
    int spritesLoaded = 0, spritesFreed = 0;
    RecordingSurface surface;
    std::map<int, std::uint32_t> dialogItems;  // what GetDlgItemInt reads, SetDlgItemInt writes
    std::vector<std::intptr_t> dialogEnds;

    // Time, cursor, modules, system.
    std::uint32_t tick = 0;
    Point cursor{0, 0};
    int cursorHides = 0, sleeps = 0;
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
    std::uint32_t platformId = 2, versionSizeSeen = 0;
    std::string commandLine;
    std::int64_t exitCode = -999;  // not exited
    std::intptr_t dialogResult = 1;
    struct DialogCall { LibraryHandle module; int templateId; WindowHandle owner; };
    std::vector<DialogCall> dialogs;
    int guardDepth = 0, dialogsInsideGuard = 0;

    // Delivers a message to the window as DispatchMessageA would.
    LResult Deliver(WindowHandle w, std::uint32_t m, WParam wp = 0, LParam lp = 0) { return classProc(w, m, wp, lp); }
    int CountPosted(std::uint32_t message) const {
        int n = 0;
        for (const Message& p : posted) n += p.message == message;
        return n;
    }

    // RegistryApi
    std::int32_t RegOpenKeyExA(KeyHandle key, const char* subKey, std::uint32_t options,
                               std::uint32_t access, KeyHandle* result) override;
    std::int32_t RegOpenKeyA(KeyHandle key, const char* subKey, KeyHandle* result) override {
        calls.push_back(std::string("RegOpenKeyA ") + subKey);
        return RegOpenKeyExA(key, subKey, 0, KeyAllAccess, result);
    }
    std::int32_t RegQueryValueExA(KeyHandle key, const char* name, std::uint32_t* type,
                                  void* data, std::uint32_t* size) override;
    std::int32_t RegCreateKeyExA(KeyHandle key, const char* subKey, const char* className,
                                 std::uint32_t options, std::uint32_t access, KeyHandle* result,
                                 std::uint32_t* disposition) override;
    std::int32_t RegSetValueExA(KeyHandle key, const char* name, std::uint32_t type,
                                const void* data, std::uint32_t size) override;
    std::int32_t RegCloseKey(KeyHandle key) override {
        calls.push_back("RegCloseKey");
        return openKeys.erase(key) ? ErrorSuccess : 6;  // ERROR_INVALID_HANDLE for a double close
    }

    // ParadePlatform
    bool GetClientRect(WindowHandle window, Rect* rect) override {
        calls.push_back("GetClientRect");
        *rect = clientOf.contains(window) ? clientOf.at(window) : client;
        return true;
    }
    DcHandle GetDC(WindowHandle) override { calls.push_back("GetDC"); ++dcsTaken; return 0xDC; }
    int ReleaseDC(WindowHandle, DcHandle) override { calls.push_back("ReleaseDC"); ++dcsReleased; return 1; }
    int FillRect(DcHandle dc, const Rect& rect, GdiHandle brush) override {
        calls.push_back("FillRect");
        fills.push_back({dc, rect, brush});
        return 1;
    }
    int logPixelsY = 96;
    int GetDeviceCaps(DcHandle, int index) override {
        calls.push_back("GetDeviceCaps " + std::to_string(index));
        return index == LogPixelsY ? logPixelsY : 0;
    }
    GdiHandle GetStockObject(int object) override { return 0xB000 + static_cast<GdiHandle>(object); }
    TimerId SetTimer(WindowHandle, TimerId id, std::uint32_t elapseMs) override {
        calls.push_back("SetTimer " + std::to_string(id) + " " + std::to_string(elapseMs));
        timerPeriods.push_back(elapseMs);
        if (onSetTimer) onSetTimer();
        return timerResult;
    }
    bool KillTimer(WindowHandle, TimerId id) override { calls.push_back("KillTimer " + std::to_string(id)); return true; }
    bool PostMessageA(WindowHandle window, std::uint32_t message, WParam wParam, LParam lParam) override {
        calls.push_back("PostMessageA " + Hex(message));
        posted.push_back({window, message, wParam, lParam});
        if (window == Window && windowAlive) queue.push_back({window, message, wParam, lParam});
        return true;
    }
    void LoadSprites(WindowHandle) override { calls.push_back("LoadSprites"); ++spritesLoaded; }
    void FreeSprites() override { calls.push_back("FreeSprites"); ++spritesFreed; }
    DrawSurface& WindowSurface(WindowHandle) override { return surface; }
    bool SetDlgItemInt(WindowHandle, int item, std::uint32_t value, bool) override {
        calls.push_back("SetDlgItemInt " + std::to_string(item) + " " + std::to_string(value));
        dialogItems[item] = value;
        return true;
    }
    // 0 for an empty field.
    std::uint32_t GetDlgItemInt(WindowHandle, int item, bool* translated, bool) override {
        calls.push_back("GetDlgItemInt " + std::to_string(item));
        if (translated) *translated = dialogItems.contains(item);
        return dialogItems.contains(item) ? dialogItems[item] : 0;
    }
    WindowHandle GetDlgItem(WindowHandle dialog, int item) override { return dialog + 0x10000 + static_cast<WindowHandle>(item); }
    bool EndDialog(WindowHandle, std::intptr_t result) override {
        calls.push_back("EndDialog " + std::to_string(result));
        dialogEnds.push_back(result);
        return true;
    }

    // CharStepper: single-byte code page.
    const char* CharNextA(const char* text) override { return *text ? text + 1 : text; }

    // HostPlatform
    std::uint32_t GetTickCount() override { return tick; }
    void Sleep(std::uint32_t ms) override { calls.push_back("Sleep " + std::to_string(ms)); ++sleeps; }
    bool GetCursorPos(Point* point) override { calls.push_back("GetCursorPos"); *point = cursor; return true; }
    GdiHandle SetCursor(GdiHandle c) override {
        calls.push_back("SetCursor " + Hex(c));
        cursorHides += c == 0;
        return 0;
    }
    LResult SendMessageA(WindowHandle window, std::uint32_t message, WParam wParam, LParam lParam) override {
        calls.push_back("SendMessageA " + Hex(message));
        return classProc(window, message, wParam, lParam);
    }
    bool PeekMessageA(Message* message, WindowHandle window, std::uint32_t first,
                      std::uint32_t last, std::uint32_t remove) override;
    int GetMessageA(Message* message, WindowHandle window, std::uint32_t first,
                    std::uint32_t last) override;
    bool TranslateMessage(const Message&) override { return false; }
    LResult DispatchMessageA(const Message& m) override {
        return m.window == Window && windowAlive ? classProc(m.window, m.message, m.wParam, m.lParam) : 0;
    }
    // A close destroys the window.
    LResult DefWindowProcA(WindowHandle window, std::uint32_t message, WParam wParam,
                           LParam lParam) override;
    void PostQuitMessage(int code) override {
        calls.push_back("PostQuitMessage " + std::to_string(code));
        queue.push_back({0, WmQuit, static_cast<WParam>(code), 0});
    }
    LibraryHandle LoadLibraryA(const char* name) override {
        calls.push_back(std::string("LoadLibraryA ") + name);
        return loadable.contains(name) ? loadable.at(name) : 0;
    }
    LibraryHandle GetModuleHandleA(const char* name) override {
        calls.push_back(std::string("GetModuleHandleA ") + (name ? name : "(self)"));
        return !name ? 0x400000 : loaded.contains(name) ? loaded.at(name) : 0;
    }
    ProcAddress GetProcAddress(LibraryHandle module, const char* name) override {
        calls.push_back(std::string("GetProcAddress ") + name);
        return entries.contains({module, name}) ? entries.at({module, name}) : 0;
    }
    bool FreeLibrary(LibraryHandle module) override {
        calls.push_back("FreeLibrary " + Hex(module));
        freed.push_back(module);
        return true;
    }
    ImeContext CallImmAssociateContext(ProcAddress, WindowHandle window, ImeContext context) override {
        imeCalls.push_back({context, window});
        return imePrevious;
    }
    std::int32_t CallVerifyScreenSavePwd(ProcAddress, WindowHandle window) override {
        calls.push_back("VerifyScreenSavePwd");
        ++questions;
        return verifier(window);
    }
    void CallPwdChangePasswordA(ProcAddress, const char* providerName, WindowHandle owner,
                                std::uint32_t, std::uint32_t) override {
        provider = providerName;
        passwordChanges.push_back(owner);
    }
    WindowHandle FindWindowA(const char* className, const char* title) override {
        calls.push_back(std::string("FindWindowA ") + className + " " + title);
        return topLevel.contains({className, title}) ? topLevel.at({className, title}) : 0;
    }
    bool IsWindow(WindowHandle window) override {
        calls.push_back("IsWindow " + std::to_string(window));
        return liveWindows.contains(window);
    }
    bool SetForegroundWindow(WindowHandle window) override { broughtForward.push_back(window); return true; }
    WindowHandle GetForegroundWindow() override { return foreground; }
    WindowHandle GetParent(WindowHandle window) override { return parentOf.contains(window) ? parentOf.at(window) : 0; }
    // SM_CXSCREEN, SM_CYSCREEN, and the virtual screen of one 1024 x 768 monitor; an index
    // that is not here answers 0, as Windows does for metrics it does not know.
    std::map<int, int> metrics{{0, 1024}, {1, 768}, {76, 0}, {77, 0}, {78, 1024}, {79, 768}};
    int GetSystemMetrics(int index) override { return metrics.contains(index) ? metrics.at(index) : 0; }
    GdiHandle LoadIconA(LibraryHandle, int resource) override { return 0x1C00 + resource; }
    std::uint16_t RegisterClassA(const WindowClass& wc) override {
        calls.push_back("RegisterClassA");
        registered = wc;
        return registerFails ? 0 : 0xC001;
    }
    // Delivers WM_CREATE before it returns.
    WindowHandle CreateWindowExA(std::uint32_t exStyle, const char* className, const char* title,
                                 std::uint32_t style, int x, int y, int width, int height,
                                 WindowHandle parent) override;
    std::intptr_t DialogBoxParamA(LibraryHandle module, int templateId, WindowHandle owner, LParam) override {
        calls.push_back("DialogBoxParamA");
        dialogs.push_back({module, templateId, owner});
        dialogsInsideGuard += guardDepth > 0;
        return dialogResult;
    }
    bool GetVersionExA(OsVersionInfo* info) override {
        calls.push_back("GetVersionExA");
        versionSizeSeen = info->size;
        if (versionOk) info->platformId = platformId;
        return versionOk;
    }
    bool SystemParametersInfoA(std::uint32_t action, std::uint32_t param, void* value, std::uint32_t) override {
        calls.push_back("SystemParametersInfoA " + std::to_string(action) + " " + std::to_string(param));
        if (action == 97 && value != nullptr) saverRunning.push_back(param);
        return true;
    }
    const char* GetCommandLineA() override { return commandLine.c_str(); }
    void GetStartupInfoA(StartupInfo* info) override { *info = {}; }
    void ExitProcess(std::uint32_t code) override { exitCode = code; }
    std::int32_t RunInFaultGuard(GuardedBody body, void* context) override {
        ++guardDepth;
        const std::int32_t r = body(context);
        --guardDepth;
        return r;
    }
};

}  // namespace virelo::testing
