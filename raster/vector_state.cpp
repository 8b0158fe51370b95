#include "raster/vector_state.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

namespace zorva {

// Some of Qt's raster fills (a small QPainter::fillRect, for one) return with
// the upper halves of the 256-bit registers marked in use. Until they are
// cleared, some processors run code built for the baseline instruction set,
// which is all of the window's own drawing, markedly more slowly. The surface
// calls this where control comes back from Qt into its own drawing.
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
