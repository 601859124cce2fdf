// Writing 3DF texture files ("3df v1.1"): the four header lines, the NCC
// table or palette, then every level's texels with 16-bit values
// big-endian.
#include <cstdio>
#include <cstring>
#include <string>

#include "gu3df_io.h"
#include "support/output_file.h"
#include "texture/texture_decode.h"

namespace glide {

namespace {

void PutBigEndian16(std::vector<std::uint8_t>* out, std::uint32_t v) {
    out->push_back(static_cast<std::uint8_t>((v >> 8) & 0xFF));
    out->push_back(static_cast<std::uint8_t>(v & 0xFF));
}

void PutBigEndian32(std::vector<std::uint8_t>* out, std::uint32_t v) {
    PutBigEndian16(out, v >> 16);
    PutBigEndian16(out, v & 0xFFFF);
}

void PutText(std::vector<std::uint8_t>* out, const std::string& text) {
    out->insert(out->end(), text.begin(), text.end());
}

}  // namespace

bool Serialize3df(const Texture3df& texture, std::vector<std::uint8_t>* bytes, std::string* error) {
    const Gu3dfHeader& h = texture.header;
    auto fail = [error](const std::string& why) {
        if (error) *error = why;
        return false;
    };
    int width = 0, height = 0;
    if (LevelCount(h) == 0) return fail("the texture header names no valid format, LOD range or aspect ratio");
    LevelSize(h.large_lod, h.aspect_ratio, &width, &height);
    if (h.width != static_cast<FxU32>(width) || h.height != static_cast<FxU32>(height)) {
        return fail("the header's size does not match its LOD range and aspect ratio");
    }
    const std::uint32_t mem = TextureBytes(h.format, h.small_lod, h.large_lod, h.aspect_ratio);
    if (texture.data.size() != mem) {
        return fail("the texture holds " + std::to_string(texture.data.size()) + " texel bytes, its levels need " +
                    std::to_string(mem));
    }

    int aw = 0, ah = 0;
    AspectRatioTerms(h.aspect_ratio, &aw, &ah);
    bytes->clear();
    PutText(bytes, std::string("3df v1.1\n") + TextureFormatName(h.format) + "\n");
    PutText(bytes, "lod range: " + std::to_string(LodEdge(h.small_lod)) + " " + std::to_string(LodEdge(h.large_lod)) +
                       "\n");
    PutText(bytes, "aspect ratio: " + std::to_string(aw) + " " + std::to_string(ah) + "\n");

    switch (TableKindOf(h.format)) {
        case TexTableKind::kNone:
            break;
        case TexTableKind::kNcc: {
            const GuNccTable& ncc = texture.table.nccTable;
            for (int i = 0; i < 16; ++i) PutBigEndian16(bytes, ncc.yRGB[i]);
            // I and Q as 16-bit two's complement.
            for (int i = 0; i < 4; ++i) {
                for (int c = 0; c < 3; ++c) PutBigEndian16(bytes, static_cast<std::uint16_t>(ncc.iRGB[i][c]));
            }
            for (int i = 0; i < 4; ++i) {
                for (int c = 0; c < 3; ++c) PutBigEndian16(bytes, static_cast<std::uint16_t>(ncc.qRGB[i][c]));
            }
            break;
        }
        case TexTableKind::kPalette:
            for (int i = 0; i < 256; ++i) PutBigEndian32(bytes, texture.table.palette.data[i] & 0x00FFFFFFu);
            break;
    }

    if (TextureFormatBytes(h.format) == 1) {
        bytes->insert(bytes->end(), texture.data.begin(), texture.data.end());
    } else {
        for (std::size_t i = 0; i + 1 < texture.data.size(); i += 2) {
            std::uint16_t w;
            std::memcpy(&w, texture.data.data() + i, sizeof w);
            PutBigEndian16(bytes, w);
        }
    }
    return true;
}

bool Write3dfFile(const char* path, const Texture3df& texture, std::string* error) {
    std::vector<std::uint8_t> bytes;
    if (!Serialize3df(texture, &bytes, error)) return false;
    if (path == nullptr) {
        if (error) *error = "(null): cannot write (no file name)";
        return false;
    }
    // Through a temporary file renamed into place: a failed write never
    // leaves a truncated texture under the name.
    std::string why;
    if (tarn::WriteWholeFile(path, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()), &why)) {
        return true;
    }
    if (error) *error = why;
    return false;
}

}  // namespace glide
