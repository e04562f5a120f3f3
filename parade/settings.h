#pragma once
#include <cstdint>

#include "parade/platform.h"

namespace virelo {

// The two user settings, kept in the registry under the saver's own key.
struct SaverSettings {
    std::uint16_t Speed = 100;     // frames per 10 s, 30..300: the tick period is 10000 / Speed ms
    std::int32_t BlankTime = 0;    // seconds of animation before blanking, 0 = never; -1 once blanked
};

constexpr std::uint16_t DefaultSpeed = 100;
constexpr std::uint16_t MinSpeed = 30;
constexpr std::uint16_t MaxSpeed = 300;
// The largest blank time that survives a round trip: loading keeps the low 16 bits only.
constexpr std::int32_t MaxBlankTime = 65535;

// Under HKEY_CURRENT_USER.
constexpr const char* SettingsParentKey = "Control Panel";
constexpr const char* SettingsKey = "Screen Saver.VIRELO";

// Milliseconds between ticks.
inline std::int32_t TickPeriodMs(const SaverSettings& s) { return 10000 / s.Speed; }

// Defaults, overwritten by the stored REG_DWORD values (low 16 bits each); a speed out of
// 30..300 falls back to 100. Registry failures are silent.
void LoadSettings(SaverSettings& settings, RegistryApi& registry);

// Writes both values; nothing is written when a key cannot be opened or created.
void SaveSettings(const SaverSettings& settings, RegistryApi& registry);

// The configuration dialog's procedure: TRUE (1) for a handled message, FALSE otherwise.
// OK stores the fields (the speed bounded to 30..300, the blank time to 0..65535) and ends
// the dialog with 1; Cancel ends it with 0 and stores nothing.
std::intptr_t ScreenSaverConfigureDialog(SaverSettings& settings, ParadePlatform& platform,
                                         WindowHandle dialog, std::uint32_t message,
                                         WParam wParam, LParam lParam);

}  // namespace virelo
