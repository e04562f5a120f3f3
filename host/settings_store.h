#pragma once
// The settings in the current user's registry, and the configuration dialog that edits them.
#include <cstdint>

#include "host/saver_platform.h"
#include "parade/settings.h"

namespace virelo {

// Under HKEY_CURRENT_USER.
constexpr const char* SettingsParentKey = "Control Panel";
constexpr const char* SettingsKey = "Screen Saver.VIRELO";

// Defaults, overwritten by the stored REG_DWORD values (StoredSpeed, StoredBlankTime).
// Registry failures are silent.
void LoadSettings(SaverSettings& settings, RegistryApi& registry);

// Writes both values; nothing is written when a key cannot be opened or created.
void SaveSettings(const SaverSettings& settings, RegistryApi& registry);

// The configuration dialog's procedure: TRUE (1) for a handled message, FALSE otherwise.
// OK stores the fields (TypedSpeed, TypedBlankTime) and ends the dialog with 1; Cancel ends
// it with 0 and stores nothing.
std::intptr_t ScreenSaverConfigureDialog(SaverSettings& settings, ParadePlatform& platform,
                                         WindowHandle dialog, std::uint32_t message,
                                         WParam wParam, LParam lParam);

}  // namespace virelo
