// Face normals, degenerate faces, smoothing merges into vertex normals,
// bounds, and the corners' normal references.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "scene/mesh_builder.h"
#include "scene/object_loader.h"
#include "scene_test_support.h"

namespace {

using scene_test::ScratchDir;

struct FaceLines {
    int a, b, c;
    std::string smoothing;  // as written after "Smoothing:"
    int material;           // written when the object has two materials
    std::string normal;     // "X: .. Y: .. Z: .." when the object has file normals
};

// An object with the given vertices (file coordinates) and faces; two
// materials when any face names a material above 0.
std::string ObjectText(const std::vector<Vec3>& vertices, const std::vector<FaceLines>& faces, bool fileNormals) {
    bool materials = false;
    for (const FaceLines& f : faces) materials = materials || f.material != 0;
    std::string t = "3DX\nNumObjects: 1\nObject\nVertices: " + std::to_string(vertices.size()) +
                    " TVertices: 0 Faces: " + std::to_string(faces.size()) + " Materials: " + (materials ? "2" : "0") +
                    " Normals: " + (fileNormals ? "1" : "0") + "\n";
    if (materials) {
        t += "Material list:\n";
        for (int i = 0; i < 2; ++i) {
            t += "Material " + std::to_string(i) + ":\nDiffuse: R: 1 G: 1 B: 1 A: 1\nTexture: NOBITMAP\n";
        }
    }
    t += "Vertex list:\n";
    for (std::size_t i = 0; i < vertices.size(); ++i) {
        char line[160];
        std::snprintf(line, sizeof line, "Vertex %zu: X: %.9g Y: %.9g Z: %.9g\n", i, vertices[i].x, vertices[i].y,
                      vertices[i].z);
        t += line;
    }
    t += "Face list:\n";
    for (std::size_t i = 0; i < faces.size(); ++i) {
        const FaceLines& f = faces[i];
        t += "Face " + std::to_string(i) + ": A: " + std::to_string(f.a) + " B: " + std::to_string(f.b) +
             " C: " + std::to_string(f.c) + " AB: 1 BC: 1 CA: 1\n";
        if (fileNormals) t += "Normal: " + f.normal + "\n";
        t += "Smoothing:" + f.smoothing + "\n";
        if (materials) t += "Material: " + std::to_string(f.material) + "\n";
    }
    return t;
}

class MeshPreparationTest : public testing::Test {
protected:
    const Object& Load(const std::vector<Vec3>& vertices, const std::vector<FaceLines>& faces, bool fileNormals = false,
                       int flip = 0) {
        dir_.Write("mesh.3dx", ObjectText(vertices, faces, fileNormals));
        scene_test::ReleaseActor(actor_);
        actor_ = Actor();
        LoadObjectFile(actor_, "mesh.3dx", 1.0f, flip, dir_.Dir().c_str());
        return actor_.objects[0];
    }
    void TearDown() override { scene_test::ReleaseActor(actor_); }
    ScratchDir dir_;
    Actor actor_;
};

// Entry i of the vertex's normals.
const VertexNormal& NormalOf(const Object& o, const Vertex& v, int i) { return o.vertexNormals[v.normals + i]; }

// File coordinates (x, y, z) of model (x, z, y): model-plane helpers.
Vec3 Model(float x, float y, float z) { return Vec3(x, z, y); }

TEST_F(MeshPreparationTest, FaceNormalFromCornersAndFlip) {
    std::vector<Vec3> v = {Model(0, 0, 0), Model(1, 0, 0), Model(0, 1, 0)};
    const Object& o = Load(v, {{0, 1, 2, " 0", 0, ""}});
    EXPECT_EQ(o.faces[0].normal.x, 0.0f);
    EXPECT_EQ(o.faces[0].normal.y, 0.0f);
    EXPECT_EQ(o.faces[0].normal.z, 1.0f);
    EXPECT_EQ(o.faces[0].point.x, 0.0f);
    const Object& flipped = Load(v, {{0, 1, 2, " 0", 0, ""}}, false, 1);
    EXPECT_EQ(flipped.faces[0].normal.z, -1.0f);
}

TEST_F(MeshPreparationTest, FileNormalsAreExchangedButNotNormalised) {
    std::vector<Vec3> v = {Model(0, 0, 0), Model(1, 0, 0), Model(0, 1, 0)};
    const Object& o = Load(v, {{0, 1, 2, " 1", 0, "X: 3 Y: 4 Z: 0"}}, true);
    EXPECT_EQ(o.faces[0].normal.x, 3.0f);
    EXPECT_EQ(o.faces[0].normal.y, 0.0f);
    EXPECT_EQ(o.faces[0].normal.z, 4.0f);
    // The vertex normal is still unit length.
    EXPECT_FLOAT_EQ(o.vertexNormals[o.faces[0].corners[0].normal].normal.x, 0.6f);
}

TEST_F(MeshPreparationTest, DegenerateFacesTakeNoPartInVertexNormals) {
    std::vector<Vec3> v = {Model(0, 0, 0), Model(1, 0, 0), Model(2, 0, 0), Model(0, 1, 0)};
    const Object& o = Load(v, {{0, 1, 2, " 1", 0, ""}, {0, 0, 3, " 1", 0, ""}, {0, 1, 3, " 0", 0, ""}});
    // Collinear corners.
    EXPECT_NE(o.faces[0].flags & FACE_DEGENERATE, 0u);
    // Coinciding corners: no normal at all.
    EXPECT_NE(o.faces[1].flags & FACE_DEGENERATE, 0u);
    EXPECT_EQ(o.faces[1].normal.x, 0.0f);
    EXPECT_EQ(o.faces[1].corners[0].normal, kNoIndex);
    // A flat face adds nothing either.
    EXPECT_EQ(o.faces[2].flags & FACE_DEGENERATE, 0u);
    for (int i = 0; i < o.vertexCount; ++i) EXPECT_EQ(o.vertices[i].normalCount, 0);
}

TEST_F(MeshPreparationTest, SmoothFacesSharingAGroupAndMaterialMerge) {
    // Two faces folded along the edge 0-1: normals (0,0,1) and (0,1,0) in model space.
    std::vector<Vec3> v = {Model(0, 0, 0), Model(1, 0, 0), Model(0, 1, 0), Model(0, 0, -1)};
    const Object& o = Load(v, {{0, 1, 2, " 1", 0, ""}, {0, 3, 1, " 1", 0, ""}});
    const Vertex& shared = o.vertices[0];
    ASSERT_EQ(shared.normalCount, 1);
    EXPECT_EQ(NormalOf(o, shared, 0).faceCount, 2);
    const Vec3& n = NormalOf(o, shared, 0).normal;
    EXPECT_NEAR(std::sqrt(n.Dot(n)), 1.0f, 1e-6f);
    Vec3 sum = o.faces[0].normal + o.faces[1].normal;
    EXPECT_NEAR(n.Dot(sum) / std::sqrt(sum.Dot(sum)), 1.0f, 1e-6f);
    EXPECT_EQ(o.faces[0].corners[0].normal, shared.normals);
    EXPECT_EQ(o.faces[1].corners[0].normal, shared.normals);
    EXPECT_EQ(o.vertices[2].normalCount, 1);
}

TEST_F(MeshPreparationTest, MaterialNumbersAsWrittenKeepNormalsApart) {
    std::vector<Vec3> v = {Model(0, 0, 0), Model(1, 0, 0), Model(0, 1, 0), Model(0, 0, -1)};
    // Materials 1 and 3 both use the second material, but merge apart.
    const Object& o = Load(v, {{0, 1, 2, " 1", 1, ""}, {0, 3, 1, " 1", 3, ""}});
    EXPECT_EQ(o.faces[0].material, o.faces[1].material);
    ASSERT_EQ(o.vertices[0].normalCount, 2);
    EXPECT_EQ(NormalOf(o, o.vertices[0], 0).materialNumber, 1);
    EXPECT_EQ(NormalOf(o, o.vertices[0], 1).materialNumber, 3);
    EXPECT_EQ(o.faces[1].corners[0].normalIndex, 1u);
    EXPECT_EQ(o.faces[1].corners[0].normal, o.vertices[0].normals + 1);
}

TEST_F(MeshPreparationTest, SmoothingGroupsMergeByOrIntoTheFirstMatch) {
    std::vector<Vec3> v = {Model(0, 0, 0), Model(1, 0, 0), Model(0, 1, 0), Model(0, 0, -1), Model(-1, 0, 0)};
    const Object& o = Load(v, {{0, 1, 2, " 1", 0, ""}, {0, 3, 1, " 2", 0, ""}, {0, 2, 4, " 3", 0, ""},
                               {0, 4, 3, " 2", 0, ""}});
    const Vertex& shared = o.vertices[0];
    ASSERT_EQ(shared.normalCount, 2);
    EXPECT_EQ(NormalOf(o, shared, 0).smoothing, 3u);
    EXPECT_EQ(NormalOf(o, shared, 0).faceCount, 3);  // groups 1, then 3, then 2 joins the widened entry
    EXPECT_EQ(NormalOf(o, shared, 1).faceCount, 1);
    EXPECT_EQ(o.faces[2].corners[0].normalIndex, 0u);
    EXPECT_EQ(o.faces[3].corners[0].normalIndex, 0u);
}

TEST_F(MeshPreparationTest, AddFaceNormalGrowsOneEntryAtATime) {
    VertexNormal list[4];
    int count = 0;
    EXPECT_EQ(AddFaceNormal(list, count, Vec3(1, 0, 0), 1u, 0), 0);
    EXPECT_EQ(AddFaceNormal(list, count, Vec3(0, 1, 0), 2u, 0), 1);
    EXPECT_EQ(AddFaceNormal(list, count, Vec3(0, 0, 1), 1u, 5), 2);
    EXPECT_EQ(AddFaceNormal(list, count, Vec3(1, 1, 0), 6u, 0), 1);
    ASSERT_EQ(count, 3);
    EXPECT_EQ(list[1].smoothing, 6u);
    EXPECT_EQ(list[1].normal.x, 1.0f);
    EXPECT_EQ(list[1].normal.y, 2.0f);
    EXPECT_EQ(list[1].faceCount, 2);
    EXPECT_EQ(list[2].materialNumber, 5);
}

// The merge as a plain search over the whole list: the reference the
// indexed merge must agree with, entry for entry and in the same order.
int ReferenceAddFaceNormal(std::vector<VertexNormal>& list, const Vec3& normal, std::uint32_t smoothing,
                           int materialNumber) {
    for (std::size_t i = 0; i < list.size(); ++i) {
        if ((list[i].smoothing & smoothing) != 0 && list[i].materialNumber == materialNumber) {
            list[i].normal += normal;
            list[i].faceCount += 1;
            list[i].smoothing |= smoothing;
            return static_cast<int>(i);
        }
    }
    VertexNormal entry;
    entry.normal = normal;
    entry.smoothing = smoothing;
    entry.materialNumber = materialNumber;
    entry.faceCount = 1;
    list.push_back(entry);
    return static_cast<int>(list.size()) - 1;
}

TEST_F(MeshPreparationTest, IndexedMergeMatchesTheWholeListSearch) {
    // Few vertices, many materials and smoothing sets: lists grow far past
    // the direct search, entries of one material pile up, and groups that
    // widen by merging must still be found by their first entry.
    std::mt19937 random(2024);
    constexpr int kVertices = 4;
    constexpr int kFaces = 6000;
    std::vector<VertexNormal> lists[kVertices];
    int counts[kVertices] = {};
    std::vector<VertexNormal> reference[kVertices];
    NormalMergeIndex index[kVertices];
    for (auto& list : lists) list.resize(kFaces);
    for (int face = 0; face < kFaces; ++face) {
        const int v = static_cast<int>(random() % kVertices);
        const std::uint32_t smoothing = (1u << (random() % 12)) | ((random() % 4 == 0) ? 1u << (random() % 32) : 0u);
        const int material = static_cast<int>(random() % (face < 3000 ? 40 : 3));
        const Vec3 normal(static_cast<float>(face % 7), 1.0f, static_cast<float>(face % 3));
        const int got = AddFaceNormal(lists[v].data(), counts[v], normal, smoothing, material, &index[v]);
        ASSERT_EQ(got, ReferenceAddFaceNormal(reference[v], normal, smoothing, material)) << "face " << face;
    }
    for (int v = 0; v < kVertices; ++v) {
        ASSERT_EQ(counts[v], static_cast<int>(reference[v].size()));
        EXPECT_GT(counts[v], NormalMergeIndex::kDirectSearchEntries);
        for (int i = 0; i < counts[v]; ++i) {
            const VertexNormal& got = lists[v][static_cast<std::size_t>(i)];
            const VertexNormal& want = reference[v][static_cast<std::size_t>(i)];
            ASSERT_EQ(got.smoothing, want.smoothing);
            ASSERT_EQ(got.materialNumber, want.materialNumber);
            ASSERT_EQ(got.faceCount, want.faceCount);
            ASSERT_EQ(got.normal.x, want.normal.x);
            ASSERT_EQ(got.normal.z, want.normal.z);
        }
    }
}

TEST_F(MeshPreparationTest, ManyFacesOfDifferentMaterialsShareOneVertex) {
    // Every face has vertex 0 and a material number of its own: vertex 0
    // gets one entry per face, in face order; the other corners one each.
    constexpr int kFaces = 5000;
    std::string t = "3DX\nNumObjects: 1\nObject\nVertices: " + std::to_string(2 * kFaces + 1) +
                    " TVertices: 0 Faces: " + std::to_string(kFaces) +
                    " Materials: 2 Normals: 0\nMaterial list:\n"
                    "Material 0:\nDiffuse: R: 1 G: 1 B: 1 A: 1\nTexture: NOBITMAP\n"
                    "Material 1:\nDiffuse: R: 1 G: 1 B: 1 A: 1\nTexture: NOBITMAP\nVertex list:\nVertex 0: X: 0 Y: 0 Z: 0\n";
    for (int i = 0; i < kFaces; ++i) {
        t += "Vertex " + std::to_string(2 * i + 1) + ": X: " + std::to_string(i + 1) + " Y: 1 Z: 0\n";
        t += "Vertex " + std::to_string(2 * i + 2) + ": X: " + std::to_string(i + 1) + " Y: 0 Z: 1\n";
    }
    t += "Face list:\n";
    for (int i = 0; i < kFaces; ++i) {
        t += "Face " + std::to_string(i) + ": A: 0 B: " + std::to_string(2 * i + 1) + " C: " +
             std::to_string(2 * i + 2) + " AB: 1 BC: 1 CA: 1\nSmoothing: 1\nMaterial: " + std::to_string(i) + "\n";
    }
    dir_.Write("fan.3dx", t);
    LoadObjectFile(actor_, "fan.3dx", 1.0f, 0, dir_.Dir().c_str());
    const Object& o = actor_.objects[0];
    ASSERT_EQ(o.vertices[0].normalCount, kFaces);
    for (int i = 0; i < kFaces; ++i) {
        ASSERT_EQ(NormalOf(o, o.vertices[0], i).materialNumber, i);
        ASSERT_EQ(NormalOf(o, o.vertices[0], i).faceCount, 1);
        ASSERT_EQ(o.faces[i].corners[0].normalIndex, static_cast<std::uint32_t>(i));
        ASSERT_EQ(o.faces[i].corners[0].normal, o.vertices[0].normals + i);
        ASSERT_EQ(o.vertices[2 * i + 1].normalCount, 1);
    }
}

TEST_F(MeshPreparationTest, CancellingNormalsGiveAZeroNormalNotNaN) {
    std::vector<Vec3> v = {Model(0, 0, 0), Model(1, 0, 0), Model(0, 1, 0)};
    const Object& o = Load(v, {{0, 1, 2, " 1", 0, "X: 0 Y: 1 Z: 0"}, {0, 1, 2, " 1", 0, "X: 0 Y: -1 Z: 0"}}, true);
    const Vec3& n = NormalOf(o, o.vertices[0], 0).normal;
    EXPECT_EQ(n.x, 0.0f);
    EXPECT_EQ(n.y, 0.0f);
    EXPECT_EQ(n.z, 0.0f);
}

TEST_F(MeshPreparationTest, BoundsAboutTheBoxCentre) {
    std::vector<Vec3> v = {Model(2, 0, 0), Model(6, 0, 0), Model(2, 3, 0)};
    const Object& o = Load(v, {{0, 1, 2, " 0", 0, ""}});
    EXPECT_EQ(o.center.x, 4.0f);
    EXPECT_EQ(o.center.y, 1.5f);
    EXPECT_EQ(o.center.z, 0.0f);
    EXPECT_FLOAT_EQ(o.radius, 2.5f);
    EXPECT_FLOAT_EQ(o.radiusX, 2.5f * std::sqrt(3.9929001f));
    EXPECT_FLOAT_EQ(o.radiusY, 2.5f * std::sqrt(6.3207111f));
    EXPECT_EQ(actor_.radius, 6.0f);  // farthest from the model origin
}

}  // namespace
