// virelo-sim: runs the parade without a screen and prints every placement, erase, draw
// and record as a line-oriented trace, for comparison against other models of the parade.
#include <cstdio>
#include <string>

#include "cli/options.h"
#include "render/trace.h"

namespace {

using namespace virelo;

constexpr OptionSet Required = OptionsOf(Option::Seed, Option::Client, Option::Ticks);

}  // namespace

int main(int argc, char** argv) {
    const CommandLine args =
        ParseCommandLine(argc, argv, Required | OptionsOf(Option::Help, Option::Version), Required);
    if (args.version) {
        std::fputs(VersionLine, stdout);
        return 0;
    }
    if (args.help) {
        std::printf("Usage: virelo-sim --seed S --client WxH --ticks N\n"
                    "Runs the parade without a screen and prints, line by line, the placement, every\n"
                    "erase (fill) and masked transfer (draw) of each tick, the walker records (w)\n"
                    "and the random state (rand).\n%s",
                    OptionLines(Required | OptionsOf(Option::Help, Option::Version)).c_str());
        return 0;
    }
    if (!args.error.empty()) {
        std::fprintf(stderr, "virelo-sim: %s\n", args.error.c_str());
        return 2;
    }
    std::string text;
    WriteTrace(args.seed, {0, 0, args.client.width, args.client.height}, args.ticks, text,
               [](std::string& lines) {
                   std::fwrite(lines.data(), 1, lines.size(), stdout);
                   lines.clear();
               });
    std::fwrite(text.data(), 1, text.size(), stdout);
    return 0;
}
