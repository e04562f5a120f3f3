// Arbitrary command lines through the process entry: the program name skipped under a
// single-byte or a double-byte code page, the mode switch, the window handle, and SaverMain
// run to its end over the test platform. The text is a heap copy with nothing after its
// NUL, so the address sanitizer reports any read past the end; the traps check that the
// scan stays inside the text and that the result is one the mode table allows.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

#include "host/entry.h"
#include "tests/unit/saver_harness.h"

using namespace virelo;

namespace {

constexpr WindowHandle kLive = 1234;
constexpr std::intptr_t kDialogResult = 7;

bool NoLeadBytes(unsigned char) { return false; }

void Check(bool ok) {
    if (!ok) __builtin_trap();
}

// The handle as the mode reads it, computed another way: decimal digits modulo 2^32.
std::uint32_t ReferenceHandle(const char* p) {
    std::uint64_t v = 0;
    while (*p >= '0' && *p <= '9') v = (v * 10 + static_cast<std::uint64_t>(*p++ - '0')) & 0xFFFFFFFFu;
    return static_cast<std::uint32_t>(v);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const bool doubleByte = (data[0] & 1) != 0;
    ++data;
    --size;
    std::unique_ptr<char[]> line(new char[size + 1]);
    std::memcpy(line.get(), data, size);
    line[size] = '\0';
    const char* begin = line.get();
    const char* end = begin + std::strlen(begin);

    LeadByteStepper stepper(doubleByte ? &IsShiftJisLeadByte : &NoLeadBytes);
    const char* arguments = SkipProgramName(begin, stepper);
    Check(arguments >= begin && arguments <= end);

    const ModeChoice choice = ChooseMode(arguments);
    Check(choice.rest >= arguments && choice.rest <= end);
    const char* decisive = arguments;
    while (*decisive == ' ' || *decisive == '-' || *decisive == '/') ++decisive;
    switch (choice.mode) {
    case SaverMode::ConfigureNoOwner:
        Check(*decisive == '\0');
        break;
    case SaverMode::Unrecognised:
        Check(*decisive != '\0' && std::strchr("cCsSpPlLaA", *decisive) == nullptr);
        break;
    default:
        Check(*decisive != '\0' && std::strchr("cCsSpPlLaA", *decisive) != nullptr &&
              choice.rest == decisive + 1);
        break;
    }
    const char* handleText = SkipBlanks(choice.rest);
    Check(handleText <= end);
    Check(ParseWindowHandle(handleText) == ReferenceHandle(handleText));

    // The whole entry over the test platform, on both platform families.
    for (const std::uint32_t platformId : {1u, 2u}) {
        testing::SaverHarness h;
        h.platform.platformId = platformId;
        h.platform.liveWindows.insert(kLive);
        h.platform.dialogResult = kDialogResult;
        h.platform.queue.push_back({testing::FakePlatform::Window, WmClose, 0, 0});
        const std::int32_t result = SaverMain(h.host, h.platform, 0x400000, 0, arguments, 10);
        Check(!h.platform.queueRanDry);
        switch (choice.mode) {
        case SaverMode::ConfigureNoOwner:
        case SaverMode::ConfigureForeground:
            Check(result == kDialogResult && h.platform.dialogs.size() == 1);
            break;
        case SaverMode::FullScreen:
            Check(result == 0 && h.platform.created.size() == 1);
            break;
        case SaverMode::Preview:
            Check(result == (ParseWindowHandle(handleText) == kLive ? 0 : -1));
            break;
        case SaverMode::PasswordChange:
            Check(result == (platformId == 1 ? 0 : -1) && h.platform.created.empty());
            break;
        case SaverMode::Unrecognised:
            Check(result == -1 && h.platform.created.empty() && h.platform.dialogs.empty());
            break;
        }
    }
    return 0;
}
