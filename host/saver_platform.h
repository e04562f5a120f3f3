#pragma once
// What the saver's window procedure and the settings dialog ask of Windows: the registry,
// the window's client area, device contexts, the timer, the sprites and the dialog items.
// The Windows module implements every call one to one with the Win32 function of the same
// name; tests implement it with fakes that record what was called. Handles are opaque
// integers here, so this header (and the host) stays free of <windows.h>.
#include <cstdint>

#include "parade/geometry.h"

namespace virelo {

class DrawSurface;  // parade/frame.h

using WindowHandle = std::uintptr_t;   // HWND
using LibraryHandle = std::uintptr_t;  // HMODULE / HINSTANCE
using KeyHandle = std::uintptr_t;      // HKEY
using DcHandle = std::uintptr_t;       // HDC
using GdiHandle = std::uintptr_t;      // HBRUSH, HICON, HCURSOR
using ProcAddress = std::uintptr_t;    // FARPROC
using TimerId = std::uintptr_t;        // UINT_PTR
using WParam = std::uintptr_t;
using LParam = std::intptr_t;
using LResult = std::intptr_t;

// The platform's numbers, under names that cannot collide with the Win32 macros.
constexpr std::uint32_t WmCreate = 0x0001;
constexpr std::uint32_t WmDestroy = 0x0002;
constexpr std::uint32_t WmSetText = 0x000C;
constexpr std::uint32_t WmPaint = 0x000F;
constexpr std::uint32_t WmClose = 0x0010;
constexpr std::uint32_t WmQuit = 0x0012;
constexpr std::uint32_t WmEraseBkgnd = 0x0014;
constexpr std::uint32_t WmShowWindow = 0x0018;
constexpr std::uint32_t WmActivateApp = 0x001C;
constexpr std::uint32_t WmSetCursor = 0x0020;
constexpr std::uint32_t WmHelp = 0x0053;
constexpr std::uint32_t WmContextMenu = 0x007B;
constexpr std::uint32_t WmKeyDown = 0x0100;
constexpr std::uint32_t WmKeyUp = 0x0101;
constexpr std::uint32_t WmChar = 0x0102;
constexpr std::uint32_t WmSysKeyDown = 0x0104;
constexpr std::uint32_t WmSysKeyUp = 0x0105;
constexpr std::uint32_t WmInitDialog = 0x0110;
constexpr std::uint32_t WmCommand = 0x0111;
constexpr std::uint32_t WmSysCommand = 0x0112;
constexpr std::uint32_t WmTimer = 0x0113;
constexpr std::uint32_t WmMouseMove = 0x0200;
constexpr std::uint32_t WmLButtonDown = 0x0201;
constexpr std::uint32_t WmLButtonUp = 0x0202;
constexpr std::uint32_t WmLButtonDblClk = 0x0203;
constexpr std::uint32_t WmRButtonDown = 0x0204;
constexpr std::uint32_t WmRButtonUp = 0x0205;
constexpr std::uint32_t WmMButtonDown = 0x0207;
constexpr std::uint32_t WmMButtonUp = 0x0208;
constexpr std::uint32_t WmMouseWheel = 0x020A;
constexpr std::uint32_t WmUser = 0x0400;
constexpr std::uint32_t UdmSetRange = WmUser + 101;

constexpr int BlackBrush = 4;  // stock object
constexpr int LogPixelsY = 90;  // GetDeviceCaps index: the screen's dots per inch

// Registry.
constexpr std::int32_t ErrorSuccess = 0;
constexpr std::int32_t ErrorMoreData = 234;
constexpr std::int32_t ErrorFileNotFound = 2;
constexpr std::uint32_t RegSz = 1;
constexpr std::uint32_t RegDword = 4;
constexpr std::uint32_t KeyRead = 0x20019;
constexpr std::uint32_t KeyAllAccess = 0xF003F;
constexpr std::uint32_t RegOptionNonVolatile = 0;
// HKEY_CURRENT_USER: the 32-bit value 0x80000001 sign-extended to the handle's width.
constexpr KeyHandle CurrentUserKey =
    static_cast<KeyHandle>(static_cast<std::intptr_t>(static_cast<std::int32_t>(0x80000001u)));

// Registry calls, as the platform defines them: zero is success.
class RegistryApi {
public:
    virtual std::int32_t RegOpenKeyExA(KeyHandle key, const char* subKey, std::uint32_t options,
                                       std::uint32_t access, KeyHandle* result) = 0;
    virtual std::int32_t RegOpenKeyA(KeyHandle key, const char* subKey, KeyHandle* result) = 0;
    // type may be null (not asked for). Fails with ErrorMoreData when the value does not
    // fit in *size bytes.
    virtual std::int32_t RegQueryValueExA(KeyHandle key, const char* name, std::uint32_t* type,
                                          void* data, std::uint32_t* size) = 0;
    virtual std::int32_t RegCreateKeyExA(KeyHandle key, const char* subKey, const char* className,
                                         std::uint32_t options, std::uint32_t access,
                                         KeyHandle* result, std::uint32_t* disposition) = 0;
    virtual std::int32_t RegSetValueExA(KeyHandle key, const char* name, std::uint32_t type,
                                        const void* data, std::uint32_t size) = 0;
    virtual std::int32_t RegCloseKey(KeyHandle key) = 0;

protected:
    ~RegistryApi() = default;
};

// Everything the animation and the configuration dialog ask of the platform.
class ParadePlatform : public RegistryApi {
public:
    virtual bool GetClientRect(WindowHandle window, Rect* rect) = 0;
    virtual DcHandle GetDC(WindowHandle window) = 0;
    virtual int ReleaseDC(WindowHandle window, DcHandle dc) = 0;
    virtual int FillRect(DcHandle dc, const Rect& rect, GdiHandle brush) = 0;
    virtual int GetDeviceCaps(DcHandle dc, int index) = 0;
    virtual GdiHandle GetStockObject(int object) = 0;
    // No callback: ticks arrive as WM_TIMER. Zero on failure.
    virtual TimerId SetTimer(WindowHandle window, TimerId id, std::uint32_t elapseMs) = 0;
    virtual bool KillTimer(WindowHandle window, TimerId id) = 0;
    virtual bool PostMessageA(WindowHandle window, std::uint32_t message, WParam wParam,
                              LParam lParam) = 0;

    // The module's sprite sheet, mask and palettes, made for the window's display; a
    // failure leaves the rest unloaded. FreeSprites deletes whatever exists.
    virtual void LoadSprites(WindowHandle window) = 0;
    virtual void FreeSprites() = 0;
    // The surface that one tick draws through; it takes and gives back the window's
    // device context in BeginFrame / EndFrame.
    virtual DrawSurface& WindowSurface(WindowHandle window) = 0;

    // Dialog items.
    virtual bool SetDlgItemInt(WindowHandle dialog, int item, std::uint32_t value,
                               bool isSigned) = 0;
    virtual std::uint32_t GetDlgItemInt(WindowHandle dialog, int item, bool* translated,
                                        bool isSigned) = 0;
    virtual WindowHandle GetDlgItem(WindowHandle dialog, int item) = 0;
    virtual bool EndDialog(WindowHandle dialog, std::intptr_t result) = 0;

protected:
    ~ParadePlatform() = default;
};

}  // namespace virelo
