// The texture sources of a triangle's pixel state as the sampler reads them
// (SamplerSetup), worked out from the render state's bindings and the maps'
// levels, with a per-thread cache of the last result of each source slot.
#pragma once

#include <cstdint>

#include "render_state.h"
#include "setup/triangle_setup.h"

namespace glide {

// What set-up reads of a texture source beyond the binding itself.
struct MapInputs {
    int largeLod = 0, smallLod = 0, aspect = 0;
    const std::uint32_t* texels[9] = {};

    void Read(const MipMap* map) {
        if (map == nullptr) return;
        largeLod = map->largeLod, smallLod = map->smallLod, aspect = map->aspect;
        for (int i = 0; i < 9; ++i) texels[i] = map->levels[i].texels;
    }
    bool Matches(const MipMap* map) const {
        if (map == nullptr) return true;  // the map pointer itself is part of the state's bytes
        if (largeLod != map->largeLod || smallLod != map->smallLod || aspect != map->aspect) return false;
        for (int i = 0; i < 9; ++i) {
            if (texels[i] != map->levels[i].texels) return false;
        }
        return true;
    }
    bool operator==(const MapInputs&) const = default;
};

// Sets up source slot `slot` (0 or 1) from the binding, reusing this
// thread's last result of the slot while every input is the same.
void SetupSamplerReusing(const TextureBinding& binding, int slot, SamplerSetup* sp);

// The sampler kind of one set-up source on its own.
inline SamplerKind SingleSamplerKind(const SamplerSetup& sp) {
    if (sp.levels == nullptr) return SamplerKind::kNone;
    if (sp.minBilinear != sp.magBilinear) return SamplerKind::kMixed;
    return sp.minBilinear ? SamplerKind::kBilinear : SamplerKind::kPoint;
}

}  // namespace glide
