#pragma once
// The one command-line parser of every program: one table of options, one set of
// messages. A program names the options it accepts and those it requires; everything
// else about an option (its value, its range, its message, its line of help) is here.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace virelo {

enum class Option : std::uint8_t {
    Seed, Client, Ticks, Out, Speed, BlankTime, Zoom, Resources, Root, WindowId, Help, Version,
    Count
};
using OptionSet = std::uint32_t;
constexpr OptionSet OptionBit(Option o) { return OptionSet{1} << static_cast<int>(o); }
template <class... O>
constexpr OptionSet OptionsOf(O... o) { return (OptionBit(o) | ...); }

struct ClientSize {
    std::int32_t width, height;
};

constexpr std::int64_t MaxClientSide = 1000000;
constexpr std::int64_t MaxTicks = 100000000;
constexpr std::int32_t MaxZoom = 8;

// What the command line said; a field keeps its default when its option was not given.
struct CommandLine {
    std::int32_t seed = 0;
    ClientSize client{0, 0};
    std::int64_t ticks = -1;
    std::string out;
    std::string resources;
    std::uint16_t speed = 100;
    std::int32_t blankTime = 0;
    std::int32_t zoom = 0;
    unsigned long windowId = 0;
    bool help = false;
    bool version = false;
    OptionSet given = 0;
    std::string error;  // one line, when the command line is refused

    bool Has(Option o) const { return (given & OptionBit(o)) != 0; }
};

// "--name value", "-name value" and the flags "--name"; each option at most once. --help
// (or -h) and --version end the reading where they stand, required options or not.
CommandLine ParseCommandLine(int argc, char** argv, OptionSet accepted, OptionSet required = 0);

// One line per accepted option, in the table's order, for a program's --help.
std::string OptionLines(OptionSet accepted);

// What ends a program before it starts: --help (usageHead, the option lines and usageTail
// on stdout), --version, or a refused command line ("program: why" on stderr). The exit
// code, 0 or 2 (1 when the usage or the version cannot be written); nothing when the
// program goes on.
std::optional<int> EndsAtOnce(const CommandLine& c, const char* program, OptionSet accepted,
                              const char* usageHead, const char* usageTail = "");

// What every program prints for --version.
extern const char* const VersionLine;

// Digits only (no sign, no blanks), value in [lo, hi].
std::optional<std::int64_t> ParseDecimal(std::string_view text, std::int64_t lo, std::int64_t hi);
// "WxH" with both sides in 1..MaxClientSide.
std::optional<ClientSize> ParseClient(std::string_view text);
// A window ID as X programs write it: decimal, or hex after "0x"; never 0, at most 32 bits.
std::optional<unsigned long> ParseWindowId(std::string_view text);

}  // namespace virelo
