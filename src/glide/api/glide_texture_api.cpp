// Texture source and texture mode calls, single-pass and multi-pass.
#include "device.h"
#include "texture/texture_memory.h"

namespace {

glide::RenderState& State() { return glide::TheDevice().state; }

template <class T>
void Change(T& field, const T& value) {
    glide::ChangeState(field, value);
}

// The allocation's own settings, as guTexSource and guMPTexSource apply them.
glide::TextureBinding BindingOf(const glide::MipMap* map) {
    glide::TextureBinding b;
    b.map = map;
    if (map != nullptr) {
        b.minFilter = map->minFilter;
        b.magFilter = map->magFilter;
        b.mipmapMode = map->mipmapMode;
        b.sClamp = map->sClamp;
        b.tClamp = map->tClamp;
        b.lodBias = map->lodBias;
    }
    return b;
}

// The last handle found and its binding: programs select the same texture
// for many triangles in a row. An allocation stays where it is, with the
// settings it was made with, until texture memory is reset, which counts
// as replacing texels (TexelsReplaced), so a lookup holds while the texel
// generation does.
struct LastLookup {
    GrMipMapId_t handle = GR_NULL_MIPMAP_HANDLE;
    std::uint64_t texelGeneration = 0;
    glide::TextureBinding binding;
};

glide::TextureBinding BindingFor(GrMipMapId_t handle) {
    static LastLookup last;
    const std::uint64_t texels = glide::TexelGeneration();
    if (handle == last.handle && texels == last.texelGeneration) return last.binding;
    const glide::MipMap* map = glide::FindMipMap(handle);
    // A handle not allocated yet may be allocated next: only found ones are kept.
    if (map != nullptr) last = {handle, texels, BindingOf(map)};
    return BindingOf(map);
}

bool IsFilter(GrTextureFilterMode_t f) {
    return f == GR_TEXTUREFILTER_POINT_SAMPLED || f == GR_TEXTUREFILTER_BILINEAR;
}

}  // namespace

void guTexSource(GrMipMapId_t mipmap) {
    Change(State().texture, BindingFor(mipmap));
    Change(State().multipassFollows, false);
}

// Overrides the filters of the current source until the next guTexSource
// (and of the multi-pass sources after a guMPTexSource, until the next
// source call).
void grTexFilterMode(GrChipID_t tmu, GrTextureFilterMode_t minFilter, GrTextureFilterMode_t magFilter) {
    if (tmu != GR_TMU0 || !IsFilter(minFilter) || !IsFilter(magFilter)) return;
    glide::RenderState& st = State();
    Change(st.texture.minFilter, minFilter);
    Change(st.texture.magFilter, magFilter);
    if (!st.multipassFollows) return;
    for (glide::TextureBinding& b : st.multipass) {
        Change(b.minFilter, minFilter);
        Change(b.magFilter, magFilter);
    }
}

// Overrides the mip-map mode the same way. The board blends levels only
// through the multi-pass calls, so lodBlend has no effect here.
void grTexMipMapMode(GrChipID_t tmu, GrMipMapMode_t mode, FxBool lodBlend) {
    (void)lodBlend;
    if (tmu != GR_TMU0 || mode < GR_MIPMAP_DISABLE || mode > GR_MIPMAP_NEAREST_DITHER) return;
    glide::RenderState& st = State();
    Change(st.texture.mipmapMode, mode);
    if (!st.multipassFollows) return;
    for (glide::TextureBinding& b : st.multipass) Change(b.mipmapMode, mode);
}

// The one unit passes its texel on (DECAL, and the modes that would need a
// second unit upstream), or gives constant zero or one.
void guTexCombineFunction(GrChipID_t tmu, GrTextureCombineFnc_t function) {
    using glide::TexelSource;
    if (tmu != GR_TMU0 && tmu != GR_TMU1) return;
    if (function < GR_TEXTURECOMBINE_ZERO || function > GR_TEXTURECOMBINE_ONE) return;
    if (tmu != GR_TMU0) return;  // the board has one unit
    switch (function) {
        case GR_TEXTURECOMBINE_ZERO: Change(State().texel, TexelSource::kZero); break;
        case GR_TEXTURECOMBINE_ONE: Change(State().texel, TexelSource::kOne); break;
        default: Change(State().texel, TexelSource::kTexel); break;
    }
}

void guMPInit(void) {
    Change(State().multipass[0], glide::TextureBinding{});
    Change(State().multipass[1], glide::TextureBinding{});
}

// Every multi-pass combine is drawn as trilinear from the two sources, the
// one combine the board's single unit offers through this interface.
void guMPTexCombineFunction(GrMPTextureCombineFnc_t function) { (void)function; }

void guMPTexSource(GrChipID_t virtualTmu, GrMipMapId_t mipmap) {
    if (virtualTmu != GR_TMU0 && virtualTmu != GR_TMU1) return;
    Change(State().multipass[virtualTmu], BindingFor(mipmap));
    Change(State().multipassFollows, true);
}
