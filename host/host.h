#pragma once
// The host's process-wide state in one record: the Win32 glue owns one, tests make their
// own. Written on one thread only.
#include <cstdint>

#include "host/platform.h"

namespace virelo {

constexpr std::uint32_t NoCheckYet = 0xFFFFFFFF;

struct Host {
    // Start-up state, set once by InitHostState.
    LibraryHandle ModuleHandle = 0;
    bool IsWindows9x = false;  // the password lock and password change exist only there

    // The saver window.
    bool IsPreview = false;  // set before the window is created when a parent is given
    WindowHandle SaverWindow = 0;
    Point SavedCursorPos{0, 0};  // mouse movement is measured against this
    LibraryHandle ImeModule = 0;
    ProcAddress ImeAssociate = 0;
    ImeContext PreviousImeContext = 0;

    // The password lock.
    LibraryHandle VerifierModule = 0;
    ProcAddress VerifyPassword = 0;   // set only while the password is on
    bool CloseApproved = false;       // never cleared once set
    bool PasswordCheckActive = false; // a question is open
    std::uint32_t LastCheckTick = NoCheckYet;
};

// Records the program's module and whether the platform is of the Windows 95/98 family
// (the version query succeeds with platform id 1).
void InitHostState(Host& host, HostPlatform& platform, LibraryHandle module);

}  // namespace virelo
