#pragma once
// The command line of the X11 saver, in the conventions of XScreenSaver's display
// programs: where to draw, the two user settings, and two options for tests.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace virelo {

enum class Target : std::uint8_t { OwnWindow, Root, WindowId };

struct SaverOptions {
    Target target = Target::OwnWindow;
    unsigned long windowId = 0;   // for Target::WindowId
    std::uint16_t speed = 100;    // ticks per 10 s
    std::int32_t blankTime = 0;   // seconds, 0 = never
    std::int32_t seed = 0;        // 0: seeded from the clock, as on Windows
    std::int64_t ticks = -1;      // -1: until told to stop
    bool help = false;
    std::string error;            // one line, when the command line is refused
};

// "--name" and "-name" alike; each option at most once; --root and --window-id exclude
// each other. --help wins over everything after it.
SaverOptions ParseSaverOptions(int argc, char** argv);

// A window ID as XScreenSaver and xwininfo write it: decimal, or hex after "0x"; never 0,
// at most 32 bits.
std::optional<unsigned long> ParseWindowId(std::string_view text);

extern const char* const SaverUsage;

}  // namespace virelo
