// Texture memory of the board: allocation of mip-maps (never released) and
// their download, which decodes every kept level once into 0xAARRGGBB held
// in host memory owned here. The sampler finds the result by handle.
//
// Sections: allocation record; guTexAllocateMemory; guTexDownloadMipMap;
// lookup and reset; helpers for tests and tools.
#include <cstring>
#include <deque>
#include <vector>

#include "glide.h"
#include "gu3df_io.h"
#include "queue/tile_queue.h"
#include "texture/texture_decode.h"
#include "texture/texture_encode.h"
#include "texture/texture_memory.h"

namespace glide {

namespace {

// ---- allocation record ---------------------------------------------------------

// A level may not cross a boundary of this size in texture memory.
constexpr std::uint32_t kTextureBankBytes = 2u * 1024u * 1024u;
constexpr std::uint32_t kTextureAlignment = 8;

struct Allocation {
    MipMap mip;
    // Decoded texels of every kept level, largest first, and kTexelSlack
    // more; the levels' texels pointers point in here. Sized once at the
    // first download.
    std::vector<std::uint32_t> texels;
};

struct TextureMemory {
    // A deque keeps each MipMap at its address as more are allocated, so a
    // pointer from FindMipMap stays valid until ResetTextureMemory.
    std::deque<Allocation> allocations;
    std::uint32_t nextFree = 0;  // first byte never allocated
};

TextureMemory& Memory() {
    static TextureMemory memory;
    return memory;
}

bool KeepsLevel(int oddEvenMask, GrLOD_t lod) {
    return (oddEvenMask & ((lod & 1) ? GR_MIPMAPLEVELMASK_ODD : GR_MIPMAPLEVELMASK_EVEN)) != 0;
}

int Log2(int v) {
    int n = 0;
    while ((1 << n) < v) ++n;
    return n;
}

Allocation* FindAllocation(GrMipMapId_t handle) {
    TextureMemory& m = Memory();
    if (handle >= m.allocations.size()) return nullptr;
    return &m.allocations[handle];
}

// Places `bytes` made of the given level sizes (back to back) at or after
// `from`: 8-byte aligned, and moved up to the next bank when a level would
// straddle a bank boundary. Returns the offset, or false when it does not
// fit in texture memory.
bool PlaceLevels(std::uint32_t from, const std::vector<std::uint32_t>& levelBytes, std::uint32_t* offset) {
    std::uint64_t start = (std::uint64_t{from} + kTextureAlignment - 1) / kTextureAlignment * kTextureAlignment;
    for (int attempt = 0; attempt < 2; ++attempt) {
        std::uint64_t at = start;
        bool straddles = false;
        for (std::uint32_t size : levelBytes) {
            if (size > 0 && at / kTextureBankBytes != (at + size - 1) / kTextureBankBytes) {
                straddles = true;
                start = (at / kTextureBankBytes + 1) * kTextureBankBytes;
                break;
            }
            at += size;
        }
        if (!straddles) {
            if (at > kTextureMemoryBytes) return false;
            *offset = static_cast<std::uint32_t>(start);
            return true;
        }
    }
    // Still straddling after moving to a bank boundary: the levels are
    // larger than a bank (cannot happen for 256 x 256 and below).
    return false;
}

}  // namespace

}  // namespace glide

using namespace glide;

// ---- guTexAllocateMemory ---------------------------------------------------------

GrMipMapId_t guTexAllocateMemory(GrChipID_t tmu, FxU8 oddEvenMask, int width, int height, GrTextureFormat_t format,
                                 GrMipMapMode_t mipmapMode, GrLOD_t smallLod, GrLOD_t largeLod,
                                 GrAspectRatio_t aspect, GrTextureClampMode_t sClamp, GrTextureClampMode_t tClamp,
                                 GrTextureFilterMode_t minFilter, GrTextureFilterMode_t magFilter, float lodBias,
                                 FxBool trilinear) {
    // The board has one texture unit; a mask must keep some parity; the
    // size given must be the one the LOD and aspect describe, since the
    // download lays the texels out by those.
    const int bytesPerTexel = TextureFormatBytes(format);
    int largeWidth = 0, largeHeight = 0;
    if (tmu != GR_TMU0 || oddEvenMask < GR_MIPMAPLEVELMASK_EVEN || oddEvenMask > GR_MIPMAPLEVELMASK_BOTH ||
        bytesPerTexel == 0 || smallLod < GR_LOD_256 || smallLod > GR_LOD_1 || largeLod < GR_LOD_256 ||
        largeLod > smallLod || !LevelSize(largeLod, aspect, &largeWidth, &largeHeight) || width != largeWidth ||
        height != largeHeight) {
        return GR_NULL_MIPMAP_HANDLE;
    }

    MipMap mip;
    mip.oddEvenMask = oddEvenMask;
    mip.width = width;
    mip.height = height;
    mip.format = format;
    mip.mipmapMode = mipmapMode;
    mip.smallLod = smallLod;
    mip.largeLod = largeLod;
    mip.aspect = aspect;
    mip.sClamp = sClamp;
    mip.tClamp = tClamp;
    mip.minFilter = minFilter;
    mip.magFilter = magFilter;
    mip.lodBias = lodBias;
    mip.trilinear = trilinear != FXFALSE;

    std::vector<std::uint32_t> levelBytes;
    std::uint32_t total = 0;
    for (GrLOD_t lod = largeLod; lod <= smallLod; ++lod) {
        if (!KeepsLevel(oddEvenMask, lod)) continue;
        TextureLevel& level = mip.levels[lod];
        LevelSize(lod, aspect, &level.width, &level.height);
        level.widthLog2 = Log2(level.width);
        level.heightLog2 = Log2(level.height);
        const auto size = static_cast<std::uint32_t>(level.width * level.height * bytesPerTexel);
        levelBytes.push_back(size);
        total += size;
    }

    TextureMemory& memory = Memory();
    if (total > 0) {
        std::uint32_t offset = 0;
        if (!PlaceLevels(memory.nextFree, levelBytes, &offset)) return GR_NULL_MIPMAP_HANDLE;
        mip.memoryOffset = offset;
        mip.memoryBytes = total;
        memory.nextFree = offset + total;
    }
    // Handles count up from 0 and never reach GR_NULL_MIPMAP_HANDLE: even
    // 8-byte allocations run out of memory long before.
    memory.allocations.push_back(Allocation{mip, {}});
    return static_cast<GrMipMapId_t>(memory.allocations.size() - 1);
}

// ---- guTexDownloadMipMap -----------------------------------------------------------

// `data` holds every level of the texture from largeLod to smallLod, as a
// 3DF file stores them and gu3dfLoad leaves them (16-bit texels in host
// order); the allocation's mask picks the levels taken from it. For the
// palette formats `ncc` must point into a whole GuTexTable (the info
// record's table), whose palette member is read.
void guTexDownloadMipMap(GrMipMapId_t mipmap, const void* data, const GuNccTable* ncc) {
    Allocation* alloc = FindAllocation(mipmap);
    if (alloc == nullptr || data == nullptr) return;
    SyncTileQueue(Access::kReplaceTexels);
    MipMap& mip = alloc->mip;
    const TexTableKind kind = TableKindOf(mip.format);
    if (kind != TexTableKind::kNone && ncc == nullptr) return;
    // A GuNccTable given here is the nccTable member of a GuTexTable union
    // (pointer-interconvertible with the union), so the palette can be
    // reached through it.
    const GuTexTable* table = reinterpret_cast<const GuTexTable*>(ncc);
    const int bytesPerTexel = TextureFormatBytes(mip.format);

    std::size_t kept = 0;
    for (GrLOD_t lod = mip.largeLod; lod <= mip.smallLod; ++lod) {
        if (KeepsLevel(mip.oddEvenMask, lod)) {
            kept += static_cast<std::size_t>(mip.levels[lod].width) * static_cast<std::size_t>(mip.levels[lod].height);
        }
    }
    alloc->texels.resize(kept + kTexelSlack);

    const auto* src = static_cast<const std::uint8_t*>(data);
    std::uint32_t* dst = alloc->texels.data();
    for (GrLOD_t lod = mip.largeLod; lod <= mip.smallLod; ++lod) {
        int w = 0, h = 0;
        LevelSize(lod, mip.aspect, &w, &h);
        const std::size_t count = static_cast<std::size_t>(w) * static_cast<std::size_t>(h);
        if (KeepsLevel(mip.oddEvenMask, lod)) {
            if (!DecodeTexels(mip.format, src, count, table, dst)) return;
            mip.levels[lod].texels = dst;
            dst += count;
        }
        src += count * static_cast<std::size_t>(bytesPerTexel);
    }
    mip.downloaded = true;
}

namespace glide {

// ---- lookup and reset ----------------------------------------------------------------

const MipMap* FindMipMap(GrMipMapId_t handle) {
    const Allocation* alloc = FindAllocation(handle);
    return alloc ? &alloc->mip : nullptr;
}

void ResetTextureMemory() {
    SyncTileQueue(Access::kReplaceTexels);
    TextureMemory& memory = Memory();
    memory.allocations.clear();
    memory.nextFree = 0;
}

std::uint32_t TextureMemoryFree() {
    const std::uint32_t used = Memory().nextFree;
    return used >= kTextureMemoryBytes ? 0 : kTextureMemoryBytes - used;
}

// ---- helpers for tests and tools -----------------------------------------------------

GrMipMapId_t AllocateArgbMipMap(const std::vector<ArgbImage>& levels, int oddEvenMask, GrMipMapMode_t mipmapMode,
                                GrTextureClampMode_t sClamp, GrTextureClampMode_t tClamp,
                                GrTextureFilterMode_t minFilter, GrTextureFilterMode_t magFilter, float lodBias,
                                bool trilinear) {
    GrLOD_t largeLod = 0, smallLod = 0;
    GrAspectRatio_t aspect = 0;
    if (!DescribeChain(levels, &largeLod, &smallLod, &aspect, nullptr)) return GR_NULL_MIPMAP_HANDLE;
    // Counted as a 16-bit format: the board holds nothing wider.
    const GrMipMapId_t handle =
        guTexAllocateMemory(GR_TMU0, static_cast<FxU8>(oddEvenMask), levels[0].width, levels[0].height,
                            GR_TEXFMT_ARGB_4444, mipmapMode, smallLod, largeLod, aspect, sClamp, tClamp, minFilter,
                            magFilter, lodBias, trilinear ? FXTRUE : FXFALSE);
    Allocation* alloc = FindAllocation(handle);
    if (alloc == nullptr) return GR_NULL_MIPMAP_HANDLE;
    MipMap& mip = alloc->mip;
    std::size_t kept = 0;
    for (std::size_t i = 0; i < levels.size(); ++i) {
        if (KeepsLevel(mip.oddEvenMask, largeLod + static_cast<GrLOD_t>(i))) kept += levels[i].pixels.size();
    }
    alloc->texels.resize(kept + kTexelSlack);
    std::uint32_t* dst = alloc->texels.data();
    for (std::size_t i = 0; i < levels.size(); ++i) {
        const GrLOD_t lod = largeLod + static_cast<GrLOD_t>(i);
        if (!KeepsLevel(mip.oddEvenMask, lod)) continue;
        std::memcpy(dst, levels[i].pixels.data(), levels[i].pixels.size() * sizeof(std::uint32_t));
        mip.levels[lod].texels = dst;
        dst += levels[i].pixels.size();
    }
    mip.downloaded = true;
    return handle;
}

GrMipMapId_t AllocateTexture3df(const Texture3df& texture, int oddEvenMask, bool trilinear) {
    const Gu3dfHeader& h = texture.header;
    if (LevelCount(h) == 0 ||
        texture.data.size() < TextureBytes(h.format, h.small_lod, h.large_lod, h.aspect_ratio)) {
        return GR_NULL_MIPMAP_HANDLE;
    }
    const GrMipMapId_t handle = guTexAllocateMemory(
        GR_TMU0, static_cast<FxU8>(oddEvenMask), static_cast<int>(h.width), static_cast<int>(h.height), h.format,
        GR_MIPMAP_NEAREST, h.small_lod, h.large_lod, h.aspect_ratio, GR_TEXTURECLAMP_WRAP, GR_TEXTURECLAMP_WRAP,
        GR_TEXTUREFILTER_BILINEAR, GR_TEXTUREFILTER_BILINEAR, 0.0f, trilinear ? FXTRUE : FXFALSE);
    if (handle != GR_NULL_MIPMAP_HANDLE) guTexDownloadMipMap(handle, texture.data.data(), &texture.table.nccTable);
    return handle;
}

}  // namespace glide
