// The device's tuning thresholds, in one place, each with the reason for
// its value. None of them changes a pixel: every path they choose between
// draws exactly the reference path's pixels (the tests check that), so
// they trade only speed. Measure with bench/glide_raster.cpp and the suite
// before changing one.
#pragma once

namespace glide::tuning {

// ---- which path draws a triangle (raster/rasterizer.cpp) ----------------------

// Bounds of fewer pixels than this join the drawing thread's pixel batch,
// where the state has a batch shader: a triangle this small fills a
// fraction of a vector on its own.
inline constexpr int kBatchArea = 17;
// Bounds narrower and lower than this go to the block shader: up to a few
// blocks per row, one vector per block beats a mostly empty vector per row...
inline constexpr int kBlockSide = 32;
// ...unless they hold fewer pixels than this: a pixel or two per row costs
// less one by one than as a whole block.
inline constexpr int kBlockArea = 6;
// Bounds narrower and lower than this are scanned pixel by pixel along each
// row; larger ones find each row's run with three divisions.
inline constexpr int kSmallSide = 12;

// ---- spans (pixel/vector_span-inl.h) -------------------------------------------

// Spans this short are shaded pixel by pixel: setting a vector up costs
// more than two scalar pixels.
inline constexpr int kShortSpan = 2;

// ---- pixel batches (raster/pixel_batch.h) --------------------------------------

// Lanes of a batch (and the most triangle entries, each having a lane): a
// whole AVX-512 vector, and whole vectors of the narrower sets.
inline constexpr int kBatchLanes = 16;

// ---- the tile queue (queue/tile_queue.cpp) -------------------------------------

// A tile's colour and depth rows take 8 KiB, well inside a core's
// first-level cache; 10 x 15 of them cover the screen.
inline constexpr int kTileWidth = 64, kTileHeight = 32;
// Batches in flight: one filling, the others drawing.
inline constexpr int kTileBatches = 3;
// Commands per batch: a hand-over (a wake-up, a pass over the touched
// tiles) is shared by this many commands.
inline constexpr int kTileBatchCommands = 4096;
// Bin blocks of a batch, 32 command indices each: with this many, a batch
// of small triangles never runs out, and one of large triangles hands over
// after some hundreds of them.
inline constexpr int kBinBlockEntries = 32;
inline constexpr int kBinBlocks = 4096;
// While every worker is idle, a batch this full is handed over at once, so
// that the workers start before the batch is full.
inline constexpr int kEarlySubmit = 256;
// Pause instructions a thread spins for (some tens of microseconds) before
// it sleeps: the next batch of a busy frame usually comes sooner than a
// sleeping thread wakes up.
inline constexpr int kSpins = 2000;

}  // namespace glide::tuning
