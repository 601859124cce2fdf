// The tile queue: draws behind the API on a pool of worker threads, the way
// the board drew behind its command FIFO.
//
// The calling thread sets up each command into a slot of the open batch and
// bins it into the screen tiles its bounds touch. A full batch (or a sync)
// is handed to the workers and the next of a small ring of batches opens,
// so set-up of the next commands overlaps the drawing of the last ones. A
// worker claims one tile at a time and draws that tile's commands of every
// handed-over batch, in submission order: each pixel sees the commands in
// exactly the order the inline path draws them. The calling thread draws
// tiles too whenever it has to wait. Between draw calls the workers also
// run the program's items (RunParallel, glide_parallel.h), before tiles.
//
// Everything is allocated when the queue starts (grSstOpen); nothing is
// allocated while drawing.
#pragma once

#include <cstdint>

#include "raster/clear_fill.h"
#include "raster/line_walk.h"
#include "setup/triangle_setup.h"
#include "tuning.h"

namespace glide {

// Starts `threads` - 1 workers (the calling thread is the last one);
// threads < 2 stops the queue, and the device draws inline. Restarts only
// when the count changes. adaptive: frame by frame, the device draws
// through the queue or inline on the calling thread, whichever has been
// faster lately (queue/draw_mode.h); otherwise always through the queue.
void StartTileQueue(int threads, bool adaptive);
// Draws everything queued (or held inline), then joins the workers and
// frees the batches.
void StopTileQueue();
// Whether draw calls go through the queue: it is started and the frame is
// not one drawn inline.
extern constinit bool gTileQueueRunning;  // kept by StartTileQueue, StopTileQueue and TileQueueFrameShown
inline bool TileQueueRunning() { return gTileQueueRunning; }
// Called by every swap once everything is drawn: ends the frame's timing
// and, with an adaptive queue, chooses how the next frame is drawn.
void TileQueueFrameShown();

// A command slot of the open batch, reserved by BeginTriangle: the caller
// sets the pixel state up in it, then gives it back to exactly one of the
// Commit calls below. A slot that is never committed is handed out again
// by the next BeginTriangle; committing a slot that is no longer the open
// one breaks a contract (contract.h).
class TriangleSlot {
public:
    TriangleSetup& Setup() const { return *setup_; }

private:
    friend TriangleSlot BeginTriangle();
    explicit TriangleSlot(TriangleSetup* setup) : setup_(setup) {}
    TriangleSetup* setup_;
};

[[nodiscard]] TriangleSlot BeginTriangle();
// Bins a snapped triangle whose pixel state is set up in the slot; one that
// lies in a single tile is set up by the thread that draws it, the others
// here. countDrawn: the triangle counts in trianglesDrawn when it covers a
// pixel centre.
void CommitSnappedTriangle(TriangleSlot slot, const SnappedTriangle& s, bool countDrawn);
// Whether bounds (on the screen, not empty) lie in a single tile. On the
// screen no bound is negative, so the tile sizes divide without a sign.
inline bool InOneTile(const PixelBounds& bounds) {
    constexpr auto w = static_cast<unsigned>(tuning::kTileWidth), h = static_cast<unsigned>(tuning::kTileHeight);
    const auto column = [](int x) { return static_cast<unsigned>(x) / w; };
    const auto row = [](int y) { return static_cast<unsigned>(y) / h; };
    return column(bounds.minX) == column(bounds.maxX) && row(bounds.minY) == row(bounds.maxY);
}
// Bins a triangle, whose pixel state is set up in the slot, as given: the
// thread that draws it snaps and sets it up. bounds (OuterPixelBounds) must
// lie in one tile.
void CommitRawTriangle(TriangleSlot slot, const GrVertex& v0, const GrVertex& v1, const GrVertex& v2,
                       bool originUpperLeft, const PixelBounds& bounds, bool countDrawn);
void QueueLine(const TriangleSetup& t, const LineWalk& line);
void QueueClear(const ClearFill& clear);

// What an API entry is about to do that queued commands could see or miss.
// Every entry that does one of these calls SyncTileQueue with it first, and
// the queue decides what has to be drawn before. (Today each of them draws
// everything queued; a finer rule, such as drawing only when a queued
// command samples the texture being replaced, belongs here alone.) Without
// a queue only the inline path's pixel batch is shaded.
enum class Access : std::uint8_t {
    kReplaceTexels,    // a texture download or reset: queued triangles sample the old texels
    kReplaceFogTable,  // grFogTable rebuilds the one table queued triangles read
    kReadBuffers,      // a read-back, a screenshot, a swap's output: queued commands write those pixels
    kWriteBuffers,     // pixels written at the call, outside the queue (grSstOpen's clear, inline drawing)
    kReadCounters,     // the counters read or reset: queued commands still count
    kFinish,           // glide::Finish: everything drawn
};
void SyncTileQueue(Access access);

// Tests: commands per batch from the next start (0: the default), so that
// a few commands already fill a batch.
void SetTileBatchCapacityForTesting(int commands);
// Tests: from the next start, the frames' draw modes in turn, one letter a
// frame ('Q' through the queue, 'I' inline; repeated), whatever the times
// and the thread count asked for; nullptr or "": chosen by the times.
void SetDrawModesForTesting(const char* modes);

}  // namespace glide
