#include "fuzz_support.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/fatal_error.h"
#include "glide.h"
#include "scene/record_allocation.h"
#include "texture/texture_memory.h"

// The fuzz builds' FatalError: the message travels up to the fuzz target,
// which treats it as a refused input.
void FatalError(const char* message) { throw FuzzFatalError{message}; }

namespace {

char scratchFolder[64] = "";

// The scratch folder and the files the targets write go when the process ends.
void RemoveScratchFolder() {
    const char* names[] = {"object.3dx", "object.json", "scene.scn", "text.txt"};
    for (const char* name : names) std::remove((std::string(scratchFolder) + "/" + name).c_str());
    rmdir(scratchFolder);
}

struct WatchedBlock {
    void* block;
    std::size_t bytes;
    void (*release)(void*, std::size_t);
};

std::vector<WatchedBlock>& Watched() {
    static std::vector<WatchedBlock> blocks;
    return blocks;
}

void Watch(void* block, std::size_t bytes, void (*release)(void*, std::size_t)) {
    Watched().push_back({block, bytes, release});
}

}  // namespace

void FuzzSetUp() {
    static bool done = false;
    if (done) return;
    done = true;
    // Memory-backed when the system has it: every input is written out.
    char shmFolder[] = "/dev/shm/tarnview-fuzz-XXXXXX";
    char tmpFolder[] = "/tmp/tarnview-fuzz-XXXXXX";
    char* folder = mkdtemp(shmFolder) != nullptr ? shmFolder : mkdtemp(tmpFolder);
    if (folder == nullptr || chdir(folder) != 0) std::abort();
    std::snprintf(scratchFolder, sizeof scratchFolder, "%s", folder);
    std::atexit(RemoveScratchFolder);
    GrHwConfiguration hw{};
    grGlideInit();
    grSstQueryHardware(&hw);
    grSstSelect(0);
    grSstOpen(7, 0, 2, 1, 0, 2);
    gRecordBlockWatcher = &Watch;
    // Every array is then checked against the input's size.
    gUncheckedArrayBytes = 0;
}

void FuzzWriteFile(const char* name, const std::uint8_t* data, std::size_t size) {
    std::FILE* f = std::fopen(name, "wb");
    if (f == nullptr) std::abort();
    if (size > 0) std::fwrite(data, 1, size, f);
    std::fclose(f);
}

void FuzzReleaseRecords() {
    for (const WatchedBlock& b : Watched()) b.release(b.block, b.bytes);
    Watched().clear();
    // Clearing texture memory is costly; only inputs that loaded a texture need it.
    if (glide::TextureMemoryFree() != glide::kTextureMemoryBytes) glide::ResetTextureMemory();
}
