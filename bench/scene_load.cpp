// Load time and peak memory of a scene whose one object has 1,000,000 faces
// (a 708 x 707 quad grid: smoothing groups in bands, a texture vertex per
// vertex, two materials). Peak memory is the process's high-water mark
// during the load, next to the bytes of the records the load produced.
// Also where the load's time goes, and the time to dump that scene as JSON.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <chrono>
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "scene/object_image.h"
#include "scene/object_loader.h"
#include "scene/record_allocation.h"
#include "scene/records.h"
#include "scene/scene_dump.h"
#include "scene/scene_loader.h"

namespace {

constexpr int kColumns = 708;  // quads across
constexpr int kRows = 707;     // quads down: 2 * 708 * 707 = 1,001,112 faces, trimmed below
constexpr int kFaces = 1000000;

class BufferedFile {
public:
    explicit BufferedFile(const std::string& path) : file_(std::fopen(path.c_str(), "wb")) {}
    ~BufferedFile() {
        Flush();
        std::fclose(file_);
    }
    template <class... Args>
    void Print(const char* format, Args... args) {
        if (used_ > sizeof buffer_ - 256) Flush();
        used_ += static_cast<std::size_t>(std::snprintf(buffer_ + used_, sizeof buffer_ - used_, format, args...));
    }

private:
    void Flush() {
        std::fwrite(buffer_, 1, used_, file_);
        used_ = 0;
    }
    std::FILE* file_;
    char buffer_[1 << 16];
    std::size_t used_ = 0;
};

// Writes the object and scene files once per run; returns the scene path.
const std::string& GeneratedScene() {
    static std::string scenePath;
    if (!scenePath.empty()) return scenePath;
    std::filesystem::path dir = std::filesystem::temp_directory_path() / "tarnview-bench-scene-load";
    std::filesystem::create_directories(dir);
    const int vertexColumns = kColumns + 1;
    const int vertexCount = vertexColumns * (kRows + 1);
    {
        BufferedFile out((dir / "grid.3dx").string());
        out.Print("3DX\nNumObjects: 1\nObject\n");
        out.Print("Vertices: %d TVertices: %d Faces: %d Materials: 2 Normals: 0\n", vertexCount, vertexCount, kFaces);
        out.Print("Material list:\n");
        out.Print("Material 0:\nDiffuse: R: 0.8 G: 0.7 B: 0.6 A: 1\n"
                  "Specular: R: 0.9 G: 0.9 B: 0.9 Shininess: 0.25 Shiningstrength: 0.5\nTexture: NOBITMAP\n");
        out.Print("Material 1:\nDiffuse: R: 0.2 G: 0.3 B: 0.9 A: 1\nTwosided: 1\nTexture: NODIFFUSE\nAmount: 0.5\n");
        out.Print("Vertex list:\n");
        for (int r = 0, i = 0; r <= kRows; ++r) {
            for (int c = 0; c <= kColumns; ++c, ++i) {
                float height = static_cast<float>(((r * 7 + c * 13) % 17)) * 0.05f;
                out.Print("Vertex %d: X: %.3f Y: %.3f Z: %.3f\n", i, c * 1.0, r * 1.0, height);
            }
        }
        out.Print("TVertex list:\n");
        for (int r = 0, i = 0; r <= kRows; ++r) {
            for (int c = 0; c <= kColumns; ++c, ++i) {
                out.Print("TVertex %d: U: %.4f V: %.4f\n", i, c / 64.0, r / 64.0);
            }
        }
        out.Print("Face list:\n");
        int face = 0;
        for (int r = 0; r < kRows && face < kFaces; ++r) {
            for (int c = 0; c < kColumns && face < kFaces; ++c) {
                int v0 = r * vertexColumns + c, v1 = v0 + 1, v2 = v0 + vertexColumns, v3 = v2 + 1;
                unsigned group = 1u << ((r / 64) % 3);  // bands of 64 rows
                int material = (c / 100) % 2;
                const int corners[2][3] = {{v0, v1, v3}, {v0, v3, v2}};
                for (int t = 0; t < 2 && face < kFaces; ++t, ++face) {
                    out.Print("Face %d: A: %d B: %d C: %d AB: 1 BC: 1 CA: 0\n", face, corners[t][0], corners[t][1],
                              corners[t][2]);
                    out.Print("Smoothing: %u\n", group);
                    out.Print("TVFace %d: TA: %d TB: %d TC: %d\n", face, corners[t][0], corners[t][1], corners[t][2]);
                    out.Print("Material: %d\n", material);
                }
            }
        }
    }
    {
        std::ofstream scene(dir / "grid.scn");
        scene << "Actor Database\nObjectFilePath: " << dir.string() << "/\nActors: 1 Lights: 1\n"
              << "Camera: X: 0 Y: 50 Z: -400\nLight List:\n"
              << "Light 0: X: 0 Y: 100 Z: -100 Intensity: 0.8 Type: OMNI\n"
              << "Actor list:\nActor 0: X: 0 Y: 0 Z: 0\nFilename: grid.3dx\nEnd Database\n";
    }
    scenePath = (dir / "grid.scn").string();
    return scenePath;
}

long ReadStatusKb(const char* field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    std::size_t n = std::strlen(field);
    while (std::getline(status, line)) {
        if (line.compare(0, n, field) == 0) return std::atol(line.c_str() + n + 1);
    }
    return 0;
}

// Resets the high-water mark of the resident set (Linux 4.0 and later).
void ResetPeakRss() {
    std::ofstream clear("/proc/self/clear_refs");
    clear << "5";
}

std::size_t RecordBytes(const Actor* actors, int actorCount) {
    std::size_t bytes = static_cast<std::size_t>(actorCount) * sizeof(Actor);
    for (int a = 0; a < actorCount; ++a) {
        const Actor& actor = actors[a];
        bytes += static_cast<std::size_t>(actor.objectCount) * sizeof(Object);
        for (int o = 0; o < actor.objectCount; ++o) {
            const Object& obj = actor.objects[o];
            bytes += static_cast<std::size_t>(obj.materialCount) * sizeof(Material) +
                     static_cast<std::size_t>(obj.vertexCount) * sizeof(Vertex) +
                     static_cast<std::size_t>(obj.tvertexCount) * sizeof(TVertex) +
                     static_cast<std::size_t>(obj.faceCount) * sizeof(Face) +
                     static_cast<std::size_t>(obj.vertexNormalCount) * sizeof(VertexNormal);
        }
    }
    return bytes;
}

// Every block of records a load makes, released by FreeRecords.
struct WatchedBlock {
    void* block;
    std::size_t bytes;
    void (*release)(void*, std::size_t);
};
std::vector<WatchedBlock> gBlocks;

void WatchBlock(void* block, std::size_t bytes, void (*release)(void*, std::size_t)) {
    gBlocks.push_back({block, bytes, release});
}

// Loads never free; a benchmark that loads again releases what it loaded.
void FreeRecords() {
    for (const WatchedBlock& b : gBlocks) b.release(b.block, b.bytes);
    gBlocks.clear();
}

void BM_LoadMillionFaceScene(benchmark::State& state) {
    const std::string& path = GeneratedScene();
    double peakMb = 0, recordsMb = 0, faces = 0, seconds = 0;
    for (auto _ : state) {
        Actor camera;
        Actor* actors = nullptr;
        Light* lights = nullptr;
        int lightCount = 0;
        ResetPeakRss();
        long before = ReadStatusKb("VmRSS:");
        auto start = std::chrono::steady_clock::now();
        int actorCount = LoadScene(path.c_str(), camera, &actors, &lights, &lightCount);
        seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        long peak = ReadStatusKb("VmHWM:");
        state.PauseTiming();
        peakMb = (peak - before) / 1024.0;
        recordsMb = static_cast<double>(RecordBytes(actors, actorCount)) / (1024.0 * 1024.0);
        faces = actors[0].objects[0].faceCount;
        FreeRecords();
        state.ResumeTiming();
    }
    state.counters["faces"] = faces;
    state.counters["peak_MiB"] = peakMb;
    state.counters["records_MiB"] = recordsMb;
    state.counters["peak_per_records"] = recordsMb > 0 ? peakMb / recordsMb : 0;
    std::printf("[scene_load] faces: %.0f load: %.3f s peak: %.1f MiB records: %.1f MiB (%.2fx)\n", faces, seconds,
                peakMb, recordsMb, recordsMb > 0 ? peakMb / recordsMb : 0);
}
BENCHMARK(BM_LoadMillionFaceScene)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(3)->UseRealTime();

// Processor time of the calling thread, user and system: what a phase
// costs whatever else the machine runs.
double ThreadCpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

long MinorFaults() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_minflt;
}

// Where the million-face object's load goes: reading the file whole and
// scanning it into its image, each alone (the loader does both at once,
// through a window in the cache: "streamed"), and building the records
// (vertex normals and bounds included); each with the page faults it took.
void BM_LoadBreakdown(benchmark::State& state) {
    const std::string object = (std::filesystem::path(GeneratedScene()).parent_path() / "grid.3dx").string();
    constexpr int kPhases = 4;
    const char* const names[kPhases] = {"read", "scan", "build", "streamed read and scan"};
    double seconds[kPhases] = {};
    double cpuSeconds[kPhases] = {};
    long faults[kPhases] = {};
    for (auto _ : state) {
        auto start = std::chrono::steady_clock::now();
        double startCpu = ThreadCpuSeconds();
        long startFaults = MinorFaults();
        auto lap = [&](int phase) {
            const auto now = std::chrono::steady_clock::now();
            const double nowCpu = ThreadCpuSeconds();
            const long nowFaults = MinorFaults();
            seconds[phase] = std::chrono::duration<double>(now - start).count();
            cpuSeconds[phase] = nowCpu - startCpu;
            faults[phase] = nowFaults - startFaults;
            start = now;
            startCpu = nowCpu;
            startFaults = nowFaults;
        };
        ScratchMemory memory;
        char* text = nullptr;
        std::size_t size = 0;
        if (!ReadFileWhole(object, memory, &text, &size)) state.SkipWithError("the object file cannot be read");
        lap(0);
        std::unique_ptr<ObjectFileImage> image = ParseObjectImage(text, size);
        lap(1);
        Actor actor;
        if (image == nullptr || !BuildObjectsFromImage(actor, *image, 1.0f, 0, "")) {
            state.SkipWithError("the object file is not read whole");
        }
        lap(2);
        image.reset();
        memory.Release();
        FreeRecords();
        lap(3);
        image = ReadObjectImage(object);
        lap(3);
    }
    for (int i = 0; i < kPhases; ++i) state.counters[std::string(names[i]) + "_ms"] = seconds[i] * 1e3;
    std::printf("[scene_load]");
    for (int i = 0; i < kPhases; ++i) {
        std::printf(" %s: %.3f s (processor %.3f s, %ld page faults)%s", names[i], seconds[i], cpuSeconds[i],
                    faults[i], i + 1 < kPhases ? ";" : "\n");
    }
}
BENCHMARK(BM_LoadBreakdown)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(3)->UseRealTime();

// An object whose faces all share vertex 0, each with a material number of
// its own: vertex 0 collects one normal entry per face. Load time must grow
// linearly with the face count, not with its square.
void BM_LoadSharedVertexFan(benchmark::State& state) {
    const int faces = static_cast<int>(state.range(0));
    std::filesystem::path dir = std::filesystem::temp_directory_path() / "tarnview-bench-scene-load";
    std::filesystem::create_directories(dir);
    const std::string name = "fan" + std::to_string(faces) + ".3dx";
    {
        BufferedFile out((dir / name).string());
        out.Print("3DX\nNumObjects: 1\nObject\nVertices: %d TVertices: 0 Faces: %d Materials: 2 Normals: 0\n",
                  2 * faces + 1, faces);
        out.Print("Material list:\nMaterial 0:\nDiffuse: R: 1 G: 1 B: 1 A: 1\nTexture: NOBITMAP\n");
        out.Print("Material 1:\nDiffuse: R: 1 G: 1 B: 1 A: 1\nTexture: NOBITMAP\n");
        out.Print("Vertex list:\nVertex 0: X: 0 Y: 0 Z: 0\n");
        for (int i = 0; i < faces; ++i) {
            out.Print("Vertex %d: X: %d Y: 1 Z: 0\nVertex %d: X: %d Y: 0 Z: 1\n", 2 * i + 1, i + 1, 2 * i + 2, i + 1);
        }
        out.Print("Face list:\n");
        for (int i = 0; i < faces; ++i) {
            out.Print("Face %d: A: 0 B: %d C: %d AB: 1 BC: 1 CA: 1\nSmoothing: 1\nMaterial: %d\n", i, 2 * i + 1,
                      2 * i + 2, i);
        }
    }
    const std::string objectFilePath = dir.string() + "/";
    for (auto _ : state) {
        Actor* actor = new Actor[1];
        LoadObjectFile(*actor, name.c_str(), 1.0f, 0, objectFilePath.c_str());
        state.PauseTiming();
        delete[] actor;
        FreeRecords();
        state.ResumeTiming();
    }
    state.counters["faces"] = faces;
}
BENCHMARK(BM_LoadSharedVertexFan)->Arg(10000)->Arg(40000)->Unit(benchmark::kMillisecond)->UseRealTime();

// Writing the same scene as JSON (the headless runner's --dump-scene).
void BM_DumpMillionFaceScene(benchmark::State& state) {
    const std::string& path = GeneratedScene();
    SceneRecord scene;
    scene.actorCount = LoadScene(path.c_str(), scene.camera, &scene.actors, &scene.lights, &scene.lightCount);
    std::string out = (std::filesystem::temp_directory_path() / "tarnview-bench-scene-load" / "grid.json").string();
    for (auto _ : state) {
        if (!WriteSceneJson(out.c_str(), scene, true, 0)) state.SkipWithError("the dump could not be written");
    }
    state.counters["json_MiB"] = static_cast<double>(std::filesystem::file_size(out)) / (1024.0 * 1024.0);
    FreeRecords();
}
BENCHMARK(BM_DumpMillionFaceScene)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(2)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    gRecordBlockWatcher = &WatchBlock;
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    // The generated files take about 170 MB.
    std::error_code ignored;
    std::filesystem::remove_all(std::filesystem::temp_directory_path() / "tarnview-bench-scene-load", ignored);
    return 0;
}
