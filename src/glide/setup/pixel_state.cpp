// The pixel-state part of set-up (see triangle_setup.h): the render state
// copied into the record, the texture sources resolved, the shaders chosen,
// and a per-thread cache that copies its last result while the state is
// unchanged.
#include <atomic>
#include <cstddef>
#include <cstring>
#include <type_traits>

#include "pixel/vector_isa.h"
#include "setup/sampler_setup.h"
#include "setup/shader_choice.h"
#include "setup/triangle_setup.h"

namespace glide {

const FogLut& ZeroFogLut() {
    static const FogLut zero{};
    return zero;
}

namespace {

// A state id never handed out before, by any thread. Each thread takes
// ids from its own block, so that a fresh set-up per triangle (a constant
// colour per face) does not serialise the threads on one counter.
std::uint64_t NewStateId() {
    constexpr std::uint64_t kBlock = 1u << 16;
    static std::atomic<std::uint64_t> blocks{0};
    thread_local std::uint64_t next = 0, end = 0;
    if (next == end) {
        next = blocks.fetch_add(1, std::memory_order_relaxed) * kBlock + 1;  // 0 means none
        end = next + kBlock - 1;
    }
    return next++;
}

void SetupPixelStateAnew(const DrawContext& ctx, TriangleSetup* t) {
    const RenderState& st = *ctx.state;
    t->colour = st.colour;
    t->texel = st.texel;
    t->alpha = st.alpha;
    t->blend = st.blend;
    t->depthMode = st.depthMode;
    t->depthFunction = st.depthFunction;
    t->depthWrite = st.depthMask && ctx.depthWriteAllowed;
    t->fogMode = st.fogMode;
    t->constant = st.constant;
    t->fogColour = st.fogColour;
    t->fogLut = st.fogLut != nullptr ? st.fogLut : &ZeroFogLut();
    t->colourBuffer = ctx.colourBuffer;
    t->depthBuffer = ctx.depthBuffer;

    const bool textureColour = st.colour == ColourSource::kTexture ||
                               st.colour == ColourSource::kTextureTimesConstant ||
                               st.colour == ColourSource::kTextureTimesIterated;
    t->sampler = SamplerKind::kNone;
    t->tex[0] = SamplerSetup{};
    t->tex[1] = SamplerSetup{};
    if (textureColour && st.texel == TexelSource::kTexel) {
        if (ctx.textureUse == TextureUse::kMultipass) {
            SetupSamplerReusing(st.multipass[0], 0, &t->tex[0]);
            SetupSamplerReusing(st.multipass[1], 1, &t->tex[1]);
            if (t->tex[0].levels != nullptr && t->tex[1].levels != nullptr) {
                t->sampler = SamplerKind::kTrilinear;
            } else if (t->tex[0].levels == nullptr && t->tex[1].levels != nullptr) {
                // Only one level set exists: draw with it alone.
                t->tex[0] = t->tex[1];
                t->tex[1] = SamplerSetup{};
                t->sampler = SingleSamplerKind(t->tex[0]);
            } else {
                t->sampler = SingleSamplerKind(t->tex[0]);
            }
        } else {
            SetupSamplerReusing(st.texture, 0, &t->tex[0]);
            t->sampler = SingleSamplerKind(t->tex[0]);
        }
    }
    t->mipmapDither = st.mipmapDitherAllowed;

    // Nothing to sample (or the unit outputs white): the texel is white, so
    // the texture modes reduce to the untextured ones.
    if (textureColour && (t->sampler == SamplerKind::kNone || st.texel == TexelSource::kOne)) {
        t->sampler = SamplerKind::kNone;
        t->texel = TexelSource::kTexel;
        if (st.colour == ColourSource::kTextureTimesConstant) t->colour = ColourSource::kConstant;
        else if (st.colour == ColourSource::kTextureTimesIterated) t->colour = ColourSource::kIterated;
        else t->colour = ColourSource::kOne;
    }
    ChooseShaders(ctx.forceGeneric, t);
    t->stateId = NewStateId();
    t->familyId = t->stateId;
}

// The pixel state block of TriangleSetup: every field from colour to the end.
constexpr std::size_t kPixelStateAt = offsetof(TriangleSetup, colour);
static_assert(std::is_standard_layout_v<TriangleSetup> && std::is_trivially_copyable_v<RenderState>);
static_assert(kPixelStateAt > offsetof(TriangleSetup, ooz));

// The texture sources SetupPixelStateAnew resolves for a state.
int SourcesRead(const DrawContext& ctx, const TextureBinding** sources) {
    const RenderState& st = *ctx.state;
    const bool textureColour = st.colour == ColourSource::kTexture ||
                               st.colour == ColourSource::kTextureTimesConstant ||
                               st.colour == ColourSource::kTextureTimesIterated;
    if (!textureColour || st.texel != TexelSource::kTexel) return 0;
    if (ctx.textureUse == TextureUse::kMultipass) {
        sources[0] = &st.multipass[0], sources[1] = &st.multipass[1];
        return 2;
    }
    sources[0] = &st.texture;
    return 1;
}

// The result of SetupPixelStateAnew depends only on the render state's
// bytes, the draw context's buffers and flags, the instruction set in use
// and the texture sources' map inputs. A drawing thread keeps its last
// result and copies the block while every input is the same. The state is
// known unchanged but for its constant colour by its generation (which
// also changes when texels are replaced), or else compared byte for byte
// (padding included, as it is copied whole), so a difference anywhere only
// costs a fresh set-up.
struct PixelStateCache {
    bool valid = false;
    std::uint64_t generation = 0;  // of the state below, 0 when unknown
    RenderState state;
    TextureUse textureUse = TextureUse::kSingle;
    bool depthWriteAllowed = true;
    std::uint16_t* colourBuffer = nullptr;
    std::uint16_t* depthBuffer = nullptr;
    const VectorIsa* isa = nullptr;
    MapInputs maps[2];
    TriangleSetup result;

    bool SameContext(const DrawContext& ctx, const VectorIsa* currentIsa) const {
        return valid && ctx.textureUse == textureUse && ctx.depthWriteAllowed == depthWriteAllowed &&
               ctx.colourBuffer == colourBuffer && ctx.depthBuffer == depthBuffer && currentIsa == isa;
    }
    // Whether the result holds for the context's state, known by its
    // generation alone: the path of nearly every triangle.
    [[gnu::always_inline]] bool Holds(const DrawContext& ctx) {
        if (ctx.stateGeneration != generation || generation == 0 || !SameContext(ctx, CurrentVectorIsa())) return false;
        KeepConstant(ctx);
        return true;
    }
    // Whether the result holds for the context's state, compared byte for
    // byte where the generation differs (a call that set what was already
    // set, or set it back).
    bool Matches(const DrawContext& ctx, const VectorIsa* currentIsa) {
        if (!SameContext(ctx, currentIsa)) return false;
        if (ctx.stateGeneration == 0 || ctx.stateGeneration != generation) {
            if (!SameButConstant(state, *ctx.state)) return false;
            const TextureBinding* sources[2];
            const int n = SourcesRead(ctx, sources);
            for (int i = 0; i < n; ++i) {
                if (!maps[i].Matches(sources[i]->map)) return false;
            }
            generation = ctx.stateGeneration;
        }
        KeepConstant(ctx);
        return true;
    }
    // A state that differs only in the constant colour (a flat colour per
    // face) sets up to the same block with the new colour.
    void KeepConstant(const DrawContext& ctx) {
        if (!SameBytes(state.constant, ctx.state->constant)) TakeConstant(ctx.state->constant);
    }
    // Set-up copies the constant colour into the record and reads it
    // nowhere else, so the block is the cached one with the new colour
    // (and, being another state, a new id, in the same family).
    void TakeConstant(const Rgba8& constant) {
        state.constant = constant;
        result.constant = constant;
        result.stateId = NewStateId();
    }
    void Store(const DrawContext& ctx, const VectorIsa* currentIsa, const TriangleSetup& t) {
        std::memcpy(static_cast<void*>(&state), ctx.state, sizeof(RenderState));
        generation = ctx.stateGeneration;
        textureUse = ctx.textureUse, depthWriteAllowed = ctx.depthWriteAllowed;
        colourBuffer = ctx.colourBuffer, depthBuffer = ctx.depthBuffer;
        isa = currentIsa;
        const TextureBinding* sources[2];
        const int n = SourcesRead(ctx, sources);
        for (int i = 0; i < n; ++i) maps[i] = MapInputs{}, maps[i].Read(sources[i]->map);
        CopyPixelState(t, &result);
        valid = true;
    }
};

}  // namespace

void CopyPixelState(const TriangleSetup& from, TriangleSetup* to) {
    std::memcpy(reinterpret_cast<char*>(to) + kPixelStateAt, reinterpret_cast<const char*>(&from) + kPixelStateAt,
                sizeof(TriangleSetup) - kPixelStateAt);
}

bool SamePixelState(const TriangleSetup& a, const TriangleSetup& b) {
    return std::memcmp(reinterpret_cast<const char*>(&a) + kPixelStateAt,
                       reinterpret_cast<const char*>(&b) + kPixelStateAt, sizeof(TriangleSetup) - kPixelStateAt) == 0;
}

std::uint64_t PixelStateHash(const TriangleSetup& t) {
    std::uint64_t h = 14695981039346656037ull;  // FNV-1a
    const auto* bytes = reinterpret_cast<const unsigned char*>(&t);
    for (std::size_t i = kPixelStateAt; i < sizeof(TriangleSetup); ++i) h = (h ^ bytes[i]) * 1099511628211ull;
    return h;
}

namespace {

thread_local PixelStateCache tCache;

[[gnu::noinline]] void SetupPixelStateSlowly(const DrawContext& ctx, TriangleSetup* t) {
    if (ctx.forceGeneric) {
        // The reference path sets everything up afresh.
        SetupPixelStateAnew(ctx, t);
        return;
    }
    const VectorIsa* isa = CurrentVectorIsa();
    if (tCache.Matches(ctx, isa)) {
        UpdatePixelState(tCache.result, t);
        return;
    }
    SetupPixelStateAnew(ctx, t);
    tCache.Store(ctx, isa, *t);
}

}  // namespace

void SetupPixelState(const DrawContext& ctx, TriangleSetup* t) {
    // A record reused for the same state family (the inline path's, a
    // queue slot) holds the block already, or all of it but the constant
    // colour: nothing writes the block after this call.
    if (__builtin_expect(!ctx.forceGeneric && tCache.Holds(ctx), 1)) {
        UpdatePixelState(tCache.result, t);
        return;
    }
    SetupPixelStateSlowly(ctx, t);
}

}  // namespace glide
