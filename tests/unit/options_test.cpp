// The one option table every program reads, as ParseCommandLine applies it: each option's
// bounds, its junk, a repeat and a missing value, and what ends the reading.
#include "cli/options.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

using namespace virelo;

namespace {

CommandLine Parse(std::vector<std::string> words, OptionSet accepted = OptionBit(Option::Count) - 1,
                  OptionSet required = 0) {
    words.insert(words.begin(), "program");
    std::vector<char*> argv;
    for (std::string& w : words) argv.push_back(w.data());
    return ParseCommandLine(static_cast<int>(argv.size()), argv.data(), accepted, required);
}

}  // namespace

TEST(Options, EachValueTakesItsBoundsAndRefusesJunkRepeatsAndNothing) {
    struct Case { std::string name; std::vector<std::string> good, bad; std::string message; };
    const Case cases[] = {
        {"seed", {"1", "2147483646"}, {"0", "2147483647", "-1", "+5", " 5", "5x", "", "99999999999999999999"},
         "must be a number from 1 to 2147483646"},
        {"client", {"1x1", "1000000X1000000"}, {"0x5", "5x0", "1000001x1", "5", "x5", "5x", "5x5x5", "-5x5"},
         "must be WxH with both sides from 1 to 1000000"},
        {"ticks", {"0", "100000000"}, {"100000001", "-1", "1e3"}, "must be a number from 0 to 100000000"},
        {"speed", {"30", "300"}, {"29", "301", "0x20"}, "must be a number from 30 to 300"},
        {"blank-time", {"0", "65535"}, {"65536", "-1"}, "must be a number of seconds from 0 to 65535"},
        {"zoom", {"1", "8"}, {"0", "9"}, "must be a number from 1 to 8"},
        {"window-id", {"1", "0xFFFFFFFF", "4294967295"}, {"0", "0x", "0x100000000", "4294967296", "-1", "0xg1"},
         "must be a window ID, decimal or 0x hex"},
        {"out", {"a.png"}, {""}, "needs a file name"},
        {"resources", {"dir"}, {""}, "needs a directory"},
    };
    for (const Case& c : cases) {
        const std::string dashed = "--" + c.name;
        for (const std::string& v : c.good) {
            EXPECT_EQ(Parse({dashed, v}).error, "") << dashed << " " << v;
            EXPECT_EQ(Parse({dashed, v, "-" + c.name, v}).error, dashed + " given twice");
        }
        for (const std::string& v : c.bad) EXPECT_EQ(Parse({dashed, v}).error, dashed + " " + c.message) << v;
        EXPECT_EQ(Parse({"-" + c.name}).error, dashed + " needs a value");
        EXPECT_EQ(Parse({dashed, c.good[0]}, OptionBit(Option::Help)).error, "unknown argument: " + dashed);
    }
}

TEST(Options, ValuesLandInTheirFieldsAndHelpOrVersionEndTheReading) {
    const CommandLine c = Parse({"--seed", "2147483646", "-client", "3x4", "--ticks", "100000000", "--speed",
                                 "300", "--blank-time", "65535", "--zoom", "8", "--window-id", "0x1f", "--root",
                                 "--out", "o", "--resources", "r"});
    EXPECT_EQ(std::tuple(c.error, c.seed, c.client.width, c.client.height, c.ticks, c.speed, c.blankTime, c.zoom,
                         c.windowId, c.Has(Option::Root), c.out, c.resources),
              std::tuple("", 2147483646, 3, 4, 100000000, 300, 65535, 8, 0x1fUL, true, "o", "r"));
    for (const auto& [words, help, version, error] : {
             std::tuple<std::vector<std::string>, bool, bool, std::string>{{"--seed", "1", "-h", "--bogus"}, true, false, ""},
             {{"--version", "--seed", "0"}, false, true, ""},
             {{"--root", "-help"}, true, false, ""},  // before a required option is missed
             {{"--root"}, false, false, "missing --client"},
             {{"--root", "--root"}, false, false, "--root given twice"},
             {{"root"}, false, false, "unknown argument: root"},
             {{"--"}, false, false, "unknown argument: --"},
             {{"---seed", "1"}, false, false, "unknown argument: ---seed"}}) {
        const CommandLine r = Parse(words, OptionBit(Option::Count) - 1, OptionBit(Option::Client));
        EXPECT_EQ(std::tuple(r.help, r.version, r.error), std::tuple(help, version, error)) << words[0];
    }
}
