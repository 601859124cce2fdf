// The device's render state as the state calls leave it, already
// normalised: packed colours are split into bytes at the call, enumeration
// values are checked at the call, and texture sources are resolved to the
// allocation they name. A triangle copies what it needs out of this record
// (see setup/triangle_setup.h), so drawing never looks back at the API's state.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>

#include "glide.h"
#include "pixel/fog.h"
#include "texture/texture_memory.h"

namespace glide {

struct Rgba8 {
    std::uint8_t r = 0, g = 0, b = 0, a = 0;
};

enum class ColourSource : std::uint8_t {
    kZero,
    kConstant,               // GR_COLORCOMBINE_CCRGB
    kIterated,               // GR_COLORCOMBINE_ITRGB (and ITRGB_DELTA0)
    kTexture,                // GR_COLORCOMBINE_DECAL_TEXTURE
    kTextureTimesConstant,   // GR_COLORCOMBINE_TEXTURE_TIMES_CCRGB
    kTextureTimesIterated,   // GR_COLORCOMBINE_TEXTURE_TIMES_ITRGB
    kOne,
};

// What the texture unit hands to the colour combine (guTexCombineFunction).
enum class TexelSource : std::uint8_t { kTexel, kZero, kOne };

enum class DepthMode : std::uint8_t { kDisabled, kZBuffer, kWBuffer };

enum class FogMode : std::uint8_t { kDisabled, kIteratedAlpha, kTable };

// grAlphaCombine, kept whole: only the system's setting (iterated alpha) is
// specialised; anything else goes through the general formula.
struct AlphaCombine {
    std::int32_t function = GR_COMBINE_FUNCTION_SCALE_OTHER;
    std::int32_t factor = GR_COMBINE_FACTOR_ONE;
    std::int32_t local = GR_COMBINE_LOCAL_NONE;
    std::int32_t other = GR_COMBINE_OTHER_ITERATED;
    bool invert = false;
    // True when the arguments reduce to "alpha = iterated alpha".
    bool IsIterated() const {
        return !invert && ((function == GR_COMBINE_FUNCTION_SCALE_OTHER && factor == GR_COMBINE_FACTOR_ONE &&
                            other == GR_COMBINE_OTHER_ITERATED) ||
                           ((function == GR_COMBINE_FUNCTION_LOCAL || function == GR_COMBINE_FUNCTION_LOCAL_ALPHA) &&
                            local == GR_COMBINE_LOCAL_ITERATED));
    }
};

// grAlphaBlendFunction for colour (the buffers hold no alpha, so the alpha
// factors have nothing to act on and are only remembered).
struct BlendFunction {
    std::int32_t src = GR_BLEND_ONE;
    std::int32_t dst = GR_BLEND_ZERO;
    bool IsReplace() const { return src == GR_BLEND_ONE && dst == GR_BLEND_ZERO; }
    bool IsSourceAlphaOver() const { return src == GR_BLEND_SRC_ALPHA && dst == GR_BLEND_ONE_MINUS_SRC_ALPHA; }
};

// One texture source with the sampling settings that apply to it.
// guTexSource and guMPTexSource copy the allocation's settings in;
// grTexFilterMode and grTexMipMapMode overwrite them until the next source
// call (see RenderState::multipassFollows).
struct TextureBinding {
    const MipMap* map = nullptr;
    std::int32_t minFilter = GR_TEXTUREFILTER_BILINEAR;
    std::int32_t magFilter = GR_TEXTUREFILTER_BILINEAR;
    std::int32_t mipmapMode = GR_MIPMAP_NEAREST;
    std::int32_t sClamp = GR_TEXTURECLAMP_WRAP;
    std::int32_t tClamp = GR_TEXTURECLAMP_WRAP;
    float lodBias = 0.0f;
};

struct RenderState {
    ColourSource colour = ColourSource::kIterated;
    TexelSource texel = TexelSource::kTexel;
    AlphaCombine alpha;
    BlendFunction blend;
    DepthMode depthMode = DepthMode::kDisabled;
    std::int32_t depthFunction = GR_CMP_LESS;
    bool depthMask = false;
    FogMode fogMode = FogMode::kDisabled;
    Rgba8 constant;
    Rgba8 fogColour;
    std::uint8_t fogTable[GR_FOG_TABLE_SIZE] = {};
    // Built from fogTable by grFogTable; shared by every triangle drawn
    // until the table changes (a queued renderer must finish its triangles
    // before the table is rebuilt).
    const FogLut* fogLut = nullptr;
    bool mipmapDitherAllowed = false;
    TextureBinding texture;          // guTexSource
    TextureBinding multipass[2];     // guMPTexSource, virtual TMU 0 and 1
    // Set by guMPTexSource, cleared by guTexSource: while set, filter and
    // mip-map mode calls apply to the multi-pass sources as well as to the
    // single-pass one.
    bool multipassFollows = false;
};

// Whether two values agree byte for byte (so -0 differs from 0, and a NaN
// equals itself): what set-up copies is bytes.
template <class T>
bool SameBytes(const T& a, const T& b) {
    static_assert(std::is_trivially_copyable_v<T>);
    return std::memcmp(&a, &b, sizeof(T)) == 0;
}

// Whether a and b agree in every byte but the constant colour's (padding
// included, as the state is copied whole): set-up reads the constant
// colour nowhere but where it copies it into a triangle.
inline bool SameButConstant(const RenderState& a, const RenderState& b) {
    constexpr std::size_t at = offsetof(RenderState, constant), after = at + sizeof(Rgba8);
    const auto* pa = reinterpret_cast<const char*>(&a);
    const auto* pb = reinterpret_cast<const char*>(&b);
    return std::memcmp(pa, pb, at) == 0 && std::memcmp(pa + after, pb + after, sizeof(RenderState) - after) == 0;
}

}  // namespace glide
