// The tile queue's batches, bins and worker pool.
//
// Tiles are 64 x 32 pixels (a tile's colour and depth rows take 8 KiB, well
// inside a core's first-level cache), 10 x 15 of them on the screen. A batch
// holds up to `capacity` commands and, per tile, the indices of the commands
// that touch it (the bin), in submission order. A bin is a chain of blocks
// of 32 indices from the batch's pool; a batch takes a command only while
// the pool holds a block for every tile (the most one command can need), so
// binning never runs out and the pool stays small.
//
// Hand-over: at submission each tile the batch touches gets the batch's slot
// pushed onto its own small ring, and its bit set in the pending mask. A
// thread claims a tile by clearing its bit, locks it, and drains its ring in
// order: one thread at a time draws a tile, always oldest batch first. A
// batch is finished when every tile it touched has drawn it; only then may
// the calling thread refill its slot. Tiles a batch does not touch cost it
// nothing.
#include "queue/tile_queue.h"

#include <atomic>
#include <chrono>
#include <cstring>
#include <memory>
#include <string>
#include <system_error>
#include <thread>
#include <type_traits>
#include <vector>

#include "contract.h"
#include "device.h"
#include "glide_parallel.h"
#include "queue/draw_mode.h"
#include "raster/pixel_batch.h"
#include "raster/rasterizer.h"
#include "texture/texture_memory.h"
#include "tuning.h"

namespace glide {

namespace {

using tuning::kBinBlockEntries, tuning::kBinBlocks, tuning::kEarlySubmit, tuning::kSpins, tuning::kTileHeight,
    tuning::kTileWidth;
constexpr int kBatches = tuning::kTileBatches;
constexpr int kTilesX = (kScreenWidth + kTileWidth - 1) / kTileWidth;
constexpr int kTilesY = (kScreenHeight + kTileHeight - 1) / kTileHeight;
constexpr int kTiles = kTilesX * kTilesY;
constexpr int kMaskWords = (kTiles + 63) / 64;
static_assert(kTileWidth % 8 == 0 && kTileHeight % 8 == 0, "tiles keep the block shader's 8x8 blocks and the dither cells whole");
static_assert(kTiles <= 256, "a batch lists its tiles in bytes");
static_assert(kBinBlocks >= 2 * kTiles, "a batch holds more than one command's worst case");
static_assert(kBinBlocks <= 65536, "block numbers are 16-bit");

// A snapped triangle is set up by the thread that draws it (it lies in one
// tile, so that happens once); the calling thread has set up its pixel state.
// A raw triangle (certainly within one tile) is snapped there too.
enum class CommandKind : std::uint8_t { kTriangle, kSnappedTriangle, kRawTriangle, kLine, kClear };

struct Command {
    TriangleSetup t;
    CommandKind kind = CommandKind::kTriangle;
    bool countDrawn = false;
    bool shared = false;  // binned into more than one tile
    // Set by the first tile that finds a shared triangle covering a pixel
    // centre, so that it counts as drawn once.
    std::atomic<bool> drawn{false};
#if GLIDE_CONTRACTS
    std::uint64_t pixelStateHash = 0;  // of t's pixel state when committed
#endif
};

struct RawTriangle {
    GrVertex v[3];
    bool originUpperLeft;
};

// What snapped and raw triangles, lines and clears carry besides the
// triangle record: the kind says which.
union CommandExtra {
    SnappedTriangle snapped;
    RawTriangle raw;
    LineWalk line;
    ClearFill clear;
    CommandExtra() {}
};
static_assert(std::is_trivially_copyable_v<SnappedTriangle> && std::is_trivially_copyable_v<RawTriangle> &&
              std::is_trivially_copyable_v<LineWalk> && std::is_trivially_copyable_v<ClearFill>);

struct BinBlock {
    std::uint16_t index[kBinBlockEntries];
};

struct Batch {
    std::unique_ptr<Command[]> commands;
    std::unique_ptr<CommandExtra[]> extras;
    std::unique_ptr<BinBlock[]> blocks;         // kBinBlocks
    std::unique_ptr<std::uint16_t[]> nextBlock;  // per block: the next block of its bin
    int blocksUsed = 0;
    int binCount[kTiles] = {};
    std::uint16_t binFirst[kTiles] = {}, binLast[kTiles] = {};  // blocks of each non-empty bin
    std::uint8_t active[kTiles] = {};  // the tiles with a non-empty bin, in first-use order
    int activeCount = 0;
    int count = 0;
    // Tiles still to draw this batch; 0 when the slot is free.
    std::atomic<int> tilesLeft{0};
};

struct alignas(64) TileState {
    std::atomic<std::uint32_t> pushed{0};  // ring entries added by the calling thread
    std::atomic<std::uint32_t> popped{0};  // ring entries drawn
    std::uint8_t ring[kBatches] = {};      // batch slots, oldest at popped % kBatches
    std::atomic<bool> busy{false};
};

// What each drawing thread keeps of its own.
struct alignas(64) ThreadCounters {
    SpanCounters counters;   // its batch is `batch`
    std::uint64_t drawn = 0;
    PixelBatch batch;        // empty between tiles
    TriangleSetup triangle;  // where this thread sets up snapped triangles
};

// A counter that threads sleep on until it moves. Waking them is a system
// call, which in this kind of virtual machine costs more than binning a
// batch: a bump makes it only while some thread sleeps (or is about to).
// The count of sleepers is raised before the sleeper's last look at the
// value, and read after the bump (all sequentially consistent), so either
// the bump sees the sleeper or the sleeper sees the bump.
struct Signal {
    alignas(64) std::atomic<std::uint32_t> value{0};
    std::atomic<int> sleepers{0};

    void Bump() {
        value.fetch_add(1);
        Notify();
    }
    // Wakes the sleepers after the value was changed by hand.
    void Notify() {
        if (sleepers.load() != 0) value.notify_all();
    }
    // Sleeps while the value is `seen`.
    void Sleep(std::uint32_t seen) {
        sleepers.fetch_add(1);
        value.wait(seen);
        sleepers.fetch_sub(1);
    }
    std::uint32_t Load() const { return value.load(std::memory_order_acquire); }
};

// The job of RunParallel. Its items are claimed one at a time from `claim`,
// whose high half numbers the jobs and whose low half is the next item. A
// job is written only while the claim word is closed (no item left) under
// its number, then opened: a thread that read an earlier claim word fails
// its compare-and-swap, so nothing runs an item of a job it did not read
// whole. (Sequentially consistent throughout, which that argument needs.)
constexpr std::uint64_t kNoItem = 0xFFFFFFFFu;

struct ParallelJob {
    alignas(64) std::atomic<std::uint64_t> claim{kNoItem};
    std::atomic<ParallelItem> item{nullptr};
    std::atomic<void*> context{nullptr};
    std::atomic<std::uint32_t> count{0};
    Signal done;  // items run
};

struct Queue {
    int threads = 0;
    int capacity = 0;
    Batch batches[kBatches];
    int open = 0;  // the slot being filled
    TileState tiles[kTiles];
    std::unique_ptr<ThreadCounters[]> counters;  // [0]: the calling thread
    alignas(64) std::atomic<std::uint64_t> pending[kMaskWords] = {};
    Signal wake;         // bumped at each hand-over, job and stop
    Signal completions;  // bumped when a batch finishes
    std::atomic<bool> stop{false};
    ParallelJob job;
    std::vector<std::thread> workers;
    // Frame by frame, queued or inline (draw_mode.h). `inlineFrame` is
    // changed only at a swap, with nothing queued and the inline pixel
    // batch shaded.
    bool adaptive = false;
    bool inlineFrame = false;
    DrawModeChooser chooser;
    std::chrono::steady_clock::time_point frameStart;
    std::string modesForTesting;
    std::size_t frame = 0;  // frames shown since the start, for modesForTesting
};

std::unique_ptr<Queue> g_queue;
int g_capacityForTesting = 0;
std::string g_modesForTesting;

// Whether this frame draws through the queue.
bool Queued(const Queue& q) { return !q.inlineFrame; }

void SetInlineFrame(Queue& q, bool inlineFrame) {
    q.inlineFrame = inlineFrame;
    gTileQueueRunning = !inlineFrame;
}

// The draw modes measured afresh from this opening on, with nothing queued;
// the first frame goes through the queue (or as the test's modes say).
void StartFrames(Queue& q, bool adaptive) {
    q.adaptive = adaptive || !g_modesForTesting.empty();
    q.chooser = DrawModeChooser{};
    q.modesForTesting = g_modesForTesting;
    q.frame = 0;
    q.frameStart = std::chrono::steady_clock::now();
    SetInlineFrame(q, !q.modesForTesting.empty() && q.modesForTesting[0] == 'I');
}

// Waits until every queued command is drawn (drawing tiles meanwhile) and
// adds the workers' counts to the device counters; without a queue it
// shades the pixels the inline path holds in its pixel batch.
void DrainTileQueue();

TileRect RectOfTile(int tile) {
    const int tx = tile % kTilesX, ty = tile / kTilesX;
    TileRect r;
    r.x0 = tx * kTileWidth, r.y0 = ty * kTileHeight;
    r.x1 = r.x0 + kTileWidth - 1 < kScreenWidth - 1 ? r.x0 + kTileWidth - 1 : kScreenWidth - 1;
    r.y1 = r.y0 + kTileHeight - 1 < kScreenHeight - 1 ? r.y0 + kTileHeight - 1 : kScreenHeight - 1;
    return r;
}

TileRect RectOf(const PixelBounds& bounds) {
    TileRect r;
    r.x0 = bounds.minX, r.y0 = bounds.minY, r.x1 = bounds.maxX, r.y1 = bounds.maxY;
    return r;
}

// ---- drawing (any thread) -----------------------------------------------------

// Sets up and draws a triangle of one tile; true when it counts as drawn.
bool DrawSnapped(const Command& c, const SnappedTriangle& s, const TileRect& rect, ThreadCounters& out,
                 SpanCounters& counters) {
    TriangleSetup& t = out.triangle;
    UpdatePixelState(c.t, &t);
    SetupGeometry(s, &t);
    return RasterizeTriangle(t, rect, counters) > 0 && c.countDrawn;
}

// Draws the part of command `index` inside the tile; true when it counts as
// a drawn triangle.
bool DrawCommand(Batch& b, int index, const TileRect& rect, ThreadCounters& out, SpanCounters& counters) {
    Command& c = b.commands[index];
    // The pixel state is set up before the command is committed, and
    // nothing may write it after that (UpdatePixelState relies on it).
    GLIDE_CONTRACT(c.kind == CommandKind::kClear || PixelStateHash(c.t) == c.pixelStateHash);
    switch (c.kind) {
        case CommandKind::kTriangle:
            return RasterizeTriangle(c.t, rect, counters) > 0 && c.countDrawn &&
                   (!c.shared || !c.drawn.exchange(true, std::memory_order_relaxed));
        case CommandKind::kSnappedTriangle: return DrawSnapped(c, b.extras[index].snapped, rect, out, counters);
        case CommandKind::kRawTriangle: {
            const RawTriangle& raw = b.extras[index].raw;
            SnappedTriangle snapped;
            return SnapTriangle(raw.v[0], raw.v[1], raw.v[2], raw.originUpperLeft, &snapped) &&
                   DrawSnapped(c, snapped, rect, out, counters);
        }
        case CommandKind::kLine:
            FlushPixelBatch(out.batch, counters);
            DrawLine(c.t, b.extras[index].line, rect, counters);
            return false;
        case CommandKind::kClear:
            FlushPixelBatch(out.batch, counters);
            FillClear(b.extras[index].clear, rect);
            return false;
    }
    return false;
}

void DrawTileOfBatch(Batch& b, int tile, ThreadCounters& out) {
    const TileRect rect = RectOfTile(tile);
    SpanCounters& counters = out.counters;
    std::uint64_t drawn = 0;
    int left = b.binCount[tile];
    for (int block = b.binFirst[tile]; left > 0; block = b.nextBlock[block]) {
        const std::uint16_t* bin = b.blocks[block].index;
        const int n = left < kBinBlockEntries ? left : kBinBlockEntries;
        for (int i = 0; i < n; ++i) drawn += DrawCommand(b, bin[i], rect, out, counters) ? 1 : 0;
        left -= n;
    }
    // The tile is done when its pixels are.
    FlushPixelBatch(out.batch, counters);
    out.drawn += drawn;
}

// Draws the tile's queued batches in order while this thread can hold it.
void DrainTile(Queue& q, int tile, ThreadCounters& out) {
    TileState& ts = q.tiles[tile];
    for (;;) {
        if (ts.busy.exchange(true)) return;  // the holder sees our entries when it lets go
        std::uint32_t p = ts.popped.load(std::memory_order_relaxed);
        while (p != ts.pushed.load()) {
            Batch& b = q.batches[ts.ring[p % kBatches]];
            DrawTileOfBatch(b, tile, out);
            ts.popped.store(++p, std::memory_order_release);
            if (b.tilesLeft.fetch_sub(1, std::memory_order_acq_rel) == 1) {
                q.completions.Bump();
            }
        }
        ts.busy.store(false);
        if (ts.pushed.load() == p) return;
    }
}

// Claims one pending tile, preferring those from `start` on (each thread
// starts at its own part of the screen, which then tends to stay in its
// cache), and drains it. False when no tile is pending.
bool DrawSomeTile(Queue& q, int start, ThreadCounters& out) {
    for (int pass = 0; pass < 2; ++pass) {
        for (int w = 0; w < kMaskWords; ++w) {
            std::uint64_t bits = q.pending[w].load(std::memory_order_relaxed);
            if (pass == 0) {
                // Tiles from `start` on first.
                const int lowest = start - w * 64;
                if (lowest >= 64) continue;
                if (lowest > 0) bits &= ~std::uint64_t{0} << lowest;
            }
            while (bits != 0) {
                const int bit = __builtin_ctzll(bits);
                const std::uint64_t mask = std::uint64_t{1} << bit;
                bits &= ~mask;
                if ((q.pending[w].fetch_and(~mask) & mask) == 0) continue;
                DrainTile(q, w * 64 + bit, out);
                return true;
            }
        }
    }
    return false;
}

int StartTileOf(const Queue& q, int thread) { return thread * kTiles / q.threads; }

// Spins a short while (some tens of microseconds) until `ready` holds:
// the next batch of a busy frame usually comes sooner than a sleeping
// thread would wake up, and a sleep and wake-up per batch can leave the
// threads taking turns instead of drawing side by side. False when the
// spin ran out (the caller then sleeps).
template <class Ready>
bool SpinUntil(Ready ready) {
    for (int i = 0; i < kSpins; ++i) {
        if (ready()) return true;
#if defined(__x86_64__) || defined(__i386__)
        __builtin_ia32_pause();
#endif
    }
    return ready();
}

// Runs items of the open job while it has any; true when this thread ran one.
bool RunParallelItems(ParallelJob& job) {
    bool ran = false;
    std::uint64_t claim = job.claim.load();
    for (;;) {
        const auto next = static_cast<std::uint32_t>(claim);
        const std::uint32_t count = job.count.load();
        if (next >= count) return ran;
        const ParallelItem item = job.item.load();
        void* const context = job.context.load();
        if (!job.claim.compare_exchange_weak(claim, claim + 1)) continue;
        item(context, next);
        ran = true;
        if (job.done.value.fetch_add(1) + 1 == count) job.done.Notify();
        claim = job.claim.load();
    }
}

void WorkerLoop(Queue* q, int index) {
    ThreadCounters& out = q->counters[index];
    const int start = StartTileOf(*q, index);
    for (;;) {
        const std::uint32_t seen = q->wake.Load();
        if (q->stop.load(std::memory_order_acquire)) return;
        // The program waits for its items: they come before tiles.
        if (RunParallelItems(q->job)) continue;
        if (DrawSomeTile(*q, start, out)) continue;
        if (SpinUntil([q, seen] { return q->wake.Load() != seen; })) continue;
        q->wake.Sleep(seen);
    }
}

// ---- the calling thread ----------------------------------------------------------

// Waits until the slot's batch is finished, drawing tiles meanwhile.
void WaitForSlot(Queue& q, Batch& b) {
    while (b.tilesLeft.load(std::memory_order_acquire) != 0) {
        if (DrawSomeTile(q, 0, q.counters[0])) continue;
        const std::uint32_t seen = q.completions.Load();
        if (b.tilesLeft.load(std::memory_order_acquire) == 0) break;
        if (SpinUntil([&q, seen] { return q.completions.Load() != seen; })) continue;
        q.completions.Sleep(seen);
    }
}

// Hands the open batch to the workers and opens the next slot.
void Submit(Queue& q) {
    Batch& b = q.batches[q.open];
    if (b.count == 0) return;
    b.tilesLeft.store(b.activeCount, std::memory_order_relaxed);
    std::uint64_t bits[kMaskWords] = {};
    for (int i = 0; i < b.activeCount; ++i) {
        const int tile = b.active[i];
        TileState& ts = q.tiles[tile];
        const std::uint32_t p = ts.pushed.load(std::memory_order_relaxed);
        ts.ring[p % kBatches] = static_cast<std::uint8_t>(q.open);
        ts.pushed.store(p + 1);
        bits[tile / 64] |= std::uint64_t{1} << (tile % 64);
    }
    for (int w = 0; w < kMaskWords; ++w) {
        if (bits[w] != 0) q.pending[w].fetch_or(bits[w]);
    }
    q.wake.Bump();

    q.open = (q.open + 1) % kBatches;
    Batch& next = q.batches[q.open];
    WaitForSlot(q, next);
    for (int i = 0; i < next.activeCount; ++i) next.binCount[next.active[i]] = 0;
    next.activeCount = 0;
    next.count = 0;
    next.blocksUsed = 0;
}

// The open batch, with room for one more command and its bins.
Batch& OpenBatch(Queue& q) {
    const Batch& b = q.batches[q.open];
    if (b.count == q.capacity || b.blocksUsed > kBinBlocks - kTiles) Submit(q);
    return q.batches[q.open];
}

void AddToBin(Batch& b, int tile, std::uint16_t index) {
    int& n = b.binCount[tile];
    const int at = n % kBinBlockEntries;
    if (at == 0) {
        // A new block: the bin's first, or the next of its chain.
        const auto block = static_cast<std::uint16_t>(b.blocksUsed++);
        if (n == 0) {
            b.active[b.activeCount++] = static_cast<std::uint8_t>(tile);
            b.binFirst[tile] = block;
        } else {
            b.nextBlock[b.binLast[tile]] = block;
        }
        b.binLast[tile] = block;
    }
    b.blocks[b.binLast[tile]].index[at] = index;
    ++n;
}

bool WorkersIdle(const Queue& q) {
    for (const Batch& b : q.batches) {
        if (&b != &q.batches[q.open] && b.tilesLeft.load(std::memory_order_relaxed) != 0) return false;
    }
    return true;
}

// Bins command `b.count` over the tiles its bounds touch (for a triangle
// only those its edges reach) and closes it.
void Commit(Queue& q, Batch& b, const TileRect& bounds, const TriangleSetup* edges) {
    const auto index = static_cast<std::uint16_t>(b.count);
    Command& c = b.commands[index];
    const int tx0 = bounds.x0 / kTileWidth, tx1 = bounds.x1 / kTileWidth;
    const int ty0 = bounds.y0 / kTileHeight, ty1 = bounds.y1 / kTileHeight;
    int binned = 0;
#if GLIDE_CONTRACTS
    c.pixelStateHash = PixelStateHash(c.t);
#endif
    if (tx0 == tx1 && ty0 == ty1) {
        AddToBin(b, ty0 * kTilesX + tx0, index);
        binned = 1;
    } else {
        const bool testEdges = edges != nullptr && (tx1 - tx0 + 1) * (ty1 - ty0 + 1) > 4;
        for (int ty = ty0; ty <= ty1; ++ty) {
            for (int tx = tx0; tx <= tx1; ++tx) {
                const int tile = ty * kTilesX + tx;
                if (testEdges) {
                    // Skip tiles wholly outside one edge (tested at the
                    // tile's corner where the edge function is largest).
                    const TileRect r = RectOfTile(tile);
                    bool outside = false;
                    for (const EdgeFunction& e : edges->edge) {
                        const std::int64_t x = e.a > 0 ? r.x1 : r.x0, y = e.b > 0 ? r.y1 : r.y0;
                        outside = outside || e.a * x + e.b * y + e.c < 0;
                    }
                    if (outside) continue;
                }
                AddToBin(b, tile, index);
                ++binned;
            }
        }
    }
    c.shared = binned > 1;
    c.drawn.store(false, std::memory_order_relaxed);
    ++b.count;
    if (b.count % kEarlySubmit == 0 && WorkersIdle(q)) Submit(q);
}

void Stop() {
    Queue& q = *g_queue;
    DrainTileQueue();
    q.stop.store(true, std::memory_order_release);
    q.wake.Bump();
    for (std::thread& t : q.workers) t.join();
    g_queue.reset();
    gTileQueueRunning = false;
}

// A program that ends with the device still open: its workers finish and
// are joined before the statics they draw into go away (those were made
// first, so they are destroyed after this).
struct StopAtExit {
    StopAtExit() {
        (void)TheDevice();
        (void)Buffers();
        (void)TextureMemoryFree();
    }
    ~StopAtExit() { StopTileQueue(); }
};

}  // namespace

void StartTileQueue(int threads, bool adaptive) {
    static StopAtExit stopAtExit;
    FlushInlinePixelBatch();
    if (g_queue != nullptr && g_queue->threads == threads) {
        DrainTileQueue();
        StartFrames(*g_queue, adaptive);
        return;
    }
    if (g_queue != nullptr) Stop();
    if (threads < 2) return;
    auto q = std::make_unique<Queue>();
    q->threads = threads;
    q->capacity = g_capacityForTesting > 0 ? g_capacityForTesting : tuning::kTileBatchCommands;
    for (Batch& b : q->batches) {
        const auto cap = static_cast<std::size_t>(q->capacity);
        b.commands = std::make_unique<Command[]>(cap);
        b.extras = std::make_unique<CommandExtra[]>(cap);
        b.blocks = std::make_unique<BinBlock[]>(kBinBlocks);
        b.nextBlock = std::make_unique<std::uint16_t[]>(kBinBlocks);
    }
    q->counters = std::make_unique<ThreadCounters[]>(static_cast<std::size_t>(threads));
    for (int i = 0; i < threads; ++i) q->counters[i].counters.batch = &q->counters[i].batch;
    g_queue = std::move(q);
    StartFrames(*g_queue, adaptive);
    // The queue is correct with any number of workers (the calling thread
    // draws whatever they leave): a thread the system refuses is done without.
    for (int i = 1; i < threads; ++i) {
        try {
            g_queue->workers.emplace_back(WorkerLoop, g_queue.get(), i);
        } catch (const std::system_error&) {
            break;
        }
    }
}

void StopTileQueue() {
    if (g_queue != nullptr) Stop();
    FlushInlinePixelBatch();
}

constinit bool gTileQueueRunning = false;

TriangleSlot BeginTriangle() {
    Batch& b = OpenBatch(*g_queue);
    return TriangleSlot(&b.commands[b.count].t);
}

namespace {

// The open slot's command, which `slot` must be.
Command& CommandOf(Queue& q, const TriangleSlot& slot) {
    Batch& b = q.batches[q.open];
    Command& c = b.commands[b.count];
    GLIDE_CONTRACT(&slot.Setup() == &c.t);
    static_cast<void>(slot);
    return c;
}

}  // namespace

void CommitSnappedTriangle(TriangleSlot slot, const SnappedTriangle& s, bool countDrawn) {
    Queue& q = *g_queue;
    Batch& b = q.batches[q.open];
    Command& c = CommandOf(q, slot);
    c.countDrawn = countDrawn;
    if (!InOneTile(s.bounds)) {
        // Set up here, once, rather than by each tile it touches.
        SetupGeometry(s, &c.t);
        c.kind = CommandKind::kTriangle;
        Commit(q, b, RectOf(s.bounds), &c.t);
        return;
    }
    c.kind = CommandKind::kSnappedTriangle;
    std::construct_at(&b.extras[b.count].snapped, s);
    Commit(q, b, RectOf(s.bounds), nullptr);
}

void CommitRawTriangle(TriangleSlot slot, const GrVertex& v0, const GrVertex& v1, const GrVertex& v2,
                       bool originUpperLeft, const PixelBounds& bounds, bool countDrawn) {
    Queue& q = *g_queue;
    Batch& b = q.batches[q.open];
    Command& c = CommandOf(q, slot);
    c.kind = CommandKind::kRawTriangle;
    c.countDrawn = countDrawn;
    std::construct_at(&b.extras[b.count].raw, RawTriangle{{v0, v1, v2}, originUpperLeft});
    Commit(q, b, RectOf(bounds), nullptr);
}

void QueueLine(const TriangleSetup& t, const LineWalk& line) {
    Queue& q = *g_queue;
    Batch& b = OpenBatch(q);
    Command& c = b.commands[b.count];
    c.t = t;
    c.kind = CommandKind::kLine;
    c.countDrawn = false;
    std::construct_at(&b.extras[b.count].line, line);
    Commit(q, b, LineBounds(line), nullptr);
}

void QueueClear(const ClearFill& clear) {
    Queue& q = *g_queue;
    Batch& b = OpenBatch(q);
    Command& c = b.commands[b.count];
    c.kind = CommandKind::kClear;
    c.countDrawn = false;
    std::construct_at(&b.extras[b.count].clear, clear);
    Commit(q, b, TileRect{}, nullptr);
}

void SyncTileQueue(Access access) {
    // Every access draws everything queued (see tile_queue.h).
    DrainTileQueue();
    if (access == Access::kReplaceTexels) TexelsReplaced();
}

namespace {

void DrainTileQueue() {
    if (g_queue == nullptr || !Queued(*g_queue)) {
        FlushInlinePixelBatch();
        return;
    }
    Queue& q = *g_queue;
    Submit(q);
    for (Batch& b : q.batches) WaitForSlot(q, b);
    DeviceCounters& dc = TheDevice().counters;
    for (int i = 0; i < q.threads; ++i) {
        ThreadCounters& c = q.counters[i];
        c.counters.MoveTo(&dc);
        dc.trianglesDrawn += c.drawn;
        c.drawn = 0;
    }
}

}  // namespace

void RunParallel(std::size_t count, ParallelItem item, void* context) {
    if (g_queue == nullptr || !Queued(*g_queue) || g_queue->workers.empty() || count < 2 || count >= kNoItem) {
        for (std::size_t i = 0; i < count; ++i) item(context, i);
        return;
    }
    Queue& q = *g_queue;
    ParallelJob& job = q.job;
    const std::uint64_t number = (job.claim.load() >> 32) + 1;
    job.claim.store(number << 32 | kNoItem);
    job.item.store(item);
    job.context.store(context);
    job.count.store(static_cast<std::uint32_t>(count));
    job.done.value.store(0);
    job.claim.store(number << 32);
    q.wake.Bump();
    RunParallelItems(job);
    // The items other threads took: tiles are drawn meanwhile.
    for (;;) {
        const std::uint32_t done = job.done.Load();
        if (done == count) return;
        if (DrawSomeTile(q, 0, q.counters[0])) continue;
        if (SpinUntil([&job, done] { return job.done.Load() != done; })) continue;
        job.done.Sleep(done);
    }
}

int ParallelThreads() {
    return g_queue == nullptr || !Queued(*g_queue) ? 1 : 1 + static_cast<int>(g_queue->workers.size());
}

void TileQueueFrameShown() {
    if (g_queue == nullptr) return;
    Queue& q = *g_queue;
    const auto now = std::chrono::steady_clock::now();
    const double seconds = std::chrono::duration<double>(now - q.frameStart).count();
    q.frameStart = now;
    if (q.inlineFrame) ++TheDevice().counters.framesInline;
    if (!q.adaptive) return;
    // The swap synced everything (the queue drained, or the inline pixel
    // batch shaded), so the mode may change here.
    bool inlineNext = false;
    if (!q.modesForTesting.empty()) {
        ++q.frame;
        inlineNext = q.modesForTesting[q.frame % q.modesForTesting.size()] == 'I';
    } else {
        inlineNext = q.chooser.FrameEnded(seconds) == DrawMode::kInline;
    }
    SetInlineFrame(q, inlineNext);
}

void SetDrawModesForTesting(const char* modes) { g_modesForTesting = modes == nullptr ? "" : modes; }

void SetTileBatchCapacityForTesting(int commands) {
    g_capacityForTesting = commands < 0 ? 0 : (commands > 65535 ? 65535 : commands);
}

}  // namespace glide
