#include "host/entry.h"

#include "host/messages.h"
#include "host/password.h"
#include "host/window.h"
#include "resources/resource.h"

namespace virelo {
namespace {

unsigned char Byte(const char* p) { return static_cast<unsigned char>(*p); }

struct MainRun {
    Host& host;
    HostPlatform& platform;
    const char* arguments;
};

std::int32_t RunMode(void* context) {
    MainRun& run = *static_cast<MainRun*>(context);
    const ModeChoice choice = ChooseMode(run.arguments);
    switch (choice.mode) {
    case SaverMode::ConfigureNoOwner:
        return ShowConfigDialog(run.host, run.platform, 0);
    case SaverMode::ConfigureForeground:
        return ShowConfigDialog(run.host, run.platform, run.platform.GetForegroundWindow());
    case SaverMode::FullScreen:
        return RunSaverWindow(run.host, run.platform, 0);
    case SaverMode::Preview:
        return StartPreview(run.host, run.platform, choice.rest);
    case SaverMode::PasswordChange:
        if (!run.host.IsWindows9x) return RefusedExitCode;
        return StartPasswordChange(run.host, run.platform, choice.rest);
    case SaverMode::Unrecognised:
        break;
    }
    return RefusedExitCode;
}

}  // namespace

bool IsShiftJisLeadByte(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }

const char* LeadByteStepper::CharNextA(const char* text) {
    if (*text == '\0') return text;
    if (isLead_(Byte(text)) && text[1] != '\0') return text + 2;
    return text + 1;
}

const char* SkipProgramName(const char* p, CharStepper& step) {
    if (*p == '"') {
        do {
            p = step.CharNextA(p);
        } while (*p != '\0' && *p != '"');
        if (*p == '"') ++p;  // one byte past the closing quote
    } else if (Byte(p) > 0x20) {
        while (Byte(p) > 0x20) p = step.CharNextA(p);
    }
    while (*p != '\0' && Byte(p) <= 0x20) p = step.CharNextA(p);
    return p;
}

ModeChoice ChooseMode(const char* p) {
    while (*p == ' ' || *p == '-' || *p == '/') ++p;
    switch (*p) {
    case '\0':
        return {SaverMode::ConfigureNoOwner, p};
    case 'c':
    case 'C':
        return {SaverMode::ConfigureForeground, p + 1};
    case 's':
    case 'S':
        return {SaverMode::FullScreen, p + 1};
    case 'p':
    case 'P':
    case 'l':
    case 'L':
        return {SaverMode::Preview, p + 1};
    case 'a':
    case 'A':
        return {SaverMode::PasswordChange, p + 1};
    default:
        return {SaverMode::Unrecognised, p};
    }
}

std::uint32_t ParseWindowHandle(const char* p) {
    std::uint32_t value = 0;
    for (; *p >= '0' && *p <= '9'; ++p) value = value * 10u + static_cast<std::uint32_t>(*p - '0');
    return value;
}

const char* SkipBlanks(const char* p) {
    while (*p == ' ') ++p;
    return p;
}

std::int32_t RegisterConfigClasses(LibraryHandle /*module*/) { return 1; }

std::int32_t ShowConfigDialog(Host& host, HostPlatform& platform, WindowHandle owner) {
    if (RegisterConfigClasses(host.ModuleHandle) == 0) return 0;
    return static_cast<std::int32_t>(platform.DialogBoxParamA(host.ModuleHandle, IDD_CONFIG, owner, 0));
}

std::int32_t StartPreview(Host& host, HostPlatform& platform, const char* text) {
    const WindowHandle parent = ParseWindowHandle(SkipBlanks(text));
    if (parent == 0 || !platform.IsWindow(parent)) return RefusedExitCode;
    return RunSaverWindow(host, platform, parent);
}

std::int32_t StartPasswordChange(Host& /*host*/, HostPlatform& platform, const char* text) {
    WindowHandle owner = ParseWindowHandle(SkipBlanks(text));
    if (owner == 0 || !platform.IsWindow(owner)) owner = platform.GetForegroundWindow();
    ChangeSaverPassword(platform, owner);
    return 0;
}

std::int32_t SaverMain(Host& host, HostPlatform& platform, LibraryHandle module,
                       LibraryHandle /*previous*/, const char* arguments,
                       std::int32_t /*showCommand*/) {
    InitHostState(host, platform, module);
    MainRun run{host, platform, arguments};
    return platform.RunInFaultGuard(&RunMode, &run);
}

void SaverEntry(Host& host, HostPlatform& platform) {
    const char* arguments = SkipProgramName(platform.GetCommandLineA(), platform);
    StartupInfo startup;
    startup.flags = 0;
    platform.GetStartupInfoA(&startup);
    const std::int32_t show =
        (startup.flags & StartfUseShowWindow) != 0 ? startup.showWindow : SwShowDefault;
    const std::int32_t result =
        SaverMain(host, platform, platform.GetModuleHandleA(nullptr), 0, arguments, show);
    platform.ExitProcess(static_cast<std::uint32_t>(result));
}

}  // namespace virelo
