#pragma once
// The host's numbers: its private message, the system commands it drops, the window
// class and window styles, and the platform values it passes.
#include <cstdint>

#include "host/saver_platform.h"

namespace virelo {

// The host asks the password question of itself with this message (WM_APP).
constexpr std::uint32_t AskPasswordMessage = 0x8000;

constexpr WParam ScNextWindow = 0xF040;
constexpr WParam ScPrevWindow = 0xF050;
constexpr WParam ScScreenSave = 0xF140;

constexpr std::uint32_t SaverClassStyle = 0x2B;  // CS_OWNDC | CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW
constexpr std::uint32_t FullScreenExStyle = 0x8;       // WS_EX_TOPMOST
constexpr std::uint32_t FullScreenStyle = 0x96000000;  // WS_POPUP | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN
constexpr std::uint32_t PreviewStyle = 0x52000000;     // WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN

constexpr const char* SaverClassName = "WindowsScreenSaverClass";
constexpr const char* FullScreenTitle = "Screen Saver";
constexpr const char* PreviewTitle = "Preview";

constexpr int SmCxScreen = 0;
constexpr int SmCyScreen = 1;
// The virtual screen, the bounding box of every monitor; 0 where the system predates them.
constexpr int SmXVirtualScreen = 76;
constexpr int SmYVirtualScreen = 77;
constexpr int SmCxVirtualScreen = 78;
constexpr int SmCyVirtualScreen = 79;

constexpr std::uint32_t PmRemoveNoYield = 3;       // PM_REMOVE | PM_NOYIELD
constexpr std::uint32_t SpiScreenSaverRunning = 97;
constexpr std::uint32_t VerPlatformWin32Windows = 1;
constexpr std::uint32_t OsVersionInfoSize = 148;   // sizeof(OSVERSIONINFOA)
constexpr std::uint32_t StartfUseShowWindow = 1;
constexpr std::int32_t SwShowDefault = 10;

}  // namespace virelo
