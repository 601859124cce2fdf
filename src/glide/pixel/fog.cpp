// guFogGenerateExp2 and the w of each fog table entry.
#include "pixel/fog.h"

#include <cmath>

#include "pixel/depth_format.h"

namespace glide {

namespace {

// The table is looked up by exactly the W values WDepthFromOow gives: the
// centre of every value's range of 1/w maps back to the value.
constexpr bool CentresMapBack() {
    for (std::uint32_t d = 0; d < 65536; ++d) {
        const auto value = static_cast<std::uint16_t>(d);
        if (WDepthFromOow(static_cast<float>(OowAtWDepthCentre(value))) != value) return false;
    }
    return true;
}
static_assert(CentresMapBack());

}  // namespace

float FogTableW(int index) {
    const int octave = 3 + (index >> 2);
    return static_cast<float>(std::ldexp(1.0, octave) / static_cast<double>(8 - (index & 3)));
}

void BuildFogLut(const std::uint8_t table[GR_FOG_TABLE_SIZE], FogLut* lut) {
    lut->value88[0] = static_cast<std::uint16_t>(FogTableValue88(table, 1.0f));
    for (std::uint32_t d = 1; d < 65536; ++d) {
        const double oow = OowAtWDepthCentre(static_cast<std::uint16_t>(d));
        lut->value88[d] = static_cast<std::uint16_t>(FogTableValue88(table, static_cast<float>(1.0 / oow)));
    }
    lut->value88[0xFFFF] = static_cast<std::uint16_t>(table[GR_FOG_TABLE_SIZE - 1] << 8);
}

}  // namespace glide

// Exponential-squared fog: entry i = 255 (1 - e^-(d w_i)^2) / (1 - e^-(d w_63)^2),
// the ratio clamped to 0..1 before scaling and truncated. A density that gives
// no fog at all (0, negative, not a number) fills the table with 0 rather
// than dividing by zero.
void guFogGenerateExp2(GrFog_t table[GR_FOG_TABLE_SIZE], float density) {
    if (table == nullptr) return;
    const double d = static_cast<double>(density);
    const double wMax = glide::FogTableW(GR_FOG_TABLE_SIZE - 1);
    const double dm = d * wMax;
    const double denominator = 1.0 - std::exp(-(dm * dm));
    for (int i = 0; i < GR_FOG_TABLE_SIZE; ++i) {
        double f = 0.0;
        if (d > 0.0 && denominator > 0.0) {
            const double dw = d * glide::FogTableW(i);
            f = (1.0 - std::exp(-(dw * dw))) / denominator;
            f = f < 0.0 ? 0.0 : (f > 1.0 ? 1.0 : f);
        }
        table[i] = static_cast<GrFog_t>(255.0 * f);
    }
}
