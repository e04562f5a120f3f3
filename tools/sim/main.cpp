// virelo-sim: runs the parade without a screen and prints every placement, erase, draw
// and record as a line-oriented trace, for comparison against other models of the parade.
// Exit codes: 2 for bad arguments, 1 when the trace cannot be written (one line on stderr;
// a reader that goes away early, as head does, ends it quietly by SIGPIPE).
#include <cstdio>
#include <cstdlib>
#include <string>

#include "cli/options.h"
#include "cli/output.h"
#include "render/trace.h"

namespace {

using namespace virelo;

constexpr const char* Program = "virelo-sim";
constexpr OptionSet Required = OptionsOf(Option::Seed, Option::Client, Option::Ticks);

}  // namespace

int main(int argc, char** argv) {
    GuardOutput();
    const CommandLine args =
        ParseCommandLine(argc, argv, Required | OptionsOf(Option::Help, Option::Version), Required);
    if (const auto code = EndsAtOnce(args, Program, Required | OptionsOf(Option::Help, Option::Version),
                                     "Usage: virelo-sim --seed S --client WxH --ticks N\n"
                                     "Runs the parade without a screen and prints, line by line, the placement,\n"
                                     "every erase (fill) and masked transfer (draw) of each tick, the walker\n"
                                     "records (w) and the random state (rand).\n"))
        return *code;
    std::string text;
    // A trace that cannot be written is not run to its end.
    WriteTrace(args.seed, {0, 0, args.client.width, args.client.height}, args.ticks, text,
               [](std::string& lines) {
                   if (!WriteOut(lines)) std::exit(FinishOutput(Program, 1));
                   lines.clear();
               });
    WriteOut(text);
    return FinishOutput(Program, 0);
}
