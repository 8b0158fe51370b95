#include "ui/vector_state.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

namespace zorva {

// Qt's raster engine (its text and its image copies, for two) may return with
// the upper halves of the 256-bit registers marked in use. Until they are
// cleared, some processors run code built for the baseline instruction set,
// which is all of the window's own drawing, markedly more slowly. The window
// calls this where control comes back from Qt's painting into its own.
#if defined(__x86_64__) || defined(__i386__)
namespace {

// Built for AVX alone, so that the rest of the program keeps running on any
// x86 processor; called only where the processor (and the system) has AVX.
__attribute__((target("avx"))) void ZeroUpper() {
    _mm256_zeroupper();
}

}  // namespace

void ClearUpperVectorState() {
    static const bool hasAvx = (__builtin_cpu_init(), __builtin_cpu_supports("avx") != 0);
    if (hasAvx) {
        ZeroUpper();
    }
}
#else
void ClearUpperVectorState() {}
#endif

}  // namespace zorva
