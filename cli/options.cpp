#include "cli/options.h"

#include <charconv>
#include <cstdio>

#include "cli/output.h"
#include "parade/random.h"
#include "parade/settings.h"

#ifndef VIRELO_VERSION
#error "the build gives VIRELO_VERSION"
#endif

namespace virelo {

const char* const VersionLine = "virelo " VIRELO_VERSION "\n";

namespace {

enum class Value : std::uint8_t { None, Number, Client, Text, WindowId };

struct Entry {
    std::string_view name;
    Value value;
    std::string_view placeholder;
    std::int64_t lo, hi;       // for Value::Number
    std::string_view unit;     // of a number, for the message: "a number of seconds"
    std::string_view help;     // the range of a number goes between these two
    std::string_view tail;
};

// In Option's order.
constexpr Entry Table[] = {
    {"seed", Value::Number, "S", 1, RandomMax, "", "random state before placement,", ""},
    {"client", Value::Client, "WxH", 1, MaxClientSide, "", "the stage in drawing units", ""},
    {"ticks", Value::Number, "N", 0, MaxTicks, "", "run N ticks,", ""},
    {"out", Value::Text, "FILE", 0, 0, "a file name", "write the picture (PNG, or a GIF of every tick)", ""},
    {"speed", Value::Number, "N", MinSpeed, MaxSpeed, "", "frames per 10 seconds,", " (default 100)"},
    {"blank-time", Value::Number, "S", 0, MaxBlankTime, " of seconds",
     "seconds of parade before the screen turns black,", ", 0 = never (default)"},
    {"zoom", Value::Number, "N", 1, MaxZoom, "", "device pixels per art pixel,",
     " (default: dpi / 96)"},
    {"resources", Value::Text, "DIR", 0, 0, "a directory", "read sheet.bmp and mask.bmp from DIR", ""},
    {"root", Value::None, "", 0, 0, "", "draw on the window in $XSCREENSAVER_WINDOW, else the root", ""},
    {"window-id", Value::WindowId, "ID", 0, 0, "", "draw on the window ID (decimal, or hex with 0x)", ""},
    {"help", Value::None, "", 0, 0, "", "print this text", ""},
    {"version", Value::None, "", 0, 0, "", "print the version", ""},
};
static_assert(std::size(Table) == static_cast<std::size_t>(Option::Count));

std::string Dashed(std::string_view name) { return "--" + std::string(name); }

// The message for a value that does not fit, or an empty one for a value that does.
std::string Take(const Entry& e, Option o, std::string_view value, CommandLine& c) {
    switch (e.value) {
    case Value::Number: {
        const auto v = ParseDecimal(value, e.lo, e.hi);
        if (!v) {
            return Dashed(e.name) + " must be a number" + std::string(e.unit) + " from " +
                   std::to_string(e.lo) + " to " + std::to_string(e.hi);
        }
        switch (o) {
        case Option::Seed: c.seed = static_cast<std::int32_t>(*v); break;
        case Option::Ticks: c.ticks = *v; break;
        case Option::Speed: c.speed = static_cast<std::uint16_t>(*v); break;
        case Option::BlankTime: c.blankTime = static_cast<std::int32_t>(*v); break;
        case Option::Zoom: c.zoom = static_cast<std::int32_t>(*v); break;
        default: break;
        }
        return {};
    }
    case Value::Client:
        if (auto size = ParseClient(value)) {
            c.client = *size;
            return {};
        }
        return "--client must be WxH with both sides from 1 to " + std::to_string(MaxClientSide);
    case Value::Text:
        if (value.empty()) return Dashed(e.name) + " needs " + std::string(e.unit);
        (o == Option::Out ? c.out : c.resources) = value;
        return {};
    case Value::WindowId:
        if (auto id = ParseWindowId(value)) {
            c.windowId = *id;
            return {};
        }
        return "--window-id must be a window ID, decimal or 0x hex";
    case Value::None:
        break;
    }
    return {};
}

}  // namespace

std::optional<std::int64_t> ParseDecimal(std::string_view text, std::int64_t lo, std::int64_t hi) {
    if (text.empty() || text.size() > 18) return std::nullopt;
    for (char ch : text)
        if (ch < '0' || ch > '9') return std::nullopt;
    std::int64_t v = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (ec != std::errc() || end != text.data() + text.size() || v < lo || v > hi)
        return std::nullopt;
    return v;
}

std::optional<ClientSize> ParseClient(std::string_view text) {
    const auto x = text.find_first_of("xX");
    if (x == std::string_view::npos) return std::nullopt;
    auto w = ParseDecimal(text.substr(0, x), 1, MaxClientSide);
    auto h = ParseDecimal(text.substr(x + 1), 1, MaxClientSide);
    if (!w || !h) return std::nullopt;
    return ClientSize{static_cast<std::int32_t>(*w), static_cast<std::int32_t>(*h)};
}

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

CommandLine ParseCommandLine(int argc, char** argv, OptionSet accepted, OptionSet required) {
    CommandLine c;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        std::string_view name;
        if (arg.starts_with("--")) name = arg.substr(2);
        else if (arg.starts_with("-")) name = arg.substr(1);
        if (name == "h") name = "help";
        int k = 0;
        while (k < static_cast<int>(Option::Count) && name != Table[k].name) ++k;
        const auto o = static_cast<Option>(k);
        if (name.empty() || k == static_cast<int>(Option::Count) || !(accepted & OptionBit(o))) {
            c.error = "unknown argument: " + std::string(arg);
            return c;
        }
        if (o == Option::Help || o == Option::Version) {
            (o == Option::Help ? c.help : c.version) = true;
            return c;
        }
        const Entry& e = Table[k];
        if (c.Has(o)) {
            c.error = Dashed(e.name) + " given twice";
            return c;
        }
        c.given |= OptionBit(o);
        if (e.value == Value::None) continue;
        if (i + 1 >= argc) {
            c.error = Dashed(e.name) + " needs a value";
            return c;
        }
        c.error = Take(e, o, argv[++i], c);
        if (!c.error.empty()) return c;
    }
    for (int k = 0; k < static_cast<int>(Option::Count); ++k) {
        if ((required & OptionBit(static_cast<Option>(k))) && !c.Has(static_cast<Option>(k))) {
            c.error = "missing " + Dashed(Table[k].name);
            return c;
        }
    }
    return c;
}

std::optional<int> EndsAtOnce(const CommandLine& c, const char* program, OptionSet accepted,
                              const char* usageHead, const char* usageTail) {
    if (c.help) {
        std::printf("%s%s%s", usageHead, OptionLines(accepted).c_str(), usageTail);
        return FinishOutput(program, 0);
    }
    if (c.version) {
        std::fputs(VersionLine, stdout);
        return FinishOutput(program, 0);
    }
    if (!c.error.empty()) {
        std::fprintf(stderr, "%s: %s\n", program, c.error.c_str());
        return 2;
    }
    return std::nullopt;
}

std::string OptionLines(OptionSet accepted) {
    std::string lines;
    for (int k = 0; k < static_cast<int>(Option::Count); ++k) {
        if (!(accepted & OptionBit(static_cast<Option>(k)))) continue;
        const Entry& e = Table[k];
        std::string line = "  " + Dashed(e.name);
        if (!e.placeholder.empty()) line += " " + std::string(e.placeholder);
        line.resize(line.size() < 18 ? 18 : line.size() + 1, ' ');
        line += e.help;
        if (e.value == Value::Number)
            line += " " + std::to_string(e.lo) + " to " + std::to_string(e.hi);
        lines += line + std::string(e.tail) + '\n';
    }
    return lines;
}

}  // namespace virelo
