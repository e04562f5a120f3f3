#include "render/sprites.h"

// The files go in byte for byte with the assembler's .incbin; the build names them in
// VIRELO_SHEET_BMP and VIRELO_MASK_BMP and recompiles this file when they change.
#if defined(__wasm__)
// A WebAssembly object keeps data only in sections of its own, and each symbol needs a type
// and a size; the end marker is an empty object right after the bytes, in the same section.
#define VIRELO_BLOB(name, path)                                                     \
    ".section .rodata." #name ",\"\",@\n.p2align 2\n"                               \
    ".globl " #name "\n.hidden " #name "\n.type " #name ",@object\n" #name ":\n"    \
    ".incbin \"" path "\"\n.size " #name ", . - " #name "\n"                        \
    ".globl " #name "_end\n.hidden " #name "_end\n.type " #name "_end,@object\n"    \
    #name "_end:\n.size " #name "_end, 0\n"

asm(VIRELO_BLOB(virelo_sheet_bmp, VIRELO_SHEET_BMP) VIRELO_BLOB(virelo_mask_bmp, VIRELO_MASK_BMP));
#else
#define VIRELO_BLOB(name, path)                                \
    ".globl " #name "\n.hidden " #name "\n" #name ":\n"        \
    ".incbin \"" path "\"\n"                                   \
    ".globl " #name "_end\n.hidden " #name "_end\n" #name "_end:\n"

asm(".pushsection .rodata\n.balign 4\n"
    VIRELO_BLOB(virelo_sheet_bmp, VIRELO_SHEET_BMP)
    ".balign 4\n"
    VIRELO_BLOB(virelo_mask_bmp, VIRELO_MASK_BMP)
    ".popsection\n");
#endif

extern "C" const std::uint8_t virelo_sheet_bmp[], virelo_sheet_bmp_end[];
extern "C" const std::uint8_t virelo_mask_bmp[], virelo_mask_bmp_end[];

namespace virelo {

std::span<const std::uint8_t> SheetFile() { return {virelo_sheet_bmp, virelo_sheet_bmp_end}; }
std::span<const std::uint8_t> MaskFile() { return {virelo_mask_bmp, virelo_mask_bmp_end}; }

}  // namespace virelo
