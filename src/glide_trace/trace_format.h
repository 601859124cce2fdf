// The device trace file: what one recorded accelerator call looks like on
// disk, and the reader that checks a whole file before anything replays it.
//
// Layout (all numbers little-endian, floats as their IEEE-754 bits):
//   file header   "TARNTRC1", u32 version, u32 first frame, u32 last frame
//   records       u8 op, u32 payload bytes, payload
// The records before the first kFrameBegin are the preamble: the device
// open, every texture allocation and download made so far, and the last
// value of every piece of render state, in the order the program made
// those calls. Then come the recorded frames, each opened by kFrameBegin
// and closed by its kBufferSwap. kTraceEnd closes the file.
//
// Sections: operations; file header; writer; reader.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "glide.h"

namespace glide_trace {

// ---- operations ---------------------------------------------------------------

// One value per recorded Glide call, plus the file's own markers. The
// numbers are part of the file format: append, never renumber.
enum class Op : std::uint8_t {
    kGlideInit = 1,
    kSstQueryHardware = 2,
    kSstSelect = 3,          // i32 which
    kSstOpen = 4,            // i32 res, refresh, format, origin, smoothing, buffers
    kGlideShutdown = 5,
    kSstPassthruMode = 6,    // i32 mode
    kRenderBuffer = 7,       // i32 buffer
    kBufferClear = 8,        // u32 colour, u32 alpha, u32 depth
    kBufferSwap = 9,         // i32 interval
    kDepthBufferMode = 10,   // i32
    kDepthBufferFunction = 11,
    kDepthMask = 12,
    kAlphaCombine = 13,      // i32 function, factor, local, other, invert
    kAlphaBlendFunction = 14,  // i32 rgbSrc, rgbDst, alphaSrc, alphaDst
    kFogMode = 15,
    kFogTable = 16,          // 64 bytes
    kFogColorValue = 17,     // u32
    kHints = 18,             // u32 type, u32 value
    kConstantColorValue = 19,  // u32
    kTexFilterMode = 20,     // i32 tmu, min, mag
    kTexMipMapMode = 21,     // i32 tmu, mode, lodBlend
    kColorCombineFunction = 22,  // i32
    kTexCombineFunction = 23,    // i32 tmu, function
    kMPInit = 24,
    kMPTexCombineFunction = 25,  // i32
    kMPTexSource = 26,           // i32 virtual tmu, u32 handle
    kTexAllocateMemory = 27,     // AllocArgs
    kTexDownloadMipMap = 28,     // u32 handle, u32 table bytes, u32 data bytes, table, data
    kTexSource = 29,             // u32 handle
    kDrawTriangle = 30,          // 3 GrVertex
    kAADrawTriangle = 31,        // 3 GrVertex, i32 ab, bc, ca
    kMPDrawTriangle = 32,        // 3 GrVertex
    kDrawLine = 33,              // 2 GrVertex
    kFrameBegin = 100,           // u32 frame number of the recording program
    kTraceEnd = 101,             // u32 frames recorded
};

// The call's name as it appears in glide.h ("grDrawTriangle"), or the
// marker's name; nullptr for a value that is no operation.
const char* OpName(Op op);

// Payload size of an operation with a fixed payload; -1 for the one
// variable-sized record (kTexDownloadMipMap) and for unknown values.
int FixedPayloadBytes(Op op);

// Arguments of guTexAllocateMemory as recorded, with the handle the
// recording program got back (the replay maps it to its own).
struct AllocArgs {
    std::uint32_t recordedHandle;
    std::int32_t tmu;
    std::int32_t oddEvenMask;
    std::int32_t width, height;
    std::int32_t format, mipmapMode, smallLod, largeLod, aspect;
    std::int32_t sClamp, tClamp, minFilter, magFilter;
    float lodBias;
    std::int32_t trilinear;
};
static_assert(sizeof(AllocArgs) == 16 * 4, "AllocArgs is written as sixteen 32-bit words");
static_assert(sizeof(GrVertex) == 60, "GrVertex is written as fifteen floats");

// Bytes of the table that guTexDownloadMipMap reads for a format: the NCC
// table for the YIQ formats, the whole table union for the palette formats
// (the device reaches the palette through the pointer it is given), 0 for
// formats without a table.
std::uint32_t DownloadTableBytes(GrTextureFormat_t format);

// ---- file header ----------------------------------------------------------------

constexpr char kMagic[8] = {'T', 'A', 'R', 'N', 'T', 'R', 'C', '1'};
constexpr std::uint32_t kVersion = 1;
constexpr std::size_t kFileHeaderBytes = 8 + 3 * 4;
constexpr std::size_t kRecordHeaderBytes = 1 + 4;

// ---- writer ---------------------------------------------------------------------------

// Appends records to an open file. Every write reports failure (disk full,
// closed file) once through ok(); later writes are dropped.
class Writer {
public:
    constexpr explicit Writer(std::FILE* file) : file_(file) {}
    void Header(std::uint32_t firstFrame, std::uint32_t lastFrame);
    // One record whose payload is the concatenation of up to three pieces.
    void Record(Op op, const void* a, std::uint32_t aBytes, const void* b = nullptr, std::uint32_t bBytes = 0,
                const void* c = nullptr, std::uint32_t cBytes = 0);
    bool ok() const { return ok_; }

private:
    void Put(const void* data, std::size_t bytes);
    std::FILE* file_;
    bool ok_ = true;
};

// ---- reader ---------------------------------------------------------------------------

struct Record {
    Op op;
    std::uint32_t offset;  // of the payload in TraceFile::bytes
    std::uint32_t bytes;   // payload size
};

struct TraceFile {
    std::uint32_t firstFrame = 0;
    std::uint32_t lastFrame = 0;
    std::uint32_t framesRecorded = 0;  // from kTraceEnd
    std::vector<std::uint8_t> bytes;   // the whole file
    std::vector<Record> records;       // kTraceEnd excluded
    std::size_t firstFrameRecord = 0;  // index of the first kFrameBegin (records.size() if none)
    std::uint64_t triangles = 0;       // draw records in the frames (lines excluded)
};

// Checks and indexes a trace held in memory: magic, version, every record's
// operation and size, the download records' inner sizes, the end record.
// On failure returns false with a message naming the record and the fault.
bool ParseTrace(std::vector<std::uint8_t> bytes, TraceFile* out, std::string* error);

// Reads a file and parses it; errors name the file.
bool ReadTraceFile(const char* path, TraceFile* out, std::string* error);

// Copies `bytes` bytes of a record's payload, from `offset` on, into dst.
// ParseTrace has checked every size, so a copy within the payload is safe.
void CopyPayload(const TraceFile& trace, const Record& record, std::size_t offset, void* dst, std::size_t bytes);

}  // namespace glide_trace
