// Each lane form of a pixel-stage formula (pixel/vector_stages-inl.h)
// against its one scalar definition, for every instruction set the device is
// compiled for, over every input or every float exponent with a dense sweep
// of mantissas: a mismatch names the stage and the instruction set, not a
// count of differing pixels.
#include "pixel/vector_targets.h"  // first: the device's targets

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "glide/vector_stages_test.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep
#include <hwy/highway.h>
#include <hwy/tests/hwy_gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include "pixel/colour_math.h"
#include "pixel/depth_format.h"
#include "pixel/dither.h"
#include "pixel/fog.h"
#include "pixel/scalar_stages.h"
#include "pixel/texture_sampler.h"
#include "pixel/vector_stages-inl.h"

HWY_BEFORE_NAMESPACE();
namespace glide {
namespace HWY_NAMESPACE {

#if GLIDE_VECTOR_TARGET

// Floats of every exponent and both signs, with mantissas every 2^11 apart
// and the largest one: zeros, subnormals, infinities and NaN among them.
std::vector<float> FloatSweep() {
    std::vector<float> values;
    for (std::uint32_t bits = 0; bits < 512; ++bits) {  // sign and exponent
        for (std::uint32_t mantissa = 0; mantissa < (1u << 23); mantissa += 1u << 11) {
            values.push_back(std::bit_cast<float>(bits << 23 | mantissa));
        }
        values.push_back(std::bit_cast<float>(bits << 23 | 0x7FFFFFu));
    }
    return values;
}

// Runs `lanes` over `inputs` a vector at a time (the last one filled up with
// the first input) and expects every lane to equal `scalar` of its input.
template <class In, class Lanes, class Scalar>
void ExpectLanesEqual(const char* stage, const std::vector<In>& inputs, Lanes lanes, Scalar scalar) {
    const DI di;
    const std::size_t n = hn::Lanes(di);
    HWY_ALIGN In in[kMaxLanes];
    HWY_ALIGN std::int32_t out[kMaxLanes];
    for (std::size_t first = 0; first < inputs.size(); first += n) {
        for (std::size_t i = 0; i < n; ++i) in[i] = inputs[first + i < inputs.size() ? first + i : 0];
        hn::Store(lanes(in), di, out);
        for (std::size_t i = 0; i < n && first + i < inputs.size(); ++i) {
            const std::int64_t expected = scalar(in[i]);
            if (out[i] != expected) {
                ADD_FAILURE() << stage << " of " << in[i] << ": lane " << out[i] << ", scalar " << expected;
                return;
            }
        }
    }
}

HWY_NOINLINE void Div255AndMul255MatchTheScalarFormulas() {
    std::vector<std::int32_t> sums;
    for (std::int32_t x = 0; x <= 2 * 255 * 255; ++x) sums.push_back(x);
    ExpectLanesEqual("Div255", sums, [](const std::int32_t* x) { return Div255(hn::Load(DI(), x)); },
                     [](std::int32_t x) { return glide::Div255(x); });
    std::vector<std::int32_t> pairs;
    for (std::int32_t a = 0; a < 256; ++a) {
        for (std::int32_t b = 0; b < 256; ++b) pairs.push_back(a << 8 | b);
    }
    ExpectLanesEqual(
        "Mul255", pairs,
        [](const std::int32_t* p) {
            const VI v = hn::Load(DI(), p);
            return Mul255(hn::ShiftRight<8>(v), hn::And(v, Int(255)));
        },
        [](std::int32_t p) { return glide::Mul255(p >> 8, p & 255); });
}

HWY_NOINLINE void Clamp255MatchesTheScalarFormula() {
    std::vector<std::int32_t> values{std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()};
    for (std::int32_t whole = -300; whole <= 300; ++whole) {
        for (std::int32_t fraction : {0, 1, 2048, 4095}) values.push_back(whole * 4096 + fraction);
    }
    ExpectLanesEqual("Clamp255", values, [](const std::int32_t* v) { return Clamp255(hn::Load(DI(), v)); },
                     [](std::int32_t v) { return glide::Clamp255(v); });
}

HWY_NOINLINE void DepthValuesMatchTheScalarFormulas() {
    const std::vector<float> floats = FloatSweep();
    ExpectLanesEqual("WDepth", floats, [](const float* v) { return WDepth(hn::Load(DF(), v)); },
                     [](float v) { return glide::WDepthFromOow(v); });
    ExpectLanesEqual("ZDepth", floats, [](const float* v) { return ZDepth(hn::Load(DF(), v)); },
                     [](float v) { return glide::ZDepthFromOoz(v); });
}

HWY_NOINLINE void DepthTestMatchesTheScalarComparison() {
    std::vector<std::int32_t> pairs;  // value << 16 | stored
    for (std::int32_t value = 0; value < 65536; value += 7) {
        for (std::int32_t stored : {0, 1, 0x7FFF, 0xFFFE, 0xFFFF, value, value - 1, value + 1}) {
            if (stored >= 0 && stored < 65536) pairs.push_back(value << 16 | stored);
        }
    }
    for (std::int32_t function = GR_CMP_NEVER - 1; function <= GR_CMP_ALWAYS + 1; ++function) {
        const DepthCompare compare = MakeDepthCompare(function);
        ExpectLanesEqual(
            "DepthPasses", pairs,
            [&compare](const std::int32_t* p) {
                const DU du;
                const VI v = hn::Load(DI(), p);
                const VI value = hn::BitCast(DI(), hn::ShiftRight<16>(hn::BitCast(du, v)));
                return hn::VecFromMask(DI(), DepthPasses(compare, value, hn::And(v, Int(0xFFFF))));
            },
            [function](std::int32_t p) {
                const auto value = static_cast<std::uint16_t>(static_cast<std::uint32_t>(p) >> 16);
                return glide::DepthPasses(function, value, static_cast<std::uint16_t>(p & 0xFFFF)) ? -1 : 0;
            });
    }
}

HWY_NOINLINE void TextureArithmeticMatchesTheScalarFormulas() {
    const std::vector<float> floats = FloatSweep();
    ExpectLanesEqual("FloorToInt", floats, [](const float* v) { return FloorToInt(hn::Load(DF(), v)); },
                     [](float v) { return glide::FloorToInt(v); });
    ExpectLanesEqual("Log2Fixed8", floats, [](const float* v) { return Log2Fixed8(hn::Load(DF(), v)); },
                     [](float v) { return glide::Log2Fixed8(v); });
    // Every pair of channel values, all four channels alike, at every weight;
    // then texels of four different channels.
    std::vector<std::uint32_t> texels;
    for (std::uint32_t a = 0; a < 256; ++a) {
        for (std::uint32_t b = 0; b < 256; ++b) texels.push_back(a << 8 | b);
    }
    for (std::uint32_t i = 0; i < 4096; ++i) texels.push_back(i * 2654435761u);
    for (std::int32_t f = 0; f <= 256; ++f) {
        ExpectLanesEqual(
            "LerpArgb", texels,
            [f](const std::uint32_t* p) {
                const DU du;
                const VU v = hn::Load(du, p);
                const VU low = hn::Mul(hn::And(v, hn::Set(du, 255u)), hn::Set(du, 0x01010101u));
                const VU high = hn::Mul(hn::And(hn::ShiftRight<8>(v), hn::Set(du, 255u)), hn::Set(du, 0x01010101u));
                const VU wide = hn::ShiftRight<16>(v);
                const MI mixed = hn::RebindMask(DI(), hn::Ne(wide, hn::Zero(du)));
                const VI a = hn::IfThenElse(mixed, hn::BitCast(DI(), v), hn::BitCast(DI(), high));
                const VI b = hn::IfThenElse(mixed, hn::BitCast(DI(), hn::Mul(v, hn::Set(du, 40503u))),
                                            hn::BitCast(DI(), low));
                return LerpArgb(a, b, Int(f));
            },
            [f](std::uint32_t p) {
                const bool mixed = (p >> 16) != 0;
                const std::uint32_t a = mixed ? p : (p >> 8 & 255u) * 0x01010101u;
                const std::uint32_t b = mixed ? p * 40503u : (p & 255u) * 0x01010101u;
                return static_cast<std::int32_t>(glide::LerpArgb(a, b, static_cast<std::uint32_t>(f)));
            });
    }
}

HWY_NOINLINE void FogMatchesTheScalarFormulas() {
    std::vector<std::int32_t> amounts;
    for (std::int32_t value88 = 0; value88 <= 255 << 8; ++value88) amounts.push_back(value88);
    ExpectLanesEqual("FogScale16", amounts, [](const std::int32_t* v) { return FogScale16(hn::Load(DI(), v)); },
                     [](std::int32_t v) { return glide::FogScale16(static_cast<std::uint32_t>(v)); });
    // Every channel value and fog colour at amounts every 1/256 of the way.
    std::vector<std::int32_t> channels;
    for (std::int32_t c = 0; c < 256; ++c) channels.push_back(c);
    for (std::int32_t fog = 0; fog < 256; ++fog) {
        for (std::uint32_t value88 = 0; value88 <= 255u << 8; value88 += 255) {
            const int f16 = glide::FogScale16(value88);
            ExpectLanesEqual("ApplyFog", channels,
                             [fog, f16](const std::int32_t* c) { return ApplyFog(hn::Load(DI(), c), fog, Int(f16)); },
                             [fog, f16](std::int32_t c) { return glide::ApplyFog(c, fog, f16); });
        }
    }
}

HWY_NOINLINE void SourceOverMatchesTheScalarFormula() {
    std::vector<std::int32_t> pairs;  // source << 8 | destination
    for (std::int32_t s = 0; s < 256; ++s) {
        for (std::int32_t d = 0; d < 256; ++d) pairs.push_back(s << 8 | d);
    }
    for (std::int32_t alpha = 0; alpha < 256; ++alpha) {
        ExpectLanesEqual(
            "SourceOver", pairs,
            [alpha](const std::int32_t* p) {
                const VI v = hn::Load(DI(), p);
                return SourceOver(hn::ShiftRight<8>(v), hn::And(v, Int(255)), Int(alpha), Int(255 - alpha));
            },
            [alpha](std::int32_t p) { return glide::SourceOver(p >> 8, p & 255, alpha); });
    }
    std::vector<std::int32_t> codes;
    for (std::int32_t c = 0; c < 64; ++c) codes.push_back(c);
    ExpectLanesEqual("Expand<5>", std::vector<std::int32_t>(codes.begin(), codes.begin() + 32),
                     [](const std::int32_t* c) { return Expand<5>(hn::Load(DI(), c)); },
                     [](std::int32_t c) { return glide::Expand5(c); });
    ExpectLanesEqual("Expand<6>", codes, [](const std::int32_t* c) { return Expand<6>(hn::Load(DI(), c)); },
                     [](std::int32_t c) { return glide::Expand6(c); });
}

HWY_NOINLINE void DitherMatchesTheScalarRule() {
    // Every 8-bit value in every cell (by its index in the 4 x 4 matrix),
    // each channel with its own value.
    std::vector<std::int32_t> cases;  // index << 8 | value
    for (std::int32_t index = 0; index < 16; ++index) {
        for (std::int32_t v = 0; v < 256; ++v) cases.push_back(index << 8 | v);
    }
    ExpectLanesEqual(
        "DitherRgb565", cases,
        [](const std::int32_t* p) {
            const VI v = hn::Load(DI(), p);
            const VI value = hn::And(v, Int(255));
            return DitherRgb565({value, hn::Sub(Int(255), value), hn::Xor(value, Int(0x5A))},
                                DitherBiasesAt(hn::ShiftRight<8>(v)));
        },
        [](std::int32_t p) {
            const int v = p & 255, index = p >> 8;
            return glide::DitherRgb565(v, 255 - v, v ^ 0x5A, kDitherMatrix[index / 4][index % 4]);
        });
}

#else

// Below SSE4 the device has no vector stages; these targets are compiled
// (Highway's table wants every one) but never run (VectorTargets).
void Div255AndMul255MatchTheScalarFormulas() {}
void Clamp255MatchesTheScalarFormula() {}
void DepthValuesMatchTheScalarFormulas() {}
void DepthTestMatchesTheScalarComparison() {}
void TextureArithmeticMatchesTheScalarFormulas() {}
void FogMatchesTheScalarFormulas() {}
void SourceOverMatchesTheScalarFormula() {}
void DitherMatchesTheScalarRule() {}

#endif

}  // namespace HWY_NAMESPACE
}  // namespace glide
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace glide {

// The targets the device has vector stages for that this processor runs.
std::vector<std::int64_t> VectorTargets() {
    std::vector<std::int64_t> targets;
    for (std::int64_t target : hwy::SupportedAndGeneratedTargets()) {
        if (target == HWY_SSE4 || target == HWY_AVX2 || target == HWY_AVX3) targets.push_back(target);
    }
    return targets;
}

class VectorStages : public hwy::TestWithParamTarget {};
INSTANTIATE_TEST_SUITE_P(EveryIsa, VectorStages, testing::ValuesIn(VectorTargets()), hwy::TestParamTargetName);
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(VectorStages);
HWY_EXPORT_AND_TEST_P(VectorStages, Div255AndMul255MatchTheScalarFormulas);
HWY_EXPORT_AND_TEST_P(VectorStages, Clamp255MatchesTheScalarFormula);
HWY_EXPORT_AND_TEST_P(VectorStages, DepthValuesMatchTheScalarFormulas);
HWY_EXPORT_AND_TEST_P(VectorStages, DepthTestMatchesTheScalarComparison);
HWY_EXPORT_AND_TEST_P(VectorStages, TextureArithmeticMatchesTheScalarFormulas);
HWY_EXPORT_AND_TEST_P(VectorStages, FogMatchesTheScalarFormulas);
HWY_EXPORT_AND_TEST_P(VectorStages, SourceOverMatchesTheScalarFormula);
HWY_EXPORT_AND_TEST_P(VectorStages, DitherMatchesTheScalarRule);

}  // namespace glide
#endif
