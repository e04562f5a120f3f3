// virelo-sim: runs the parade without a screen and prints every placement, erase, draw
// and record as a line-oriented trace, for comparison against other models of the parade.
#include <cstdio>
#include <string>

#include "cli/options.h"
#include "parade/session.h"
#include "render/recording_surface.h"

namespace {

using namespace virelo;

class Out {
public:
    ~Out() { Flush(); }
    Out& operator<<(const char* s) {
        buf_ += s;
        return *this;
    }
    Out& operator<<(long long v) {
        buf_ += ' ';
        buf_ += std::to_string(v);
        return *this;
    }
    void End() {
        buf_ += '\n';
        if (buf_.size() > (1u << 16)) Flush();
    }
    void Flush() {
        std::fwrite(buf_.data(), 1, buf_.size(), stdout);
        buf_.clear();
    }

private:
    std::string buf_;
};

void PrintWalkers(Out& out, const WalkerTable& walkers) {
    for (int i = 0; i < WalkerCount; ++i) {
        const Walker& w = walkers[i];
        out << "w" << i << w.x << w.y << w.dy << w.wait << w.sheetX << w.sheetY << w.width
            << w.height;
        out.End();
    }
}

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
    Parade parade;
    parade.random.state = args.seed;
    StartSession(parade, {0, 0, args.client.width, args.client.height}, BaseDpi);

    Out out;
    out << "place";
    out.End();
    PrintWalkers(out, parade.walkers);
    out << "rand" << parade.random.state;
    out.End();

    RecordingSurface surface;
    for (long long k = 1; k <= args.ticks; ++k) {
        surface.events.clear();
        FrameStep(parade, surface, parade.stage);
        out << "tick" << k;
        out.End();
        for (const DrawEvent& e : surface.events) {
            if (e.kind == DrawEvent::Fill) {
                out << "fill" << e.walker << e.fill.left << e.fill.top << e.fill.right
                    << e.fill.bottom;
            } else {
                const CellTransfer& t = e.transfer;
                out << "draw" << e.walker << t.x << t.y << t.cx << t.cy << t.srcX << t.srcY;
            }
            out.End();
        }
        PrintWalkers(out, parade.walkers);
        out << "rand" << parade.random.state;
        out.End();
    }
    return 0;
}
