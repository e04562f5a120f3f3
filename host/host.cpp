#include "host/host.h"

#include "host/messages.h"

namespace virelo {

void InitHostState(Host& host, HostPlatform& platform, LibraryHandle module) {
    host.ModuleHandle = module;
    OsVersionInfo info;
    info.size = OsVersionInfoSize;
    host.IsWindows9x = platform.GetVersionExA(&info) && info.platformId == VerPlatformWin32Windows;
}

}  // namespace virelo
