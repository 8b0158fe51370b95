#include "ui/vector_state.h"

#include <gtest/gtest.h>

#include "tests/ui/upper_state.h"

namespace zorva {
namespace {

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

}  // namespace
}  // namespace zorva
