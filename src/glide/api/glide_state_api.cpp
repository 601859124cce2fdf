// Render state calls. Each checks its enumeration values and ignores a call
// with a value it does not know, leaving the state as it was; packed
// colours are split into bytes here, once. A value already in effect
// changes nothing (ChangeState): programs send the same state for every
// triangle.
#include "device.h"
#include "queue/tile_queue.h"

namespace {

glide::RenderState& State() { return glide::TheDevice().state; }

template <class T>
void Change(T& field, const T& value) {
    glide::ChangeState(field, value);
}

bool IsCompare(GrCmpFnc_t f) { return f >= GR_CMP_NEVER && f <= GR_CMP_ALWAYS; }
bool IsBlendFactor(GrAlphaBlendFnc_t f) { return f >= GR_BLEND_ZERO && f <= GR_BLEND_ONE_MINUS_DST_ALPHA; }

}  // namespace

void grDepthBufferMode(GrDepthBufferMode_t mode) {
    using glide::DepthMode;
    switch (mode) {
        case GR_DEPTHBUFFER_DISABLE: Change(State().depthMode, DepthMode::kDisabled); break;
        case GR_DEPTHBUFFER_ZBUFFER: Change(State().depthMode, DepthMode::kZBuffer); break;
        case GR_DEPTHBUFFER_WBUFFER: Change(State().depthMode, DepthMode::kWBuffer); break;
        default: break;
    }
}

void grDepthBufferFunction(GrCmpFnc_t function) {
    if (IsCompare(function)) Change(State().depthFunction, function);
}

void grDepthMask(FxBool enable) { Change(State().depthMask, enable != FXFALSE); }

void grAlphaCombine(GrCombineFunction_t function, GrCombineFactor_t factor, GrCombineLocal_t local,
                    GrCombineOther_t other, FxBool invert) {
    const bool functionOk = function >= GR_COMBINE_FUNCTION_ZERO && function <= GR_COMBINE_FUNCTION_SCALE_OTHER;
    const bool factorOk = (factor >= GR_COMBINE_FACTOR_ZERO && factor <= GR_COMBINE_FACTOR_TEXTURE_ALPHA) ||
                          factor == GR_COMBINE_FACTOR_ONE;
    const bool localOk = local == GR_COMBINE_LOCAL_ITERATED || local == GR_COMBINE_LOCAL_CONSTANT;
    const bool otherOk = other >= GR_COMBINE_OTHER_ITERATED && other <= GR_COMBINE_OTHER_CONSTANT;
    if (!functionOk || !factorOk || !localOk || !otherOk) return;
    Change(State().alpha, glide::AlphaCombine{function, factor, local, other, invert != FXFALSE});
}

// Colour is blended by rgbSrc and rgbDst; the buffers hold no alpha, so the
// alpha factors have nothing to blend.
void grAlphaBlendFunction(GrAlphaBlendFnc_t rgbSrc, GrAlphaBlendFnc_t rgbDst, GrAlphaBlendFnc_t alphaSrc,
                          GrAlphaBlendFnc_t alphaDst) {
    (void)alphaSrc;
    (void)alphaDst;
    if (!IsBlendFactor(rgbSrc) || !IsBlendFactor(rgbDst)) return;
    Change(State().blend, glide::BlendFunction{rgbSrc, rgbDst});
}

void grFogMode(GrFogMode_t mode) {
    using glide::FogMode;
    switch (mode) {
        case GR_FOG_DISABLE: Change(State().fogMode, FogMode::kDisabled); break;
        case GR_FOG_WITH_ITERATED_ALPHA: Change(State().fogMode, FogMode::kIteratedAlpha); break;
        case GR_FOG_WITH_TABLE: Change(State().fogMode, FogMode::kTable); break;
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
    glide::TheDevice().stateTouched = true;
}

void grFogColorValue(GrColor_t colour) {
    Change(State().fogColour, glide::UnpackColour(colour, glide::TheDevice().colourFormat));
}

// The constant colour is no part of the state generation: set-up compares
// it itself.
void grConstantColorValue(GrColor_t colour) {
    State().constant = glide::UnpackColour(colour, glide::TheDevice().colourFormat);
}

void grHints(GrHint_t type, FxU32 value) {
    if (type == GR_HINT_ALLOW_MIPMAP_DITHER) Change(State().mipmapDitherAllowed, value != 0);
}

void guColorCombineFunction(GrColorCombineFnc_t function) {
    using glide::ColourSource;
    ColourSource source;
    switch (function) {
        case GR_COLORCOMBINE_ZERO: source = ColourSource::kZero; break;
        case GR_COLORCOMBINE_CCRGB: source = ColourSource::kConstant; break;
        case GR_COLORCOMBINE_ITRGB:
        case GR_COLORCOMBINE_ITRGB_DELTA0: source = ColourSource::kIterated; break;
        case GR_COLORCOMBINE_DECAL_TEXTURE: source = ColourSource::kTexture; break;
        case GR_COLORCOMBINE_TEXTURE_TIMES_CCRGB: source = ColourSource::kTextureTimesConstant; break;
        case GR_COLORCOMBINE_TEXTURE_TIMES_ITRGB: source = ColourSource::kTextureTimesIterated; break;
        case GR_COLORCOMBINE_ONE: source = ColourSource::kOne; break;
        default: return;
    }
    Change(State().colour, source);
}
