// Render state calls. Each checks its enumeration values and ignores a call
// with a value it does not know, leaving the state as it was; packed
// colours are split into bytes here, once.
#include "device.h"
#include "queue/tile_queue.h"

namespace {

glide::RenderState& State() { return glide::MutableState(); }

bool IsCompare(GrCmpFnc_t f) { return f >= GR_CMP_NEVER && f <= GR_CMP_ALWAYS; }
bool IsBlendFactor(GrAlphaBlendFnc_t f) { return f >= GR_BLEND_ZERO && f <= GR_BLEND_ONE_MINUS_DST_ALPHA; }

}  // namespace

void grDepthBufferMode(GrDepthBufferMode_t mode) {
    using glide::DepthMode;
    switch (mode) {
        case GR_DEPTHBUFFER_DISABLE: State().depthMode = DepthMode::kDisabled; break;
        case GR_DEPTHBUFFER_ZBUFFER: State().depthMode = DepthMode::kZBuffer; break;
        case GR_DEPTHBUFFER_WBUFFER: State().depthMode = DepthMode::kWBuffer; break;
        default: break;
    }
}

void grDepthBufferFunction(GrCmpFnc_t function) {
    if (IsCompare(function)) State().depthFunction = function;
}

void grDepthMask(FxBool enable) { State().depthMask = enable != FXFALSE; }

void grAlphaCombine(GrCombineFunction_t function, GrCombineFactor_t factor, GrCombineLocal_t local,
                    GrCombineOther_t other, FxBool invert) {
    const bool functionOk = function >= GR_COMBINE_FUNCTION_ZERO && function <= GR_COMBINE_FUNCTION_SCALE_OTHER;
    const bool factorOk = (factor >= GR_COMBINE_FACTOR_ZERO && factor <= GR_COMBINE_FACTOR_TEXTURE_ALPHA) ||
                          factor == GR_COMBINE_FACTOR_ONE;
    const bool localOk = local == GR_COMBINE_LOCAL_ITERATED || local == GR_COMBINE_LOCAL_CONSTANT;
    const bool otherOk = other >= GR_COMBINE_OTHER_ITERATED && other <= GR_COMBINE_OTHER_CONSTANT;
    if (!functionOk || !factorOk || !localOk || !otherOk) return;
    State().alpha = {function, factor, local, other, invert != FXFALSE};
}

// Colour is blended by rgbSrc and rgbDst; the buffers hold no alpha, so the
// alpha factors have nothing to blend.
void grAlphaBlendFunction(GrAlphaBlendFnc_t rgbSrc, GrAlphaBlendFnc_t rgbDst, GrAlphaBlendFnc_t alphaSrc,
                          GrAlphaBlendFnc_t alphaDst) {
    (void)alphaSrc;
    (void)alphaDst;
    if (!IsBlendFactor(rgbSrc) || !IsBlendFactor(rgbDst)) return;
    State().blend = {rgbSrc, rgbDst};
}

void grFogMode(GrFogMode_t mode) {
    using glide::FogMode;
    switch (mode) {
        case GR_FOG_DISABLE: State().fogMode = FogMode::kDisabled; break;
        case GR_FOG_WITH_ITERATED_ALPHA: State().fogMode = FogMode::kIteratedAlpha; break;
        case GR_FOG_WITH_TABLE: State().fogMode = FogMode::kTable; break;
        default: break;
    }
}

void grFogTable(const GrFog_t table[GR_FOG_TABLE_SIZE]) {
    if (table == nullptr) return;
    static glide::FogLut lut;  // the device's one table, rebuilt in place
    bool same = State().fogLut == &lut;
    for (int i = 0; i < GR_FOG_TABLE_SIZE && same; ++i) same = State().fogTable[i] == table[i];
    if (same) return;  // programs set the same table every frame
    glide::SyncTileQueue(glide::Access::kReplaceFogTable);
    for (int i = 0; i < GR_FOG_TABLE_SIZE; ++i) State().fogTable[i] = table[i];
    glide::BuildFogLut(State().fogTable, &lut);
    State().fogLut = &lut;
}

void grFogColorValue(GrColor_t colour) {
    State().fogColour = glide::UnpackColour(colour, glide::TheDevice().colourFormat);
}

void grConstantColorValue(GrColor_t colour) {
    State().constant = glide::UnpackColour(colour, glide::TheDevice().colourFormat);
}

void grHints(GrHint_t type, FxU32 value) {
    if (type == GR_HINT_ALLOW_MIPMAP_DITHER) State().mipmapDitherAllowed = value != 0;
}

void guColorCombineFunction(GrColorCombineFnc_t function) {
    using glide::ColourSource;
    switch (function) {
        case GR_COLORCOMBINE_ZERO: State().colour = ColourSource::kZero; break;
        case GR_COLORCOMBINE_CCRGB: State().colour = ColourSource::kConstant; break;
        case GR_COLORCOMBINE_ITRGB:
        case GR_COLORCOMBINE_ITRGB_DELTA0: State().colour = ColourSource::kIterated; break;
        case GR_COLORCOMBINE_DECAL_TEXTURE: State().colour = ColourSource::kTexture; break;
        case GR_COLORCOMBINE_TEXTURE_TIMES_CCRGB: State().colour = ColourSource::kTextureTimesConstant; break;
        case GR_COLORCOMBINE_TEXTURE_TIMES_ITRGB: State().colour = ColourSource::kTextureTimesIterated; break;
        case GR_COLORCOMBINE_ONE: State().colour = ColourSource::kOne; break;
        default: break;
    }
}
