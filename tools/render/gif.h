#pragma once
// A looping animated GIF written frame by frame, whole or not at all (an OutputFile). Each
// frame after the first stores only the rectangle that changed and leaves the rest of the
// previous frame in place.
#include <array>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "cli/output.h"
#include "render/soft_surface.h"

struct GifFileType;

namespace virelo {

// 256 colours; pictures are mapped to the nearest entry.
struct GifPalette {
    std::array<Pixel, 256> colours{};
};

// The sheet's own colours (the rest black), for pictures made of nothing else.
GifPalette SheetGifPalette(const PackedBitmap& sheet);
// 6 x 7 x 6 levels of red, green and blue, for averaged pictures.
GifPalette CubeGifPalette();

// Hundredths of a second per frame at `speed` frames per 10 s, rounded to nearest.
int GifDelay(std::int64_t speed);

class GifWriter {
public:
    GifWriter(const std::string& path, std::int32_t width, std::int32_t height,
              const GifPalette& palette, int delay);
    ~GifWriter();
    GifWriter(const GifWriter&) = delete;
    GifWriter& operator=(const GifWriter&) = delete;

    // False once anything failed; `error` then says what, "cannot write PATH: why".
    bool Add(const Image& picture);
    // The file complete under its name.
    bool Close();
    const std::string& error() const { return error_; }

private:
    std::uint8_t Nearest(Pixel p);
    bool Fail(const char* what);
    static int Put(GifFileType* gif, const std::uint8_t* bytes, int size);

    std::string path_;
    OutputFile file_;
    GifFileType* gif_ = nullptr;
    std::int32_t width_, height_;
    GifPalette palette_;
    int delay_;
    std::unordered_map<Pixel, std::uint8_t> nearest_;
    std::vector<std::uint8_t> previous_, current_;
    bool first_ = true;
    std::string error_;
};

}  // namespace virelo
