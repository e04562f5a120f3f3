#pragma once
#include <cstdint>

namespace virelo {

// The two user settings, kept in the registry under the saver's own key.
struct SaverSettings {
    std::uint16_t Speed = 100;     // frames per 10 s, 30..300: the tick period is 10000 / Speed ms
    std::int32_t BlankTime = 0;    // seconds of animation before blanking, 0 = never; -1 once blanked
};

}  // namespace virelo
