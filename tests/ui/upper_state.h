// Whether the processor reports the upper halves of its 256-bit vector
// registers in use, for the tests of the code that clears them.
#pragma once

#include <optional>

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#endif

namespace zorva {

/// True or false as the processor reports them; nothing where it cannot tell.
inline std::optional<bool> UpperStateInUse() {
#if defined(__x86_64__) || defined(__i386__)
    unsigned a = 0;
    unsigned b = 0;
    unsigned c = 0;
    unsigned d = 0;
    // XGETBV must be enabled by the system, and answer for ECX = 1 (the
    // state components in use), which not every processor does.
    if (__get_cpuid(1, &a, &b, &c, &d) == 0 || (c & bit_OSXSAVE) == 0) {
        return std::nullopt;
    }
    if (__get_cpuid_count(0xd, 1, &a, &b, &c, &d) == 0 || (a & (1U << 2)) == 0) {
        return std::nullopt;
    }
    unsigned low = 0;
    unsigned high = 0;
    __asm__ volatile("xgetbv" : "=a"(low), "=d"(high) : "c"(1));
    return (low & (1U << 2)) != 0;
#else
    return std::nullopt;
#endif
}

}  // namespace zorva
