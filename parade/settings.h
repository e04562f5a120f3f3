#pragma once
// The two user settings, their ranges and defaults, and the rules by which a value from
// storage or from the user becomes one. Where they are kept is the front end's business.
#include <cstdint>

namespace virelo {

struct SaverSettings {
    std::uint16_t Speed = 100;     // frames per 10 s, 30..300: the tick period is 10000 / Speed ms
    std::int32_t BlankTime = 0;    // seconds of animation before blanking, 0 = never; -1 once blanked
};

constexpr std::uint16_t DefaultSpeed = 100;
constexpr std::uint16_t MinSpeed = 30;
constexpr std::uint16_t MaxSpeed = 300;
// The largest blank time that survives a round trip: loading keeps the low 16 bits only.
constexpr std::int32_t MaxBlankTime = 65535;
// The dialog's arrows stop here; typed values go on to MaxBlankTime.
constexpr std::int32_t BlankTimeArrowsMax = 3600;

// Milliseconds between ticks.
inline std::int32_t TickPeriodMs(const SaverSettings& s) { return 10000 / s.Speed; }

// A stored speed is not trusted out of range: its low 16 bits, or the default, never the
// nearer bound.
constexpr std::uint16_t StoredSpeed(std::uint32_t value) {
    const auto speed = static_cast<std::uint16_t>(value & 0xFFFF);
    return speed < MinSpeed || speed > MaxSpeed ? DefaultSpeed : speed;
}
// A stored blank time: its low 16 bits.
constexpr std::int32_t StoredBlankTime(std::uint32_t value) {
    return static_cast<std::int32_t>(value & 0xFFFF);
}
// A typed speed: its low 16 bits held to 30..300 (an empty field reads as 0, so 30).
constexpr std::uint16_t TypedSpeed(std::uint32_t value) {
    const std::uint32_t speed = value & 0xFFFF;
    return static_cast<std::uint16_t>(speed < MinSpeed ? MinSpeed : speed > MaxSpeed ? MaxSpeed : speed);
}
// A typed blank time held to 0..MaxBlankTime: anything larger would read back as another
// value (65536 as 0, "never"), so it is stored as the largest that reads back unchanged.
constexpr std::int32_t TypedBlankTime(std::int32_t value) {
    return value < 0 ? 0 : value > MaxBlankTime ? MaxBlankTime : value;
}

}  // namespace virelo
