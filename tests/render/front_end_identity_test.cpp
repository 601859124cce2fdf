// The front end in passes draws exactly what the sequential face pass
// draws: the same device calls (the frames of a device trace, byte for
// byte) and the same per-frame fields in every record after every frame
// (faces, vertices, vertex normals, bit for bit), for the demo, the render
// examples and benchmark scenes of several sizes, over a flight that
// crosses the near and side planes while the switches change, with the
// vector lanes of every instruction set and without them, on 1, 2, 3 and 8
// of the device's threads (objects split into many small ranges, so that
// ranges meet at shared vertices and normals).
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "app/render_flags.h"
#include "glide.h"
#include "glide_device.h"
#include "glide_trace.h"
#include "render/actor_renderer.h"
#include "render/color_combine.h"
#include "render/fast_inv_sqrt.h"
#include "render/front_end.h"
#include "render/front_end_lanes.h"
#include "render/init_graphics.h"
#include "scene/scene_loader.h"
#include "scene_generator.h"
#include "support/record_blocks.h"
#include "support/scratch_dir.h"
#include "texture/texture_memory.h"

namespace {

namespace fs = std::filesystem;

const fs::path kSource = TARNVIEW_SOURCE_DIR;

// Every record array of the scene whose fields a frame writes.
struct Records {
    std::vector<std::vector<char>> arrays;
};

template <class T>
void Append(Records& r, const T* records, int count) {
    const char* bytes = reinterpret_cast<const char*>(records);
    r.arrays.emplace_back(bytes, bytes + sizeof(T) * static_cast<std::size_t>(count));
}

Records Snapshot(const Actor* actors, int actorCount, const Light* lights, int lightCount) {
    Records r;
    for (int a = 0; a < actorCount; ++a) {
        for (int o = 0; o < actors[a].objectCount; ++o) {
            const Object& object = actors[a].objects[o];
            Append(r, object.faces, object.faceCount);
            Append(r, object.vertices, object.vertexCount);
            Append(r, object.vertexNormals, object.vertexNormalCount);
        }
    }
    Append(r, lights, lightCount);
    return r;
}

void Restore(const Records& r, Actor* actors, int actorCount, Light* lights, int lightCount) {
    std::size_t i = 0;
    auto put = [&](void* records) {
        if (!r.arrays[i].empty()) std::memcpy(records, r.arrays[i].data(), r.arrays[i].size());
        ++i;
    };
    for (int a = 0; a < actorCount; ++a) {
        for (int o = 0; o < actors[a].objectCount; ++o) {
            Object& object = actors[a].objects[o];
            put(object.faces);
            put(object.vertices);
            put(object.vertexNormals);
        }
    }
    if (lightCount > 0) put(lights);
}

// The records of a trace from its first frame on, the frame numbers left
// out (they count the program's frames).
std::vector<char> TracedFrames(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    const std::vector<char> file((std::istreambuf_iterator<char>(in)), {});
    std::vector<char> frames;
    std::size_t at = 20;  // "TARNTRC1", version, first and last frame
    bool inFrames = false;
    while (at + 5 <= file.size()) {
        const auto op = static_cast<std::uint8_t>(file[at]);
        std::uint32_t bytes = 0;
        std::memcpy(&bytes, &file[at + 1], 4);
        if (op == 100) inFrames = true;  // the first frame's start
        if (inFrames && op != 100) frames.insert(frames.end(), file.begin() + at, file.begin() + at + 5 + bytes);
        at += 5 + bytes;
    }
    return frames;
}

// The switches each frame of the flight is drawn with.
std::uint32_t FlagsOfFrame(int frame) {
    std::uint32_t flags = RENDER_FLAGS_INITIAL;
    switch (frame) {
        case 2: return flags | RF_FLAT_SHADING;
        case 3: return flags | RF_ANTIALIAS;
        case 4: return flags | RF_MULTIPASS | RF_MIPMAP_DITHER;
        case 5: return (flags | RF_FLIP_FACING | RF_LIGHT_BOTH_SIDES) & ~RF_BILINEAR;
        case 6: return flags & ~(RF_BACKFACE_CULL | RF_FAST_SPECULAR | RF_TWO_SIDED_FACES);
        case 7: return (flags | RF_IGNORE_TEXTURE_AMOUNT) & ~(RF_TEXTURES | RF_OMNI_LIGHTS);
        case 8: return flags & ~(RF_DIRECTIONAL_LIGHTS | RF_MIPMAP);
        default: return flags;
    }
}

constexpr int kFrames = 10;

struct Flight {
    std::vector<char> frames;             // the trace's frames
    std::vector<Records> records;         // after each frame
};

// Records per range while the passes are compared: not a multiple of any
// vector width.
constexpr std::size_t kTestRange = 100;

// The parameter: the device's threads.
class FrontEndIdentity : public testing::TestWithParam<int> {
protected:
    static void SetUpTestSuite() {
        if (InvSqrtTable == nullptr) BuildInvSqrtTable();
    }
    void SetUp() override {
        glide::SetThreadCount(GetParam());
        SetFrontEndSplitForTesting(kTestRange, 0);
    }
    void TearDown() override {
        SetFrontEnd(FrontEnd::kPasses);
        SetFrontEndIsa("");
        SetFrontEndSplitForTesting(0, 0);
        glide::SetThreadCount(0);
    }

    // Loads the scene of folder and flies its camera forward and round
    // through it, once with the sequential front end and once in passes
    // with each instruction set; everything must be identical.
    void Fly(const fs::path& folder, const std::string& scene, float step, float turn) {
        const fs::path previous = fs::current_path();
        fs::current_path(folder);
        glide::ResetTextureMemory();
        InitGraphics();
        Actor camera;
        Actor* actors = nullptr;
        Light* lights = nullptr;
        int lightCount = 0;
        const int actorCount = LoadScene(scene.c_str(), camera, &actors, &lights, &lightCount);
        fs::current_path(previous);
        const Records start = Snapshot(actors, actorCount, lights, lightCount);
        const Actor startCamera = camera;

        auto fly = [&](FrontEnd frontEnd, const std::string& isa) {
            SetFrontEnd(frontEnd);
            EXPECT_TRUE(SetFrontEndIsa(isa)) << isa;
            Restore(start, actors, actorCount, lights, lightCount);
            camera = startCamera;
            InitGraphics();
            CurrentColorCombine = GR_COLORCOMBINE_ITRGB;
            const std::string trace = work_.File("flight.trace");
            const auto first = static_cast<std::uint32_t>(GlideTraceFrameCounter());
            EXPECT_TRUE(GlideTraceConfigure(trace.c_str(), first, first + kFrames - 1)) << GlideTraceError();
            Flight run;
            for (int frame = 0; frame < kFrames; ++frame) {
                RenderFlags = FlagsOfFrame(frame);
                grBufferClear(0, 0, 0xFFFF);
                for (int a = 0; a < actorCount; ++a) RenderActor(actors[a], camera, lights, lightCount);
                grBufferSwap(0);
                run.records.push_back(Snapshot(actors, actorCount, lights, lightCount));
                // Forward along the view and round about the vertical axis.
                camera.position += camera.orientation.Column(2) * step;
                camera.orientation.RotateY(turn);
            }
            EXPECT_TRUE(GlideTraceFinish()) << GlideTraceError();
            run.frames = TracedFrames(trace);
            return run;
        };
        const Flight reference = fly(FrontEnd::kSequential, "");
        ASSERT_FALSE(reference.frames.empty());
        for (const std::string& isa : AvailableFrontEndIsas()) {
            const Flight passes = fly(FrontEnd::kPasses, isa);
            EXPECT_TRUE(passes.frames == reference.frames)
                << scene << ", " << isa << ", " << GetParam() << " threads: the device calls differ";
            for (int frame = 0; frame < kFrames; ++frame) {
                const auto& want = reference.records[static_cast<std::size_t>(frame)].arrays;
                const auto& got = passes.records[static_cast<std::size_t>(frame)].arrays;
                for (std::size_t i = 0; i < want.size(); ++i) {
                    ASSERT_TRUE(got[i] == want[i]) << scene << ", " << isa << ", " << GetParam() << " threads, frame "
                                                   << frame << ": record array " << i << " differs";
                }
            }
        }
        RenderFlags = RENDER_FLAGS_INITIAL;
        Scene.specularity = 400.0f;
        test_support::ReleaseRecordBlocks();
    }

    // The test's own folder: the tests of this suite run at once in
    // separate processes.
    test_support::ScratchDir work_{"render"};
};

TEST_P(FrontEndIdentity, Demo) { Fly(kSource / "examples/demo", "objects.scn", 6.0f, 0.12f); }

TEST_P(FrontEndIdentity, RenderExamples) {
    // The examples need the font only in the program; here the scenes alone.
    for (const auto& entry : fs::directory_iterator(kSource / "examples/render")) {
        if (entry.path().extension() == ".scn") {
            Fly(kSource / "examples/render", entry.path().filename().string(), 0.6f, 0.25f);
        }
    }
}

TEST_P(FrontEndIdentity, BenchmarkScenes) {
    for (std::uint64_t faces : {1000u, 20000u}) {
        benchgen::SceneRecipe recipe;
        recipe.targetFaces = faces;
        benchgen::SceneCounts counts;
        std::string error;
        const fs::path folder = work_.File("faces-" + std::to_string(faces));
        ASSERT_TRUE(benchgen::GenerateScene(folder.string(), recipe, &counts, &error)) << error;
        Fly(folder, "objects.scn", 3.0f, 0.1f);
    }
}

INSTANTIATE_TEST_SUITE_P(, FrontEndIdentity, testing::Values(1, 2, 3, 8), testing::PrintToStringParamName());

}  // namespace
