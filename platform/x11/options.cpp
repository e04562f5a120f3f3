#include "platform/x11/options.h"

#include <charconv>

#include "parade/settings.h"
#include "tools/common/args.h"

namespace virelo {

const char* const SaverUsage =
    "Usage: virelo [--root | --window-id ID] [--speed N] [--blank-time S]\n"
    "              [--seed S] [--ticks N]\n"
    "The parade of walkers on X11, for XScreenSaver or in a window of its own.\n"
    "  --root          draw on the window in $XSCREENSAVER_WINDOW, else on the root window\n"
    "  --window-id ID  draw on the window ID (decimal, or hex with 0x)\n"
    "  --speed N       ticks per 10 seconds, 30 to 300 (default 100)\n"
    "  --blank-time S  seconds of parade before the screen turns black, 0 = never (default)\n"
    "  --seed S        random state before placement, 1 to 2147483646 (default: the clock)\n"
    "  --ticks N       stop after N ticks and leave the picture in place\n"
    "  --help          print this text\n"
    "Options may also start with a single dash. Without --root or --window-id it opens a\n"
    "1024 x 768 window of its own, which a key press, a click or closing it ends.\n";

std::optional<unsigned long> ParseWindowId(std::string_view text) {
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        text.remove_prefix(2);
        base = 16;
    }
    // from_chars would take a sign; digits only.
    if (text.empty() || text.size() > 10 || text[0] == '-' || text[0] == '+') return std::nullopt;
    std::uint64_t v = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v, base);
    if (ec != std::errc() || end != text.data() + text.size() || v == 0 || v > 0xFFFFFFFFu)
        return std::nullopt;
    return static_cast<unsigned long>(v);
}

SaverOptions ParseSaverOptions(int argc, char** argv) {
    SaverOptions o;
    enum { Root, WindowId, Speed, Blank, Seed, Ticks, Help, Count };
    constexpr std::string_view names[Count] = {"root", "window-id", "speed", "blank-time",
                                               "seed", "ticks", "help"};
    bool seen[Count] = {};
    for (int i = 1; i < argc; ++i) {
        std::string_view arg = argv[i];
        std::string_view name = arg;
        if (name.starts_with("--")) name.remove_prefix(2);
        else if (name.starts_with("-")) name.remove_prefix(1);
        else name = {};
        int k = 0;
        while (k < Count && name != names[k]) ++k;
        if (name.empty() || k == Count) {
            o.error = "unknown argument: " + std::string(arg);
            return o;
        }
        if (k == Help) {
            o.help = true;
            return o;
        }
        if (seen[k]) {
            o.error = "--" + std::string(names[k]) + " given twice";
            return o;
        }
        seen[k] = true;
        if (k == Root) {
            o.target = Target::Root;
            continue;
        }
        if (i + 1 >= argc) {
            o.error = "--" + std::string(names[k]) + " needs a value";
            return o;
        }
        const std::string_view value = argv[++i];
        switch (k) {
        case WindowId:
            if (auto id = ParseWindowId(value)) o.target = Target::WindowId, o.windowId = *id;
            else o.error = "--window-id must be a window ID, decimal or 0x hex";
            break;
        case Speed:
            if (auto v = ParseDecimal(value, MinSpeed, MaxSpeed)) o.speed = static_cast<std::uint16_t>(*v);
            else o.error = "--speed must be a number from 30 to 300";
            break;
        case Blank:
            if (auto v = ParseDecimal(value, 0, MaxBlankTime)) o.blankTime = static_cast<std::int32_t>(*v);
            else o.error = "--blank-time must be a number of seconds from 0 to 65535";
            break;
        case Seed:
            if (auto v = ParseDecimal(value, 1, 2147483646)) o.seed = static_cast<std::int32_t>(*v);
            else o.error = "--seed must be a number from 1 to 2147483646";
            break;
        case Ticks:
            if (auto v = ParseDecimal(value, 0, MaxTicks)) o.ticks = *v;
            else o.error = "--ticks must be a number from 0 to 100000000";
            break;
        }
        if (!o.error.empty()) return o;
    }
    if (seen[Root] && seen[WindowId]) o.error = "--root and --window-id exclude each other";
    return o;
}

}  // namespace virelo
