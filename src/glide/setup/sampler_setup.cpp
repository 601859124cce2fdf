// Texture sources of the pixel state (see sampler_setup.h).
#include "setup/sampler_setup.h"

#include <bit>
#include <cmath>
#include <cstdint>

namespace glide {

namespace {

bool BindingHasTexels(const TextureBinding& binding) {
    if (binding.map == nullptr) return false;
    for (const TextureLevel& level : binding.map->levels) {
        if (level.texels != nullptr) return true;
    }
    return false;
}

void SetupSampler(const TextureBinding& binding, SamplerSetup* sp) {
    *sp = SamplerSetup{};
    if (!BindingHasTexels(binding)) return;
    const MipMap& map = *binding.map;
    sp->levels = map.levels;
    sp->largeLod = map.largeLod < 0 ? 0 : (map.largeLod > 8 ? 8 : map.largeLod);
    sp->smallLod = map.smallLod < sp->largeLod ? sp->largeLod : (map.smallLod > 8 ? 8 : map.smallLod);
    // Every level maps to the nearest level that holds texels (an odd or
    // even level set holds only every other one); ties go to the finer.
    int below[9], above[9];
    for (int lod = 0, last = -1; lod < 9; ++lod) {
        if (map.levels[lod].texels != nullptr) last = lod;
        below[lod] = last;
    }
    for (int lod = 8, last = -1; lod >= 0; --lod) {
        if (map.levels[lod].texels != nullptr) last = lod;
        above[lod] = last;
    }
    for (int lod = 0; lod < 9; ++lod) {
        int best = below[lod];
        if (best < 0 || (above[lod] >= 0 && above[lod] - lod < lod - best)) best = above[lod];
        sp->levelFor[lod] = static_cast<std::int8_t>(best);
    }
    // The longer side spans 0..256, the shorter 256 / aspect.
    if (map.aspect <= GR_ASPECT_1x1) {
        sp->tShift = GR_ASPECT_1x1 - (map.aspect < 0 ? 0 : map.aspect);
    } else {
        sp->sShift = (map.aspect > GR_ASPECT_1x8 ? GR_ASPECT_1x8 : map.aspect) - GR_ASPECT_1x1;
    }
    sp->sClamp = binding.sClamp == GR_TEXTURECLAMP_CLAMP;
    sp->tClamp = binding.tClamp == GR_TEXTURECLAMP_CLAMP;
    sp->minBilinear = binding.minFilter == GR_TEXTUREFILTER_BILINEAR;
    sp->magBilinear = binding.magFilter == GR_TEXTUREFILTER_BILINEAR;
    sp->mipmapMode = binding.mipmapMode;
    const float bias = binding.lodBias;
    sp->lodBias8 = (bias > -64.0f && bias < 64.0f) ? static_cast<int>(std::lround(bias * 256.0f)) : 0;
}

struct SamplerInputs {
    TextureBinding binding;
    MapInputs map;

    explicit SamplerInputs(const TextureBinding& b) : binding(b) { map.Read(b.map); }
    bool operator==(const SamplerInputs& o) const {
        const TextureBinding& a = binding;
        const TextureBinding& c = o.binding;
        return a.map == c.map && a.minFilter == c.minFilter && a.magFilter == c.magFilter &&
               a.mipmapMode == c.mipmapMode && a.sClamp == c.sClamp && a.tClamp == c.tClamp &&
               std::bit_cast<std::uint32_t>(a.lodBias) == std::bit_cast<std::uint32_t>(c.lodBias) && map == o.map;
    }
};

}  // namespace

// SetupSampler depends only on the binding, the map's level range and
// aspect, and which levels hold texels. A drawing thread sets up triangle
// after triangle from the same source, so it keeps the last result of each
// source slot and reuses it while every input is the same.
void SetupSamplerReusing(const TextureBinding& binding, int slot, SamplerSetup* sp) {
    struct Entry {
        bool valid = false;
        SamplerInputs inputs{TextureBinding{}};
        SamplerSetup result;
    };
    thread_local Entry last[2];
    Entry& e = last[slot];
    const SamplerInputs inputs(binding);
    if (!e.valid || !(e.inputs == inputs)) {
        SetupSampler(binding, &e.result);
        e.inputs = inputs;
        e.valid = true;
    }
    *sp = e.result;
}

}  // namespace glide
