#include <arm_neon.h>

#include "bench/decke.h"

double decke_neon(bool mit_mul) {
    const auto eins = [](int v) { return vdupq_n_u32(static_cast<std::uint32_t>(v)); };
    if (mit_mul)
        return decke_messen_mit<uint32x4_t>(
            4, [](uint32x4_t x, uint32x4_t y, uint32x4_t g) { return vminq_u32(vmulq_u32(x, y), g); }, eins);
    return decke_messen_mit<uint32x4_t>(
        4, [](uint32x4_t x, uint32x4_t y, uint32x4_t g) { return vminq_u32(vaddq_u32(x, y), g); }, eins);
}
