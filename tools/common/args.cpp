#include "tools/common/args.h"

#include <charconv>

namespace virelo {

std::optional<std::int64_t> ParseDecimal(std::string_view text, std::int64_t lo, std::int64_t hi) {
    if (text.empty() || text.size() > 18) return std::nullopt;
    for (char c : text)
        if (c < '0' || c > '9') return std::nullopt;
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

}  // namespace virelo

namespace virelo {

RunArgs ParseRunArgs(int argc, char** argv, bool acceptOutAndSpeed) {
    RunArgs a;
    bool seen[5] = {};
    const std::string_view names[5] = {"--seed", "--client", "--ticks", "--out", "--speed"};
    const int known = acceptOutAndSpeed ? 5 : 3;
    for (int i = 1; i < argc; i += 2) {
        std::string_view name = argv[i];
        int k = 0;
        while (k < known && name != names[k]) ++k;
        if (k == known) {
            a.error = "unknown argument: " + std::string(name);
            return a;
        }
        if (seen[k]) {
            a.error = std::string(name) + " given twice";
            return a;
        }
        seen[k] = true;
        if (i + 1 >= argc) {
            a.error = std::string(name) + " needs a value";
            return a;
        }
        std::string_view value = argv[i + 1];
        switch (k) {
        case 0:
            if (auto v = ParseDecimal(value, 1, 2147483646)) a.seed = static_cast<std::int32_t>(*v);
            else a.error = "--seed must be a number from 1 to 2147483646";
            break;
        case 1:
            if (auto c = ParseClient(value)) a.client = *c;
            else a.error = "--client must be WxH with both sides from 1 to 1000000";
            break;
        case 2:
            if (auto v = ParseDecimal(value, 0, MaxTicks)) a.ticks = *v;
            else a.error = "--ticks must be a number from 0 to 100000000";
            break;
        case 3:
            if (value.empty()) a.error = "--out needs a file name";
            else a.out = value;
            break;
        case 4:
            if (auto v = ParseDecimal(value, 30, 300)) a.speed = *v;
            else a.error = "--speed must be a number from 30 to 300";
            break;
        }
        if (!a.error.empty()) return a;
    }
    for (int k = 0; k < (acceptOutAndSpeed ? 4 : 3); ++k) {
        if (!seen[k]) {
            a.error = "missing " + std::string(names[k]);
            return a;
        }
    }
    return a;
}

bool AsksForHelp(int argc, char** argv) {
    for (int i = 1; i < argc; i += 2) {
        const std::string_view name = argv[i];
        if (name == "--help" || name == "-h") return true;
    }
    return false;
}

}  // namespace virelo
