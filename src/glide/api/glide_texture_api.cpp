// Texture source and texture mode calls, single-pass and multi-pass.
#include "device.h"
#include "texture/texture_memory.h"

namespace {

glide::RenderState& State() { return glide::MutableState(); }

// The allocation's own settings, as guTexSource and guMPTexSource apply them.
glide::TextureBinding BindingFor(GrMipMapId_t handle) {
    glide::TextureBinding b;
    b.map = glide::FindMipMap(handle);
    if (b.map != nullptr) {
        b.minFilter = b.map->minFilter;
        b.magFilter = b.map->magFilter;
        b.mipmapMode = b.map->mipmapMode;
        b.sClamp = b.map->sClamp;
        b.tClamp = b.map->tClamp;
        b.lodBias = b.map->lodBias;
    }
    return b;
}

bool IsFilter(GrTextureFilterMode_t f) {
    return f == GR_TEXTUREFILTER_POINT_SAMPLED || f == GR_TEXTUREFILTER_BILINEAR;
}

}  // namespace

void guTexSource(GrMipMapId_t mipmap) {
    State().texture = BindingFor(mipmap);
    State().multipassFollows = false;
}

// Overrides the filters of the current source until the next guTexSource
// (and of the multi-pass sources after a guMPTexSource, until the next
// source call).
void grTexFilterMode(GrChipID_t tmu, GrTextureFilterMode_t minFilter, GrTextureFilterMode_t magFilter) {
    if (tmu != GR_TMU0 || !IsFilter(minFilter) || !IsFilter(magFilter)) return;
    glide::RenderState& st = State();
    st.texture.minFilter = minFilter;
    st.texture.magFilter = magFilter;
    if (!st.multipassFollows) return;
    for (glide::TextureBinding& b : st.multipass) {
        b.minFilter = minFilter;
        b.magFilter = magFilter;
    }
}

// Overrides the mip-map mode the same way. The board blends levels only
// through the multi-pass calls, so lodBlend has no effect here.
void grTexMipMapMode(GrChipID_t tmu, GrMipMapMode_t mode, FxBool lodBlend) {
    (void)lodBlend;
    if (tmu != GR_TMU0 || mode < GR_MIPMAP_DISABLE || mode > GR_MIPMAP_NEAREST_DITHER) return;
    glide::RenderState& st = State();
    st.texture.mipmapMode = mode;
    if (!st.multipassFollows) return;
    for (glide::TextureBinding& b : st.multipass) b.mipmapMode = mode;
}

// The one unit passes its texel on (DECAL, and the modes that would need a
// second unit upstream), or gives constant zero or one.
void guTexCombineFunction(GrChipID_t tmu, GrTextureCombineFnc_t function) {
    using glide::TexelSource;
    if (tmu != GR_TMU0 && tmu != GR_TMU1) return;
    if (function < GR_TEXTURECOMBINE_ZERO || function > GR_TEXTURECOMBINE_ONE) return;
    if (tmu != GR_TMU0) return;  // the board has one unit
    switch (function) {
        case GR_TEXTURECOMBINE_ZERO: State().texel = TexelSource::kZero; break;
        case GR_TEXTURECOMBINE_ONE: State().texel = TexelSource::kOne; break;
        default: State().texel = TexelSource::kTexel; break;
    }
}

void guMPInit(void) {
    State().multipass[0] = glide::TextureBinding{};
    State().multipass[1] = glide::TextureBinding{};
}

// Every multi-pass combine is drawn as trilinear from the two sources, the
// one combine the board's single unit offers through this interface.
void guMPTexCombineFunction(GrMPTextureCombineFnc_t function) { (void)function; }

void guMPTexSource(GrChipID_t virtualTmu, GrMipMapId_t mipmap) {
    if (virtualTmu != GR_TMU0 && virtualTmu != GR_TMU1) return;
    State().multipass[virtualTmu] = BindingFor(mipmap);
    State().multipassFollows = true;
}
