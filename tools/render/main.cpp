// virelo-render: runs the parade on a software framebuffer with the committed sprites and
// writes what the screen would show: the picture after the last tick as PNG, or the
// picture after every tick as a looping animated GIF when the output name ends in .gif.
//
//   virelo-render --seed S --client WxH --ticks N --out FILE [--speed 30..300]
//                 [--zoom N] [--resources DIR]
//
// The speed sets the GIF's frame delay. --zoom N writes what a screen of N * 96 dpi shows
// on a client of W x H drawing units, (W * N) x (H * N) device pixels: each unit an N x N
// block, or under the logical screen the 640 x 480 stage averaged onto all the device
// pixels. The sprites are DIR/sheet.bmp and DIR/mask.bmp, by default the source tree's
// resources. The output is written whole or not at all: what FILE was stays until the new
// picture is complete. Exit codes, each failure with one line on stderr: 2 for bad
// arguments (as virelo-sim), 1 when the sprites cannot be read or are malformed or the
// output cannot be written ("cannot write FILE: why").
#include <png.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "cli/options.h"
#include "cli/output.h"
#include "parade/bitmap.h"
#include "parade/session.h"
#include "render/soft_surface.h"
#include "tools/render/gif.h"

namespace {

using namespace virelo;

constexpr std::int32_t MaxRenderSide = 8192;
constexpr std::int64_t MaxGifFrames = 10000;

constexpr OptionSet Accepted =
    OptionsOf(Option::Seed, Option::Client, Option::Ticks, Option::Out, Option::Speed, Option::Zoom,
              Option::Resources, Option::Help, Option::Version);
constexpr OptionSet Required = OptionsOf(Option::Seed, Option::Client, Option::Ticks, Option::Out);

struct Options {
    CommandLine run;
    std::string resources = VIRELO_RESOURCE_DIR;
    std::int32_t zoom = 1;
    bool gif = false;
};

Options Parse(int argc, char** argv) {
    Options o;
    o.run = ParseCommandLine(argc, argv, Accepted, Required);
    if (!o.run.error.empty() || o.run.help || o.run.version) return o;
    if (o.run.Has(Option::Resources)) o.resources = o.run.resources;
    if (o.run.zoom > 0) o.zoom = o.run.zoom;
    if (std::int64_t{o.run.client.width} * o.zoom > MaxRenderSide ||
        std::int64_t{o.run.client.height} * o.zoom > MaxRenderSide) {
        o.run.error = "--client is too large to render (at most 8192 on a side, zoomed)";
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

// The picture encoded in memory, then written: libpng's own writer to a file removes the
// file when it fails, whatever it was.
std::string WritePng(const std::string& path, const Image& picture) {
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
    png_alloc_size_t size = 0;
    std::vector<std::uint8_t> png;
    bool ok = png_image_write_get_memory_size(image, size, 0, rgb.data(), 0, nullptr) != 0;
    if (ok) {
        png.resize(size);
        ok = png_image_write_to_memory(&image, png.data(), &size, 0, rgb.data(), 0, nullptr) != 0;
    }
    const std::string why = ok ? "" : "cannot write " + path + ": " + image.message;
    png_image_free(&image);
    if (!ok) return why;
    OutputFile file(path);
    return file.Write(png.data(), size) && file.Commit() ? "" : file.error();
}

int Fail(const std::string& what, int code) {
    std::fprintf(stderr, "virelo-render: %s\n", what.c_str());
    return code;
}

}  // namespace

int main(int argc, char** argv) {
    GuardOutput();
    const Options o = Parse(argc, argv);
    if (const auto code = EndsAtOnce(o.run, "virelo-render", Accepted,
            "Usage: virelo-render --seed S --client WxH --ticks N --out FILE\n"
            "                     [--speed N] [--zoom N] [--resources DIR]\n"
            "Draws the parade in software and writes the picture after the last tick as\n"
            "PNG, or every tick as a looping GIF when FILE ends in .gif (the speed sets its\n"
            "frame delay). W x H is the stage, at most 8192 on a side times the zoom.\n"))
        return *code;

    std::vector<std::uint8_t> sheetBytes, maskBytes;
    const std::string sheetPath = o.resources + "/sheet.bmp", maskPath = o.resources + "/mask.bmp";
    if (!ReadFile(sheetPath, sheetBytes)) return Fail("cannot read " + sheetPath, 1);
    if (!ReadFile(maskPath, maskBytes)) return Fail("cannot read " + maskPath, 1);
    const auto sheet = ReadBitmapFile(sheetBytes.data(), sheetBytes.size());
    if (!sheet) return Fail(sheetPath + " is not a bitmap this tool reads", 1);
    const auto mask = ReadBitmapFile(maskBytes.data(), maskBytes.size());
    if (!mask || mask->header.bitCount != 1) return Fail(maskPath + " is not a 1-bit bitmap", 1);

    // The screen's client in device pixels: under the logical screen the zoom plays no part
    // and the stage is averaged onto all of them, as every front end does.
    const Rect client{0, 0, o.run.client.width * o.zoom, o.run.client.height * o.zoom};
    SoftSurface surface(client.right, client.bottom);
    surface.LoadSheet(*sheet);
    surface.LoadMask(*mask);

    Parade parade;
    parade.random.state = o.run.seed;
    StartSession(parade, client, o.zoom * BaseDpi);
    const auto picture = [&]() -> const Image& { return surface.Picture(); };

    if (!o.gif) {
        for (std::int64_t k = 0; k < o.run.ticks; ++k) FrameStep(parade, surface, parade.stage);
        if (const std::string why = WritePng(o.run.out, picture()); !why.empty()) return Fail(why, 1);
        return 0;
    }

    // Averaged pictures hold colours the sheet does not.
    const GifPalette palette =
        parade.stage.logical || sheet->colours == 0 ? CubeGifPalette() : SheetGifPalette(*sheet);
    GifWriter gif(o.run.out, client.right, client.bottom, palette,
                  GifDelay(o.run.speed));
    for (std::int64_t k = 0; k < o.run.ticks; ++k) {
        FrameStep(parade, surface, parade.stage);
        if (!gif.Add(picture())) break;
    }
    if (!gif.Close()) return Fail(gif.error(), 1);
    return 0;
}
