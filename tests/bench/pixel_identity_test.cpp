// Whole scenes drawn with every thread count and every pixel instruction set
// give the single-threaded scalar device's pictures and counters, byte for
// byte: the demo with key presses changing its state, the render example
// scenes and generated benchmark scenes (one of them under every setting of
// the benchmark suite). Each scene runs once through the headless program,
// which records a device trace of its last frames; the trace is then
// replayed here under each combination. None of these states may fall to
// the generic per-pixel path: the path counters say so.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "glide.h"
#include "glide_device.h"
#include "scene_generator.h"
#include "trace_format.h"
#include "trace_replay.h"

namespace {

namespace fs = std::filesystem;

const fs::path kSource = TARNVIEW_SOURCE_DIR;
const fs::path kHeadless = fs::path(TARNVIEW_BINARY_DIR) / "tarnview-headless";
const fs::path kWork = fs::path(TARNVIEW_BINARY_DIR) / "tests" / "pixel_identity";

struct Picture {
    std::vector<std::uint16_t> front;
    glide::DeviceCounters counters;
};

// Copies a folder's files (not its subfolders) into `to`.
void CopyFiles(const fs::path& from, const fs::path& to) {
    for (const auto& entry : fs::directory_iterator(from)) {
        if (entry.is_regular_file()) {
            fs::copy_file(entry.path(), to / entry.path().filename(), fs::copy_options::overwrite_existing);
        }
    }
}

// Runs the headless program in `dir` and returns the path of the trace of
// frames first..last.
std::string Record(const fs::path& dir, const std::string& scene, const std::string& script, int first, int last) {
    std::string command = "cd '" + dir.string() + "' && '" + kHeadless.string() + "' --frames " +
                          std::to_string(last + 1) + " --no-calibrate --trace scene.trace --trace-frames " +
                          std::to_string(first) + ":" + std::to_string(last);
    if (!script.empty()) command += " --script " + script;
    command += " " + scene + " > run.log 2>&1";
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
    return (dir / "scene.trace").string();
}

Picture Replay(const glide_trace::TraceFile& trace, int threads, const std::string& isa) {
    glide::SetThreadCount(threads);
    EXPECT_TRUE(glide::SetPixelIsa(isa)) << isa;
    glide::ResetCounters();
    glide_trace::ReplayResult result;
    std::string error;
    EXPECT_TRUE(glide_trace::ReplayTrace(trace, {}, &result, &error)) << error;
    Picture p;
    p.front.resize(static_cast<std::size_t>(glide::kScreenWidth) * glide::kScreenHeight);
    EXPECT_TRUE(grLfbReadRegion(GR_BUFFER_FRONTBUFFER, 0, 0, glide::kScreenWidth, glide::kScreenHeight,
                                glide::kScreenWidth * 2, p.front.data()));
    p.counters = glide::GetCounters();
    grGlideShutdown();
    return p;
}

struct Scene {
    std::string name;
    std::string trace;
};

// A benchmark scene of about `faces` faces with the viewer's font.
void GenerateBenchScene(const fs::path& dir, std::uint64_t faces) {
    benchgen::SceneRecipe recipe;
    recipe.targetFaces = faces;
    recipe.warmupFrames = 0;
    recipe.pathFrames = 8;
    benchgen::SceneCounts counts;
    std::string error;
    EXPECT_TRUE(benchgen::GenerateScene(dir.string(), recipe, &counts, &error)) << error;
    fs::copy_file(kSource / "examples" / "fonts" / "ffont.3df", dir / "ffont.3df", fs::copy_options::overwrite_existing);
}

class PixelIdentity : public ::testing::Test {
protected:
    void SetUp() override {
        if (!fs::exists(kHeadless)) GTEST_SKIP() << "no " << kHeadless;
    }
    void TearDown() override {
        glide::SetThreadCount(0);
        glide::SetPixelIsa("");
    }

    // The demo, every render example and two generated scenes, each in a
    // fresh folder.
    std::vector<Scene> RecordScenes() {
        std::vector<Scene> scenes;
        fs::remove_all(kWork);

        const fs::path demo = kWork / "demo";
        fs::create_directories(demo);
        CopyFiles(kSource / "examples" / "demo", demo);
        // Antialiasing, the other depth mode, no textures, flat shading:
        // one change before each traced frame.
        std::ofstream(demo / "keys.txt") << "2 key F2\n3 key F6\n4 key SPACE\n5 key F1\n";
        scenes.push_back({"demo", Record(demo, "objects.scn", "keys.txt", 2, 5)});

        const fs::path render = kWork / "render";
        fs::create_directories(render);
        CopyFiles(kSource / "examples" / "render", render);
        fs::copy_file(kSource / "examples" / "fonts" / "ffont.3df", render / "ffont.3df",
                      fs::copy_options::overwrite_existing);
        for (const auto& entry : fs::directory_iterator(kSource / "examples" / "render")) {
            if (entry.path().extension() != ".scn") continue;
            const fs::path dir = render / entry.path().stem();
            fs::create_directories(dir);
            CopyFiles(render, dir);
            scenes.push_back({entry.path().stem().string(), Record(dir, entry.path().filename().string(), "", 1, 1)});
        }

        // The benchmark suite's settings (bench/suite/suite.json), each
        // switched on for one traced frame and off again.
        const fs::path settings = kWork / "settings";
        GenerateBenchScene(settings, 1000);
        std::ofstream(settings / "keys.txt") << "2 key SPACE\n3 key SPACE\n3 key F9\n4 key F9\n4 key END\n5 key END\n"
                                                "5 key F2\n6 key F2\n6 key TAB\n7 key TAB\n7 key F1\n";
        scenes.push_back({"settings", Record(settings, "objects.scn", "keys.txt", 2, 7)});

        for (std::uint64_t faces : {1000u, 10000u}) {
            const fs::path dir = kWork / ("faces-" + std::to_string(faces));
            GenerateBenchScene(dir, faces);
            scenes.push_back({dir.filename().string(), Record(dir, "objects.scn", "timedemo.txt", 3, 4)});
        }
        return scenes;
    }
};

TEST_F(PixelIdentity, EveryThreadCountAndInstructionSetDrawsTheScalarInlinePictures) {
    const std::vector<std::string> isas = glide::AvailablePixelIsas();
    ASSERT_FALSE(isas.empty());
    for (const Scene& scene : RecordScenes()) {
        glide_trace::TraceFile trace;
        std::string error;
        ASSERT_TRUE(glide_trace::ReadTraceFile(scene.trace.c_str(), &trace, &error)) << scene.name << ": " << error;
        const Picture reference = Replay(trace, 1, "scalar");
        EXPECT_GT(reference.counters.pixelsWritten, 0u) << scene.name;
        EXPECT_EQ(reference.counters.paths.genericTriangles, 0u) << scene.name << ": a state without a specialised shader";
        for (int threads : {1, 2, 3, 8}) {
            for (const std::string& isa : isas) {
                if (threads == 1 && isa == "scalar") continue;
                const Picture p = Replay(trace, threads, isa);
                const std::string what = scene.name + ", " + std::to_string(threads) + " threads, " + isa;
                EXPECT_TRUE(p.front == reference.front) << what;
                EXPECT_EQ(p.counters.trianglesSubmitted, reference.counters.trianglesSubmitted) << what;
                EXPECT_EQ(p.counters.trianglesDrawn, reference.counters.trianglesDrawn) << what;
                EXPECT_EQ(p.counters.pixelsWritten, reference.counters.pixelsWritten) << what;
                EXPECT_EQ(p.counters.pixelsDepthFailed, reference.counters.pixelsDepthFailed) << what;
                EXPECT_EQ(p.counters.paths.genericTriangles, 0u) << what;
            }
        }
    }
}

}  // namespace
