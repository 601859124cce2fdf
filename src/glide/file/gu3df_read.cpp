// Reading 3DF texture files: four text lines of header, then the NCC table
// or palette where the format has one, then the texels of every level,
// largest first. Multi-byte values in the file are big-endian.
//
// Every read is bounded: header lines have a length limit and the table and
// texels are read with counted reads into buffers of known size, so a short,
// damaged or foreign file is refused and never read past.
//
// Sections: header lines; header parsing; table and texels; API entries.
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

#include "glide.h"
#include "gu3df_io.h"
#include "texture/texture_decode.h"

namespace glide {

namespace {

// ---- header lines --------------------------------------------------------------

// No header line of a valid file comes near this.
constexpr std::size_t kMaxHeaderLine = 80;

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// Why the last gu3dfGetInfo / gu3dfLoad of this thread failed.
thread_local std::string gLastFailure;

bool Fail(std::string* error, const char* path, const std::string& why) {
    if (error) *error = std::string(path ? path : "(null)") + ": " + why;
    gLastFailure = why;
    return false;
}

// Reads one line ending in a line feed; false at end of file, on a read
// error or when the line is longer than kMaxHeaderLine.
bool ReadLine(std::FILE* f, std::string* line) {
    line->clear();
    for (;;) {
        const int c = std::fgetc(f);
        if (c == EOF) return false;
        if (c == '\n') return true;
        if (line->size() >= kMaxHeaderLine) return false;
        line->push_back(static_cast<char>(c));
    }
}

// The line without surrounding blanks (a CR before the LF included).
std::string_view Trim(std::string_view s) {
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
    return s;
}

bool StartsWithNoCase(std::string_view s, std::string_view prefix) {
    if (s.size() < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(s[i])) != prefix[i]) return false;
    }
    return true;
}

// Exactly two small decimal numbers separated by blanks.
bool ParseTwoNumbers(std::string_view s, int* a, int* b) {
    int values[2] = {0, 0};
    for (int k = 0; k < 2; ++k) {
        s = Trim(s);
        std::size_t n = 0;
        int v = 0;
        while (n < s.size() && std::isdigit(static_cast<unsigned char>(s[n]))) {
            if (n >= 4) return false;  // no valid value has more than 3 digits
            v = v * 10 + (s[n] - '0');
            ++n;
        }
        if (n == 0) return false;
        values[k] = v;
        s.remove_prefix(n);
        if (k == 0 && (s.empty() || !std::isspace(static_cast<unsigned char>(s.front())))) return false;
    }
    if (!Trim(s).empty()) return false;
    *a = values[0];
    *b = values[1];
    return true;
}

// "3df v" followed by a version such as 1.0, 1.1 or 1.4.
bool IsMagic(std::string_view line) {
    constexpr std::string_view kMagic = "3df v";
    if (line.substr(0, kMagic.size()) != kMagic) return false;
    std::string_view version = line.substr(kMagic.size());
    const std::size_t dot = version.find('.');
    if (dot == 0 || dot == std::string_view::npos || dot + 1 == version.size()) return false;
    for (std::size_t i = 0; i < version.size(); ++i) {
        if (i != dot && !std::isdigit(static_cast<unsigned char>(version[i]))) return false;
    }
    return true;
}

// ---- header parsing --------------------------------------------------------------

bool ParseHeader(std::FILE* f, const char* path, Gu3dfHeader* header, std::uint32_t* memRequired,
                 std::string* error) {
    std::string line;
    if (!ReadLine(f, &line) || !IsMagic(Trim(line))) {
        return Fail(error, path, "not a 3DF file (the first line is not \"3df v<version>\")");
    }
    if (!ReadLine(f, &line)) return Fail(error, path, "the header ends before the format line");
    const std::string_view formatName = Trim(line);
    GrTextureFormat_t format = 0;
    if (!TextureFormatFromName(formatName, &format)) {
        return Fail(error, path, "unknown texture format \"" + std::string(formatName) + "\"");
    }

    if (!ReadLine(f, &line)) return Fail(error, path, "the header ends before the \"lod range:\" line");
    std::string_view lodLine = Trim(line);
    constexpr std::string_view kLodRange = "lod range:";
    int smallEdge = 0, largeEdge = 0;
    GrLOD_t smallLod = 0, largeLod = 0;
    if (!StartsWithNoCase(lodLine, kLodRange) ||
        !ParseTwoNumbers(lodLine.substr(kLodRange.size()), &smallEdge, &largeEdge) ||
        !LodFromEdge(smallEdge, &smallLod) || !LodFromEdge(largeEdge, &largeLod) || smallEdge > largeEdge) {
        return Fail(error, path,
                    "bad \"lod range: <smallest> <largest>\" line \"" + std::string(lodLine) +
                        "\" (edges are powers of two from 1 to 256, smallest first)");
    }

    if (!ReadLine(f, &line)) return Fail(error, path, "the header ends before the \"aspect ratio:\" line");
    std::string_view aspectLine = Trim(line);
    constexpr std::string_view kAspect = "aspect ratio:";
    int aw = 0, ah = 0;
    GrAspectRatio_t aspect = 0;
    int termW = 0, termH = 0;
    if (!StartsWithNoCase(aspectLine, kAspect) || !ParseTwoNumbers(aspectLine.substr(kAspect.size()), &aw, &ah) ||
        !AspectFromSize(aw, ah, &aspect) || !AspectRatioTerms(aspect, &termW, &termH) || termW != aw ||
        termH != ah) {
        return Fail(error, path,
                    "bad \"aspect ratio: <w> <h>\" line \"" + std::string(aspectLine) +
                        "\" (one of 8 1, 4 1, 2 1, 1 1, 1 2, 1 4, 1 8)");
    }

    int width = 0, height = 0;
    LevelSize(largeLod, aspect, &width, &height);
    header->width = static_cast<FxU32>(width);
    header->height = static_cast<FxU32>(height);
    header->small_lod = smallLod;
    header->large_lod = largeLod;
    header->aspect_ratio = aspect;
    header->format = format;
    *memRequired = TextureBytes(format, smallLod, largeLod, aspect);
    return true;
}

// ---- table and texels ----------------------------------------------------------------

std::uint32_t BigEndian16(const std::uint8_t* p) { return (std::uint32_t{p[0]} << 8) | p[1]; }
std::uint32_t BigEndian32(const std::uint8_t* p) {
    return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) | p[3];
}

// I and Q entries are 9-bit two's complement values held in 16 bits.
FxI16 SignExtend9(std::uint32_t word) {
    const int v = static_cast<int>(word & 0x1FF);
    return static_cast<FxI16>(v >= 256 ? v - 512 : v);
}

bool ReadTable(std::FILE* f, const char* path, GrTextureFormat_t format, GuTexTable* table, std::string* error) {
    std::memset(table, 0, sizeof *table);
    switch (TableKindOf(format)) {
        case TexTableKind::kNone:
            return true;
        case TexTableKind::kNcc: {
            std::uint8_t raw[80];
            if (std::fread(raw, 1, sizeof raw, f) != sizeof raw) {
                return Fail(error, path, "the file ends inside the NCC table");
            }
            GuNccTable& ncc = table->nccTable;
            for (int i = 0; i < 16; ++i) ncc.yRGB[i] = static_cast<FxU8>(BigEndian16(raw + 2 * i) & 0xFF);
            for (int i = 0; i < 4; ++i) {
                for (int c = 0; c < 3; ++c) {
                    ncc.iRGB[i][c] = SignExtend9(BigEndian16(raw + 2 * (16 + 3 * i + c)));
                    ncc.qRGB[i][c] = SignExtend9(BigEndian16(raw + 2 * (28 + 3 * i + c)));
                }
            }
            return true;
        }
        case TexTableKind::kPalette: {
            std::uint8_t raw[1024];
            if (std::fread(raw, 1, sizeof raw, f) != sizeof raw) {
                return Fail(error, path, "the file ends inside the palette");
            }
            for (int i = 0; i < 256; ++i) table->palette.data[i] = BigEndian32(raw + 4 * i);
            return true;
        }
    }
    return true;
}

// Reads the memRequired texel bytes into dst and turns 16-bit texels from
// big-endian into host order.
bool ReadTexels(std::FILE* f, const char* path, const Gu3dfHeader& header, std::uint32_t memRequired, void* dst,
                std::string* error) {
    auto* bytes = static_cast<std::uint8_t*>(dst);
    if (std::fread(bytes, 1, memRequired, f) != memRequired) {
        return Fail(error, path,
                    "the file ends inside the texel data (" + std::to_string(memRequired) + " bytes expected)");
    }
    if (TextureFormatBytes(header.format) == 2) {
        for (std::uint32_t i = 0; i + 1 < memRequired; i += 2) {
            const auto w = static_cast<std::uint16_t>(BigEndian16(bytes + i));
            std::memcpy(bytes + i, &w, sizeof w);
        }
    }
    return true;
}

File Open(const char* path, std::string* error) {
    if (path == nullptr) {
        Fail(error, path, "no file name");
        return File{};
    }
    File f(std::fopen(path, "rb"));
    if (!f) Fail(error, path, std::string("cannot open the file (") + std::strerror(errno) + ")");
    return f;
}

}  // namespace

const std::string& Last3dfFailure() { return gLastFailure; }

// ---- API entries ------------------------------------------------------------------------

bool Read3dfHeader(const char* path, Gu3dfHeader* header, std::uint32_t* memRequired, std::string* error) {
    File f = Open(path, error);
    if (!f) return false;
    Gu3dfHeader h{};
    std::uint32_t mem = 0;
    if (!ParseHeader(f.get(), path, &h, &mem, error)) return false;
    if (header) *header = h;
    if (memRequired) *memRequired = mem;
    return true;
}

bool Read3dfFile(const char* path, Texture3df* out, std::string* error) {
    File f = Open(path, error);
    if (!f || out == nullptr) return false;
    Texture3df t;
    std::uint32_t mem = 0;
    if (!ParseHeader(f.get(), path, &t.header, &mem, error) ||
        !ReadTable(f.get(), path, t.header.format, &t.table, error)) {
        return false;
    }
    t.data.resize(mem);
    if (!ReadTexels(f.get(), path, t.header, mem, t.data.data(), error)) return false;
    *out = std::move(t);
    return true;
}

}  // namespace glide

FxBool gu3dfGetInfo(const char* filename, Gu3dfInfo* info) {
    glide::gLastFailure.clear();
    if (info == nullptr) return glide::Fail(nullptr, filename, "no info record given");
    Gu3dfHeader header{};
    std::uint32_t mem = 0;
    if (!glide::Read3dfHeader(filename, &header, &mem, nullptr)) return FXFALSE;
    info->header = header;
    info->mem_required = mem;
    return FXTRUE;
}

// Expects info->data to hold info->mem_required bytes, as gu3dfGetInfo set
// it; a file that now needs more than that is refused rather than written
// past the caller's buffer.
FxBool gu3dfLoad(const char* filename, Gu3dfInfo* info) {
    glide::gLastFailure.clear();
    if (info == nullptr || info->data == nullptr) return glide::Fail(nullptr, filename, "no buffer for the texels");
    glide::File f = glide::Open(filename, nullptr);
    if (!f) return FXFALSE;
    Gu3dfHeader header{};
    std::uint32_t mem = 0;
    if (!glide::ParseHeader(f.get(), filename, &header, &mem, nullptr)) return FXFALSE;
    if (mem > info->mem_required) {
        return glide::Fail(nullptr, filename,
                           "the file now needs " + std::to_string(mem) + " bytes of texels, more than the " +
                               std::to_string(info->mem_required) + " its info gave");
    }
    GuTexTable table;
    if (!glide::ReadTable(f.get(), filename, header.format, &table, nullptr) ||
        !glide::ReadTexels(f.get(), filename, header, mem, info->data, nullptr)) {
        return FXFALSE;
    }
    info->header = header;
    info->table = table;
    info->mem_required = mem;
    return FXTRUE;
}
