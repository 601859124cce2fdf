// The JSON dump: field names, references written as indices, nulls for
// flat faces, missing texture vertices and non-finite numbers, and floats
// that read back exactly.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <limits>
#include <sstream>
#include <string>

#include "scene/scene_dump.h"
#include "scene_test_support.h"

namespace {

using scene_test::ScratchDir;

std::string ReadAll(const std::string& path) {
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// Brackets and braces balance outside strings, and every string closes.
bool Balanced(const std::string& json) {
    int depth = 0;
    bool inString = false;
    for (char c : json) {
        if (inString) {
            if (c == '"') inString = false;
            continue;
        }
        if (c == '"') inString = true;
        if (c == '{' || c == '[') ++depth;
        if (c == '}' || c == ']') --depth;
        if (depth < 0) return false;
    }
    return depth == 0 && !inString;
}

TEST(SceneDump, WritesTheRecordsAsJson) {
    ScratchDir dir;
    Vertex vertices[3];
    vertices[0].position = Vec3(0.1f, 0, 0);
    vertices[1].position = Vec3(1, 0, 0);
    vertices[2].position = Vec3(0, 1, std::numeric_limits<float>::infinity());
    Material materials[2];
    materials[0].twoSided = 1;
    VertexNormal normal;
    normal.normal = Vec3(0, 0, 1);
    Face faces[2] = {};
    for (Face& f : faces) {
        for (int i = 0; i < 3; ++i) f.corners[i] = FaceCorner{static_cast<std::uint32_t>(2 - i), kNoIndex, 0, 0};
    }
    faces[0].flags = FACE_SMOOTH | FACE_EDGE_AB | 0x1Fu;  // renderer bits are not written
    faces[0].material = 0;
    faces[1].flags = 0;
    Object object;
    object.vertexCount = 3;
    object.vertices = vertices;
    object.faceCount = 2;
    object.faces = faces;
    object.materialCount = 1;
    object.materials = materials;
    object.vertexNormalCount = 1;
    object.vertexNormals = &normal;
    Actor actors[1];
    actors[0].objects = &object;
    actors[0].objectCount = 1;
    faces[1].material = 1;  // the actor's own
    Light lights[1];
    lights[0].type = DIRECTIONAL;
    lights[0].intensity = 0.8f;
    SceneRecord scene;
    scene.actors = actors;
    scene.actorCount = 1;
    scene.lights = lights;
    scene.lightCount = 1;

    std::string path = dir.Dir() + "scene.json";
    ASSERT_TRUE(WriteSceneJson(path.c_str(), scene, true, 0));
    std::string json = ReadAll(path);
    EXPECT_TRUE(Balanced(json));
    EXPECT_NE(json.find("\"orientation\":[1,0,0,0,1,0,0,0,1]"), std::string::npos);
    EXPECT_NE(json.find("\"specularity\":400"), std::string::npos);
    EXPECT_NE(json.find("{\"type\":\"DIRECTIONAL\",\"position\":[0,0,0],\"intensity\":0.8,\"enabled\":1}"),
              std::string::npos);
    EXPECT_NE(json.find("\"vertices\":[[0.1,0,0],[1,0,0],[0,1,null]]"), std::string::npos);
    EXPECT_NE(json.find("{\"flags\":1207959552,\"normal\":[0,0,0],\"vertices\":[2,1,0],\"tvertices\":null,"
                        "\"material\":0,\"cornerNormals\":[[0,0,1],[0,0,1],[0,0,1]]}"),
              std::string::npos)
        << json;
    EXPECT_NE(json.find("\"material\":-1,\"cornerNormals\":null"), std::string::npos);
    EXPECT_NE(json.find("\"twoSided\":1,\"hasSpecular\":1,\"amount\":1,\"textured\":false"), std::string::npos);
    EXPECT_NE(json.find("\"SelectedActor\":0"), std::string::npos);
    ASSERT_TRUE(WriteSceneJson(path.c_str(), scene, false, 0));
    EXPECT_EQ(ReadAll(path).find("SelectedActor"), std::string::npos);
    EXPECT_FALSE(WriteSceneJson((dir.Dir() + "no/such/folder.json").c_str(), scene, false, 0));
}

TEST(SceneDump, FloatsReadBackExactly) {
    ScratchDir dir;
    SceneRecord scene;
    const float values[] = {0.1f, 1.0f / 3.0f, 3.4028235e38f, 1.4e-45f, -2.5e-7f, 16777217.0f};
    for (float v : values) {
        scene.specularity = v;
        std::string path = dir.Dir() + "f.json";
        ASSERT_TRUE(WriteSceneJson(path.c_str(), scene, false, 0));
        std::string json = ReadAll(path);
        std::size_t at = json.find("\"specularity\":");
        ASSERT_NE(at, std::string::npos);
        float back = std::strtof(json.c_str() + at + 14, nullptr);
        EXPECT_EQ(back, v);
    }
}

}  // namespace
