// The process entry: the program name skipped, the mode table with its exit codes on the
// example argument texts, the window handle, and the start-up state.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "host/entry.h"
#include "saver_harness.h"

using namespace virelo;
using virelo::testing::FakePlatform;
using virelo::testing::SaverHarness;

namespace {

constexpr WindowHandle kLive = 1234;

// What one argument text did: the exit code and the windows and dialogs it made.
struct Outcome {
    std::int32_t code;
    std::size_t dialogs = 0;
    WindowHandle dialogOwner = 0;
    std::size_t windows = 0;
    WindowHandle parent = 0;
    std::size_t passwordChanges = 0;
    WindowHandle passwordOwner = 0;
};

Outcome RunArguments(const std::string& arguments, bool windows9x = false) {
    SaverHarness h;
    h.platform.platformId = windows9x ? 1 : 2;
    h.platform.liveWindows.insert(kLive);
    h.platform.foreground = 0xF0;
    h.platform.loadable["MPR.DLL"] = 0x8100;
    h.platform.entries[{0x8100, "PwdChangePasswordA"}] = 0x8101;
    h.platform.dialogResult = 1;
    h.platform.queue.push_back({FakePlatform::Window, WmClose, 0, 0});
    Outcome o{SaverMain(h.host, h.platform, 0x400000, 0, arguments.c_str(), 10)};
    EXPECT_FALSE(h.platform.queueRanDry) << arguments;
    o.dialogs = h.platform.dialogs.size();
    if (o.dialogs) {
        o.dialogOwner = h.platform.dialogs[0].owner;
        EXPECT_EQ(h.platform.dialogs[0].templateId, 2003);
        EXPECT_EQ(h.platform.dialogs[0].module, 0x400000u);
    }
    o.windows = h.platform.created.size();
    if (o.windows) o.parent = h.platform.created[0].parent;
    o.passwordChanges = h.platform.passwordChanges.size();
    if (o.passwordChanges) o.passwordOwner = h.platform.passwordChanges[0];
    return o;
}

void ExpectConfigure(const std::string& args, WindowHandle owner) {
    const Outcome o = RunArguments(args);
    EXPECT_EQ(o.code, 1) << "'" << args << "': the dialog's result";
    EXPECT_EQ(o.dialogs, 1u) << "'" << args << "'";
    EXPECT_EQ(o.dialogOwner, owner) << "'" << args << "'";
    EXPECT_EQ(o.windows, 0u) << "'" << args << "'";
}
void ExpectFullScreen(const std::string& args) {
    const Outcome o = RunArguments(args);
    EXPECT_EQ(o.code, 0) << "'" << args << "'";
    EXPECT_EQ(o.windows, 1u) << "'" << args << "'";
    EXPECT_EQ(o.parent, 0u) << "'" << args << "'";
    EXPECT_EQ(o.dialogs, 0u) << "'" << args << "'";
}
void ExpectPreview(const std::string& args) {
    const Outcome o = RunArguments(args);
    EXPECT_EQ(o.code, 0) << "'" << args << "'";
    EXPECT_EQ(o.windows, 1u) << "'" << args << "'";
    EXPECT_EQ(o.parent, kLive) << "'" << args << "'";
}
void ExpectRefused(const std::string& args, bool windows9x = false) {
    const Outcome o = RunArguments(args, windows9x);
    EXPECT_EQ(o.code, -1) << "'" << args << "'";
    EXPECT_EQ(o.windows + o.dialogs + o.passwordChanges, 0u) << "'" << args << "': nothing shown";
}

std::string ArgumentsOf(const std::string& commandLine) {
    FakePlatform p;
    return SkipProgramName(commandLine.c_str(), p);
}

}  // namespace

// ---- the mode table -----------------------------------------------------------------------

TEST(ModeTable, EmptyOrOnlySeparatorsConfigureWithoutOwner) {
    for (const char* args : {"", " ", "-", "/", "/-/ -", "  //--  "}) ExpectConfigure(args, 0);
}

TEST(ModeTable, ConfigureSwitchIsOwnedByTheForegroundWindowAndIgnoresTheRest) {
    ExpectConfigure("/c", 0xF0);
    ExpectConfigure("/c:1234", 0xF0);
    ExpectConfigure("C 1234", 0xF0);
}

TEST(ModeTable, FullScreenSwitchesInAnySpelling) {
    for (const char* args : {"/s", "-s", "s", "/S", "//s", "/sX", "/s 123"}) ExpectFullScreen(args);
}

TEST(ModeTable, PreviewInsideALiveWindow) {
    for (const char* args : {"/p 1234", "/p1234", "/P   1234", "/l 1234", "-L1234", "/p 1234xyz"})
        ExpectPreview(args);
}

TEST(ModeTable, PreviewWithoutALiveWindowIsRefused) {
    for (const char* args : {"/p:1234", "/p", "/p 0", "/p 999", "/p\t1234", "/p -1234"})
        ExpectRefused(args);
}

TEST(ModeTable, PreviewHandleWrapsModulo2To32BeforeTheLivenessTest) {
    // 4294968530 = 2^32 + 1234
    ExpectPreview("/p 4294968530");
    ExpectRefused("/p 4294967296");  // wraps to 0
}

TEST(ModeTable, PasswordChangeOnWindows9x) {
    Outcome o = RunArguments("/a 1234", true);
    EXPECT_EQ(o.code, 0);
    EXPECT_EQ(o.passwordOwner, kLive);
    o = RunArguments("/a 999", true);
    EXPECT_EQ(o.code, 0);
    EXPECT_EQ(o.passwordOwner, 0xF0u) << "a dead window gives way to the foreground window";
    o = RunArguments("A", true);
    EXPECT_EQ(o.code, 0);
    EXPECT_EQ(o.passwordOwner, 0xF0u);
}

TEST(ModeTable, PasswordChangeElsewhereIsRefused) {
    ExpectRefused("/a 1234", false);
}

TEST(ModeTable, UnknownSwitchesAreRefused) {
    for (const char* args : {"/x", "/1", "/\ts", "\t/s", "x/s", "/\x82s", "/\xff"}) ExpectRefused(args);
}

TEST(ModeTable, TheModeRunsInsideTheFaultGuard) {
    SaverHarness h;
    SaverMain(h.host, h.platform, 0x400000, 0, "", 10);
    EXPECT_EQ(h.platform.dialogsInsideGuard, 1);
    EXPECT_EQ(h.platform.guardDepth, 0);
    EXPECT_EQ(h.host.ModuleHandle, 0x400000u) << "start-up state first";
}

TEST(ModeTable, ConfigurationDialogThatCannotBeCreatedEndsWithMinusOne) {
    SaverHarness h;
    h.platform.dialogResult = -1;
    EXPECT_EQ(SaverMain(h.host, h.platform, 0x400000, 0, "/c", 10), -1);
}

// ---- the argument text behind the program name -----------------------------------------------

TEST(ProgramName, QuotedNameWithBlanksIsSkippedWhole) {
    EXPECT_EQ(ArgumentsOf("\"C:\\Program Files\\My Saver\\virelo.scr\" /s"), "/s");
    EXPECT_EQ(ArgumentsOf("\"C:\\a b\\v.scr\"/p 5"), "/p 5");
    EXPECT_EQ(ArgumentsOf("\"unterminated /s"), "");
}

TEST(ProgramName, PlainNameEndsAtTheFirstByteUpTo0x20) {
    EXPECT_EQ(ArgumentsOf("virelo.scr /c:77"), "/c:77");
    EXPECT_EQ(ArgumentsOf("virelo.scr\t\t /s"), "/s");
    EXPECT_EQ(ArgumentsOf("C:\\\xe3\x82\xb5.scr /s"), "/s") << "bytes 0x80 and above belong to the name";
    EXPECT_EQ(ArgumentsOf("virelo.scr"), "");
}

TEST(ProgramName, TextStartingWithABlankHasNoName) {
    EXPECT_EQ(ArgumentsOf("  /s"), "/s");
    EXPECT_EQ(ArgumentsOf(""), "");
}

TEST(ProgramName, DoubleByteCharactersAreSteppedWhole) {
    LeadByteStepper sjis(IsShiftJisLeadByte);
    // 0x81 0x22 is one character whose trail byte looks like a quote.
    const char line[] = "\"C:\\\x81\x22.scr\" /s";
    EXPECT_STREQ(SkipProgramName(line, sjis), "/s");
    // A lead byte right before the NUL is never stepped over the end.
    const char cut[] = "\"abc\x81";
    EXPECT_EQ(SkipProgramName(cut, sjis), cut + std::strlen(cut));
}

TEST(ProgramName, WholeCommandLineFromEntryToExitCode) {
    SaverHarness h;
    h.platform.commandLine = "\"C:\\Windows\\My Saver.scr\" /s";
    h.platform.queue.push_back({FakePlatform::Window, WmKeyDown, 0, 0});
    SaverEntry(h.host, h.platform);
    EXPECT_EQ(h.platform.exitCode, 0);
    EXPECT_EQ(h.platform.created.size(), 1u);
    SaverHarness h2;
    h2.platform.commandLine = "virelo.scr";
    SaverEntry(h2.host, h2.platform);
    EXPECT_EQ(h2.platform.dialogs.size(), 1u) << "only the program name: configure";
    EXPECT_EQ(h2.platform.dialogs[0].owner, 0u);
    SaverHarness h3;
    h3.platform.commandLine = "virelo.scr /x";
    SaverEntry(h3.host, h3.platform);
    EXPECT_EQ(h3.platform.exitCode, 0xFFFFFFFF) << "-1 with all 32 bits set";
}

// ---- the window handle --------------------------------------------------------------------

TEST(WindowHandleText, LeadingDigitsOnly) {
    EXPECT_EQ(ParseWindowHandle("1234"), 1234u);
    EXPECT_EQ(ParseWindowHandle("0012x9"), 12u);
    EXPECT_EQ(ParseWindowHandle(""), 0u);
    EXPECT_EQ(ParseWindowHandle(" 12"), 0u);
    EXPECT_EQ(ParseWindowHandle("+12"), 0u);
    EXPECT_EQ(ParseWindowHandle("0x1F"), 0u);
    EXPECT_EQ(ParseWindowHandle("4294967295"), 4294967295u);
    EXPECT_EQ(ParseWindowHandle("4294967296"), 0u);
    EXPECT_EQ(ParseWindowHandle("99999999999"), static_cast<std::uint32_t>(99999999999ull));
}

// ---- start-up state --------------------------------------------------------------------------

TEST(HostState, Windows9xOnlyForPlatformIdOne) {
    for (const auto& [ok, id, expected] :
         std::vector<std::tuple<bool, std::uint32_t, bool>>{
             {true, 1, true}, {true, 2, false}, {true, 0, false}, {false, 1, false}}) {
        Host host;
        FakePlatform p;
        p.versionOk = ok;
        p.platformId = id;
        InitHostState(host, p, 0x400000);
        EXPECT_EQ(host.IsWindows9x, expected) << "query ok " << ok << ", platform id " << id;
        EXPECT_EQ(host.ModuleHandle, 0x400000u);
        EXPECT_EQ(p.versionSizeSeen, 148u);
    }
}
