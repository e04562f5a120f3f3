// The memory functions GCC may call on its own (structure copies, zeroed arrays) in a
// module that links no C runtime. Byte loops: the copies here are a few hundred bytes at
// the most, and small beats fast.
//
// The optimiser recognises exactly these loops and would turn them back into calls to the
// functions they define; the attribute keeps the loops as loops.
#include <cstddef>

#define VIRELO_NO_PATTERNS __attribute__((optimize("no-tree-loop-distribute-patterns")))

extern "C" {

VIRELO_NO_PATTERNS void* memset(void* dest, int value, std::size_t count) {
    auto* d = static_cast<unsigned char*>(dest);
    while (count--) *d++ = static_cast<unsigned char>(value);
    return dest;
}

VIRELO_NO_PATTERNS void* memcpy(void* dest, const void* src, std::size_t count) {
    auto* d = static_cast<unsigned char*>(dest);
    const auto* s = static_cast<const unsigned char*>(src);
    while (count--) *d++ = *s++;
    return dest;
}

VIRELO_NO_PATTERNS void* memmove(void* dest, const void* src, std::size_t count) {
    auto* d = static_cast<unsigned char*>(dest);
    const auto* s = static_cast<const unsigned char*>(src);
    if (d <= s || d >= s + count) {
        while (count--) *d++ = *s++;
    } else {  // overlapping with the source first: copy from the end
        d += count;
        s += count;
        while (count--) *--d = *--s;
    }
    return dest;
}

VIRELO_NO_PATTERNS int memcmp(const void* a, const void* b, std::size_t count) {
    const auto* p = static_cast<const unsigned char*>(a);
    const auto* q = static_cast<const unsigned char*>(b);
    for (; count; --count, ++p, ++q)
        if (*p != *q) return *p < *q ? -1 : 1;
    return 0;
}

// A call through an abstract class's own table: a fault, for the fault guard to report.
void __cxa_pure_virtual() { __builtin_trap(); }

}  // extern "C"
