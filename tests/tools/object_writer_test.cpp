// Object files written by the converter, read back with the viewer's own
// loader: orientation, axes, edges, smoothing, materials and UVs must come
// out as the source meant them.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>

#include "object_writer.h"
#include "scene/object_loader.h"
#include "texture_convert.h"
#include "tools_test_support.h"

using namespace tarnconv;

namespace {

// A box from (0, 0, 0) to (1, 2, 3) in the converter's Z-up frame, every
// face counter-clockwise seen from outside.
MeshObject Box() {
    MeshObject o;
    o.name = "box";
    for (int i = 0; i < 8; ++i) o.vertices.push_back({double(i & 1), double((i >> 1) & 1) * 2, double((i >> 2) & 1) * 3});
    const int quads[6][4] = {{0, 2, 3, 1}, {4, 5, 7, 6}, {0, 1, 5, 4}, {2, 6, 7, 3}, {0, 4, 6, 2}, {1, 3, 7, 5}};
    for (const auto& q : quads) {
        MeshFace a, b;
        a.v = {q[0], q[1], q[2]};
        b.v = {q[0], q[2], q[3]};
        o.faces.push_back(a);
        o.faces.push_back(b);
    }
    return o;
}

class ObjectWriterTest : public testing::Test {
protected:
    Actor& Load(const MeshModel& model) {
        std::string text, error;
        EXPECT_TRUE(FormatObjectFile(model, {}, &text, &error)) << error;
        std::ofstream(dir_.File("obj.3dx"), std::ios::binary) << text;
        LoadObjectFile(actor_, "obj.3dx", 1.0f, 0, dir_.Dir().c_str());
        tools_test::KeepForTheRun(actor_.objects);
        return actor_;
    }
    tools_test::ScratchDir dir_;
    Actor actor_;
};

}  // namespace

TEST_F(ObjectWriterTest, FacesPointOutwardAndStandUpright) {
    Actor& a = Load({{Box()}});
    ASSERT_EQ(a.objectCount, 1);
    const Object& o = a.objects[0];
    // Z-up (1, 2, 3) is the viewer's (1, 3, 2): Z becomes the height.
    EXPECT_FLOAT_EQ(o.center.x, 0.5f);
    EXPECT_FLOAT_EQ(o.center.y, 1.5f);
    EXPECT_FLOAT_EQ(o.center.z, 1.0f);
    ASSERT_EQ(o.faceCount, 12);
    for (int i = 0; i < o.faceCount; ++i) {
        const Face& f = o.faces[i];
        ASSERT_EQ(f.flags & FACE_DEGENERATE, 0u) << i;
        const Vec3 out = f.point - o.center;
        // Facing is "V . normal < 0" with V from the eye, so outward normals
        // make the outside the front.
        EXPECT_GT(out.Dot(f.normal), 0.0f) << "face " << i;
    }
}

TEST_F(ObjectWriterTest, EdgesFollowTheirCornersThroughTheWindingChange) {
    MeshObject o = Box();
    o.faces[0].edge = {true, false, false};  // only A-B visible
    o.faces[1].edge = {false, true, true};
    Actor& a = Load({{o}});
    const Face& f0 = a.objects[0].faces[0];
    // Written as A, C, B: the source's A-B edge is the file's C-A edge.
    EXPECT_EQ(f0.corners[0].vertex, static_cast<std::uint32_t>(o.faces[0].v[0]));
    EXPECT_EQ(f0.corners[1].vertex, static_cast<std::uint32_t>(o.faces[0].v[2]));
    EXPECT_EQ(f0.corners[2].vertex, static_cast<std::uint32_t>(o.faces[0].v[1]));
    EXPECT_EQ(f0.flags & (FACE_EDGE_AB | FACE_EDGE_BC | FACE_EDGE_CA), FACE_EDGE_CA);
    EXPECT_EQ(a.objects[0].faces[1].flags & (FACE_EDGE_AB | FACE_EDGE_BC | FACE_EDGE_CA), FACE_EDGE_AB | FACE_EDGE_BC);
}

TEST_F(ObjectWriterTest, SmoothingAndMaterialNumbersReachTheViewer) {
    MeshObject o = Box();
    MeshMaterial red, blue;
    red.diffuse = {1, 0, 0, 1};
    red.hasSpecularLine = true;
    red.specular = {1, 1, 1};
    red.shine = 0.25;
    red.shineStrength = 0.5;
    blue.diffuse = {0, 0, 1, 0.5};
    blue.twoSided = true;
    o.materials = {red, blue};
    for (std::size_t i = 0; i < o.faces.size(); ++i) {
        o.faces[i].smoothing = i < 2 ? 0u : 1u << (i / 2);
        o.faces[i].material = i == 5 ? 3 : 0;  // 3 modulo 2 is the second material
    }
    Actor& a = Load({{o}});
    const Object& lo = a.objects[0];
    ASSERT_EQ(lo.materialCount, 2);
    EXPECT_FLOAT_EQ(lo.materials[0].specular.r, 127.5f);
    EXPECT_EQ(lo.materials[0].hasSpecular, 1);
    EXPECT_FLOAT_EQ(lo.materials[1].diffuse.a, 127.5f);
    EXPECT_EQ(lo.materials[1].hasSpecular, 0);
    EXPECT_EQ(lo.faces[0].flags & FACE_SMOOTH, 0u);
    EXPECT_NE(lo.faces[2].flags & FACE_SMOOTH, 0u);
    EXPECT_EQ(lo.faces[5].material, 1u);
    EXPECT_NE(lo.faces[5].flags & FACE_TWO_SIDED, 0u);
    EXPECT_EQ(lo.faces[4].material, 0u);
    // The two triangles of one side share a group and so one vertex normal.
    const Face& f2 = lo.faces[2];
    const Face& f3 = lo.faces[3];
    EXPECT_EQ(f2.corners[0].normal, f3.corners[0].normal);
}

TEST_F(ObjectWriterTest, TextureCoordinatesAreFlippedFittedAndKeptSmall) {
    tools_test::OpenDevice();
    // A 2:1 map: it spans 0..256 across but only 0..128 down.
    glide::ArgbImage wide{64, 32, std::vector<std::uint32_t>(64 * 32, 0xFF808080u)};
    glide::Texture3df tex;
    std::string error;
    ASSERT_TRUE(ImageToTexture(wide, false, {}, &tex, &error)) << error;
    ASSERT_TRUE(glide::Write3dfFile(dir_.File("wide.3df").c_str(), tex, &error)) << error;

    MeshObject o = Box();
    MeshMaterial m;
    m.textureFile = "wide.3df";
    TextureAspect(tex.header, &m.textureAspectW, &m.textureAspectH);
    ASSERT_EQ(m.textureAspectW, 2);
    o.materials = {m};
    o.tvertices = {{0.25, 0.25}, {5.5, -3.25}, {6.0, -3.0}, {1.0, 1.0}};
    for (MeshFace& f : o.faces) f.t = {0, 3, 0};
    o.faces[0].t = {0, 3, 3};
    o.faces[1].t = {1, 2, 1};  // tiled far from the map's origin
    Actor& a = Load({{o}});
    const Object& lo = a.objects[0];
    ASSERT_NE(lo.faces[0].corners[0].tvertex, kNoIndex);
    EXPECT_NE(lo.faces[0].flags & FACE_TEXTURED, 0u);
    // U 0.25 stays; V 0.25 counts from the top (0.75) and halves (0.375).
    EXPECT_FLOAT_EQ(lo.tvertices[lo.faces[0].corners[0].tvertex].u, 0.25f * 255);
    EXPECT_FLOAT_EQ(lo.tvertices[lo.faces[0].corners[0].tvertex].v, 0.375f * 255);
    // The tiled face moves by whole repeats into 0..1 (u 5.5 -> 0.5;
    // v (1 + 3.25) / 2 = 2.125 and (1 + 3) / 2 = 2 -> 0.125 and 0).
    const Face& t = lo.faces[1];
    float minU = 1e9f, minV = 1e9f;
    for (const FaceCorner& c : t.corners) {
        minU = std::min(minU, lo.tvertices[c.tvertex].u);
        minV = std::min(minV, lo.tvertices[c.tvertex].v);
    }
    EXPECT_FLOAT_EQ(minU, 0.5f * 255);
    EXPECT_FLOAT_EQ(minV, 0.0f);
    EXPECT_FLOAT_EQ(lo.tvertices[t.corners[0].tvertex].v, 0.125f * 255);
}

TEST(ObjectWriter, LeavesOutEmptyObjectsAndRefusesWhatTheViewerCannotRead) {
    MeshModel model{{Box(), MeshObject{}}};
    std::string text, error;
    ASSERT_TRUE(FormatObjectFile(model, {}, &text, &error));
    EXPECT_NE(text.find("NumObjects: 1\n"), std::string::npos);

    MeshModel named{{Box()}};
    MeshMaterial m;
    m.textureFile = std::string(80, 'x') + ".3df";
    named.objects[0].materials = {m};
    EXPECT_FALSE(FormatObjectFile(named, {}, &text, &error));
    EXPECT_NE(error.find("at most 79 characters"), std::string::npos) << error;
    named.objects[0].materials[0].textureFile = "two words.3df";
    EXPECT_FALSE(FormatObjectFile(named, {}, &text, &error));
    named.objects[0].materials[0].textureFile = "a,b.3df";  // the viewer would read "a.b.3df"
    EXPECT_FALSE(FormatObjectFile(named, {}, &text, &error));

    MeshModel bad{{Box()}};
    bad.objects[0].vertices[2].x = std::nan("");
    EXPECT_FALSE(FormatObjectFile(bad, {}, &text, &error));
    bad.objects[0].vertices[2].x = 0;
    bad.objects[0].faces[3].v[1] = 8;
    EXPECT_FALSE(FormatObjectFile(bad, {}, &text, &error));
    EXPECT_NE(error.find("names vertex 8 of 8"), std::string::npos) << error;
}

TEST(ObjectWriter, EveryLineFitsTheViewersBuffer) {
    MeshObject o = Box();
    o.vertices[1] = {-1.234567e-30, 3.4e38, -123456789.0};
    std::string text, error;
    ASSERT_TRUE(FormatObjectFile({{o}}, {"a comment " + std::string(200, 'c')}, &text, &error)) << error;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find('\n', start);
        ASSERT_NE(end, std::string::npos);
        EXPECT_LE(end - start, kMaxLineLength) << text.substr(start, end - start);
        start = end + 1;
    }
}
