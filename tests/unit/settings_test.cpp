// The settings in the registry and the configuration dialog's rules.
#include <gtest/gtest.h>

#include <tuple>

#include "fake_platform.h"
#include "host/settings_store.h"
#include "resources/resource.h"

using namespace virelo;
using virelo::testing::FakePlatform;

namespace {

const std::string kParent = "HKCU\\Control Panel";
const std::string kKey = kParent + "\\Screen Saver.VIRELO";
constexpr WindowHandle kDialog = 0x77;

std::vector<std::uint8_t> Le32(std::uint32_t v) {
    return {std::uint8_t(v), std::uint8_t(v >> 8), std::uint8_t(v >> 16), std::uint8_t(v >> 24)};
}

SaverSettings Loaded(FakePlatform& p) {
    SaverSettings s{7, -1};  // not the defaults: LoadSettings must set every field itself
    LoadSettings(s, p);
    return s;
}

}  // namespace

TEST(SettingsLoad, StoredValuesOrDefaults) {
    struct Stored { const char* name; std::uint32_t type; std::vector<std::uint8_t> bytes; };
    struct Case { const char* what; std::vector<Stored> stored; int speed; std::int32_t blank; };
    const Case cases[] = {
        {"no key: defaults", {}, 100, 0},
        {"speed 30 is the lowest taken", {{"Speed", RegDword, Le32(30)}}, 30, 0},
        {"speed 300 is the highest taken", {{"Speed", RegDword, Le32(300)}}, 300, 0},
        // An out-of-range speed falls back to the default, not to the bound.
        {"speed 29", {{"Speed", RegDword, Le32(29)}}, 100, 0},
        {"speed 25", {{"Speed", RegDword, Le32(25)}}, 100, 0},
        {"speed 0", {{"Speed", RegDword, Le32(0)}}, 100, 0},
        {"speed 301", {{"Speed", RegDword, Le32(301)}}, 100, 0},
        {"speed 65566 keeps its low 16 bits, 30", {{"Speed", RegDword, Le32(65566)}}, 30, 0},
        {"only DWORD values are taken",
         {{"Speed", RegSz, Le32(200)}, {"BlankTime", RegSz, Le32(60)}}, 100, 0},
        {"blank time keeps its low 16 bits", {{"BlankTime", RegDword, Le32(70000)}}, 100, 4464},
        {"blank time is zero-extended, never negative", {{"BlankTime", RegDword, Le32(0xFFFFFFFF)}}, 100, 65535},
        {"a value longer than four bytes is ignored, a shorter one reads as its number",
         {{"Speed", RegDword, {200, 0, 0, 0, 0, 0, 0, 0}}, {"BlankTime", RegDword, {0x2C, 0x01}}}, 100, 300},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FakePlatform p;
        for (const Stored& v : c.stored) p.SetBytes(kKey, v.name, v.type, v.bytes);
        const SaverSettings s = Loaded(p);
        EXPECT_EQ(s.Speed, c.speed);
        EXPECT_EQ(s.BlankTime, c.blank);
        EXPECT_TRUE(p.openKeys.empty()) << "every opened key is closed again";
        EXPECT_EQ(p.valueWrites, 0);
    }
}

TEST(SettingsLoad, KeysAreOpenedForReadingOnly) {
    FakePlatform p;
    p.SetDword(kKey, "Speed", 150);
    Loaded(p);
    EXPECT_EQ(p.calls.at(0), "RegOpenKeyExA Control Panel 0x20019");
    EXPECT_EQ(p.calls.at(1), "RegOpenKeyExA Screen Saver.VIRELO 0x20019");
}

TEST(SettingsSave, WritesBothDwordsUnderTheOwnKeyOnlyWhenTheParentExists) {
    FakePlatform p;
    p.keys[kParent];
    SaveSettings({250, 123456}, p);
    EXPECT_EQ(p.Dword(kKey, "Speed"), 250);
    EXPECT_EQ(p.Dword(kKey, "BlankTime"), 123456);
    EXPECT_EQ(p.keys[kKey]["Speed"].type, RegDword);
    EXPECT_EQ(p.keys[kKey]["BlankTime"].type, RegDword);
    EXPECT_TRUE(p.openKeys.empty());

    FakePlatform none;
    SaveSettings({250, 1}, none);
    EXPECT_EQ(none.valueWrites, 0);
    EXPECT_FALSE(none.keys.contains(kKey));
}

TEST(ConfigDialog, InitialisationShowsStoredValuesAndPostsTheRanges) {
    FakePlatform p;
    p.SetDword(kKey, "Speed", 240);
    p.SetDword(kKey, "BlankTime", 900);
    SaverSettings s;
    EXPECT_EQ(ScreenSaverConfigureDialog(s, p, kDialog, WmInitDialog, 0, 0), 1);
    EXPECT_EQ(p.dialogItems[IDC_SPEED], 240u);
    EXPECT_EQ(p.dialogItems[IDC_BLANK], 900u);
    // The ranges are posted, not sent: 30..300 (upper bound in the low word) and 0..3600.
    ASSERT_EQ(p.posted.size(), 2u);
    const auto range = [&](int k) { return std::tuple(p.posted[k].window, p.posted[k].message, p.posted[k].lParam); };
    EXPECT_EQ(range(0), std::tuple(p.GetDlgItem(kDialog, IDC_SPEED_SPIN), UdmSetRange, LParam{0x001E012C}));
    EXPECT_EQ(range(1), std::tuple(p.GetDlgItem(kDialog, IDC_BLANK_SPIN), UdmSetRange, LParam{3600}));
    EXPECT_EQ(p.valueWrites, 0);
}

// OK after initialisation, with the two fields typed as given. Typed text is not bound by
// the arrows' ranges. Loading keeps the low 16 bits, so a blank time of 65536 would come
// back as 0 ("never blank") and 70000 as 4464: the dialog stores what will be read back.
TEST(ConfigDialog, OkBoundsAndStoresWhatWasTyped) {
    struct Case { std::uint32_t speedTyped, blankTyped; std::int64_t speed, blank; };
    for (const Case c : {Case{10, 0, 30, 0}, Case{0, 0, 30, 0}, Case{1000, 0, 300, 0}, Case{150, 0, 150, 0},
                         Case{65566, 0, 30, 0}, Case{65536 + 200, 0, 200, 0},  // the low 16 bits, then bounded
                         Case{100, 5000, 100, 5000}, Case{100, 0xFFFFFFF6u, 100, 0},  // -10 as a signed number
                         Case{100, 65536, 100, 65535}, Case{100, 70000, 100, 65535},
                         Case{100, 2000000000, 100, 65535}}) {
        SCOPED_TRACE("typed speed " + std::to_string(c.speedTyped) + ", blank time " + std::to_string(c.blankTyped));
        FakePlatform p;
        p.keys[kParent];
        SaverSettings s;
        EXPECT_EQ(ScreenSaverConfigureDialog(s, p, kDialog, WmInitDialog, 0, 0), 1);
        p.dialogItems[IDC_SPEED] = c.speedTyped;
        p.dialogItems[IDC_BLANK] = c.blankTyped;
        EXPECT_EQ(ScreenSaverConfigureDialog(s, p, kDialog, WmCommand, 1, 0), 1);
        EXPECT_EQ(p.Dword(kKey, "Speed"), c.speed);
        EXPECT_EQ(p.Dword(kKey, "BlankTime"), c.blank);
        EXPECT_EQ(s.Speed, c.speed);
        EXPECT_EQ(s.BlankTime, c.blank);
        EXPECT_EQ(Loaded(p).BlankTime, c.blank) << "read back";
        EXPECT_EQ(p.dialogEnds, std::vector<std::intptr_t>{1});
    }
}

TEST(ConfigDialog, EmptyFieldsGiveSlowestSpeedAndNoBlanking) {
    FakePlatform p;
    p.keys[kParent];
    SaverSettings s;
    ScreenSaverConfigureDialog(s, p, kDialog, WmCommand, 1, 0);  // nothing typed at all
    EXPECT_EQ(p.Dword(kKey, "Speed"), 30);
    EXPECT_EQ(p.Dword(kKey, "BlankTime"), 0);
}

TEST(ConfigDialog, CancelEndsWithZeroAndLeavesTheRegistryUntouched) {
    FakePlatform p;
    p.SetDword(kKey, "Speed", 120);
    SaverSettings s;
    ScreenSaverConfigureDialog(s, p, kDialog, WmInitDialog, 0, 0);
    p.dialogItems[IDC_SPEED] = 250;
    EXPECT_EQ(ScreenSaverConfigureDialog(s, p, kDialog, WmCommand, 2, 0), 1);
    EXPECT_EQ(p.dialogEnds, std::vector<std::intptr_t>{0});
    EXPECT_EQ(p.valueWrites, 0);
    EXPECT_EQ(p.Dword(kKey, "Speed"), 120);
    EXPECT_EQ(s.Speed, 120) << "the in-memory settings change only on OK";
}

TEST(ConfigDialog, OtherMessagesAreNotHandled) {
    FakePlatform p;
    SaverSettings s;
    for (auto [message, wParam] : {std::pair<std::uint32_t, WParam>{WmCommand, 1000}, {WmPaint, 0}, {WmClose, 0}})
        EXPECT_EQ(ScreenSaverConfigureDialog(s, p, kDialog, message, wParam, 0), 0) << "message " << message;
    EXPECT_TRUE(p.dialogEnds.empty());
    EXPECT_EQ(p.valueWrites, 0);
}
