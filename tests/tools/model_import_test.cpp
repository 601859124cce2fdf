// What the model import makes of files from other tools: the up axis,
// materials written fully transparent by mistake, and pictures that are not
// where the model says.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

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
}
