// The settings in the registry and the configuration dialog's rules.
#include <gtest/gtest.h>

#include "fake_platform.h"
#include "parade/settings.h"
#include "resources/resource.h"

using namespace virelo;
using virelo::testing::FakePlatform;

namespace {

const std::string kKey = "HKCU\\Control Panel\\Screen Saver.VIRELO";

SaverSettings Loaded(FakePlatform& p) {
    SaverSettings s;
    s.Speed = 7;  // not a default: LoadSettings must set every field itself
    s.BlankTime = -1;
    LoadSettings(s, p);
    return s;
}

// Runs the dialog from WM_INITDIALOG to OK with the two fields typed as given.
SaverSettings PressOk(FakePlatform& p, std::uint32_t speedTyped, std::uint32_t blankTyped) {
    SaverSettings s;
    EXPECT_EQ(ScreenSaverConfigureDialog(s, p, 0x77, WmInitDialog, 0, 0), 1);
    p.dialogItems[IDC_SPEED] = speedTyped;
    p.dialogItems[IDC_BLANK] = blankTyped;
    EXPECT_EQ(ScreenSaverConfigureDialog(s, p, 0x77, WmCommand, 1, 0), 1);
    return s;
}

}  // namespace

TEST(SettingsLoad, NoKeyGivesDefaults) {
    FakePlatform p;
    const SaverSettings s = Loaded(p);
    EXPECT_EQ(s.Speed, 100);
    EXPECT_EQ(s.BlankTime, 0);
    EXPECT_TRUE(p.openKeys.empty()) << "every opened key is closed again";
}

TEST(SettingsLoad, OutOfRangeSpeedFallsBackToDefaultNotToTheBound) {
    for (const auto& [stored, expected] :
         std::vector<std::pair<std::uint32_t, int>>{{25, 100}, {301, 100}, {29, 100}, {0, 100},
                                                    {30, 30}, {300, 300}, {65566, 30}}) {
        FakePlatform p;
        p.SetDword(kKey, "Speed", stored);
        EXPECT_EQ(Loaded(p).Speed, expected) << "stored Speed " << stored;
        EXPECT_TRUE(p.openKeys.empty());
    }
}

TEST(SettingsLoad, OnlyDwordValuesAreTaken) {
    FakePlatform p;
    p.SetDword(kKey, "Speed", 200, RegSz);
    p.SetDword(kKey, "BlankTime", 60, RegSz);
    const SaverSettings s = Loaded(p);
    EXPECT_EQ(s.Speed, 100);
    EXPECT_EQ(s.BlankTime, 0);
}

TEST(SettingsLoad, BlankTimeKeepsItsLow16Bits) {
    FakePlatform p;
    p.SetDword(kKey, "BlankTime", 70000);
    EXPECT_EQ(Loaded(p).BlankTime, 4464);
    p.SetDword(kKey, "BlankTime", 0xFFFFFFFF);
    EXPECT_EQ(Loaded(p).BlankTime, 65535) << "zero-extended, never negative";
}

TEST(SettingsLoad, ValueLongerThanFourBytesIsIgnoredAndShorterOneReadsAsItsNumber) {
    FakePlatform p;
    p.SetBytes(kKey, "Speed", RegDword, {200, 0, 0, 0, 0, 0, 0, 0});
    p.SetBytes(kKey, "BlankTime", RegDword, {0x2C, 0x01});  // 300 in two bytes
    const SaverSettings s = Loaded(p);
    EXPECT_EQ(s.Speed, 100);
    EXPECT_EQ(s.BlankTime, 300);
}

TEST(SettingsLoad, KeysAreOpenedForReadingOnly) {
    FakePlatform p;
    p.SetDword(kKey, "Speed", 150);
    Loaded(p);
    EXPECT_EQ(p.calls.at(0), "RegOpenKeyExA Control Panel 0x20019");
    EXPECT_EQ(p.calls.at(1), "RegOpenKeyExA Screen Saver.VIRELO 0x20019");
    EXPECT_EQ(p.valueWrites, 0);
}

TEST(SettingsSave, WritesBothDwordsUnderTheOwnKey) {
    FakePlatform p;
    p.keys["HKCU\\Control Panel"];
    SaveSettings({250, 123456}, p);
    EXPECT_EQ(p.Dword(kKey, "Speed"), 250);
    EXPECT_EQ(p.Dword(kKey, "BlankTime"), 123456);
    EXPECT_EQ(p.keys[kKey]["Speed"].type, RegDword);
    EXPECT_TRUE(p.openKeys.empty());
}

TEST(SettingsSave, NothingIsWrittenWithoutTheParentKey) {
    FakePlatform p;
    SaveSettings({250, 1}, p);
    EXPECT_EQ(p.valueWrites, 0);
    EXPECT_EQ(p.keys.count(kKey), 0u);
}

TEST(ConfigDialog, InitialisationShowsStoredValuesAndPostsTheRanges) {
    FakePlatform p;
    p.SetDword(kKey, "Speed", 240);
    p.SetDword(kKey, "BlankTime", 900);
    SaverSettings s;
    EXPECT_EQ(ScreenSaverConfigureDialog(s, p, 0x77, WmInitDialog, 0, 0), 1);
    EXPECT_EQ(p.dialogItems[IDC_SPEED], 240u);
    EXPECT_EQ(p.dialogItems[IDC_BLANK], 900u);
    ASSERT_EQ(p.posted.size(), 2u) << "the ranges are posted, not sent";
    EXPECT_EQ(p.posted[0].window, p.GetDlgItem(0x77, IDC_SPEED_SPIN));
    EXPECT_EQ(p.posted[0].message, UdmSetRange);
    EXPECT_EQ(p.posted[0].lParam, 0x001E012C);
    EXPECT_EQ(p.posted[1].window, p.GetDlgItem(0x77, IDC_BLANK_SPIN));
    EXPECT_EQ(p.posted[1].lParam, 3600);
    EXPECT_EQ(p.valueWrites, 0);
}

TEST(ConfigDialog, OkBoundsTheTypedSpeedAfterTakingItsLow16Bits) {
    for (const auto& [typed, expected] : std::vector<std::pair<std::uint32_t, std::int64_t>>{
             {10, 30}, {1000, 300}, {65566, 30}, {150, 150}, {0, 30}, {65536 + 200, 200}}) {
        FakePlatform p;
        p.keys["HKCU\\Control Panel"];
        PressOk(p, typed, 0);
        EXPECT_EQ(p.Dword(kKey, "Speed"), expected) << "typed speed " << typed;
        EXPECT_EQ(p.dialogEnds, std::vector<std::intptr_t>{1});
    }
}

TEST(ConfigDialog, OkStoresTypedBlankTimeBeyondTheArrowRange) {
    FakePlatform p;
    p.keys["HKCU\\Control Panel"];
    const SaverSettings s = PressOk(p, 100, 5000);
    EXPECT_EQ(s.BlankTime, 5000);
    EXPECT_EQ(p.Dword(kKey, "BlankTime"), 5000);
}

TEST(ConfigDialog, NegativeBlankTimeIsStoredAsZero) {
    FakePlatform p;
    p.keys["HKCU\\Control Panel"];
    PressOk(p, 100, 0xFFFFFFF6u);  // -10 as a signed number
    EXPECT_EQ(p.Dword(kKey, "BlankTime"), 0);
}

// Loading keeps the low 16 bits, so 65536 would come back as 0 ("never blank") and 70000
// as 4464: the dialog stores what will be read back.
TEST(ConfigDialog, BlankTimeAboveWhatLoadingKeepsIsStoredAsTheLargestThatSurvives) {
    for (std::uint32_t typed : {65536u, 70000u, 2000000000u}) {
        FakePlatform p;
        p.keys["HKCU\\Control Panel"];
        PressOk(p, 100, typed);
        EXPECT_EQ(p.Dword(kKey, "BlankTime"), 65535) << "typed " << typed;
        EXPECT_EQ(Loaded(p).BlankTime, 65535) << "typed " << typed << ", read back";
    }
}

TEST(ConfigDialog, EmptyFieldsGiveSlowestSpeedAndNoBlanking) {
    FakePlatform p;
    p.keys["HKCU\\Control Panel"];
    SaverSettings s;
    ScreenSaverConfigureDialog(s, p, 0x77, WmCommand, 1, 0);  // nothing typed at all
    EXPECT_EQ(p.Dword(kKey, "Speed"), 30);
    EXPECT_EQ(p.Dword(kKey, "BlankTime"), 0);
}

TEST(ConfigDialog, CancelEndsWithZeroAndLeavesTheRegistryUntouched) {
    FakePlatform p;
    p.SetDword(kKey, "Speed", 120);
    SaverSettings s;
    ScreenSaverConfigureDialog(s, p, 0x77, WmInitDialog, 0, 0);
    p.dialogItems[IDC_SPEED] = 250;
    EXPECT_EQ(ScreenSaverConfigureDialog(s, p, 0x77, WmCommand, 2, 0), 1);
    EXPECT_EQ(p.dialogEnds, std::vector<std::intptr_t>{0});
    EXPECT_EQ(p.valueWrites, 0);
    EXPECT_EQ(p.Dword(kKey, "Speed"), 120);
    EXPECT_EQ(s.Speed, 120) << "the in-memory settings change only on OK";
}

TEST(ConfigDialog, OtherMessagesAreNotHandled) {
    FakePlatform p;
    SaverSettings s;
    EXPECT_EQ(ScreenSaverConfigureDialog(s, p, 0x77, WmCommand, 1000, 0), 0);
    EXPECT_EQ(ScreenSaverConfigureDialog(s, p, 0x77, WmPaint, 0, 0), 0);
    EXPECT_EQ(ScreenSaverConfigureDialog(s, p, 0x77, WmClose, 0, 0), 0);
    EXPECT_TRUE(p.dialogEnds.empty());
    EXPECT_EQ(p.valueWrites, 0);
}
