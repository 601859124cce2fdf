// Device trace file: operation table, writer and the checking reader.
//
// Sections: operation table; writer; reader.
#include "trace_format.h"

#include <bit>
#include <cerrno>
#include <cstring>

namespace glide_trace {

// Records are memcpy'd in host order; the file is defined as little-endian.
static_assert(std::endian::native == std::endian::little, "the trace format is written in host order");

namespace {

// ---- operation table ------------------------------------------------------------

struct OpInfo {
    Op op;
    const char* name;
    int payloadBytes;  // -1: variable
};

constexpr int kVertex = static_cast<int>(sizeof(GrVertex));

constexpr OpInfo kOps[] = {
    {Op::kGlideInit, "grGlideInit", 0},
    {Op::kSstQueryHardware, "grSstQueryHardware", 0},
    {Op::kSstSelect, "grSstSelect", 4},
    {Op::kSstOpen, "grSstOpen", 24},
    {Op::kGlideShutdown, "grGlideShutdown", 0},
    {Op::kSstPassthruMode, "grSstPassthruMode", 4},
    {Op::kRenderBuffer, "grRenderBuffer", 4},
    {Op::kBufferClear, "grBufferClear", 12},
    {Op::kBufferSwap, "grBufferSwap", 4},
    {Op::kDepthBufferMode, "grDepthBufferMode", 4},
    {Op::kDepthBufferFunction, "grDepthBufferFunction", 4},
    {Op::kDepthMask, "grDepthMask", 4},
    {Op::kAlphaCombine, "grAlphaCombine", 20},
    {Op::kAlphaBlendFunction, "grAlphaBlendFunction", 16},
    {Op::kFogMode, "grFogMode", 4},
    {Op::kFogTable, "grFogTable", GR_FOG_TABLE_SIZE},
    {Op::kFogColorValue, "grFogColorValue", 4},
    {Op::kHints, "grHints", 8},
    {Op::kConstantColorValue, "grConstantColorValue", 4},
    {Op::kTexFilterMode, "grTexFilterMode", 12},
    {Op::kTexMipMapMode, "grTexMipMapMode", 12},
    {Op::kColorCombineFunction, "guColorCombineFunction", 4},
    {Op::kTexCombineFunction, "guTexCombineFunction", 8},
    {Op::kMPInit, "guMPInit", 0},
    {Op::kMPTexCombineFunction, "guMPTexCombineFunction", 4},
    {Op::kMPTexSource, "guMPTexSource", 8},
    {Op::kTexAllocateMemory, "guTexAllocateMemory", static_cast<int>(sizeof(AllocArgs))},
    {Op::kTexDownloadMipMap, "guTexDownloadMipMap", -1},
    {Op::kTexSource, "guTexSource", 4},
    {Op::kDrawTriangle, "grDrawTriangle", 3 * kVertex},
    {Op::kAADrawTriangle, "grAADrawTriangle", 3 * kVertex + 12},
    {Op::kMPDrawTriangle, "guMPDrawTriangle", 3 * kVertex},
    {Op::kDrawLine, "grDrawLine", 2 * kVertex},
    {Op::kFrameBegin, "frame begin", 4},
    {Op::kTraceEnd, "trace end", 4},
};

const OpInfo* FindOp(std::uint8_t value) {
    for (const OpInfo& info : kOps) {
        if (static_cast<std::uint8_t>(info.op) == value) return &info;
    }
    return nullptr;
}

std::uint32_t ReadU32(const std::uint8_t* p) {
    std::uint32_t v = 0;
    std::memcpy(&v, p, 4);
    return v;
}

}  // namespace

const char* OpName(Op op) {
    const OpInfo* info = FindOp(static_cast<std::uint8_t>(op));
    return info ? info->name : nullptr;
}

int FixedPayloadBytes(Op op) {
    const OpInfo* info = FindOp(static_cast<std::uint8_t>(op));
    return info ? info->payloadBytes : -1;
}

std::uint32_t DownloadTableBytes(GrTextureFormat_t format) {
    switch (format) {
        case GR_TEXFMT_YIQ_422:
        case GR_TEXFMT_AYIQ_8422:
            return sizeof(GuNccTable);
        case GR_TEXFMT_P_8:
        case GR_TEXFMT_AP_88:
            return sizeof(GuTexTable);
        default:
            return 0;
    }
}

// ---- writer ---------------------------------------------------------------------------

void Writer::Put(const void* data, std::size_t bytes) {
    if (!ok_ || bytes == 0) return;
    if (file_ == nullptr || std::fwrite(data, 1, bytes, file_) != bytes) ok_ = false;
}

void Writer::Header(std::uint32_t firstFrame, std::uint32_t lastFrame) {
    const std::uint32_t words[3] = {kVersion, firstFrame, lastFrame};
    Put(kMagic, sizeof(kMagic));
    Put(words, sizeof(words));
}

void Writer::Record(Op op, const void* a, std::uint32_t aBytes, const void* b, std::uint32_t bBytes, const void* c,
                    std::uint32_t cBytes) {
    const auto code = static_cast<std::uint8_t>(op);
    const std::uint32_t total = aBytes + bBytes + cBytes;
    Put(&code, 1);
    Put(&total, 4);
    Put(a, aBytes);
    Put(b, bBytes);
    Put(c, cBytes);
}

// ---- reader ---------------------------------------------------------------------------

void CopyPayload(const TraceFile& trace, const Record& record, std::size_t offset, void* dst, std::size_t bytes) {
    std::memcpy(dst, trace.bytes.data() + record.offset + offset, bytes);
}

bool ParseTrace(std::vector<std::uint8_t> bytes, TraceFile* out, std::string* error) {
    auto fail = [&](std::size_t at, const std::string& what) {
        if (error) *error = "at byte " + std::to_string(at) + ": " + what;
        return false;
    };
    *out = TraceFile{};
    if (bytes.size() < kFileHeaderBytes || std::memcmp(bytes.data(), kMagic, sizeof(kMagic)) != 0) {
        return fail(0, "not a Tarnview device trace (bad magic)");
    }
    const std::uint32_t version = ReadU32(bytes.data() + 8);
    if (version != kVersion) return fail(8, "unsupported trace version " + std::to_string(version));
    out->firstFrame = ReadU32(bytes.data() + 12);
    out->lastFrame = ReadU32(bytes.data() + 16);
    if (bytes.size() > 0xFFFFFFF0u) return fail(0, "trace larger than 4 GB");

    bool ended = false;
    bool inFrames = false;
    std::size_t pos = kFileHeaderBytes;
    while (pos < bytes.size()) {
        if (ended) return fail(pos, "data after the end record");
        if (bytes.size() - pos < kRecordHeaderBytes) return fail(pos, "record header cut short");
        const std::uint8_t code = bytes[pos];
        const std::uint32_t size = ReadU32(bytes.data() + pos + 1);
        const std::size_t payload = pos + kRecordHeaderBytes;
        const OpInfo* info = FindOp(code);
        if (info == nullptr) return fail(pos, "unknown operation " + std::to_string(code));
        if (size > bytes.size() - payload) {
            return fail(pos, std::string(info->name) + " record cut short (file truncated?)");
        }
        if (info->payloadBytes >= 0 && size != static_cast<std::uint32_t>(info->payloadBytes)) {
            return fail(pos, std::string(info->name) + " record has " + std::to_string(size) + " bytes, expected " +
                                 std::to_string(info->payloadBytes));
        }
        if (info->op == Op::kTexDownloadMipMap) {
            if (size < 12) return fail(pos, "guTexDownloadMipMap record too short");
            const std::uint32_t tableBytes = ReadU32(bytes.data() + payload + 4);
            const std::uint32_t dataBytes = ReadU32(bytes.data() + payload + 8);
            if ((tableBytes != 0 && tableBytes != sizeof(GuNccTable) && tableBytes != sizeof(GuTexTable)) ||
                static_cast<std::uint64_t>(tableBytes) + dataBytes + 12 != size) {
                return fail(pos, "guTexDownloadMipMap record sizes do not add up");
            }
        }
        if (info->op == Op::kTraceEnd) {
            out->framesRecorded = ReadU32(bytes.data() + payload);
            ended = true;
        } else {
            if (info->op == Op::kFrameBegin && !inFrames) {
                inFrames = true;
                out->firstFrameRecord = out->records.size();
            }
            if (inFrames && (info->op == Op::kDrawTriangle || info->op == Op::kAADrawTriangle ||
                             info->op == Op::kMPDrawTriangle)) {
                ++out->triangles;
            }
            out->records.push_back(Record{info->op, static_cast<std::uint32_t>(payload), size});
        }
        pos = payload + size;
    }
    if (!ended) return fail(pos, "trace has no end record (recording cut short?)");
    if (!inFrames) out->firstFrameRecord = out->records.size();
    out->bytes = std::move(bytes);
    return true;
}

bool ReadTraceFile(const char* path, TraceFile* out, std::string* error) {
    std::FILE* file = std::fopen(path, "rb");
    if (file == nullptr) {
        if (error) *error = std::string(path) + ": cannot open: " + std::strerror(errno);
        return false;
    }
    std::vector<std::uint8_t> bytes;
    std::uint8_t chunk[1 << 16];
    std::size_t got = 0;
    while ((got = std::fread(chunk, 1, sizeof(chunk), file)) > 0) bytes.insert(bytes.end(), chunk, chunk + got);
    const bool readError = std::ferror(file) != 0;
    std::fclose(file);
    if (readError) {
        if (error) *error = std::string(path) + ": read error";
        return false;
    }
    std::string why;
    if (!ParseTrace(std::move(bytes), out, &why)) {
        if (error) *error = std::string(path) + ": " + why;
        return false;
    }
    return true;
}

}  // namespace glide_trace
