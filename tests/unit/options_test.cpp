// The one option table every program reads, as ParseCommandLine applies it.
#include "cli/options.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace virelo;

namespace {

constexpr OptionSet All = OptionBit(Option::Count) - 1;

CommandLine Parse(std::vector<std::string> words, OptionSet accepted = All, OptionSet required = 0) {
    words.insert(words.begin(), "program");
    std::vector<char*> argv;
    for (std::string& w : words) argv.push_back(w.data());
    return ParseCommandLine(static_cast<int>(argv.size()), argv.data(), accepted, required);
}

}  // namespace

// Each option with a value takes both its bounds and refuses a repeat; past a bound, as
// junk or without its value, one line says why; a program that does not take it calls it
// unknown. --help and --version end the reading where they stand, before junk after them
// or a required option missed.
TEST(Options, EachOptionTakesItsBoundsAndRefusesTheRest) {
    struct Case { std::string name, lo, hi; std::vector<std::string> bad; std::string why; };
    const Case cases[] = {
        {"seed", "1", "2147483646", {"0", "2147483647", "-1", "+5", " 5", "5x", "", "99999999999999999999"},
         "must be a number from 1 to 2147483646"},
        {"client", "1x1", "1000000X1000000", {"0x5", "5x0", "1000001x1", "5", "x5", "5x5x5", "-5x5"},
         "must be WxH with both sides from 1 to 1000000"},
        {"ticks", "0", "100000000", {"100000001", "-1", "1e3"}, "must be a number from 0 to 100000000"},
        {"speed", "30", "300", {"29", "301", "0x20"}, "must be a number from 30 to 300"},
        {"blank-time", "0", "65535", {"65536", "-1"}, "must be a number of seconds from 0 to 65535"},
        {"zoom", "1", "8", {"0", "9"}, "must be a number from 1 to 8"},
        {"window-id", "1", "0xFFFFFFFF", {"0", "0x", "0x100000000", "4294967296", "-1", "0xg1"},
         "must be a window ID, decimal or 0x hex"},
        {"out", "a", "b.png", {""}, "needs a file name"},
    };
    for (const Case& c : cases) {
        const std::string dashed = "--" + c.name;
        for (const std::string& v : {c.lo, c.hi}) EXPECT_EQ(Parse({dashed, v}).error, "") << v;
        EXPECT_EQ(Parse({dashed, c.lo, "-" + c.name, c.hi}).error, dashed + " given twice");
        for (const std::string& v : c.bad) EXPECT_EQ(Parse({dashed, v}).error, dashed + " " + c.why) << v;
        EXPECT_EQ(Parse({"-" + c.name}).error, dashed + " needs a value");
        EXPECT_EQ(Parse({dashed, c.lo}, OptionBit(Option::Help)).error, "unknown argument: " + dashed);
        EXPECT_EQ(Parse({dashed, c.lo, "-h", "--bogus"}).help, true);
        EXPECT_EQ(Parse({"--version", dashed, c.bad[0]}).version, true);
    }
    for (const char* junk : {"root", "--", "---root", "--root=1"})
        EXPECT_EQ(Parse({junk}).error, std::string("unknown argument: ") + junk);
    EXPECT_EQ(Parse({"--root", "-root"}).error, "--root given twice");
    EXPECT_EQ(Parse({"--root"}, All, OptionBit(Option::Client)).error, "missing --client");
    EXPECT_EQ(Parse({"--root", "-help"}, All, OptionBit(Option::Client)).help, true);
}
