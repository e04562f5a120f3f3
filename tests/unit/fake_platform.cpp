#include "fake_platform.h"

#include <algorithm>
#include <cstdio>

namespace virelo::testing {

std::string Hex(std::uintptr_t v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%#llx", static_cast<unsigned long long>(v));
    return buf;
}

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
        return kv.first == path || kv.first.starts_with(path + "\\");
    });
    if (!exists) return ErrorFileNotFound;
    *result = nextKey++;
    openKeys[*result] = path;
    return ErrorSuccess;
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

// ---- the window and its queue ------------------------------------------------------------

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

}  // namespace virelo::testing
