#pragma once
// The committed sprite sheet and mask, built into the program: the installed saver is one
// file, and it draws exactly what the renderer reads from resources/.
#include <cstdint>
#include <span>

namespace virelo {

std::span<const std::uint8_t> SheetFile();
std::span<const std::uint8_t> MaskFile();

}  // namespace virelo
