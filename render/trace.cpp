#include "render/trace.h"

#include "parade/session.h"
#include "render/recording_surface.h"

namespace virelo {
namespace {

class Out {
public:
    Out(std::string& buf, void (*drain)(std::string&)) : buf_(buf), drain_(drain) {}
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
        if (drain_ && buf_.size() > (1u << 16)) drain_(buf_);
    }

private:
    std::string& buf_;
    void (*drain_)(std::string&);
};

void PrintWalkers(Out& out, const WalkerTable& walkers) {
    for (int i = 0; i < WalkerCount; ++i) {
        const Walker& w = walkers[i];
        out << "w" << i << w.x << w.y << w.dy << w.wait << w.sheetX << w.sheetY << w.width
            << w.height;
        out.End();
    }
}

}  // namespace

void WriteTrace(std::int32_t seed, const Rect& client, std::int64_t ticks, std::string& text,
                void (*drain)(std::string&)) {
    Parade parade;
    parade.random.state = seed;
    StartSession(parade, client, BaseDpi);

    Out out(text, drain);
    out << "place";
    out.End();
    PrintWalkers(out, parade.walkers);
    out << "rand" << parade.random.state;
    out.End();

    RecordingSurface surface;
    for (long long k = 1; k <= ticks; ++k) {
        surface.events.clear();
        SessionTick(parade, surface, client);
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
}

}  // namespace virelo
