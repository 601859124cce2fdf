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
// tiles too whenever it has to wait.
//
// Everything is allocated when the queue starts (grSstOpen); nothing is
// allocated while drawing.
#pragma once

#include <cstdint>

#include "tile_commands.h"
#include "triangle_setup.h"

namespace glide {

// Starts `threads` - 1 workers (the calling thread is the last one);
// threads < 2 stops the queue, and the device draws inline. Restarts only
// when the count changes.
void StartTileQueue(int threads);
// Draws everything queued (or held inline), then joins the workers and
// frees the batches.
void StopTileQueue();
bool TileQueueRunning();

// A command slot of the open batch, to be filled and then committed with
// one of the calls below (or left: the next BeginCommand returns it again).
TriangleSetup* BeginTriangle();
// Bins the triangle set up in the slot. countDrawn: the triangle counts in
// trianglesDrawn when it covers a pixel centre.
void CommitTriangle(bool countDrawn);
// Bins a snapped triangle whose pixel state is set up in the slot; one that
// lies in a single tile is set up by the thread that draws it, the others
// here.
void CommitSnappedTriangle(const SnappedTriangle& s, bool countDrawn);
// Whether bounds (on the screen, not empty) lie in a single tile.
bool InOneTile(const PixelBounds& bounds);
// Bins a triangle, whose pixel state is set up in the slot, as given: the
// thread that draws it snaps and sets it up. bounds (OuterPixelBounds) must
// lie in one tile.
void CommitRawTriangle(const GrVertex& v0, const GrVertex& v1, const GrVertex& v2, bool originUpperLeft,
                       const PixelBounds& bounds, bool countDrawn);
void QueueLine(const TriangleSetup& t, const LineWalk& line);
void QueueClear(const ClearFill& clear);

// Waits until every queued command is drawn (drawing tiles meanwhile) and
// adds the workers' pixel counts to the device counters. Without a queue it
// shades the pixels the inline path holds in its pixel batch.
void FinishTileQueue();

// Tests: commands per batch from the next start (0: the default), so that
// a few commands already fill a batch.
void SetTileBatchCapacityForTesting(int commands);

}  // namespace glide
