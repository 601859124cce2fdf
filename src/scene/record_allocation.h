// Allocation of the loaders' record arrays with the checks a malformed file
// needs before any memory is asked for: a negative count is refused, and a
// count so large that the file cannot hold its lines is refused before it
// can exhaust memory. Allocation itself never throws; running out of memory
// is a clear fatal message.
#pragma once

#include <cstddef>
#include <new>
#include <string>

#include "scene/record_arena.h"
#include "scene/records.h"
#include "scene/text_reader.h"

// Arrays up to this size (64 MiB) are allocated without comparing the count
// with the file size, so that a short file that merely ends early still
// fails with the end-of-file message. A fuzzing harness lowers it to keep
// every allocation in proportion to its input.
extern long long gUncheckedArrayBytes;

// Refuses a count below 0 ("Negative count ..."), or a count whose array
// of recordBytes per entry would exceed gUncheckedArrayBytes while the file
// cannot hold count lines of at least minLineBytes characters each ("Count
// too large ...").
void CheckRecordCount(const TextReader& reader, const char* what, long long count, std::size_t recordBytes,
                      int minLineBytes);

// Whether CheckRecordCount lets count records of recordBytes through for a
// file of fileSize bytes (0: unknown).
bool RecordCountAllowed(long long count, std::size_t recordBytes, int minLineBytes, long long fileSize);

// Loading never frees: its records live until the process ends. A harness
// that abandons loads (fuzzing, tests) installs a watcher to learn of every
// block of records and release it afterwards with the given function.
using RecordBlockWatcher = void (*)(void* block, std::size_t bytes, void (*release)(void* block, std::size_t bytes));
extern RecordBlockWatcher gRecordBlockWatcher;

template <class T>
void ReleaseRecords(void* records, std::size_t) {
    delete[] static_cast<T*>(records);
}

// Allocates count default-constructed records (nullptr for 0) after
// CheckRecordCount; fatal "Out of memory ..." when the memory cannot be had.
template <class T>
T* AllocateRecords(const TextReader& reader, const char* what, int count, int minLineBytes) {
    CheckRecordCount(reader, what, count, sizeof(T), minLineBytes);
    if (count == 0) return nullptr;
    T* records = new (std::nothrow) T[static_cast<std::size_t>(count)];
    if (records == nullptr) reader.Fail("Out of memory", std::string(what) + ": " + std::to_string(count));
    if (gRecordBlockWatcher != nullptr) gRecordBlockWatcher(records, count * sizeof(T), &ReleaseRecords<T>);
    return records;
}

// count default-constructed records from the arena; fatal "Out of memory
// ..." naming what and count when the memory cannot be had. The count must
// have passed CheckRecordCount.
template <class T>
T* ConstructRecords(RecordArena& arena, const TextReader& reader, const char* what, int count) {
    T* records = arena.Construct<T>(static_cast<std::size_t>(count));
    if (records == nullptr) reader.Fail("Out of memory", std::string(what) + ": " + std::to_string(count));
    return records;
}
