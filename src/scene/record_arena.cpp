#include "scene/record_arena.h"

#include <sys/mman.h>

#include <cstdint>

#include "scene/record_allocation.h"

namespace {

// Blocks from this size on are mapped on their own, on huge-page
// boundaries; smaller ones come from the heap (a huge page for a small
// object's records would waste most of it).
constexpr std::size_t kMappedBlockBytes = std::size_t{1} << 20;
constexpr std::size_t kHugePageBytes = std::size_t{2} << 20;

inline std::size_t RoundUp(std::size_t value, std::size_t step) { return (value + step - 1) / step * step; }

// Maps `bytes` (a multiple of the huge page) on a huge-page boundary and
// asks for huge pages; nullptr when the mapping fails. The kernel may still
// back it with small pages (huge pages switched off, memory fragmented):
// only the speed of the first touch depends on it.
void* MapHugeBlock(std::size_t bytes) {
    const std::size_t span = bytes + kHugePageBytes;
    void* raw = mmap(nullptr, span, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (raw == MAP_FAILED) return nullptr;
    const auto start = reinterpret_cast<std::uintptr_t>(raw);
    const std::uintptr_t aligned = RoundUp(start, kHugePageBytes);
    if (aligned > start) munmap(raw, aligned - start);
    const std::uintptr_t tail = aligned + bytes;
    if (start + span > tail) munmap(reinterpret_cast<void*>(tail), start + span - tail);
    void* block = reinterpret_cast<void*>(aligned);
    madvise(block, bytes, MADV_HUGEPAGE);
    return block;
}

void UnmapBlock(void* block, std::size_t bytes) { munmap(block, bytes); }

void DeleteBlock(void* block, std::size_t) { ::operator delete(block, std::align_val_t{4096}); }

// A block of at least `bytes` (already rounded to its kind's step), told to
// the watcher; nullptr when memory cannot be had.
void* AllocateBlock(std::size_t bytes) {
    void* block = nullptr;
    if (bytes >= kMappedBlockBytes) {
        block = MapHugeBlock(bytes);
        if (block != nullptr && gRecordBlockWatcher != nullptr) gRecordBlockWatcher(block, bytes, &UnmapBlock);
    } else {
        block = ::operator new(bytes, std::align_val_t{4096}, std::nothrow);
        if (block != nullptr && gRecordBlockWatcher != nullptr) gRecordBlockWatcher(block, bytes, &DeleteBlock);
    }
    return block;
}

inline std::size_t BlockSize(std::size_t bytes) {
    return bytes >= kMappedBlockBytes ? RoundUp(bytes, kHugePageBytes) : RoundUp(bytes, 4096);
}

}  // namespace

bool RecordArena::NewBlock(std::size_t bytes) {
    const std::size_t size = BlockSize(bytes);
    char* block = static_cast<char*>(AllocateBlock(size));
    if (block == nullptr) return false;
    next_ = block;
    end_ = block + size;
    return true;
}

bool RecordArena::Reserve(std::size_t bytes) {
    if (bytes == 0 || bytes > kMaxBytes) return false;
    if (static_cast<std::size_t>(end_ - next_) >= bytes) return true;
    return NewBlock(bytes);
}

void* RecordArena::Allocate(std::size_t bytes, std::size_t align) {
    if (bytes > kMaxBytes) return nullptr;
    if (bytes == 0) {
        // An empty array: any aligned address will do, as long as it is not null.
        alignas(4096) static char empty[1];
        return empty;
    }
    bytes = Footprint(bytes);
    auto at = reinterpret_cast<std::uintptr_t>(next_);
    std::uintptr_t aligned = RoundUp(at, align);
    if (next_ == nullptr || aligned + bytes > reinterpret_cast<std::uintptr_t>(end_)) {
        // A fresh block: its start is aligned to 4096 bytes at least.
        if (!NewBlock(bytes == 0 ? align : bytes)) return nullptr;
        aligned = reinterpret_cast<std::uintptr_t>(next_);
    }
    next_ = reinterpret_cast<char*>(aligned + bytes);
    return reinterpret_cast<void*>(aligned);
}

void RecordArena::GiveBack(void* from) {
    char* at = static_cast<char*>(from);
    // next_ sits on a kAlign boundary, so rounding up never passes it.
    if (at != nullptr && at <= next_) next_ = reinterpret_cast<char*>(RoundUp(reinterpret_cast<std::uintptr_t>(at), kAlign));
}

void* ScratchMemory::Get(std::size_t bytes) {
    Release();
    if (bytes == 0) bytes = 1;
    if (bytes >= kMappedBlockBytes) {
        const std::size_t size = RoundUp(bytes, kHugePageBytes);
        memory_ = MapHugeBlock(size);
        bytes_ = size;
        mapped_ = true;
    } else {
        memory_ = ::operator new(bytes, std::nothrow);
        bytes_ = bytes;
        mapped_ = false;
    }
    return memory_;
}

void ScratchMemory::Release() {
    if (memory_ == nullptr) return;
    if (mapped_) {
        munmap(memory_, bytes_);
    } else {
        ::operator delete(memory_);
    }
    memory_ = nullptr;
}

void* ScratchArena::Allocate(std::size_t bytes, std::size_t align) {
    constexpr std::size_t kBlockBytes = std::size_t{256} << 10;
    auto at = reinterpret_cast<std::uintptr_t>(next_);
    std::uintptr_t aligned = RoundUp(at, align);
    if (next_ == nullptr || aligned + bytes > reinterpret_cast<std::uintptr_t>(end_)) {
        const std::size_t size = bytes + align > kBlockBytes ? bytes + align : kBlockBytes;
        char* memory = nullptr;
        try {
            blocks_.push_back(std::make_unique<ScratchMemory>());
            memory = static_cast<char*>(blocks_.back()->Get(size));
        } catch (const std::bad_alloc&) {
            return nullptr;
        }
        if (memory == nullptr) return nullptr;
        next_ = memory;
        end_ = memory + size;
        aligned = RoundUp(reinterpret_cast<std::uintptr_t>(next_), align);
    }
    next_ = reinterpret_cast<char*>(aligned + bytes);
    return reinterpret_cast<void*>(aligned);
}
