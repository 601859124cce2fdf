// Trace replay: decodes each record into the call's arguments and makes the
// call. The recorded mip-map handles are mapped to the ones this device
// hands out, since nothing guarantees the same numbering.
//
// Sections: argument checks; one record; passes; summaries.
#include "trace_replay.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>

#include "glide.h"
#include "glide_device.h"
#include "gu3df_io.h"

namespace glide_trace {

namespace {

// Recorded handles index a table; the board runs out of memory long
// before this many allocations.
constexpr std::uint32_t kMaxHandles = 1u << 20;

// Screen coordinates beyond this are refused (the screen is 640 x 480).
constexpr float kMaxCoordinate = 4096.0f;

struct Player {
    const TraceFile& trace;
    const ReplayOptions& options;
    std::vector<GrMipMapId_t> handles;  // recorded -> ours
    std::vector<std::uint32_t> texelBytes;  // recorded handle -> bytes its download reads
    std::string error;

    bool Fail(const Record& record, const std::string& what) {
        error = std::string(OpName(record.op)) + " record at byte " +
                std::to_string(record.offset - kRecordHeaderBytes) + ": " + what;
        return false;
    }

    // ---- argument checks ------------------------------------------------------------

    bool Tmu(const Record& record, std::int32_t tmu) {
        if (tmu < 0 || tmu >= GLIDE_NUM_TMU) return Fail(record, "texture unit " + std::to_string(tmu) + " out of range");
        return true;
    }

    // Vertices the system sends lie on the screen; a damaged file must not
    // hand the rasterizer non-numbers or coordinates far outside it.
    bool Vertices(const Record& record, const GrVertex* v, int count) {
        for (int i = 0; i < count; ++i) {
            const float values[] = {v[i].x, v[i].y, v[i].z, v[i].r, v[i].g, v[i].b, v[i].ooz, v[i].a, v[i].oow,
                                    v[i].tmuvtx[0].sow, v[i].tmuvtx[0].tow, v[i].tmuvtx[0].oow,
                                    v[i].tmuvtx[1].sow, v[i].tmuvtx[1].tow, v[i].tmuvtx[1].oow};
            for (float f : values) {
                if (!std::isfinite(f)) return Fail(record, "vertex holds a value that is not a finite number");
            }
            if (std::fabs(v[i].x) > kMaxCoordinate || std::fabs(v[i].y) > kMaxCoordinate) {
                return Fail(record, "vertex lies far outside the screen");
            }
        }
        return true;
    }

    GrMipMapId_t Handle(std::uint32_t recorded) const {
        if (recorded < handles.size()) return handles[recorded];
        return GR_NULL_MIPMAP_HANDLE;
    }

    template <std::size_t N>
    void Words(const Record& record, std::int32_t (&out)[N]) const {
        CopyPayload(trace, record, 0, out, sizeof(out));
    }

    // ---- one record -------------------------------------------------------------------

    bool Play(const Record& record) {
        std::int32_t w[6] = {};
        std::uint32_t u[3] = {};
        GrVertex v[3];
        switch (record.op) {
            case Op::kGlideInit:
                grGlideInit();
                handles.clear();
                texelBytes.clear();
                return true;
            case Op::kSstQueryHardware: {
                GrHwConfiguration hw{};
                grSstQueryHardware(&hw);
                return true;
            }
            case Op::kSstSelect:
                CopyPayload(trace, record, 0, w, 4);
                grSstSelect(w[0]);
                return true;
            case Op::kSstOpen:
                Words(record, w);
                grSstOpen(w[0], w[1], w[2], w[3], w[4], w[5]);
                return true;
            case Op::kGlideShutdown:
                // The replay owns the device's lifetime.
                return true;
            case Op::kSstPassthruMode:
                CopyPayload(trace, record, 0, w, 4);
                grSstPassthruMode(w[0]);
                return true;
            case Op::kRenderBuffer:
                CopyPayload(trace, record, 0, w, 4);
                grRenderBuffer(w[0]);
                return true;
            case Op::kBufferClear:
                CopyPayload(trace, record, 0, u, 12);
                grBufferClear(u[0], static_cast<GrAlpha_t>(u[1]), static_cast<FxU16>(u[2]));
                return true;
            case Op::kBufferSwap:
                CopyPayload(trace, record, 0, w, 4);
                grBufferSwap(options.keepSwapInterval ? w[0] : 0);
                return true;
            case Op::kDepthBufferMode:
                CopyPayload(trace, record, 0, w, 4);
                grDepthBufferMode(w[0]);
                return true;
            case Op::kDepthBufferFunction:
                CopyPayload(trace, record, 0, w, 4);
                grDepthBufferFunction(w[0]);
                return true;
            case Op::kDepthMask:
                CopyPayload(trace, record, 0, w, 4);
                grDepthMask(w[0]);
                return true;
            case Op::kAlphaCombine:
                CopyPayload(trace, record, 0, w, 20);
                grAlphaCombine(w[0], w[1], w[2], w[3], w[4]);
                return true;
            case Op::kAlphaBlendFunction:
                CopyPayload(trace, record, 0, w, 16);
                grAlphaBlendFunction(w[0], w[1], w[2], w[3]);
                return true;
            case Op::kFogMode:
                CopyPayload(trace, record, 0, w, 4);
                grFogMode(w[0]);
                return true;
            case Op::kFogTable: {
                GrFog_t table[GR_FOG_TABLE_SIZE];
                CopyPayload(trace, record, 0, table, sizeof(table));
                grFogTable(table);
                return true;
            }
            case Op::kFogColorValue:
                CopyPayload(trace, record, 0, u, 4);
                grFogColorValue(u[0]);
                return true;
            case Op::kHints:
                CopyPayload(trace, record, 0, u, 8);
                grHints(u[0], u[1]);
                return true;
            case Op::kConstantColorValue:
                CopyPayload(trace, record, 0, u, 4);
                grConstantColorValue(u[0]);
                return true;
            case Op::kTexFilterMode:
                CopyPayload(trace, record, 0, w, 12);
                if (!Tmu(record, w[0])) return false;
                grTexFilterMode(w[0], w[1], w[2]);
                return true;
            case Op::kTexMipMapMode:
                CopyPayload(trace, record, 0, w, 12);
                if (!Tmu(record, w[0])) return false;
                grTexMipMapMode(w[0], w[1], w[2]);
                return true;
            case Op::kColorCombineFunction:
                CopyPayload(trace, record, 0, w, 4);
                guColorCombineFunction(w[0]);
                return true;
            case Op::kTexCombineFunction:
                CopyPayload(trace, record, 0, w, 8);
                if (!Tmu(record, w[0])) return false;
                guTexCombineFunction(w[0], w[1]);
                return true;
            case Op::kMPInit:
                guMPInit();
                return true;
            case Op::kMPTexCombineFunction:
                CopyPayload(trace, record, 0, w, 4);
                guMPTexCombineFunction(w[0]);
                return true;
            case Op::kMPTexSource:
                CopyPayload(trace, record, 0, u, 8);
                if (!Tmu(record, static_cast<std::int32_t>(u[0]))) return false;
                guMPTexSource(static_cast<GrChipID_t>(u[0]), Handle(u[1]));
                return true;
            case Op::kTexAllocateMemory: {
                AllocArgs a;
                CopyPayload(trace, record, 0, &a, sizeof(a));
                const GrMipMapId_t ours = guTexAllocateMemory(
                    a.tmu, static_cast<FxU8>(a.oddEvenMask), a.width, a.height, a.format, a.mipmapMode, a.smallLod,
                    a.largeLod, a.aspect, a.sClamp, a.tClamp, a.minFilter, a.magFilter, a.lodBias, a.trilinear);
                if (a.recordedHandle == GR_NULL_MIPMAP_HANDLE) return true;  // failed then too
                if (a.recordedHandle >= kMaxHandles) return Fail(record, "mip-map handle out of range");
                if (handles.size() <= a.recordedHandle) {
                    handles.resize(a.recordedHandle + 1, GR_NULL_MIPMAP_HANDLE);
                    texelBytes.resize(a.recordedHandle + 1, 0);
                }
                handles[a.recordedHandle] = ours;
                texelBytes[a.recordedHandle] = glide::TextureBytes(a.format, a.smallLod, a.largeLod, a.aspect);
                return true;
            }
            case Op::kTexDownloadMipMap: {
                CopyPayload(trace, record, 0, u, 12);
                const GrMipMapId_t ours = Handle(u[0]);
                if (ours == GR_NULL_MIPMAP_HANDLE) return true;  // the allocation failed then too
                // The device reads as many texels as the allocation
                // describes; a damaged file must not make it read past the
                // data it carries.
                if (u[2] < texelBytes[u[0]]) return Fail(record, "texel data shorter than its allocation");
                const std::uint8_t* payload = trace.bytes.data() + record.offset;
                GuTexTable table{};
                if (u[1] > 0) std::memcpy(&table, payload + 12, u[1]);
                const std::uint8_t* data = payload + 12 + u[1];
                guTexDownloadMipMap(ours, data, u[1] > 0 ? &table.nccTable : nullptr);
                return true;
            }
            case Op::kTexSource:
                CopyPayload(trace, record, 0, u, 4);
                guTexSource(Handle(u[0]));
                return true;
            case Op::kDrawTriangle:
                CopyPayload(trace, record, 0, v, sizeof(v));
                if (!Vertices(record, v, 3)) return false;
                grDrawTriangle(&v[0], &v[1], &v[2]);
                return true;
            case Op::kAADrawTriangle:
                CopyPayload(trace, record, 0, v, sizeof(v));
                CopyPayload(trace, record, sizeof(v), w, 12);
                if (!Vertices(record, v, 3)) return false;
                grAADrawTriangle(&v[0], &v[1], &v[2], w[0], w[1], w[2]);
                return true;
            case Op::kMPDrawTriangle:
                CopyPayload(trace, record, 0, v, sizeof(v));
                if (!Vertices(record, v, 3)) return false;
                guMPDrawTriangle(&v[0], &v[1], &v[2]);
                return true;
            case Op::kDrawLine:
                CopyPayload(trace, record, 0, v, 2 * sizeof(GrVertex));
                if (!Vertices(record, v, 2)) return false;
                grDrawLine(&v[0], &v[1]);
                return true;
            case Op::kFrameBegin:
            case Op::kTraceEnd:
                return true;
        }
        return Fail(record, "unknown operation");
    }
};

// Calls that set the device up; they run in the first pass only.
bool IsSetUp(Op op) {
    return op == Op::kGlideInit || op == Op::kSstQueryHardware || op == Op::kSstSelect || op == Op::kSstOpen ||
           op == Op::kTexAllocateMemory || op == Op::kTexDownloadMipMap;
}

}  // namespace

// ---- passes -----------------------------------------------------------------------------

bool ReplayTrace(const TraceFile& trace, const ReplayOptions& options, ReplayResult* result, std::string* error) {
    using Clock = std::chrono::steady_clock;
    *result = ReplayResult{};
    result->trianglesPerPass = trace.triangles;
    Player player{trace, options, {}, {}, {}};

    const auto preambleStart = Clock::now();
    for (std::size_t i = 0; i < trace.firstFrameRecord; ++i) {
        if (!player.Play(trace.records[i])) {
            if (error) *error = player.error;
            return false;
        }
    }
    result->preambleSeconds = std::chrono::duration<double>(Clock::now() - preambleStart).count();

    glide::SetRasterizationEnabled(options.rasterize);
    const int passes = std::max(1, options.repeat);
    bool ok = true;
    for (int pass = 0; pass < passes && ok; ++pass) {
        std::uint32_t frames = 0;
        bool inFrame = false;
        Clock::time_point frameStart;
        for (std::size_t i = trace.firstFrameRecord; i < trace.records.size(); ++i) {
            const Record& record = trace.records[i];
            if (pass > 0 && IsSetUp(record.op)) continue;
            if (record.op == Op::kFrameBegin) {
                inFrame = true;
                frameStart = Clock::now();
                continue;
            }
            if (!player.Play(record)) {
                ok = false;
                break;
            }
            if (record.op == Op::kBufferSwap && inFrame) {
                result->frameSeconds.push_back(std::chrono::duration<double>(Clock::now() - frameStart).count());
                inFrame = false;
                ++frames;
            }
        }
        // A trace cut short inside a frame (the program ended there) still
        // counts that frame.
        if (ok && inFrame) {
            result->frameSeconds.push_back(std::chrono::duration<double>(Clock::now() - frameStart).count());
            ++frames;
        }
        result->framesPerPass = frames;
    }
    glide::SetRasterizationEnabled(true);
    if (!ok && error) *error = player.error;
    return ok;
}

// ---- summaries ----------------------------------------------------------------------------

TimeSummary Summarize(std::vector<double> seconds) {
    TimeSummary s;
    if (seconds.empty()) return s;
    std::sort(seconds.begin(), seconds.end());
    s.min = seconds.front();
    s.max = seconds.back();
    const std::size_t n = seconds.size();
    s.median = (n % 2 == 1) ? seconds[n / 2] : 0.5 * (seconds[n / 2 - 1] + seconds[n / 2]);
    double sum = 0.0;
    for (double t : seconds) sum += t;
    s.mean = sum / static_cast<double>(n);
    return s;
}

}  // namespace glide_trace
