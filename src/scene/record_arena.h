// The memory the loaders build an object's records in. Records are written
// once while loading and then read every frame until the process ends, so
// they come from a few large blocks rather than one allocation per array:
// a block of a megabyte or more is mapped on its own and asks the kernel for
// transparent huge pages, so that touching a million faces for the first
// time costs a few dozen page faults instead of tens of thousands.
//
// Nothing is freed: a block lives until the process ends. A harness that
// abandons loads (fuzzing, tests) learns of every block through
// gRecordArrayWatcher and releases it afterwards.
#pragma once

#include <cstddef>
#include <memory>
#include <new>
#include <vector>

class RecordArena {
public:
    RecordArena() = default;
    RecordArena(const RecordArena&) = delete;
    RecordArena& operator=(const RecordArena&) = delete;

    // Makes the next allocations come from one block of at least `bytes`
    // (the sum of what they will ask for): false when it cannot be had.
    bool Reserve(std::size_t bytes);

    // count default-constructed records on a boundary of their alignment
    // (at least 32 bytes), from the current block or a new one; nullptr
    // when memory cannot be had. count 0 gives a valid empty array.
    template <class T>
    T* Construct(std::size_t count) {
        if (count > kMaxBytes / sizeof(T)) return nullptr;
        void* memory = Allocate(count * sizeof(T), alignof(T) > kAlign ? alignof(T) : kAlign);
        if (memory == nullptr) return nullptr;
        T* records = static_cast<T*>(memory);
        for (std::size_t i = 0; i < count; ++i) new (records + i) T();
        return records;
    }

    // Room for `bytes` bytes on an `align` boundary (a power of two up to
    // 4096); nullptr when memory cannot be had.
    void* Allocate(std::size_t bytes, std::size_t align);

    // Hands back the room from `from` to the end of the last allocation
    // (which must hold it), for the next one: an allocation made for the
    // worst case keeps only what it used.
    void GiveBack(void* from);

    // Bytes a request of `bytes` takes from a block, rounded as Allocate
    // rounds it: what Reserve is to be given.
    static constexpr std::size_t Footprint(std::size_t bytes) { return (bytes + kAlign - 1) / kAlign * kAlign; }

private:
    static constexpr std::size_t kAlign = 64;
    static constexpr std::size_t kMaxBytes = std::size_t{1} << 46;
    bool NewBlock(std::size_t bytes);

    char* next_ = nullptr;
    char* end_ = nullptr;
};

// A temporary buffer for load-time work (merging vertex normals, reading a
// file whole): huge pages when large, released when it goes out of scope.
class ScratchMemory {
public:
    ScratchMemory() = default;
    ScratchMemory(const ScratchMemory&) = delete;
    ScratchMemory& operator=(const ScratchMemory&) = delete;
    ~ScratchMemory() { Release(); }

    // bytes of uninitialised memory (the previous buffer is released);
    // nullptr when it cannot be had.
    void* Get(std::size_t bytes);
    void Release();

private:
    void* memory_ = nullptr;
    std::size_t bytes_ = 0;
    bool mapped_ = false;
};

// Bump allocation for load-time values that go away together (an object
// file's image): huge pages when large, released when the arena goes.
class ScratchArena {
public:
    // Room for bytes on an align boundary (a power of two up to 64);
    // nullptr when it cannot be had.
    void* Allocate(std::size_t bytes, std::size_t align);

private:
    std::vector<std::unique_ptr<ScratchMemory>> blocks_;
    char* next_ = nullptr;
    char* end_ = nullptr;
};
