// The trace recorder's state, shared by the public API (trace_recorder.cpp)
// and the linker-wrapped Glide calls (trace_wrappers.cpp). The two live in
// separate objects so that a program linked without the --wrap options can
// still call the API (which then refuses to trace) without pulling in the
// wrappers, whose __real_ references only resolve under --wrap.
//
// Sections: remembered state; recorder.
#pragma once

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "device_call_timing.h"
#include "glide_trace.h"
#include "support/output_file.h"
#include "trace_format.h"

namespace glide_trace::recording {

// ---- remembered state ---------------------------------------------------------------

// One slot per piece of device state; the latest call that set it wins.
// Per-unit and per-hint calls get a slot per value (the last of each range
// catches values outside it).
enum Slot : int {
    kSlotInit,
    kSlotQuery,
    kSlotSelect,
    kSlotOpen,
    kSlotPassthru,
    kSlotRenderBuffer,
    kSlotDepthMode,
    kSlotDepthFunction,
    kSlotDepthMask,
    kSlotAlphaCombine,
    kSlotAlphaBlend,
    kSlotFogMode,
    kSlotFogTable,
    kSlotFogColor,
    kSlotConstantColor,
    kSlotColorCombine,
    kSlotMPInit,
    kSlotMPTexCombine,
    kSlotTexSource,
    kSlotHints,                    // + hint type, 16 slots
    kSlotTexFilter = kSlotHints + 16,  // + tmu, 3 slots
    kSlotTexMipMap = kSlotTexFilter + 3,
    kSlotTexCombine = kSlotTexMipMap + 3,
    kSlotMPTexSource = kSlotTexCombine + 3,
    kSlotCount = kSlotMPTexSource + 3,
};

inline int Indexed(int base, std::int64_t value, int slots) {
    return base + static_cast<int>(std::clamp<std::int64_t>(value, 0, slots - 1));
}

// Large enough for the largest state payload (the fog table).
constexpr std::uint32_t kSlotPayloadBytes = 64;

struct StateSlot {
    bool set = false;
    std::uint64_t seq = 0;
    Op op = Op::kGlideInit;
    std::uint32_t bytes = 0;
    std::uint8_t payload[kSlotPayloadBytes] = {};
};

// Texture allocations and downloads are all kept (memory is never freed),
// with the texels copied at download: the program's copy is gone by the
// time a trace starts.
struct TextureCall {
    std::uint64_t seq = 0;
    Op op = Op::kTexAllocateMemory;
    std::vector<std::uint8_t> payload;
};

struct KnownMipMap {
    GrMipMapId_t handle;
    GrTextureFormat_t format;
    GrLOD_t smallLod, largeLod;
    GrAspectRatio_t aspect;
};

// ---- recorder ---------------------------------------------------------------------------

struct Recorder {
    int depth = 0;  // nesting of wrapped calls
    std::uint64_t seq = 0;
    std::uint64_t frame = 0;
    StateSlot slots[kSlotCount];
    std::vector<TextureCall> textures;
    std::vector<KnownMipMap> mipmaps;

    bool configured = false;
    bool recording = false;
    bool finished = false;
    // Whether the calls need more than remembering: a trace is configured
    // and not finished, or the device's calls are timed. While false (a
    // program that neither traces nor times, most of the time) the draw
    // wrappers pass their calls straight on and the state wrappers only
    // remember the state. Kept by Watch().
    bool watched = false;
    std::uint32_t first = 0, last = 0;
    std::uint32_t framesRecorded = 0;
    std::string path;
    // The trace goes to a temporary file renamed into place when complete,
    // every write and the close checked.
    std::unique_ptr<tarn::OutputFile> out;
    Writer writer{nullptr};
    // The reason of the first failed write, kept from errno right after the
    // record that failed (the stream itself forgets it).
    int writeErrno = 0;
    std::string error;
    GlideTraceSwapHook swapHook = nullptr;

    void Forget() {
        for (StateSlot& s : slots) s.set = false;
        textures.clear();
        mipmaps.clear();
    }

    // After `configured`, `finished` or the timing changes.
    void Watch() { watched = (configured && !finished) || timing::enabled; }

    [[gnu::always_inline]] void Remember(int slot, Op op, const void* payload, std::uint32_t bytes) {
        StateSlot& s = slots[slot];
        s.set = true;
        s.seq = ++seq;
        s.op = op;
        s.bytes = bytes;
        if (bytes > 0) std::memcpy(s.payload, payload, bytes);
    }

    void RememberTexture(Op op, const void* a, std::uint32_t aBytes, const void* b = nullptr,
                         std::uint32_t bBytes = 0, const void* c = nullptr, std::uint32_t cBytes = 0) {
        TextureCall call;
        call.seq = ++seq;
        call.op = op;
        call.payload.resize(aBytes + bBytes + cBytes);
        if (aBytes) std::memcpy(call.payload.data(), a, aBytes);
        if (bBytes) std::memcpy(call.payload.data() + aBytes, b, bBytes);
        if (cBytes) std::memcpy(call.payload.data() + aBytes + bBytes, c, cBytes);
        textures.push_back(std::move(call));
    }

    // The preamble: remembered calls in the order the program made them.
    void EmitPreamble() {
        struct Item {
            std::uint64_t seq;
            Op op;
            const std::uint8_t* payload;
            std::uint32_t bytes;
        };
        std::vector<Item> items;
        for (const StateSlot& s : slots) {
            if (s.set) items.push_back(Item{s.seq, s.op, s.payload, s.bytes});
        }
        for (const TextureCall& t : textures) {
            items.push_back(Item{t.seq, t.op, t.payload.data(), static_cast<std::uint32_t>(t.payload.size())});
        }
        std::sort(items.begin(), items.end(), [](const Item& a, const Item& b) { return a.seq < b.seq; });
        for (const Item& item : items) writer.Record(item.op, item.payload, item.bytes);
    }

    // Called at every outermost call: opens the recording at the first call
    // of the first traced frame.
    void MaybeStart() {
        if (!configured || recording || finished || frame < first || frame > last) return;
        writer.Header(first, last);
        EmitPreamble();
        const auto number = static_cast<std::uint32_t>(frame);
        writer.Record(Op::kFrameBegin, &number, 4);
        recording = true;
        NoteWriteFailure();
    }

    // Records a call that changes state: written while recording,
    // remembered for the preamble before.
    void NoteWriteFailure() {
        if (!writer.ok() && writeErrno == 0) writeErrno = errno != 0 ? errno : EIO;
    }

    [[gnu::always_inline]] void State(int slot, Op op, const void* payload, std::uint32_t bytes) {
        if (__builtin_expect(configured, 0)) Write(op, payload, bytes);
        // Always remembered: a later trace in the same run needs it too.
        Remember(slot, op, payload, bytes);
    }

    // Writes a state call while recording (and starts the recording at the
    // first traced frame's first call).
    void Write(Op op, const void* payload, std::uint32_t bytes) {
        MaybeStart();
        if (recording) writer.Record(op, payload, bytes);
        NoteWriteFailure();
    }

    // Records a call that only matters inside the traced frames.
    void Frame(Op op, const void* a, std::uint32_t aBytes, const void* b = nullptr, std::uint32_t bBytes = 0) {
        MaybeStart();
        if (recording) writer.Record(op, a, aBytes, b, bBytes);
        NoteWriteFailure();
    }

    void AfterSwap() {
        NoteWriteFailure();
        ++frame;
        if (swapHook != nullptr) swapHook(frame);
        if (!recording) return;
        ++framesRecorded;
        if (frame > last) {
            Finish();
        } else {
            const auto number = static_cast<std::uint32_t>(frame);
            writer.Record(Op::kFrameBegin, &number, 4);
        }
    }

    bool Finish() {
        if (!configured || finished) return error.empty();
        if (!recording) {
            // Nothing recorded (the program ended before frame `first`):
            // still leave a valid, empty trace.
            writer.Header(first, last);
            EmitPreamble();
        }
        writer.Record(Op::kTraceEnd, &framesRecorded, 4);
        NoteWriteFailure();
        recording = false;
        finished = true;
        Watch();
        const bool written = writer.ok();
        const bool committed = out->Commit();
        writer = Writer(nullptr);
        if (!written || !committed) {
            if (writeErrno != 0)
                error = path + ": cannot write (" + std::strerror(writeErrno) + ")";
            else if (!out->Error().empty())
                error = out->Error();
            else
                error = path + ": cannot write (the trace could not be written completely)";
            out.reset();
            return false;
        }
        out.reset();
        return true;
    }

    // Starts the trace if this call is its first, and says whether calls
    // are being written.
    bool Recording() {
        MaybeStart();
        return recording;
    }

    const KnownMipMap* FindMipMap(GrMipMapId_t handle) const {
        for (const KnownMipMap& m : mipmaps) {
            if (m.handle == handle) return &m;
        }
        return nullptr;
    }
};

// Built at compile time (no guard to test on every wrapped call) and
// destroyed after every object that was built at run time.
extern Recorder gRecorder;
inline Recorder& R() { return gRecorder; }

}  // namespace glide_trace::recording
