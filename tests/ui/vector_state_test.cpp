#include "ui/vector_state.h"

#include <gtest/gtest.h>

#include <optional>

#include "ui/qt_surface.h"

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#endif

namespace zorva {
namespace {

// Whether the processor reports the upper halves of its 256-bit vector
// registers in use; nothing where it cannot tell.
std::optional<bool> UpperStateInUse() {
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

TEST(VectorState, ClearingLeavesTheUpperHalvesUnused) {
#if defined(__x86_64__) || defined(__i386__)
    if (!UpperStateInUse().has_value() || __builtin_cpu_supports("avx") == 0) {
        GTEST_SKIP() << "the processor cannot say, or has no 256-bit registers";
    }
    // A 256-bit instruction with no clearing after it, as a library may leave.
    // An addition, not a register cleared by itself: some processors take
    // that as an idiom and never mark the upper halves.
    __asm__ volatile("vaddps %%ymm0, %%ymm0, %%ymm1" ::: "xmm1");
    if (UpperStateInUse() != true) {
        GTEST_SKIP() << "this processor does not mark the upper halves in use after a "
                        "256-bit addition, so there is nothing to clear";
    }
    ClearUpperVectorState();
    EXPECT_EQ(UpperStateInUse(), false);
#else
    GTEST_SKIP() << "only x86 has them";
#endif
}

TEST(VectorState, AShapePaintedAfterTheRasterEnginesDotFindsThemClear) {
    QtSurface surface(64, 48, 15.0);
    surface.Scale(0, 0, 64, 48);
    surface.DrawWidth = 1;
    surface.PSet(10.5, 10.5, RGB(0, 255, 0));
    if (UpperStateInUse() != true) {
        GTEST_SKIP() << "the raster engine left nothing to clear here";
    }
    // A wide stroke is painted by the surface's own code from start to end.
    surface.DrawWidth = 9;
    surface.Line(5.0, 30.0, 50.0, 35.0, RGB(0, 0, 255));
    EXPECT_EQ(UpperStateInUse(), false);
}

}  // namespace
}  // namespace zorva
