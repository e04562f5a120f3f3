#include "render/sprites.h"

// The files go in byte for byte with the assembler's .incbin; the build names them in
// VIRELO_SHEET_BMP and VIRELO_MASK_BMP and recompiles this file when they change.
#define VIRELO_BLOB(name, path)                                \
    ".globl " #name "\n.hidden " #name "\n" #name ":\n"        \
    ".incbin \"" path "\"\n"                                   \
    ".globl " #name "_end\n.hidden " #name "_end\n" #name "_end:\n"

asm(".pushsection .rodata\n.balign 4\n"
    VIRELO_BLOB(virelo_sheet_bmp, VIRELO_SHEET_BMP)
    ".balign 4\n"
    VIRELO_BLOB(virelo_mask_bmp, VIRELO_MASK_BMP)
    ".popsection\n");

extern "C" const std::uint8_t virelo_sheet_bmp[], virelo_sheet_bmp_end[];
extern "C" const std::uint8_t virelo_mask_bmp[], virelo_mask_bmp_end[];

namespace virelo {

std::span<const std::uint8_t> SheetFile() { return {virelo_sheet_bmp, virelo_sheet_bmp_end}; }
std::span<const std::uint8_t> MaskFile() { return {virelo_mask_bmp, virelo_mask_bmp_end}; }

}  // namespace virelo
