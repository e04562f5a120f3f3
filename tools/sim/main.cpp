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
    if (const auto code = EndsAtOnce(args, "virelo-sim", Required | OptionsOf(Option::Help, Option::Version),
                                     "Usage: virelo-sim --seed S --client WxH --ticks N\n"
                                     "Runs the parade without a screen and prints, line by line, the placement,\n"
                                     "every erase (fill) and masked transfer (draw) of each tick, the walker\n"
                                     "records (w) and the random state (rand).\n"))
        return *code;
    std::string text;
    WriteTrace(args.seed, {0, 0, args.client.width, args.client.height}, args.ticks, text,
               [](std::string& lines) {
                   std::fwrite(lines.data(), 1, lines.size(), stdout);
                   lines.clear();
               });
    std::fwrite(text.data(), 1, text.size(), stdout);
    return 0;
}
