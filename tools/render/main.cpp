// virelo-render: runs the parade on a software framebuffer with the committed sprites and
// writes what the screen would show: the picture after the last tick as PNG, or the
// picture after every tick as a looping animated GIF when the output name ends in .gif.
//
//   virelo-render --seed S --client WxH --ticks N --out FILE [--speed 30..300]
//                 [--resources DIR]
//
// The speed sets the GIF's frame delay. The sprites are DIR/sheet.bmp and DIR/mask.bmp,
// by default the source tree's resources. Exit codes, each failure with one line on
// stderr: 2 for bad arguments (as virelo-sim), 1 when the sprites cannot be read or are
// malformed or the output cannot be written.
#include <png.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "parade/bitmap.h"
#include "parade/frame.h"
#include "tools/common/args.h"
#include "tools/common/soft_surface.h"
#include "tools/render/gif.h"

namespace {

using namespace virelo;

constexpr std::int32_t MaxRenderSide = 8192;
constexpr std::int64_t MaxGifFrames = 10000;

struct Options {
    RunArgs run;
    std::string resources = VIRELO_RESOURCE_DIR;
    bool gif = false;
};

// Takes --resources out before the shared parser sees the rest; names sit at odd
// positions, so a value that happens to read "--resources" is left alone.
Options Parse(int argc, char** argv) {
    Options o;
    std::vector<char*> rest{argv[0]};
    bool seen = false;
    for (int i = 1; i < argc; i += 2) {
        if (std::string_view(argv[i]) != "--resources") {
            rest.push_back(argv[i]);
            if (i + 1 < argc) rest.push_back(argv[i + 1]);
            continue;
        }
        if (seen || i + 1 >= argc || argv[i + 1][0] == '\0') {
            o.run.error = seen ? "--resources given twice" : "--resources needs a directory";
            return o;
        }
        seen = true;
        o.resources = argv[i + 1];
    }
    o.run = ParseRunArgs(static_cast<int>(rest.size()), rest.data(), true);
    if (!o.run.error.empty()) return o;
    if (o.run.client.width > MaxRenderSide || o.run.client.height > MaxRenderSide) {
        o.run.error = "--client is too large to render (at most 8192 on a side)";
        return o;
    }
    const std::string& out = o.run.out;
    o.gif = out.size() >= 4 && (out.compare(out.size() - 4, 4, ".gif") == 0 ||
                                out.compare(out.size() - 4, 4, ".GIF") == 0);
    if (o.gif && (o.run.ticks < 1 || o.run.ticks > MaxGifFrames))
        o.run.error = "--ticks must be from 1 to 10000 for a GIF";
    return o;
}

bool ReadFile(const std::string& path, std::vector<std::uint8_t>& bytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

bool WritePng(const std::string& path, const Image& picture) {
    std::vector<std::uint8_t> rgb;
    rgb.reserve(picture.pixels.size() * 3);
    for (Pixel p : picture.pixels) {
        rgb.push_back(static_cast<std::uint8_t>(p >> 16));
        rgb.push_back(static_cast<std::uint8_t>(p >> 8));
        rgb.push_back(static_cast<std::uint8_t>(p));
    }
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(picture.width);
    image.height = static_cast<png_uint_32>(picture.height);
    image.format = PNG_FORMAT_RGB;
    const int ok = png_image_write_to_file(&image, path.c_str(), 0, rgb.data(), 0, nullptr);
    png_image_free(&image);
    return ok != 0;
}

int Fail(const std::string& what, int code) {
    std::fprintf(stderr, "virelo-render: %s\n", what.c_str());
    return code;
}

}  // namespace

int main(int argc, char** argv) {
    if (AsksForHelp(argc, argv)) {
        std::fputs("Usage: virelo-render --seed S --client WxH --ticks N --out FILE\n"
                   "                     [--speed 30..300] [--resources DIR]\n"
                   "Draws the parade in software and writes the picture after the last tick as\n"
                   "PNG, or every tick as a looping GIF when FILE ends in .gif (the speed sets its\n"
                   "frame delay). The sprites are DIR/sheet.bmp and DIR/mask.bmp, by default the\n"
                   "source tree's resources. W and H are 1 to 8192.\n",
                   stdout);
        return 0;
    }
    const Options o = Parse(argc, argv);
    if (!o.run.error.empty()) return Fail(o.run.error, 2);

    std::vector<std::uint8_t> sheetBytes, maskBytes;
    const std::string sheetPath = o.resources + "/sheet.bmp", maskPath = o.resources + "/mask.bmp";
    if (!ReadFile(sheetPath, sheetBytes)) return Fail("cannot read " + sheetPath, 1);
    if (!ReadFile(maskPath, maskBytes)) return Fail("cannot read " + maskPath, 1);
    const auto sheet = ReadBitmapFile(sheetBytes.data(), sheetBytes.size());
    if (!sheet) return Fail(sheetPath + " is not a bitmap this tool reads", 1);
    const auto mask = ReadBitmapFile(maskBytes.data(), maskBytes.size());
    if (!mask || mask->header.bitCount != 1) return Fail(maskPath + " is not a 1-bit bitmap", 1);

    const Rect client{0, 0, o.run.client.width, o.run.client.height};
    SoftSurface surface(client.right, client.bottom);
    surface.LoadSheet(*sheet);
    surface.LoadMask(*mask);

    Parade parade;
    parade.random.state = o.run.seed;
    PlaceWalkers(parade.walkers, parade.random, client);

    if (!o.gif) {
        for (std::int64_t k = 0; k < o.run.ticks; ++k) FrameStep(parade, surface, client);
        if (!WritePng(o.run.out, surface.Picture())) return Fail("cannot write " + o.run.out, 1);
        return 0;
    }

    // Averaged pictures hold colours the sheet does not.
    const bool scaled = UsesLogicalScreen(client);
    const GifPalette palette =
        scaled || sheet->colours == 0 ? CubeGifPalette() : SheetGifPalette(*sheet);
    GifWriter gif(o.run.out, client.right, client.bottom, palette, GifDelay(o.run.speed));
    for (std::int64_t k = 0; k < o.run.ticks; ++k) {
        FrameStep(parade, surface, client);
        if (!gif.Add(surface.Picture())) break;
    }
    if (!gif.Close()) return Fail("cannot write " + o.run.out + ": " + gif.error(), 1);
    return 0;
}
