// Texel formats -> 0xAARRGGBB. Every 8-bit format and the low byte of every
// 16-bit format with an 8-bit alpha goes through one 256-entry table built
// per call, so a level costs one lookup per texel.
#include "texture/texture_decode.h"

#include <cstring>

namespace glide {

namespace {

std::uint32_t Clamp255(int v) { return v < 0 ? 0u : (v > 255 ? 255u : static_cast<std::uint32_t>(v)); }

std::uint32_t Rgb332(std::uint32_t v) { return Argb(255, Widen3(v >> 5), Widen3((v >> 2) & 7), Widen2(v & 3)); }

// 256 colours of the byte that carries colour in this format (for the
// 16-bit formats with 8-bit alpha, the low byte; alpha is set later).
void BuildByteTable(GrTextureFormat_t format, const GuTexTable* table, std::uint32_t out[256]) {
    for (std::uint32_t v = 0; v < 256; ++v) {
        switch (format) {
            case GR_TEXFMT_RGB_332:
            case GR_TEXFMT_ARGB_8332:
                out[v] = Rgb332(v);
                break;
            case GR_TEXFMT_YIQ_422:
            case GR_TEXFMT_AYIQ_8422:
                out[v] = NccColor(table->nccTable, static_cast<std::uint8_t>(v));
                break;
            case GR_TEXFMT_ALPHA_8:
                // The single channel feeds colour as well as alpha.
                out[v] = Argb(v, v, v, v);
                break;
            case GR_TEXFMT_INTENSITY_8:
            case GR_TEXFMT_ALPHA_INTENSITY_88:
                out[v] = Argb(255, v, v, v);
                break;
            case GR_TEXFMT_ALPHA_INTENSITY_44: {
                const std::uint32_t i = Widen4(v & 15);
                out[v] = Argb(Widen4(v >> 4), i, i, i);
                break;
            }
            case GR_TEXFMT_P_8:
            case GR_TEXFMT_AP_88:
                out[v] = 0xFF000000u | (table->palette.data[v] & 0x00FFFFFFu);
                break;
            default:
                out[v] = 0;
                break;
        }
    }
}

}  // namespace

TexTableKind TableKindOf(GrTextureFormat_t format) {
    switch (format) {
        case GR_TEXFMT_YIQ_422:
        case GR_TEXFMT_AYIQ_8422:
            return TexTableKind::kNcc;
        case GR_TEXFMT_P_8:
        case GR_TEXFMT_AP_88:
            return TexTableKind::kPalette;
        default:
            return TexTableKind::kNone;
    }
}

std::uint32_t NccColor(const GuNccTable& ncc, std::uint8_t texel) {
    const int y = ncc.yRGB[texel >> 4];
    const FxI16* i = ncc.iRGB[(texel >> 2) & 3];
    const FxI16* q = ncc.qRGB[texel & 3];
    return Argb(255, Clamp255(y + i[0] + q[0]), Clamp255(y + i[1] + q[1]), Clamp255(y + i[2] + q[2]));
}

bool DecodeTexels(GrTextureFormat_t format, const void* src, std::size_t count, const GuTexTable* table,
                  std::uint32_t* dst) {
    if (TableKindOf(format) != TexTableKind::kNone && table == nullptr) return false;
    const auto* bytes = static_cast<const std::uint8_t*>(src);
    auto word = [bytes](std::size_t i) {
        std::uint16_t w;
        std::memcpy(&w, bytes + 2 * i, sizeof w);
        return static_cast<std::uint32_t>(w);
    };
    std::uint32_t lut[256];
    switch (format) {
        case GR_TEXFMT_RGB_332:
        case GR_TEXFMT_YIQ_422:
        case GR_TEXFMT_ALPHA_8:
        case GR_TEXFMT_INTENSITY_8:
        case GR_TEXFMT_ALPHA_INTENSITY_44:
        case GR_TEXFMT_P_8:
            BuildByteTable(format, table, lut);
            for (std::size_t i = 0; i < count; ++i) dst[i] = lut[bytes[i]];
            return true;
        case GR_TEXFMT_ARGB_8332:
        case GR_TEXFMT_AYIQ_8422:
        case GR_TEXFMT_ALPHA_INTENSITY_88:
        case GR_TEXFMT_AP_88:
            // Alpha in the high byte, the colour byte below it.
            BuildByteTable(format, table, lut);
            for (std::size_t i = 0; i < count; ++i) {
                const std::uint32_t w = word(i);
                dst[i] = (lut[w & 0xFF] & 0x00FFFFFFu) | ((w >> 8) << 24);
            }
            return true;
        case GR_TEXFMT_RGB_565:
            for (std::size_t i = 0; i < count; ++i) {
                const std::uint32_t w = word(i);
                dst[i] = Argb(255, Widen5(w >> 11), Widen6((w >> 5) & 63), Widen5(w & 31));
            }
            return true;
        case GR_TEXFMT_ARGB_1555:
            for (std::size_t i = 0; i < count; ++i) {
                const std::uint32_t w = word(i);
                dst[i] = Argb(Widen1(w >> 15), Widen5((w >> 10) & 31), Widen5((w >> 5) & 31), Widen5(w & 31));
            }
            return true;
        case GR_TEXFMT_ARGB_4444:
            for (std::size_t i = 0; i < count; ++i) {
                const std::uint32_t w = word(i);
                dst[i] = Argb(Widen4(w >> 12), Widen4((w >> 8) & 15), Widen4((w >> 4) & 15), Widen4(w & 15));
            }
            return true;
        default:
            return false;
    }
}

}  // namespace glide
