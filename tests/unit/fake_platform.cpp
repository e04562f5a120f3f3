#include "fake_platform.h"

#include <algorithm>
#include <cstdio>

namespace virelo::testing {
namespace {

std::string Hex(std::uintptr_t v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%#llx", static_cast<unsigned long long>(v));
    return buf;
}

}  // namespace

std::int64_t FakePlatform::Dword(const std::string& path, const std::string& name) const {
    const auto k = keys.find(path);
    if (k == keys.end()) return -1;
    const auto v = k->second.find(name);
    if (v == k->second.end() || v->second.bytes.size() != 4) return -1;
    std::uint32_t out = 0;
    std::memcpy(&out, v->second.bytes.data(), 4);
    return out;
}

// ---- registry -------------------------------------------------------------------------

std::int32_t FakePlatform::RegOpenKeyExA(KeyHandle key, const char* subKey, std::uint32_t,
                                         std::uint32_t access, KeyHandle* result) {
    calls.push_back(std::string("RegOpenKeyExA ") + subKey + " " + Hex(access));
    const std::string parent = key == CurrentUserKey ? "HKCU" : openKeys.at(key);
    const std::string path = parent + "\\" + subKey;
    const bool exists = std::any_of(keys.begin(), keys.end(), [&](const auto& kv) {
        return kv.first == path || kv.first.rfind(path + "\\", 0) == 0;
    });
    if (!exists) return ErrorFileNotFound;
    *result = nextKey++;
    openKeys[*result] = path;
    return ErrorSuccess;
}

std::int32_t FakePlatform::RegOpenKeyA(KeyHandle key, const char* subKey, KeyHandle* result) {
    calls.push_back(std::string("RegOpenKeyA ") + subKey);
    return RegOpenKeyExA(key, subKey, 0, KeyAllAccess, result);
}

std::int32_t FakePlatform::RegQueryValueExA(KeyHandle key, const char* name, std::uint32_t* type,
                                            void* data, std::uint32_t* size) {
    calls.push_back(std::string("RegQueryValueExA ") + name);
    auto& values = keys[openKeys.at(key)];
    const auto v = values.find(name);
    if (v == values.end()) return ErrorFileNotFound;
    if (type) *type = v->second.type;
    const auto n = static_cast<std::uint32_t>(v->second.bytes.size());
    if (data && n > *size) {
        *size = n;
        return ErrorMoreData;
    }
    if (data) std::memcpy(data, v->second.bytes.data(), n);
    *size = n;
    return ErrorSuccess;
}

std::int32_t FakePlatform::RegCreateKeyExA(KeyHandle key, const char* subKey, const char*,
                                           std::uint32_t, std::uint32_t access, KeyHandle* result,
                                           std::uint32_t* disposition) {
    calls.push_back(std::string("RegCreateKeyExA ") + subKey + " " + Hex(access));
    const std::string path = openKeys.at(key) + "\\" + subKey;
    keys[path];
    *result = nextKey++;
    openKeys[*result] = path;
    if (disposition) *disposition = 1;
    return ErrorSuccess;
}

std::int32_t FakePlatform::RegSetValueExA(KeyHandle key, const char* name, std::uint32_t type,
                                          const void* data, std::uint32_t size) {
    calls.push_back(std::string("RegSetValueExA ") + name);
    ++valueWrites;
    const auto* p = static_cast<const std::uint8_t*>(data);
    keys[openKeys.at(key)][name] = {type, std::vector<std::uint8_t>(p, p + size)};
    return ErrorSuccess;
}

std::int32_t FakePlatform::RegCloseKey(KeyHandle key) {
    calls.push_back("RegCloseKey");
    return openKeys.erase(key) ? ErrorSuccess : 6;  // ERROR_INVALID_HANDLE for a double close
}

// ---- parade side ----------------------------------------------------------------------

bool FakePlatform::GetClientRect(WindowHandle window, Rect* rect) {
    calls.push_back("GetClientRect");
    const auto it = clientOf.find(window);
    *rect = it != clientOf.end() ? it->second : client;
    return true;
}
DcHandle FakePlatform::GetDC(WindowHandle) {
    calls.push_back("GetDC");
    ++dcsTaken;
    return 0xDC;
}
int FakePlatform::ReleaseDC(WindowHandle, DcHandle) {
    calls.push_back("ReleaseDC");
    ++dcsReleased;
    return 1;
}
int FakePlatform::FillRect(DcHandle dc, const Rect& rect, GdiHandle brush) {
    calls.push_back("FillRect");
    fills.push_back({dc, rect, brush});
    return 1;
}
GdiHandle FakePlatform::GetStockObject(int object) { return 0xB000 + static_cast<GdiHandle>(object); }
TimerId FakePlatform::SetTimer(WindowHandle, TimerId id, std::uint32_t elapseMs) {
    calls.push_back("SetTimer " + std::to_string(id) + " " + std::to_string(elapseMs));
    timerPeriods.push_back(elapseMs);
    if (onSetTimer) onSetTimer();
    return timerResult;
}
bool FakePlatform::KillTimer(WindowHandle, TimerId id) {
    calls.push_back("KillTimer " + std::to_string(id));
    ++timersKilled;
    return true;
}
bool FakePlatform::PostMessageA(WindowHandle window, std::uint32_t message, WParam wParam,
                                LParam lParam) {
    calls.push_back("PostMessageA " + Hex(message));
    posted.push_back({window, message, wParam, lParam});
    if (window == Window && windowAlive) queue.push_back({window, message, wParam, lParam});
    return true;
}
void FakePlatform::LoadSprites(WindowHandle) {
    calls.push_back("LoadSprites");
    ++spritesLoaded;
}
void FakePlatform::FreeSprites() {
    calls.push_back("FreeSprites");
    ++spritesFreed;
}
DrawSurface& FakePlatform::WindowSurface(WindowHandle) { return surface; }
bool FakePlatform::SetDlgItemInt(WindowHandle, int item, std::uint32_t value, bool) {
    calls.push_back("SetDlgItemInt " + std::to_string(item) + " " + std::to_string(value));
    dialogItems[item] = value;
    return true;
}
std::uint32_t FakePlatform::GetDlgItemInt(WindowHandle, int item, bool* translated, bool) {
    calls.push_back("GetDlgItemInt " + std::to_string(item));
    if (translated) *translated = dialogItems.count(item) != 0;
    return dialogItems.count(item) ? dialogItems[item] : 0;
}
WindowHandle FakePlatform::GetDlgItem(WindowHandle dialog, int item) {
    return dialog + 0x10000 + static_cast<WindowHandle>(item);
}
bool FakePlatform::EndDialog(WindowHandle, std::intptr_t result) {
    calls.push_back("EndDialog " + std::to_string(result));
    dialogEnds.push_back(result);
    return true;
}

// ---- host side ------------------------------------------------------------------------

void FakePlatform::Sleep(std::uint32_t ms) {
    calls.push_back("Sleep " + std::to_string(ms));
    ++sleeps;
}
bool FakePlatform::GetCursorPos(Point* point) {
    calls.push_back("GetCursorPos");
    *point = cursor;
    return true;
}
GdiHandle FakePlatform::SetCursor(GdiHandle c) {
    calls.push_back("SetCursor " + Hex(c));
    if (c == 0) ++cursorHides;
    return 0;
}
LResult FakePlatform::SendMessageA(WindowHandle window, std::uint32_t message, WParam wParam,
                                   LParam lParam) {
    calls.push_back("SendMessageA " + Hex(message));
    return classProc(window, message, wParam, lParam);
}
bool FakePlatform::PeekMessageA(Message* message, WindowHandle window, std::uint32_t first,
                                std::uint32_t last, std::uint32_t remove) {
    calls.push_back("PeekMessageA " + Hex(first) + " " + Hex(last) + " " + Hex(remove));
    for (auto it = queue.begin(); it != queue.end(); ++it) {
        if ((window == 0 || it->window == window) && it->message >= first && it->message <= last) {
            *message = *it;
            if (remove & 1) queue.erase(it);
            return true;
        }
    }
    return false;
}
int FakePlatform::GetMessageA(Message* message, WindowHandle, std::uint32_t, std::uint32_t) {
    if (getMessageError > 0) {
        --getMessageError;
        return -1;
    }
    if (queue.empty()) {
        queueRanDry = true;  // the real loop would wait for ever
        *message = {0, WmQuit, 0x7777, 0};
        return 0;
    }
    *message = queue.front();
    queue.pop_front();
    return message->message == WmQuit ? 0 : 1;
}
bool FakePlatform::TranslateMessage(const Message&) { return false; }
LResult FakePlatform::DispatchMessageA(const Message& m) {
    if (m.window != Window || !windowAlive) return 0;
    return classProc(m.window, m.message, m.wParam, m.lParam);
}
LResult FakePlatform::DefWindowProcA(WindowHandle window, std::uint32_t message, WParam, LParam) {
    calls.push_back("DefWindowProcA " + Hex(message));
    if (route) route->push_back("platform");
    if (message == WmClose && window == Window && windowAlive) {
        windowAlive = false;
        liveWindows.erase(Window);
        classProc(window, WmDestroy, 0, 0);
    }
    return 0;
}
void FakePlatform::PostQuitMessage(int code) {
    calls.push_back("PostQuitMessage " + std::to_string(code));
    queue.push_back({0, WmQuit, static_cast<WParam>(code), 0});
}
LibraryHandle FakePlatform::LoadLibraryA(const char* name) {
    calls.push_back(std::string("LoadLibraryA ") + name);
    const auto it = loadable.find(name);
    return it == loadable.end() ? 0 : it->second;
}
LibraryHandle FakePlatform::GetModuleHandleA(const char* name) {
    calls.push_back(std::string("GetModuleHandleA ") + (name ? name : "(self)"));
    if (!name) return 0x400000;
    const auto it = loaded.find(name);
    return it == loaded.end() ? 0 : it->second;
}
ProcAddress FakePlatform::GetProcAddress(LibraryHandle module, const char* name) {
    calls.push_back(std::string("GetProcAddress ") + name);
    const auto it = entries.find({module, name});
    return it == entries.end() ? 0 : it->second;
}
bool FakePlatform::FreeLibrary(LibraryHandle module) {
    calls.push_back("FreeLibrary " + Hex(module));
    freed.push_back(module);
    return true;
}
ImeContext FakePlatform::CallImmAssociateContext(ProcAddress, WindowHandle window,
                                                 ImeContext context) {
    imeCalls.push_back({context, window});
    return imePrevious;
}
std::int32_t FakePlatform::CallVerifyScreenSavePwd(ProcAddress, WindowHandle window) {
    calls.push_back("VerifyScreenSavePwd");
    ++questions;
    return verifier(window);
}
void FakePlatform::CallPwdChangePasswordA(ProcAddress, const char* providerName,
                                          WindowHandle owner, std::uint32_t, std::uint32_t) {
    provider = providerName;
    passwordChanges.push_back(owner);
}
WindowHandle FakePlatform::FindWindowA(const char* className, const char* title) {
    calls.push_back(std::string("FindWindowA ") + className + " " + title);
    const auto it = topLevel.find({className, title});
    return it == topLevel.end() ? 0 : it->second;
}
bool FakePlatform::IsWindow(WindowHandle window) {
    calls.push_back("IsWindow " + std::to_string(window));
    return liveWindows.count(window) != 0;
}
bool FakePlatform::SetForegroundWindow(WindowHandle window) {
    broughtForward.push_back(window);
    return true;
}
WindowHandle FakePlatform::GetParent(WindowHandle window) {
    const auto it = parentOf.find(window);
    return it == parentOf.end() ? 0 : it->second;
}
std::uint16_t FakePlatform::RegisterClassA(const WindowClass& wc) {
    calls.push_back("RegisterClassA");
    registered = wc;
    registeredName = wc.className ? wc.className : "";
    return registerFails ? 0 : 0xC001;
}
WindowHandle FakePlatform::CreateWindowExA(std::uint32_t exStyle, const char* className,
                                           const char* title, std::uint32_t style, int x, int y,
                                           int width, int height, WindowHandle parent) {
    calls.push_back(std::string("CreateWindowExA ") + title);
    created.push_back({exStyle, style, className, title, x, y, width, height, parent});
    if (createFails) return 0;
    windowAlive = true;
    liveWindows.insert(Window);
    classProc(Window, WmCreate, 0, 0);
    return Window;
}
std::intptr_t FakePlatform::DialogBoxParamA(LibraryHandle module, int templateId,
                                            WindowHandle owner, LParam) {
    calls.push_back("DialogBoxParamA");
    dialogs.push_back({module, templateId, owner});
    if (guardDepth > 0) ++dialogsInsideGuard;
    return dialogResult;
}
bool FakePlatform::GetVersionExA(OsVersionInfo* info) {
    calls.push_back("GetVersionExA");
    versionSizeSeen = info->size;
    if (!versionOk) return false;
    info->platformId = platformId;
    return true;
}
bool FakePlatform::SystemParametersInfoA(std::uint32_t action, std::uint32_t param, void* value,
                                         std::uint32_t) {
    calls.push_back("SystemParametersInfoA " + std::to_string(action) + " " + std::to_string(param));
    if (action == 97 && value != nullptr) saverRunning.push_back(param);
    return true;
}
std::int32_t FakePlatform::RunInFaultGuard(GuardedBody body, void* context) {
    ++guardDepth;
    const std::int32_t r = body(context);
    --guardDepth;
    return r;
}

}  // namespace virelo::testing
