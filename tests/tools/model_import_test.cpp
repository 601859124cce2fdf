// What the model import makes of files from other tools: the up and front
// axes, mirroring transforms, nesting too deep to import, materials written
// fully transparent by mistake, and pictures that are not where the model
// says.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <ostream>
#include <stdexcept>

#include "large_stack.h"
#include "mesh_convert.h"
#include "tools_test_support.h"

using namespace tarnconv;
namespace fs = std::filesystem;

TEST(ModelImport, UpAxisComesToTheTop) {
    tools_test::ScratchDir dir;
    // One triangle reaching 5 units along the file's +z.
    std::ofstream(dir.File("tall.obj")) << "v 0 0 0\nv 1 0 0\nv 0 0 5\nf 1 2 3\n";
    struct Case {
        const char* up;  // empty: the format's own (+y)
        double minZ, maxZ, minY, maxY;
    };
    const Case cases[] = {
        {"", 0, 0, -5, 0},    // y up: the file's z points at the camera, -y here
        {"+z", 0, 5, 0, 0},
        {"-z", -5, 0, 0, 0},
        {"+x", 0, 1, -5, 0},  // the file's x comes up; its z stays where +y put it
    };
    for (const Case& c : cases) {
        ImportOptions options;
        if (c.up[0] != '\0') {
            ASSERT_TRUE(ParseAxisDirection(c.up, &options.up));
            options.upGiven = true;
        }
        MeshModel model;
        std::string error;
        ASSERT_TRUE(LoadModel(dir.File("tall.obj"), options, &model, &error)) << error;
        const Bounds b = ModelBounds(model);
        EXPECT_NEAR(b.min.z, c.minZ, 1e-9) << c.up;
        EXPECT_NEAR(b.max.z, c.maxZ, 1e-9) << c.up;
        EXPECT_NEAR(b.min.y, c.minY, 1e-9) << c.up;
        EXPECT_NEAR(b.max.y, c.maxY, 1e-9) << c.up;
    }
    AxisDirection d;
    EXPECT_FALSE(ParseAxisDirection("up", &d));
    EXPECT_FALSE(ParseAxisDirection("+w", &d));
}

TEST(ModelImport, OpacityZeroWithoutAnOpacityMapIsOpaque) {
    tools_test::ScratchDir dir;
    std::ofstream(dir.File("m.mtl")) << "newmtl clear\nKd 1 0 0\nd 0\nnewmtl glassy\nKd 0 0 1\nd 0.5\n";
    std::ofstream(dir.File("m.obj")) << "mtllib m.mtl\nv 0 0 0\nv 1 0 0\nv 0 1 0\nv 1 1 0\n"
                                        "o a\nusemtl clear\nf 1 2 3\no b\nusemtl glassy\nf 2 4 3\n";
    MeshModel model;
    std::string error;
    ASSERT_TRUE(LoadModel(dir.File("m.obj"), {}, &model, &error)) << error;
    ASSERT_EQ(model.objects.size(), 2u);
    EXPECT_EQ(model.objects[0].materials.at(0).diffuse[3], 1.0);
    EXPECT_FLOAT_EQ(static_cast<float>(model.objects[1].materials.at(0).diffuse[3]), 0.5f);
    ASSERT_EQ(model.warnings.size(), 1u);
    EXPECT_NE(model.warnings[0].find("\"clear\""), std::string::npos) << model.warnings[0];
}

TEST(ModelImport, PicturesAreFoundByNameBesideTheModelAndInNearbyFolders) {
    tools_test::ScratchDir dir;
    fs::create_directories(dir.File("pack/models/maps"));
    fs::create_directories(dir.File("pack/textures"));
    for (const char* f : {"pack/models/maps/stone.png", "pack/textures/Wood.PNG", "pack/models/bark.jpg"})
        std::ofstream(dir.File(f)) << "x";
    const std::string model = dir.File("pack/models/tree.fbx");
    bool searched = true;
    // Where the model says (ignoring case): no search.
    EXPECT_EQ(ResolveImagePath(model, "MAPS\\Stone.png", &searched), dir.File("pack/models/maps/stone.png"));
    EXPECT_FALSE(searched);
    // Elsewhere: found by name beside the model, in a subfolder, in a sibling.
    EXPECT_EQ(ResolveImagePath(model, "D:\\art\\BARK.jpg", &searched), dir.File("pack/models/bark.jpg"));
    EXPECT_TRUE(searched);
    EXPECT_EQ(ResolveImagePath(model, "C:/work/stone.png", &searched), dir.File("pack/models/maps/stone.png"));
    EXPECT_EQ(ResolveImagePath(model, "../../elsewhere/wood.png", &searched), dir.File("pack/textures/Wood.PNG"));
    EXPECT_TRUE(searched);
    EXPECT_EQ(ResolveImagePath(model, "$texture_dummy.bmp", &searched), "");
    // From the root of a Windows drive: the folders are followed from the
    // model's folder, ignoring case in every part.
    EXPECT_EQ(ResolveImagePath(model, "\\..\\TEXTURES\\wood.png", &searched),
              dir.File("pack/models/../textures/Wood.PNG"));
    EXPECT_FALSE(searched);

    // A Quake model's skin: the picture named like the model, else one
    // whose name begins like it.
    for (const char* f : {"pack/models/tree2.png", "pack/models/Tree.TGA", "pack/models/treehouse.txt"})
        std::ofstream(dir.File(f)) << "x";
    EXPECT_EQ(FindPictureNamedLike(model), "Tree.TGA");
    fs::remove(dir.File("pack/models/Tree.TGA"));
    EXPECT_EQ(FindPictureNamedLike(model), "tree2.png");
    EXPECT_EQ(FindPictureNamedLike(dir.File("pack/models/rock.md2")), "");
}

namespace {

std::string Coords(const Vec3d& p) {
    char buf[96];
    std::snprintf(buf, sizeof buf, "%g %g %g", p.x, p.y, p.z);
    return buf;
}

// One triangle from the origin to an up marker 5 long and a front marker 3
// long, in the format named by the extension.
std::string MarkerModel(const std::string& ext, const Vec3d& up, const Vec3d& front) {
    const Vec3d u{up.x * 5, up.y * 5, up.z * 5}, f{front.x * 3, front.y * 3, front.z * 3};
    if (ext == ".obj") return "v 0 0 0\nv " + Coords(u) + "\nv " + Coords(f) + "\nf 1 2 3\n";
    if (ext == ".stl")
        return "solid t\nfacet normal 0 0 0\nouter loop\nvertex 0 0 0\nvertex " + Coords(u) + "\nvertex " + Coords(f) +
               "\nendloop\nendfacet\nendsolid t\n";
    if (ext == ".smd")
        return "version 1\nnodes\n0 \"root\" -1\nend\nskeleton\ntime 0\n0 0 0 0 0 0 0\nend\ntriangles\nskin.bmp\n"
               "0 0 0 0 0 0 1 0 0\n0 " + Coords(u) + " 0 0 1 1 0\n0 " + Coords(f) + " 0 0 1 0 1\nend\n";
    return "*3DSMAX_ASCIIEXPORT 200\n*GEOMOBJECT {\n*MESH {\n*MESH_NUMVERTEX 3\n*MESH_NUMFACES 1\n"
           "*MESH_VERTEX_LIST {\n*MESH_VERTEX 0 0 0 0\n*MESH_VERTEX 1 " + Coords(u) + "\n*MESH_VERTEX 2 " +
           Coords(f) + "\n}\n*MESH_FACE_LIST {\n*MESH_FACE 0: A: 0 B: 1 C: 2\n}\n}\n}\n";
}

struct Facing {
    const char* ext;
    Vec3d up, front;  // where the file has them
    const char* upOption;
    const char* frontOption;
};

void PrintTo(const Facing& f, std::ostream* os) {
    *os << f.ext << " up " << Coords(f.up) << " front " << Coords(f.front) << " options \"" << f.upOption << "\" \""
        << f.frontOption << "\"";
}

class ModelsStandAndFace : public testing::TestWithParam<Facing> {};

}  // namespace

// Whatever the format and options, the up marker ends at +Z (the object
// file's up) and the front marker at -Y (towards the viewer).
TEST_P(ModelsStandAndFace, UpToPlusZFrontToMinusY) {
    const Facing& c = GetParam();
    tools_test::ScratchDir dir;
    const std::string path = dir.File(std::string("m") + c.ext);
    std::ofstream(path) << MarkerModel(c.ext, c.up, c.front);
    ImportOptions options;
    if (c.upOption[0] != '\0') options.upGiven = ParseAxisDirection(c.upOption, &options.up);
    if (c.frontOption[0] != '\0') options.frontGiven = ParseAxisDirection(c.frontOption, &options.front);
    MeshModel model;
    std::string error;
    ASSERT_TRUE(LoadModel(path, options, &model, &error)) << error;
    const Bounds b = ModelBounds(model);
    EXPECT_NEAR(b.max.z, 5, 1e-9);
    EXPECT_NEAR(b.min.y, -3, 1e-9);
    EXPECT_NEAR(b.max.x - b.min.x, 0, 1e-9);
}

INSTANTIATE_TEST_SUITE_P(
    ModelImport, ModelsStandAndFace,
    testing::Values(Facing{".obj", {0, 1, 0}, {0, 0, 1}, "", ""},    // glTF's convention
                    Facing{".obj", {0, 1, 0}, {0, 0, -1}, "", "-z"},
                    Facing{".obj", {0, 0, 1}, {1, 0, 0}, "+z", "+x"},
                    Facing{".stl", {0, 0, 1}, {0, -1, 0}, "", ""},   // Z-up, made facing -y
                    Facing{".stl", {0, 1, 0}, {0, 0, 1}, "+y", "+z"},
                    Facing{".smd", {0, 0, 1}, {1, 0, 0}, "", ""},    // Source engine: facing +x
                    Facing{".ase", {0, 0, 1}, {0, -1, 0}, "", ""},   // 3ds Max
                    Facing{".ase", {0, 0, 1}, {-1, 0, 0}, "", "-x"}));

namespace {

// A glTF file of nodes holding one triangle (wound counter-clockwise seen
// from +z) each, with the nodes' JSON given; the buffer beside it.
void WriteTriangleGltf(const tools_test::ScratchDir& dir, const std::string& name, const std::string& nodes,
                       const std::string& sceneNodes) {
    const float positions[9] = {0, 0, 0, 1, 0, 0, 0, 1, 0};
    const std::uint16_t indices[4] = {0, 1, 2, 0};
    std::ofstream bin(dir.File(name + ".bin"), std::ios::binary);
    bin.write(reinterpret_cast<const char*>(positions), sizeof positions);
    bin.write(reinterpret_cast<const char*>(indices), sizeof indices);
    bin.close();
    std::ofstream(dir.File(name + ".gltf"))
        << R"({"asset":{"version":"2.0"},"scene":0,"scenes":[{"nodes":[)" << sceneNodes << R"(]}],"nodes":[)"
        << nodes << R"(],"meshes":[{"primitives":[{"attributes":{"POSITION":0},"indices":1}]}],)"
        << R"("buffers":[{"byteLength":44,"uri":")" << name << R"(.bin"}],)"
        << R"("bufferViews":[{"buffer":0,"byteLength":36},{"buffer":0,"byteOffset":36,"byteLength":6}],)"
        << R"("accessors":[{"bufferView":0,"componentType":5126,"count":3,"type":"VEC3","min":[0,0,0],)"
        << R"("max":[1,1,0]},{"bufferView":1,"componentType":5123,"count":3,"type":"SCALAR"}]})";
}

Vec3d FaceNormal(const MeshObject& o, const MeshFace& f) {
    const Vec3d& a = o.vertices[static_cast<std::size_t>(f.v[0])];
    const Vec3d& b = o.vertices[static_cast<std::size_t>(f.v[1])];
    const Vec3d& c = o.vertices[static_cast<std::size_t>(f.v[2])];
    const Vec3d u{b.x - a.x, b.y - a.y, b.z - a.z}, v{c.x - a.x, c.y - a.y, c.z - a.z};
    return {u.y * v.z - u.z * v.y, u.z * v.x - u.x * v.z, u.x * v.y - u.y * v.x};
}

}  // namespace

TEST(ModelImport, MirroredNodesKeepTheirFacesOutward) {
    tools_test::ScratchDir dir;
    // The same triangle placed plainly and through a mirror in x: both face
    // the file's +z, the front, so both face -Y here.
    WriteTriangleGltf(dir, "pair", R"({"mesh":0,"translation":[-2,0,0]},{"mesh":0,"scale":[-1,1,1]})", "0,1");
    MeshModel model;
    std::string error;
    ASSERT_TRUE(LoadModel(dir.File("pair.gltf"), {}, &model, &error)) << error;
    ASSERT_EQ(model.objects.size(), 1u);  // one material: one object
    const MeshObject& o = model.objects[0];
    ASSERT_EQ(o.faces.size(), 2u);
    for (const MeshFace& f : o.faces) EXPECT_LT(FaceNormal(o, f).y, 0);
    EXPECT_NEAR(ModelBounds(model).min.x, -2, 1e-9);
    EXPECT_NEAR(ModelBounds(model).max.x, 0, 1e-9);
}

TEST(ModelImport, NodesNestedTooDeepAreRefusedWithAMessage) {
    tools_test::ScratchDir dir;
    // 20000 nodes, each the only child of the one before: deep enough to
    // overflow the importer's recursion on a normal stack.
    std::string nodes;
    for (int i = 1; i < 20000; ++i) nodes += R"({"children":[)" + std::to_string(i) + "]},";
    WriteTriangleGltf(dir, "deep", nodes + R"({"mesh":0})", "0");
    MeshModel model;
    std::string error;
    EXPECT_FALSE(LoadModel(dir.File("deep.gltf"), {}, &model, &error));
    EXPECT_EQ(error, dir.File("deep.gltf") + ": nodes nested 20000 deep (at most 1000 are read)");
}

TEST(LargeStack, OverflowEndsWithTheMessageAndExceptionsCarryOver) {
    std::string error;
    EXPECT_THROW(RunWithLargeStack([] { throw std::runtime_error("inside"); }, 1 << 20, "", &error),
                 std::runtime_error);
    int depth = 0;
    EXPECT_TRUE(RunWithLargeStack([&] { depth = 7; }, 1 << 20, "", &error)) << error;
    EXPECT_EQ(depth, 7);
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            // Recursion that cannot be turned into a loop: every frame keeps
            // a buffer the next one reads.
            std::function<int(int)> down = [&](int n) {
                volatile char frame[512];
                frame[n % 512] = static_cast<char>(n);
                return n == 0 ? 0 : down(n - 1) + frame[n % 512];
            };
            RunWithLargeStack([&] { depth = down(1 << 30); }, 1 << 20, "tarnconv: m.gltf: too deep", &error);
        },
        testing::ExitedWithCode(1), "^tarnconv: m.gltf: too deep\n$");
}
