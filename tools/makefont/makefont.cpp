// makefont FONT.ttf OUT.3df [FORMAT]
// Writes the overlay font texture: the glyph sheet as one 256 x 64 level
// (lod range 256 256, aspect 4:1) in FORMAT (default rgb565).
#include <cstdio>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "glyph_sheet.h"
#include "gu3df_io.h"
#include "support/build_info.h"
#include "support/output_file.h"

namespace {
constexpr const char* kUsage =
    "usage: makefont FONT.ttf OUT.3df [FORMAT]\n"
    "Draws the text overlay's 42 characters from FONT.ttf into 16 x 20 cells of a\n"
    "256 x 64 texture (one level, wrap) and writes it as a 3DF file.\n"
    "FORMAT is a 3DF format name (default rgb565).\n";

int Run(int argc, char** argv) {
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("%s\n", tarn::VersionLine("makefont").c_str());
        return 0;
    }
    if (argc < 3 || argc > 4) {
        std::fprintf(stderr, "makefont: expected a font and an output file\ntry makefont --help\n");
        return 2;
    }
    GrTextureFormat_t format = GR_TEXFMT_RGB_565;
    if (argc == 4 && !glide::TextureFormatFromName(argv[3], &format)) {
        std::fprintf(stderr, "makefont: unknown texture format '%s'\n", argv[3]);
        return 2;
    }
    std::string error;
    glide::ArgbImage sheet;
    if (!makefont::DrawGlyphSheet(argv[1], &sheet, &error)) {
        std::fprintf(stderr, "makefont: %s\n", error.c_str());
        return 1;
    }
    glide::Texture3df texture;
    std::vector<std::uint8_t> bytes;
    if (!glide::EncodeTexture(format, std::vector<glide::ArgbImage>{sheet}, &texture, &error) ||
        !glide::Serialize3df(texture, &bytes, &error)) {
        std::fprintf(stderr, "makefont: %s\n", error.c_str());
        return 1;
    }
    if (!tarn::WriteWholeFile(argv[2], std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()),
                              &error)) {
        std::fprintf(stderr, "makefont: %s\n", error.c_str());
        return 1;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    try {
        return Run(argc, argv);
    } catch (const std::bad_alloc&) {
        std::fputs("makefont: out of memory\n", stderr);
        return 1;
    }
}
