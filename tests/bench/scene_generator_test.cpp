// Benchmark scene generator: the counts it reports are the counts it
// writes, the suite sizes land near their targets, every face faces
// outward, and the timedemo is a script the headless runner accepts.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/headless/script.h"
#include "scene_generator.h"
#include "scene_meshes.h"

namespace {

std::string ReadText(const std::string& path) {
    std::ifstream in(path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

struct ObjectFileCounts {
    std::vector<std::uint64_t> declaredFaces;  // per object, from the counts lines
    std::vector<std::uint64_t> faceLines;      // per object, "Face n:" lines
    std::uint64_t tvfaceLines = 0;
    std::uint64_t materialLines = 0;  // per-face "Material: n" lines
};

ObjectFileCounts CountObjectFile(const std::string& path) {
    ObjectFileCounts c;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        unsigned long long v = 0, t = 0, f = 0, m = 0, n = 0;
        if (std::sscanf(line.c_str(), "Vertices: %llu TVertices: %llu Faces: %llu Materials: %llu Normals: %llu", &v,
                        &t, &f, &m, &n) == 5) {
            c.declaredFaces.push_back(f);
            c.faceLines.push_back(0);
        } else if (line.rfind("Face ", 0) == 0 && line != "Face list:") {
            ++c.faceLines.back();
        } else if (line.rfind("TVFace ", 0) == 0) {
            ++c.tvfaceLines;
        } else if (line.rfind("Material: ", 0) == 0) {
            ++c.materialLines;
        }
    }
    return c;
}

benchgen::Point Cross(const benchgen::Mesh& m, const benchgen::Triangle& f) {
    const benchgen::Point a = m.vertices[f.a], b = m.vertices[f.b], c = m.vertices[f.c];
    const benchgen::Point e1{b.x - a.x, b.y - a.y, b.z - a.z}, e2{c.x - b.x, c.y - b.y, c.z - b.z};
    return {e1.y * e2.z - e1.z * e2.y, e1.z * e2.x - e1.x * e2.z, e1.x * e2.y - e1.y * e2.x};
}

}  // namespace

TEST(SceneGenerator, SuiteSizesLandWithinTwoPercentOfTheirTargets) {
    for (std::uint64_t target : {1000ull, 10000ull, 100000ull, 1000000ull}) {
        benchgen::SceneRecipe recipe;
        recipe.targetFaces = target;
        const auto counts = benchgen::CountScene(recipe, benchgen::ChooseTessellation(target / 4));
        EXPECT_NEAR(static_cast<double>(counts.faces), static_cast<double>(target), 0.02 * static_cast<double>(target))
            << target;
        // The content keeps its mix at every size: about two fifths smooth.
        EXPECT_NEAR(static_cast<double>(counts.smoothFaces) / static_cast<double>(counts.faces), 0.4, 0.05) << target;
        EXPECT_EQ(counts.smoothFaces + counts.flatFaces, counts.faces);
    }
}

TEST(SceneGenerator, BuiltMeshesHaveTheCountedSizesAndFaceOutward) {
    for (std::uint64_t perActor : {100ull, 2500ull, 25000ull}) {
        const benchgen::Tessellation t = benchgen::ChooseTessellation(perActor);
        const benchgen::Mesh ground = benchgen::BuildGround(t), sphere = benchgen::BuildSphere(t),
                             pillar = benchgen::BuildPillar(t);
        EXPECT_EQ(ground.faces.size(), benchgen::GroundCounts(t).faces);
        EXPECT_EQ(ground.vertices.size(), benchgen::GroundCounts(t).vertices);
        EXPECT_EQ(sphere.faces.size(), benchgen::SphereCounts(t).faces);
        EXPECT_EQ(sphere.vertices.size(), benchgen::SphereCounts(t).vertices);
        EXPECT_EQ(sphere.tvertices.size(), benchgen::SphereCounts(t).tvertices);
        EXPECT_EQ(pillar.faces.size(), benchgen::PillarCounts(t).faces);
        EXPECT_EQ(pillar.vertices.size(), benchgen::PillarCounts(t).vertices);

        for (const auto& f : ground.faces) EXPECT_GT(Cross(ground, f).y, 0.0f);
        // Sphere faces point away from the sphere's centre (the mean of
        // its poles).
        const benchgen::Point top = sphere.vertices.front(), bottom = sphere.vertices.back();
        const benchgen::Point centre{(top.x + bottom.x) / 2, (top.y + bottom.y) / 2, (top.z + bottom.z) / 2};
        int inward = 0;
        for (const auto& f : sphere.faces) {
            const benchgen::Point n = Cross(sphere, f);
            const benchgen::Point& a = sphere.vertices[f.a];
            if (n.x * (a.x - centre.x) + n.y * (a.y - centre.y) + n.z * (a.z - centre.z) <= 0.0f) ++inward;
            for (int i : {f.a, f.b, f.c}) ASSERT_LT(static_cast<std::size_t>(i), sphere.vertices.size());
            for (int i : {f.ta, f.tb, f.tc}) ASSERT_LT(static_cast<std::size_t>(i), sphere.tvertices.size());
        }
        EXPECT_EQ(inward, 0) << perActor;
    }
}

TEST(SceneGenerator, WrittenSceneHoldsTheReportedCounts) {
    const std::string dir = std::string(TARNVIEW_BINARY_DIR) + "/tests/benchgen_scene";
    std::filesystem::remove_all(dir);
    benchgen::SceneRecipe recipe;
    recipe.targetFaces = 3000;
    recipe.actors = 3;
    benchgen::SceneCounts counts;
    std::string error;
    ASSERT_TRUE(benchgen::GenerateScene(dir, recipe, &counts, &error)) << error;
    for (const char* file : {"objects.scn", "cluster.3dx", "ground.3df", "sphere.3df", "timedemo.txt", "scene.json"}) {
        EXPECT_TRUE(std::filesystem::exists(dir + "/" + file)) << file;
    }
    const ObjectFileCounts file = CountObjectFile(dir + "/cluster.3dx");
    ASSERT_EQ(file.declaredFaces.size(), 3u);
    std::uint64_t faces = 0;
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(file.faceLines[i], file.declaredFaces[i]) << "object " << i;
        faces += file.faceLines[i];
    }
    EXPECT_EQ(faces, counts.facesPerActor);
    EXPECT_EQ(faces * 3, counts.faces);
    // Ground and sphere are textured (one TVFace per face); the pillar has
    // two materials (one Material line per face).
    EXPECT_EQ(file.tvfaceLines, counts.ground.faces + counts.sphere.faces);
    EXPECT_EQ(file.materialLines, counts.pillar.faces);

    const std::string scene = ReadText(dir + "/objects.scn");
    EXPECT_NE(scene.find("Actors: 3 Lights: 3\n"), std::string::npos);
    EXPECT_NE(scene.find("Actor 2: "), std::string::npos);
    EXPECT_EQ(scene.find("Actor 3: "), std::string::npos);
    const std::string summary = ReadText(dir + "/scene.json");
    EXPECT_NE(summary.find("\"faces\": " + std::to_string(counts.faces) + ","), std::string::npos) << summary;
    EXPECT_EQ(summary, benchgen::SceneSummaryJson(recipe, counts));
}

TEST(SceneGenerator, TimedemoIsAValidRunnerScriptThatSelectsTheCameraFirst) {
    benchgen::SceneRecipe recipe;
    recipe.warmupFrames = 7;
    recipe.pathFrames = 50;
    const std::string text = benchgen::TimedemoScript(recipe);
    Script script;
    std::string error;
    ASSERT_TRUE(ParseScript(text, "timedemo.txt", &script, &error)) << error;
    ASSERT_FALSE(script.events.empty());
    EXPECT_EQ(script.events.front().frame, 0u);
    EXPECT_EQ(script.events.front().command, ScriptCommand::Hold);
    EXPECT_EQ(script.events.front().code, 0x19);  // DIK_P: the camera
    std::uint32_t lastFrame = 0;
    bool forward = false;
    for (const ScriptEvent& e : script.events) {
        lastFrame = std::max(lastFrame, e.frame + (e.command == ScriptCommand::Hold ? e.count - 1 : 0));
        if (e.command == ScriptCommand::Hold && e.code == 0x10) {  // DIK_Q
            forward = true;
            EXPECT_EQ(e.frame, 7u);
            EXPECT_EQ(e.count, 50u);
        }
        if (e.frame > 0) {
            EXPECT_GE(e.frame, 7u) << "the camera moves during the warm-up";
        }
    }
    EXPECT_TRUE(forward);
    EXPECT_EQ(lastFrame, 56u);
    // The same recipe gives the same flight.
    EXPECT_EQ(text, benchgen::TimedemoScript(recipe));
}

TEST(SceneGenerator, RecipesOutsideTheRangesAreRefused) {
    std::string error;
    benchgen::SceneRecipe recipe;
    recipe.targetFaces = 50;
    EXPECT_FALSE(benchgen::CheckRecipe(recipe, &error));
    EXPECT_NE(error.find("face count"), std::string::npos);
    recipe = {};
    recipe.actors = 17;
    EXPECT_FALSE(benchgen::CheckRecipe(recipe, &error));
    recipe = {};
    recipe.pathFrames = 0;
    EXPECT_FALSE(benchgen::CheckRecipe(recipe, &error));
    benchgen::SceneCounts counts;
    EXPECT_FALSE(benchgen::GenerateScene("/proc/no-such-dir/x", benchgen::SceneRecipe{}, &counts, &error));
    EXPECT_FALSE(error.empty());
}
