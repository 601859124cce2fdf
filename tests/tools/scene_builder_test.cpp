// Scene files and framing: what tarnconv scene and the demo generator
// write must load in the viewer and put every actor in front of the camera.
#include <gtest/gtest.h>

#include <stb/stb_image_write.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "object_writer.h"
#include "scene/scene_loader.h"
#include "scene_builder.h"
#include "scene_folder.h"
#include "tools_test_support.h"

using namespace tarnconv;
namespace fs = std::filesystem;

namespace {

// Runs the viewer's scene loader inside folder, as the viewer is run.
int LoadSceneIn(const std::string& folder, const char* scene, Actor& camera, Actor** actors, Light** lights,
                int* lightCount) {
    const fs::path old = fs::current_path();
    fs::current_path(folder);
    const int n = LoadScene(scene, camera, actors, lights, lightCount);
    fs::current_path(old);
    tools_test::KeepForTheRun(*actors);
    tools_test::KeepForTheRun(*lights);
    return n;
}

bool ActorInView(const Actor& camera, const Actor& a) {
    for (int i = 0; i < a.objectCount; ++i)
        for (int v = 0; v < a.objects[i].vertexCount; ++v) {
            const Vec3 p = a.objects[i].vertices[v].position + a.position;
            if (!InViewVolume({camera.position.x, camera.position.y, camera.position.z}, {p.x, p.y, p.z})) return false;
        }
    return true;
}

// A small pyramid export with a texture beside it.
const char* kPyramid = R"(*3DSMAX_ASCIIEXPORT 200
*MATERIAL_LIST {
*MATERIAL 0 {
*MATERIAL_DIFFUSE 1 1 1
*MAP_DIFFUSE {
*BITMAP "maps\STONE.PNG"
}
}
}
*GEOMOBJECT {
*NODE_NAME "pyramid"
*MESH {
*MESH_NUMVERTEX 4
*MESH_NUMFACES 4
*MESH_VERTEX_LIST {
*MESH_VERTEX 0 1000 1000 0
*MESH_VERTEX 1 1400 1000 0
*MESH_VERTEX 2 1200 1400 0
*MESH_VERTEX 3 1200 1130 900
}
*MESH_FACE_LIST {
*MESH_FACE 0: A: 0 B: 2 C: 1 AB: 1 BC: 1 CA: 1 *MESH_SMOOTHING 1 *MESH_MTLID 0
*MESH_FACE 1: A: 0 B: 1 C: 3 AB: 1 BC: 1 CA: 1 *MESH_SMOOTHING 2 *MESH_MTLID 0
*MESH_FACE 2: A: 1 B: 2 C: 3 AB: 1 BC: 1 CA: 1 *MESH_SMOOTHING 4 *MESH_MTLID 0
*MESH_FACE 3: A: 2 B: 0 C: 3 AB: 1 BC: 1 CA: 1 *MESH_SMOOTHING 8 *MESH_MTLID 0
}
*MESH_NUMTVERTEX 3
*MESH_TVERTLIST {
*MESH_TVERT 0 0 0 0
*MESH_TVERT 1 1 0 0
*MESH_TVERT 2 0.5 1 0
}
*MESH_TFACELIST {
*MESH_TFACE 0 0 1 2
*MESH_TFACE 1 0 1 2
*MESH_TFACE 2 0 1 2
*MESH_TFACE 3 0 1 2
}
}
*MATERIAL_REF 0
}
)";

}  // namespace

TEST(SceneFraming, EveryCornerOfTheBoxIsInView) {
    const Bounds boxes[] = {
        {{-100, -100, -100}, {100, 100, 100}},
        {{-2000, 0, 50}, {2000, 10, 60}},  // wide and flat
        {{5, -900, 300}, {6, 900, 301}},   // tall and thin
    };
    for (const Bounds& b : boxes) {
        const Vec3d cam = FrameCamera(b);
        EXPECT_LT(cam.z, b.min.z);
        for (int i = 0; i < 8; ++i) {
            const Vec3d p{(i & 1) ? b.max.x : b.min.x, (i & 2) ? b.max.y : b.min.y, (i & 4) ? b.max.z : b.min.z};
            EXPECT_TRUE(InViewVolume(cam, p)) << i;
        }
        // Not needlessly far: without the margin, a camera moved 1% closer
        // loses a corner.
        Vec3d closer = FrameCamera(b, 1.0);
        closer.z += (b.min.z - closer.z) * 0.01;
        int lost = 0;
        for (int i = 0; i < 8; ++i) {
            const Vec3d p{(i & 1) ? b.max.x : b.min.x, (i & 2) ? b.max.y : b.min.y, (i & 4) ? b.max.z : b.min.z};
            lost += !InViewVolume(closer, p);
        }
        EXPECT_GT(lost, 0);
    }
}

TEST(SceneFile, LoadsInTheViewerAsWritten) {
    tools_test::ScratchDir dir;
    MeshObject tri;
    tri.vertices = {{0, 0, 0}, {10, 0, 0}, {0, 0, 10}};
    tri.faces.push_back(MeshFace{});
    tri.faces[0].v = {0, 1, 2};
    std::string error;
    ASSERT_TRUE(WriteObjectFile({{tri}}, {}, dir.File("tri.3dx"), &error)) << error;
    SceneRecipe recipe;
    recipe.comment = "test";
    recipe.specularity = 250;
    recipe.camera = {1.5, 20, -300};
    recipe.lights = DefaultLights({{-10, -10, -10}, {10, 10, 10}}, recipe.camera);
    recipe.lights[1].position = {3, 0, 4};
    recipe.lights[1].enabled = false;
    SceneActor a;
    a.file = "tri.3dx";
    a.position = {5, 6, 7};
    a.color = {1, 0.5, 0.25, 1};
    a.scale = 2;
    recipe.actors = {a, a};
    recipe.actors[1].position = {-5, 0, 0};
    std::string text;
    ASSERT_TRUE(FormatSceneFile(recipe, &text, &error)) << error;
    std::ofstream(dir.File("objects.scn"), std::ios::binary) << text;

    Actor camera;
    Actor* actors = nullptr;
    Light* lights = nullptr;
    int lightCount = 0;
    ASSERT_EQ(LoadSceneIn(dir.Dir(), "objects.scn", camera, &actors, &lights, &lightCount), 2);
    EXPECT_FLOAT_EQ(camera.position.x, 1.5f);
    EXPECT_FLOAT_EQ(camera.position.z, -300.0f);
    ASSERT_EQ(lightCount, 2);
    EXPECT_EQ(lights[0].type, OMNI);
    EXPECT_EQ(lights[1].type, DIRECTIONAL);
    EXPECT_FLOAT_EQ(lights[1].position.x, 0.6f);
    EXPECT_EQ(lights[1].enabled, 0);
    EXPECT_FLOAT_EQ(actors[0].position.y, 6.0f);
    EXPECT_FLOAT_EQ(actors[0].material.diffuse.g, 127.5f);
    EXPECT_FLOAT_EQ(actors[0].objects[0].vertices[1].position.x, 20.0f);  // scale 2
    EXPECT_FLOAT_EQ(actors[1].position.x, -5.0f);

    recipe.actors[0].file = "has space.3dx";
    EXPECT_FALSE(FormatSceneFile(recipe, &text, &error));
}

TEST(SceneFolder, AReadyToRunFolderThatFramesItsModels) {
    tools_test::OpenDevice();
    tools_test::ScratchDir dir;
    fs::create_directories(dir.File("src/maps"));
    std::ofstream(dir.File("src/pyramid.ase"), std::ios::binary) << kPyramid;
    std::vector<unsigned char> grey(40 * 20 * 3, 128);
    ASSERT_TRUE(stbi_write_png(dir.File("src/maps/stone.png").c_str(), 40, 20, 3, grey.data(), 40 * 3));
    std::ofstream(dir.File("font.3df"), std::ios::binary) << "font";

    SceneFolderOptions options;
    options.fontPath = dir.File("font.3df");
    SceneFolderResult result;
    std::string error;
    const std::string out = dir.File("scene");
    ASSERT_TRUE(BuildSceneFolder(out, {dir.File("src/pyramid.ase"), dir.File("src/pyramid.ase")}, options, nullptr,
                                 &result, &error))
        << error;
    EXPECT_TRUE(result.warnings.empty()) << result.warnings[0];
    EXPECT_TRUE(fs::exists(out + "/ffont.3df"));
    EXPECT_TRUE(fs::exists(out + "/pyramid.3dx"));
    EXPECT_TRUE(fs::exists(out + "/pyramid_2.3dx"));  // the second copy gets its own name
    EXPECT_TRUE(fs::exists(out + "/pyramid_stone.3df"));  // found although the model spells it STONE.PNG

    Actor camera;
    Actor* actors = nullptr;
    Light* lights = nullptr;
    int lightCount = 0;
    ASSERT_EQ(LoadSceneIn(out, "objects.scn", camera, &actors, &lights, &lightCount), 2);
    ASSERT_EQ(lightCount, 2);
    EXPECT_EQ(lights[0].type + lights[1].type, OMNI + DIRECTIONAL);
    for (int i = 0; i < 2; ++i) {
        EXPECT_TRUE(ActorInView(camera, actors[i])) << i;
        // Centred on its origin and scaled to the common size: 900 high -> 200.
        EXPECT_NEAR(actors[i].objects[0].center.y, 0.0f, 1e-3);
        EXPECT_GE(actors[i].radius, 100.0f - 1e-3f);
        EXPECT_LE(actors[i].radius, 100.0f * 1.7321f);
        EXPECT_NE(actors[i].objects[0].materials[0].texture, -1);
    }
    EXPECT_GT(actors[1].position.x, actors[0].position.x);
}

TEST(DemoScene, ShowsEveryFeatureAndLoads) {
    tools_test::OpenDevice();
    const std::string demo = std::string(TARNVIEW_SOURCE_DIR) + "/examples/demo";
    ASSERT_TRUE(fs::exists(demo + "/objects.scn"));
    ASSERT_TRUE(fs::exists(demo + "/ffont.3df"));
    Actor camera;
    Actor* actors = nullptr;
    Light* lights = nullptr;
    int lightCount = 0;
    const int n = LoadSceneIn(demo, "objects.scn", camera, &actors, &lights, &lightCount);
    EXPECT_GE(n, 5);
    bool omni = false, directional = false;
    for (int i = 0; i < lightCount; ++i) (lights[i].type == OMNI ? omni : directional) = true;
    EXPECT_TRUE(omni && directional);
    int faces = 0, textured = 0, smooth = 0, flat = 0, twoSided = 0, specular = 0, translucent = 0;
    for (int i = 0; i < n; ++i)
        for (int o = 0; o < actors[i].objectCount; ++o) {
            const Object& ob = actors[i].objects[o];
            faces += ob.faceCount;
            for (int f = 0; f < ob.faceCount; ++f) {
                const Face& face = ob.faces[f];
                EXPECT_EQ(face.flags & FACE_DEGENERATE, 0u);
                textured += (face.flags & FACE_TEXTURED) != 0;
                (face.flags & FACE_SMOOTH ? smooth : flat) += 1;
                twoSided += (face.flags & FACE_TWO_SIDED) != 0;
                specular += (face.flags & FACE_SPECULAR) != 0;
                translucent += ob.materials[face.material].diffuse.a < 255.0f;
            }
        }
    EXPECT_GE(faces, 20000);
    EXPECT_GT(textured, 0);
    EXPECT_GT(smooth, 0);
    EXPECT_GT(flat, 0);
    EXPECT_GT(twoSided, 0);
    EXPECT_GT(specular, 0);
    EXPECT_GT(translucent, 0);
}

TEST(SceneFolder, ACubeShowsThreeSidesAndAFailureLeavesNothing) {
    tools_test::ScratchDir dir;
    // A cube with outward faces, y up as OBJ files are.
    std::ofstream(dir.File("cube.obj")) << "v -1 -1 -1\nv 1 -1 -1\nv 1 1 -1\nv -1 1 -1\n"
                                           "v -1 -1 1\nv 1 -1 1\nv 1 1 1\nv -1 1 1\n"
                                           "f 1 4 3 2\nf 5 6 7 8\nf 1 5 8 4\nf 2 3 7 6\nf 1 2 6 5\nf 4 8 7 3\n";
    SceneFolderOptions options;
    SceneFolderResult result;
    std::string error;
    const std::string out = dir.File("scene");
    ASSERT_TRUE(BuildSceneFolder(out, {dir.File("cube.obj")}, options, nullptr, &result, &error)) << error;
    Actor camera;
    Actor* actors = nullptr;
    Light* lights = nullptr;
    int lightCount = 0;
    ASSERT_EQ(LoadSceneIn(out, "objects.scn", camera, &actors, &lights, &lightCount), 1);
    // Seen from a raised three-quarter view: the top, the front and one side.
    const Object& cube = actors[0].objects[0];
    ASSERT_EQ(cube.faceCount, 12);
    int facing = 0;
    for (int f = 0; f < cube.faceCount; ++f) {
        const Vec3 toCamera = camera.position - (cube.faces[f].point + actors[0].position);
        facing += toCamera.Dot(cube.faces[f].normal) > 0;
    }
    EXPECT_EQ(facing, 6);
    // The camera fits the sphere that holds the model, whichever way it turns.
    const Vec3d c = result.sphereCenter;
    const double r = result.sphereRadius;
    EXPECT_GE(r, actors[0].radius * (1 - 1e-6));
    for (const Vec3d& d : {Vec3d{1, 0, 0}, Vec3d{-1, 0, 0}, Vec3d{0, 1, 0}, Vec3d{0, -1, 0}, Vec3d{0, 0, -1}})
        EXPECT_TRUE(InViewVolume(result.scene.camera, {c.x + r * d.x, c.y + r * d.y, c.z + r * d.z}));

    // A model that cannot be read: no folder, and nothing left beside it.
    const auto before = std::distance(fs::directory_iterator(dir.Dir()), fs::directory_iterator());
    SceneFolderResult failed;
    EXPECT_FALSE(BuildSceneFolder(dir.File("other"), {dir.File("cube.obj"), dir.File("missing.obj")}, options,
                                  nullptr, &failed, &error));
    EXPECT_NE(error.find("missing.obj"), std::string::npos) << error;
    EXPECT_FALSE(fs::exists(dir.File("other")));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.Dir()), fs::directory_iterator()), before);
}
