#pragma once
// Command-line parsing shared by the tools: strict decimal numbers and "WxH" sizes.
#include <cstdint>
#include <optional>
#include <string_view>

namespace virelo {

// Digits only (no sign, no blanks), value in [lo, hi].
std::optional<std::int64_t> ParseDecimal(std::string_view text, std::int64_t lo, std::int64_t hi);

struct ClientSize {
    std::int32_t width, height;
};

// "WxH" with both sides in 1..MaxClientSide.
constexpr std::int64_t MaxClientSide = 1000000;
std::optional<ClientSize> ParseClient(std::string_view text);

}  // namespace virelo

#include <string>

namespace virelo {

// The options of a parade run: --seed S --client WxH --ticks N, each "--name value";
// the renderer also takes --out FILE (required) and --speed. On failure `error` holds
// one line.
struct RunArgs {
    std::int32_t seed = 0;
    ClientSize client{0, 0};
    std::int64_t ticks = 0;
    std::string out;
    std::int64_t speed = 100;
    std::string error;
};

constexpr std::int64_t MaxTicks = 100000000;

RunArgs ParseRunArgs(int argc, char** argv, bool acceptOutAndSpeed);

// "--help" or "-h" where an option's name stands: the tool prints its usage on stdout
// and exits 0.
bool AsksForHelp(int argc, char** argv);

}  // namespace virelo
