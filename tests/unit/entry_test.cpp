// The process entry: the program name skipped, the mode table with its exit codes on the
// example argument texts, the window handle, and the start-up state.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <tuple>

#include "host/entry.h"
#include "saver_harness.h"

using namespace virelo;
using virelo::testing::FakePlatform;
using virelo::testing::SaverHarness;

namespace {

constexpr WindowHandle kLive = 1234;

// A live window 1234, the foreground window 240, the password provider in place, a
// configuration dialog that answers 1 and a close waiting in the queue.
void Prepare(SaverHarness& h, bool windows9x = false) {
    h.platform.platformId = windows9x ? 1 : 2;
    h.platform.liveWindows.insert(kLive);
    h.platform.foreground = 0xF0;
    h.platform.loadable["MPR.DLL"] = 0x8100;
    h.platform.entries[{0x8100, "PwdChangePasswordA"}] = 0x8101;
    h.platform.dialogResult = 1;
    h.platform.queue.push_back({FakePlatform::Window, WmClose, 0, 0});
}

// The exit code and what was shown: "exit 0: window parent 1234", "exit -1: nothing".
std::string Outcome(const SaverHarness& h, std::int64_t code) {
    std::string out;
    for (const auto& d : h.platform.dialogs) {
        out += " dialog owner " + std::to_string(d.owner);
        EXPECT_EQ(d.templateId, 2003);
        EXPECT_EQ(d.module, 0x400000u);
    }
    for (const auto& c : h.platform.created) out += " window parent " + std::to_string(c.parent);
    for (WindowHandle owner : h.platform.passwordChanges) out += " password owner " + std::to_string(owner);
    EXPECT_FALSE(h.platform.queueRanDry);
    return "exit " + std::to_string(code) + ":" + (out.empty() ? " nothing" : out);
}

std::string RunArguments(const std::string& arguments, bool windows9x = false) {
    SaverHarness h;
    Prepare(h, windows9x);
    const std::int32_t code = SaverMain(h.host, h.platform, 0x400000, 0, arguments.c_str(), 10);
    return Outcome(h, code);
}

}  // namespace

// ---- the mode table -----------------------------------------------------------------------

// Blanks, "-" and "/" are skipped; the first other byte decides, in either case.
TEST(ModeTable, ExampleArgumentTexts) {
    struct Group { const char* outcome; bool windows9x; std::vector<const char*> arguments; };
    const Group groups[] = {
        // Nothing but separators: configure without an owner; the dialog's result is the code.
        {"exit 1: dialog owner 0", false, {"", " ", "-", "/", "/-/ -", "  //--  "}},
        // "c": owned by the foreground window, whatever follows.
        {"exit 1: dialog owner 240", false, {"/c", "/c:1234", "C 1234"}},
        {"exit 0: window parent 0", false, {"/s", "-s", "s", "/S", "//s", "/sX", "/s 123"}},
        // "p" or "l" with a live window: blanks, then leading digits, wrapping modulo 2^32
        // (4294968530 = 2^32 + 1234) before the liveness test.
        {"exit 0: window parent 1234", false,
         {"/p 1234", "/p1234", "/P   1234", "/l 1234", "-L1234", "/p 1234xyz", "/p 4294968530"}},
        {"exit -1: nothing", false,
         {"/p:1234", "/p", "/p 0", "/p 999", "/p\t1234", "/p -1234", "/p 4294967296" /* wraps to 0 */}},
        // Password change: only on Windows 9x; a dead or missing window gives way to the
        // foreground window.
        {"exit 0: password owner 1234", true, {"/a 1234"}},
        {"exit 0: password owner 240", true, {"/a 999", "A"}},
        {"exit -1: nothing", false, {"/a 1234"}},
        // Anything else is refused.
        {"exit -1: nothing", false, {"/x", "/1", "/\ts", "\t/s", "x/s", "/\x82s", "/\xff"}},
    };
    for (const Group& g : groups)
        for (const char* arguments : g.arguments)
            EXPECT_EQ(RunArguments(arguments, g.windows9x), g.outcome) << "'" << arguments << "'" << (g.windows9x ? " on 9x" : "");
}

TEST(ModeTable, TheModeRunsInsideTheFaultGuardAfterTheStartUpState) {
    SaverHarness h;
    SaverMain(h.host, h.platform, 0x400000, 0, "", 10);
    EXPECT_EQ(h.platform.dialogsInsideGuard, 1);
    EXPECT_EQ(h.platform.guardDepth, 0);
    EXPECT_EQ(h.host.ModuleHandle, 0x400000u);
}

TEST(ModeTable, ConfigurationDialogThatCannotBeCreatedEndsWithMinusOne) {
    SaverHarness h;
    h.platform.dialogResult = -1;
    EXPECT_EQ(SaverMain(h.host, h.platform, 0x400000, 0, "/c", 10), -1);
}

// ---- the argument text behind the program name -----------------------------------------------

TEST(ProgramName, IsSkippedWithTheBytesUpTo0x20ThatFollowIt) {
    const std::pair<const char*, const char*> cases[] = {
        // A quoted name with blanks is skipped whole, up to one byte past the closing quote.
        {"\"C:\\Program Files\\My Saver\\virelo.scr\" /s", "/s"},
        {"\"C:\\a b\\v.scr\"/p 5", "/p 5"},
        {"\"unterminated /s", ""},
        // A plain name ends at the first byte up to 0x20; bytes 0x80 and above belong to it.
        {"virelo.scr /c:77", "/c:77"},
        {"virelo.scr\t\t /s", "/s"},
        {"C:\\\xe3\x82\xb5.scr /s", "/s"},
        {"virelo.scr", ""},
        // Text starting with a blank has no name.
        {"  /s", "/s"},
        {"", ""},
    };
    FakePlatform p;
    for (auto [commandLine, arguments] : cases)
        EXPECT_STREQ(SkipProgramName(commandLine, p), arguments) << "command line '" << commandLine << "'";
}

TEST(ProgramName, DoubleByteCharactersAreSteppedWhole) {
    LeadByteStepper sjis(IsShiftJisLeadByte);
    // 0x81 0x22 is one character whose trail byte looks like a quote.
    EXPECT_STREQ(SkipProgramName("\"C:\\\x81\x22.scr\" /s", sjis), "/s");
    // A lead byte right before the NUL is never stepped over the end.
    const char cut[] = "\"abc\x81";
    EXPECT_EQ(SkipProgramName(cut, sjis), cut + std::strlen(cut));
}

TEST(ProgramName, WholeCommandLineFromEntryToExitCode) {
    for (auto [commandLine, outcome] : {
             std::pair<const char*, const char*>{"\"C:\\Windows\\My Saver.scr\" /s", "exit 0: window parent 0"},
             {"virelo.scr", "exit 1: dialog owner 0"},                // only the program name: configure
             {"virelo.scr /x", "exit 4294967295: nothing"}}) {        // -1 with all 32 bits set
        SaverHarness h;
        Prepare(h);
        h.platform.commandLine = commandLine;
        SaverEntry(h.host, h.platform);
        EXPECT_EQ(Outcome(h, h.platform.exitCode), outcome) << "command line '" << commandLine << "'";
    }
}

// ---- the window handle --------------------------------------------------------------------

TEST(WindowHandleText, LeadingDigitsOnlyWrappingModulo2To32) {
    const std::pair<const char*, std::uint32_t> cases[] = {
        {"1234", 1234}, {"0012x9", 12}, {"", 0}, {" 12", 0}, {"+12", 0}, {"0x1F", 0},
        {"4294967295", 4294967295u}, {"4294967296", 0}, {"99999999999", static_cast<std::uint32_t>(99999999999ull)},
    };
    for (auto [text, handle] : cases) EXPECT_EQ(ParseWindowHandle(text), handle) << "'" << text << "'";
}

// ---- start-up state --------------------------------------------------------------------------

TEST(HostState, Windows9xOnlyForPlatformIdOne) {
    for (auto [ok, id, expected] : {std::tuple{true, 1u, true}, {true, 2u, false}, {true, 0u, false},
                                    {false, 1u, false}}) {
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
