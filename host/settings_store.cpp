#include "host/settings_store.h"

#include "resources/resource.h"

namespace virelo {
namespace {

constexpr int IdOk = 1;
constexpr int IdCancel = 2;
// UDM_SETRANGE carries the upper bound in the low word and the lower bound in the high.
constexpr LParam SpeedRange = (LParam{MinSpeed} << 16) | MaxSpeed;  // 0x001E012C
constexpr LParam BlankRange = BlankTimeArrowsMax;                  // 0 .. 3600

// A REG_DWORD value; nothing when the read fails or the type differs. The buffer starts at
// zero so a shorter value reads as the number it stores.
bool ReadDword(RegistryApi& registry, KeyHandle key, const char* name, std::uint32_t& out) {
    std::uint32_t value = 0;
    std::uint32_t type = 0;
    std::uint32_t size = sizeof value;
    if (registry.RegQueryValueExA(key, name, &type, &value, &size) != ErrorSuccess) return false;
    if (type != RegDword) return false;
    out = value;
    return true;
}

}  // namespace

void LoadSettings(SaverSettings& settings, RegistryApi& registry) {
    settings.Speed = DefaultSpeed;
    settings.BlankTime = 0;

    KeyHandle panel = 0;
    if (registry.RegOpenKeyExA(CurrentUserKey, SettingsParentKey, 0, KeyRead, &panel) ==
        ErrorSuccess) {
        KeyHandle own = 0;
        if (registry.RegOpenKeyExA(panel, SettingsKey, 0, KeyRead, &own) == ErrorSuccess) {
            std::uint32_t value = 0;
            if (ReadDword(registry, own, "Speed", value)) settings.Speed = StoredSpeed(value);
            if (ReadDword(registry, own, "BlankTime", value)) settings.BlankTime = StoredBlankTime(value);
            registry.RegCloseKey(own);
        }
        registry.RegCloseKey(panel);
    }
}

void SaveSettings(const SaverSettings& settings, RegistryApi& registry) {
    KeyHandle panel = 0;
    if (registry.RegOpenKeyExA(CurrentUserKey, SettingsParentKey, 0, KeyAllAccess, &panel) !=
        ErrorSuccess)
        return;
    KeyHandle own = 0;
    std::uint32_t disposition = 0;
    if (registry.RegCreateKeyExA(panel, SettingsKey, "", RegOptionNonVolatile, KeyAllAccess, &own,
                                 &disposition) == ErrorSuccess) {
        const std::uint32_t speed = settings.Speed;
        const std::uint32_t blank = static_cast<std::uint32_t>(settings.BlankTime);
        registry.RegSetValueExA(own, "Speed", RegDword, &speed, sizeof speed);
        registry.RegSetValueExA(own, "BlankTime", RegDword, &blank, sizeof blank);
        registry.RegCloseKey(own);
    }
    registry.RegCloseKey(panel);
}

std::intptr_t ScreenSaverConfigureDialog(SaverSettings& settings, ParadePlatform& platform,
                                         WindowHandle dialog, std::uint32_t message,
                                         WParam wParam, LParam /*lParam*/) {
    if (message == WmInitDialog) {
        LoadSettings(settings, platform);
        platform.SetDlgItemInt(dialog, IDC_SPEED, settings.Speed, false);
        platform.SetDlgItemInt(dialog, IDC_BLANK, static_cast<std::uint32_t>(settings.BlankTime),
                               false);
        // Posted, not sent: the ranges take effect once the dialog's own loop runs.
        platform.PostMessageA(platform.GetDlgItem(dialog, IDC_SPEED_SPIN), UdmSetRange, 0,
                              SpeedRange);
        platform.PostMessageA(platform.GetDlgItem(dialog, IDC_BLANK_SPIN), UdmSetRange, 0,
                              BlankRange);
        return 1;  // the default focus
    }
    if (message != WmCommand) return 0;

    const int control = static_cast<int>(wParam & 0xFFFF);
    if (control == IdOk) {
        // Typed text is not bound by the up-down ranges. An empty field reads as 0.
        settings.Speed = TypedSpeed(platform.GetDlgItemInt(dialog, IDC_SPEED, nullptr, false));
        settings.BlankTime = TypedBlankTime(
            static_cast<std::int32_t>(platform.GetDlgItemInt(dialog, IDC_BLANK, nullptr, false)));

        SaveSettings(settings, platform);
        platform.EndDialog(dialog, 1);
        return 1;
    }
    if (control == IdCancel) {
        platform.EndDialog(dialog, 0);
        return 1;
    }
    return 0;
}

}  // namespace virelo
