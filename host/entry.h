#pragma once
// The process entry: the argument text behind the program name, the mode switch, and the
// run of the mode, whose result becomes the exit code.
#include <cstdint>

#include "host/host.h"

namespace virelo {

enum class SaverMode : std::uint8_t {
    ConfigureNoOwner,     // end of the argument text
    ConfigureForeground,  // "c": owned by the foreground window
    FullScreen,           // "s"
    Preview,              // "p" or "l", with a window handle
    PasswordChange,       // "a", with a window handle
    Unrecognised,         // any other byte
};

struct ModeChoice {
    SaverMode mode;
    const char* rest;  // the text after the switch letter (at the end for ConfigureNoOwner)
};

constexpr std::int32_t RefusedExitCode = -1;
// The result after a fault that the guard let the program handle.
constexpr std::int32_t FaultExitCode = -1;

// A code page's stepping rule: the lead bytes of two-byte characters. A lead byte followed
// by the terminating NUL is stepped as one byte, so the NUL is never stepped over.
class LeadByteStepper final : public CharStepper {
public:
    using IsLeadByte = bool (*)(unsigned char);
    explicit LeadByteStepper(IsLeadByte isLead) : isLead_(isLead) {}
    const char* CharNextA(const char* text) override;

private:
    IsLeadByte isLead_;
};
// Code page 932's lead bytes: 0x81..0x9F and 0xE0..0xFC.
bool IsShiftJisLeadByte(unsigned char byte);

// The command line without the program name (quoted or not) and the bytes up to 0x20
// that follow it.
const char* SkipProgramName(const char* commandLine, CharStepper& step);
// Skips blanks, "-" and "/"; the first other byte decides.
ModeChoice ChooseMode(const char* arguments);
// Leading decimal digits, unsigned 32-bit, wrapping; 0 without a digit.
std::uint32_t ParseWindowHandle(const char* text);
// Skips the byte 0x20 only.
const char* SkipBlanks(const char* text);

std::int32_t RegisterConfigClasses(LibraryHandle module);
std::int32_t ShowConfigDialog(Host& host, HostPlatform& platform, WindowHandle owner);
// `text` is what follows the switch letter.
std::int32_t StartPreview(Host& host, HostPlatform& platform, const char* text);
std::int32_t StartPasswordChange(Host& host, HostPlatform& platform, const char* text);

std::int32_t SaverMain(Host& host, HostPlatform& platform, LibraryHandle module,
                       LibraryHandle previous, const char* arguments, std::int32_t showCommand);
// Takes the command line and start-up record, runs SaverMain and ends the process with its
// result (ExitProcess).
void SaverEntry(Host& host, HostPlatform& platform);

}  // namespace virelo
