// Scene files: optional lines and their order, counts, lights (type words,
// carried-over type, directions), actors and their object files, refusals.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>

#include "scene/scene_loader.h"
#include "scene_test_support.h"

namespace {

using scene_test::EofError;
using scene_test::Literal;
using scene_test::ScanError;
using scene_test::ScratchDir;
using scene_test::SyntaxError;

const char* kTriangle = R"(3DX
NumObjects: 1
Object
Vertices: 3 TVertices: 0 Faces: 1 Materials: 0 Normals: 0
Vertex list:
Vertex 0: X: 0 Y: 0 Z: 0
Vertex 1: X: 1 Y: 0 Z: 0
Vertex 2: X: 0 Y: 0 Z: 1
Face list:
Face 0: A: 0 B: 1 C: 2 AB: 1 BC: 1 CA: 1
Smoothing: 0
)";

class SceneFileTest : public testing::Test {
protected:
    void SetUp() override {
        dir_.Write("models/tri.3dx", kTriangle);
        Scene.specularity = 400.0f;
    }
    void TearDown() override { scene_test::ReleaseScene(actors_, actorCount_, lights_); }
    int Load(const std::string& text) {
        path_ = dir_.Write("scene.scn", text);
        actorCount_ = LoadScene(path_.c_str(), camera_, &actors_, &lights_, &lightCount_);
        return actorCount_;
    }
    void LoadOnly(const std::string& text) { Load(text); }
    // The scene's head up to the actor list, with the ObjectFilePath line.
    std::string Head(const std::string& counts, const std::string& lightLines) const {
        return "Actor Database\nObjectFilePath: " + dir_.Dir() + "models/\n" + counts +
               "\nCamera: X: 0 Y: 50 Z: -400\nLight List:\n" + lightLines + "Actor list:\n";
    }
    ScratchDir dir_;
    std::string path_;
    Actor camera_;
    Actor* actors_ = nullptr;
    Light* lights_ = nullptr;
    int lightCount_ = -1;
    int actorCount_ = 0;
};

TEST_F(SceneFileTest, EmptySceneWithoutLights) {
    int actors = Load("Actor Database\nActors: 0\nCamera: X: 1 Y: 2 Z: 3\nLight List:\nActor list:\nEnd Database\n");
    EXPECT_EQ(actors, 0);
    EXPECT_EQ(lightCount_, 0);
    EXPECT_EQ(camera_.position.x, 1.0f);
    EXPECT_EQ(camera_.position.z, 3.0f);
    EXPECT_EQ(Scene.specularity, 400.0f);
}

TEST_F(SceneFileTest, LightsActorsAndOptionalLines) {
    const std::string text =
        "# a scene\nActor Database\nObjectFilePath: " + dir_.Dir() + "models/\nSpecularity: 250,5\n"
        "Actors: 2 Lights: 3\nCamera: X: 0 Y: 50 Z: -400\nLight List:\n"
        "Light 0: X: 3 Y: 0 Z: 4 Intensity: 0.8 Type: DIRECTIONAL\n"
        "Light 1: X: 0 Y: 0 Z: 5 Intensity: 0.5\nEnable: 0\n"
        "Light 7: X: 1 Y: 2 Z: 3 Intensity: 1 Type: OMNIX\n"
        "Actor list:\nActor 0: X: 10 Y: 0 Z: 0\nFilename: tri.3dx\nColor: R: 1 G: 0,5 B: 0.5 A: 1\n"
        "Specular: R: 0.1 G: 0.2 B: 0.3\nScale: 2\nFlipnormals: 1\n"
        "Actor 1: X: 0 Y: 0 Z: 0\nFilename: tri.3dx\nEnd Database\nnot read\n";
    ASSERT_EQ(Load(text), 2);
    EXPECT_EQ(Scene.specularity, 250.5f);
    ASSERT_EQ(lightCount_, 3);
    EXPECT_EQ(lights_[0].type, DIRECTIONAL);
    EXPECT_FLOAT_EQ(lights_[0].position.x, 0.6f);
    EXPECT_FLOAT_EQ(lights_[0].position.z, 0.8f);
    EXPECT_FLOAT_EQ(lights_[0].intensity, 0.8f);
    EXPECT_EQ(lights_[0].enabled, 1);
    // The type word carries over from the light before.
    EXPECT_EQ(lights_[1].type, DIRECTIONAL);
    EXPECT_EQ(lights_[1].position.z, 1.0f);
    EXPECT_EQ(lights_[1].enabled, 0);
    EXPECT_EQ(lights_[2].type, OMNI);
    EXPECT_EQ(lights_[2].position.y, 2.0f);

    EXPECT_EQ(actors_[0].position.x, 10.0f);
    EXPECT_EQ(actors_[0].material.diffuse.g, 127.5f);
    EXPECT_FLOAT_EQ(actors_[0].material.specular.b, 0.3f * 255.0f);
    EXPECT_EQ(actors_[0].material.specular.a, 0.0f);
    // Scale 2: the vertex at file (1, 0, 0) is at (2, 0, 0); flipped normal.
    EXPECT_EQ(actors_[0].objects[0].vertices[1].position.x, 2.0f);
    EXPECT_EQ(actors_[0].objects[0].faces[0].normal.z, -1.0f);
    EXPECT_FLOAT_EQ(actors_[0].radius, 2.0f);
    // Defaults of an actor without optional lines.
    EXPECT_EQ(actors_[1].material.diffuse.r, 255.0f);
    EXPECT_EQ(actors_[1].material.diffuse.a, 255.0f);
    EXPECT_FLOAT_EQ(actors_[1].material.specular.r, 76.5f);
    EXPECT_EQ(actors_[1].material.specular.a, 0.0f);
    EXPECT_EQ(actors_[1].objects[0].faces[0].normal.z, 1.0f);
    EXPECT_EQ(actors_[1].orientation.m[0][0], 1.0f);
}

TEST_F(SceneFileTest, LightTypeWords) {
    EXPECT_EXIT(LoadOnly(Head("Actors: 0 Lights: 1", "Light 0: X: 0 Y: 0 Z: 1 Intensity: 1 Type: omni\n")),
                testing::ExitedWithCode(1), ScanError());
    // The first light has no word to take over.
    EXPECT_EXIT(LoadOnly(Head("Actors: 0 Lights: 1", "Light 0: X: 0 Y: 0 Z: 1 Intensity: 1\n")),
                testing::ExitedWithCode(1), ScanError());
    EXPECT_EXIT(LoadOnly(Head("Actors: 0 Lights: 1", "Light 0: X: 0 Y: 0 Z: 1 Type: OMNI\n")),
                testing::ExitedWithCode(1), ScanError());
    // A type word is cut at the line's 99th character like any text: the
    // rest is a line of its own, where "Actor list:" is required.
    EXPECT_EXIT(LoadOnly(Head("Actors: 0 Lights: 1", "Light 0: X: 0 Y: 0 Z: 1 Intensity: 1 Type: OMNI" +
                                                         std::string(76, 'X') + "\n")),
                testing::ExitedWithCode(1), SyntaxError(7, dir_.Dir() + "scene.scn", "Actor list:"));
}

TEST_F(SceneFileTest, NumbersOutOfRangeOrNotDecimal) {
    const std::string scene = dir_.Dir() + "scene.scn";
    EXPECT_EXIT(LoadOnly(Head("Actors: 4294967297", "")), testing::ExitedWithCode(1),
                Literal("Number out of range in line 3 of file \"" + scene + "\":\nthe number after \"Actors:\""));
    EXPECT_EXIT(LoadOnly(Head("Actors: 0 Lights: 99999999999", "")), testing::ExitedWithCode(1),
                Literal("Number out of range in line 3 of file \"" + scene + "\":\nthe number after \"Lights:\", "
                        "\"99999999999\", does not fit a 32-bit field"));
    EXPECT_EXIT(LoadOnly(Head("Actors: 0 Lights: 1", "Light 0: X: 0 Y: 0 Z: 1 Intensity: 1 Type: SPOT\n")),
                testing::ExitedWithCode(1),
                Literal("tarnview: " + scene + ":6: expected the light type OMNI or DIRECTIONAL, found \"SPOT\"\n") +
                    "(.|\n)*" + ScanError());
    // "0x1p4" and "0x2" read as 0 followed by text the line ignores.
    Load("Actor Database\nObjectFilePath: " + dir_.Dir() + "models/\nSpecularity: 0x1p4\nActors: 1\n"
         "Camera: X: 0 Y: 0 Z: 0\nLight List:\nActor list:\nActor 0: X: 0 Y: 0 Z: 0\nFilename: tri.3dx\n"
         "Scale: 0x2\nEnd Database\n");
    EXPECT_EQ(Scene.specularity, 0.0f);
    EXPECT_EQ(actors_[0].radius, 0.0f);
    EXPECT_NE(actors_[0].objects[0].faces[0].flags & FACE_DEGENERATE, 0u);
}

TEST_F(SceneFileTest, RefusesADirectionalLightWithoutDirection) {
    EXPECT_EXIT(LoadOnly(Head("Actors: 0 Lights: 1", "Light 0: X: 0 Y: 0 Z: 0 Intensity: 1 Type: DIRECTIONAL\n")),
                testing::ExitedWithCode(1), Literal("Light without direction in line 6 of file"));
}

TEST_F(SceneFileTest, CountsAgainstTheLines) {
    const std::string scene = dir_.Dir() + "scene.scn";
    EXPECT_EXIT(LoadOnly(Head("Actors: 0 Lights: 2", "Light 0: X: 0 Y: 0 Z: 1 Intensity: 1 Type: OMNI\n")),
                testing::ExitedWithCode(1), SyntaxError(7, scene, "Light"));
    EXPECT_EXIT(LoadOnly(Head("Actors: 2 Lights: 0", "") + "Actor 0: X: 0 Y: 0 Z: 0\nFilename: tri.3dx\nEnd Database\n"),
                testing::ExitedWithCode(1), SyntaxError(9, scene, "Actor"));
    EXPECT_EXIT(LoadOnly(Head("Actors: 0 Lights: 0", "") + "Actor 0: X: 0 Y: 0 Z: 0\nFilename: tri.3dx\n"),
                testing::ExitedWithCode(1), SyntaxError(7, scene, "End Database"));
    EXPECT_EXIT(LoadOnly(Head("Actors: -1 Lights: 0", "")), testing::ExitedWithCode(1),
                Literal("Negative count in line 3 of file \"" + scene + "\":\nActors: -1"));
    EXPECT_EXIT(LoadOnly(Head("Actors: 0 Lights: -4", "")), testing::ExitedWithCode(1),
                Literal("Negative count in line 3 of file \"" + scene + "\":\nLights: -4"));
    EXPECT_EXIT(LoadOnly(Head("Actors: 2000000000", "")), testing::ExitedWithCode(1),
                Literal("Count too large in line 3 of file"));
}

TEST_F(SceneFileTest, OptionalLinesOnlyInTheirPlaceAndOrder) {
    const std::string scene = dir_.Dir() + "scene.scn";
    EXPECT_EXIT(LoadOnly("Actor Database\nSpecularity: 3\nObjectFilePath: x/\nActors: 0\n"), testing::ExitedWithCode(1),
                SyntaxError(3, scene, "Actors:"));
    // Scale before colour: the colour line is left where "Actor" is needed.
    EXPECT_EXIT(LoadOnly(Head("Actors: 1", "") + "Actor 0: X: 0 Y: 0 Z: 0\nFilename: tri.3dx\nScale: 2\n"
                                                 "Color: R: 1 G: 1 B: 1 A: 1\nEnd Database\n"),
                testing::ExitedWithCode(1), SyntaxError(10, scene, "End Database"));
    // Without the blank after the colon a scale line is no scale line.
    EXPECT_EXIT(LoadOnly(Head("Actors: 1", "") + "Actor 0: X: 0 Y: 0 Z: 0\nFilename: tri.3dx\nScale:2\nEnd Database\n"),
                testing::ExitedWithCode(1), SyntaxError(9, scene, "End Database"));
    // "Filename:" needs its blank too.
    EXPECT_EXIT(LoadOnly(Head("Actors: 1", "") + "Actor 0: X: 0 Y: 0 Z: 0\nFilename:tri.3dx\n"),
                testing::ExitedWithCode(1), SyntaxError(8, scene, "Filename: "));
    // An indented required line is a comment.
    EXPECT_EXIT(LoadOnly("Actor Database\nActors: 0\n  Camera: X: 0 Y: 0 Z: 0\nLight List:\n"),
                testing::ExitedWithCode(1), SyntaxError(4, scene, "Camera"));
}

TEST_F(SceneFileTest, FileFaults) {
    EXPECT_EXIT(LoadScene((dir_.Dir() + "none.scn").c_str(), camera_, &actors_, &lights_, &lightCount_),
                testing::ExitedWithCode(1), Literal("The file \"" + dir_.Dir() + "none.scn\" could not be opened!"));
    EXPECT_EXIT(LoadOnly("Actor Database\nActors: 0\n"), testing::ExitedWithCode(1),
                EofError(dir_.Dir() + "scene.scn"));
    EXPECT_EXIT(LoadOnly("Actor Database\nActors: 0\nCamera: X: 0 Y: 0\n"), testing::ExitedWithCode(1), ScanError());
    EXPECT_EXIT(LoadOnly(Head("Actors: 1", "") + "Actor 0: X: 0 Y: 0 Z: 0\nFilename: " + std::string(80, 'f') + "\n"),
                testing::ExitedWithCode(1), Literal("Name too long in line 8 of file"));
    // Faults inside an object file name that file.
    EXPECT_EXIT(LoadOnly(Head("Actors: 1", "") + "Actor 0: X: 0 Y: 0 Z: 0\nFilename: gone.3dx\nEnd Database\n"),
                testing::ExitedWithCode(1),
                Literal("The file \"" + dir_.Dir() + "models/gone.3dx\" could not be opened!"));
}

// A folder in place of a file cannot be opened: it is not read as an empty
// file that ends early.
TEST_F(SceneFileTest, FoldersAreFilesThatCannotBeOpened) {
    const std::string folder = dir_.Dir() + "models";
    EXPECT_EXIT(LoadScene(folder.c_str(), camera_, &actors_, &lights_, &lightCount_), testing::ExitedWithCode(1),
                Literal("The file \"" + folder + "\" could not be opened!"));
    dir_.Write("models/sub/keep.txt", "");
    EXPECT_EXIT(LoadOnly(Head("Actors: 1", "") + "Actor 0: X: 0 Y: 0 Z: 0\nFilename: sub\nEnd Database\n"),
                testing::ExitedWithCode(1), Literal("The file \"" + dir_.Dir() + "models/sub\" could not be opened!"));
}

}  // namespace

namespace {

// The hand-written example scene loads from its own folder.
TEST(ExampleScene, CubesLoad) {
    std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::current_path(TARNVIEW_SOURCE_DIR "/examples/loader");
    Actor camera;
    Actor* actors = nullptr;
    Light* lights = nullptr;
    int lightCount = 0;
    int actorCount = LoadScene("cube.scn", camera, &actors, &lights, &lightCount);
    std::filesystem::current_path(previous);
    ASSERT_EQ(actorCount, 2);
    ASSERT_EQ(lightCount, 2);
    const Object& cube = actors[1].objects[0];
    EXPECT_EQ(cube.faceCount, 12);
    EXPECT_FLOAT_EQ(cube.radius, 5.0f * std::sqrt(3.0f));
    // Side corners merge the two side faces that meet there, per material.
    for (int f = 0; f < 8; ++f) {
        EXPECT_NE(cube.faces[f].flags & FACE_SMOOTH, 0u);
        EXPECT_NE(cube.faces[f].corners[0].normal, kNoIndex);
    }
    EXPECT_EQ(cube.faces[9].flags & FACE_SMOOTH, 0u);
    EXPECT_NE(cube.faces[2].flags & FACE_TWO_SIDED, 0u);
    scene_test::ReleaseScene(actors, actorCount, lights);
}

}  // namespace
