// Object files: the reading pattern, conversions, material rules, textures
// and every refusal (message and line number).
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <string>

#include "scene/material_texture.h"
#include "scene/object_loader.h"
#include "scene_test_support.h"
#include "support/test_data.h"
#include "texture/texture_memory.h"

namespace {

using scene_test::EofError;
using scene_test::Literal;
using scene_test::ScanError;
using scene_test::ScratchDir;
using scene_test::SyntaxError;

class ObjectFileTest : public testing::Test {
protected:
    // Loads text as "obj.3dx" of a fresh actor.
    void TearDown() override { scene_test::ReleaseActor(actor_); }
    Actor& Load(const std::string& text, float scale = 1.0f, int flip = 0) {
        scene_test::ReleaseActor(actor_);
        actor_ = Actor();
        path_ = dir_.Write("obj.3dx", text);
        LoadObjectFile(actor_, "obj.3dx", scale, flip, dir_.Dir().c_str());
        return actor_;
    }
    void LoadOnly(const std::string& text) { Load(text); }
    ScratchDir dir_;
    std::string path_;
    Actor actor_;
};

// Two materials, texture vertices and four vertices forming two triangles.
const char* kTwoMaterials = R"(3DX
NumObjects: 1
Object
Vertices: 4 TVertices: 3 Faces: 2 Materials: 2 Normals: 0
Material list:
Material 0:
Diffuse: R: 0,8 G: 0.4 B: 0.2 A: 1
Specular: R: 0.5 G: 0.5 B: 0.5 Shininess: 0.25 Shiningstrength: 0.5
Twosided: 1
Texture: NOBITMAP
Amount: 0.75
Material 1:
Diffuse: R: 1 G: 1 B: 1 A: 0.5
Texture: NODIFFUSE
Vertex list:
Vertex 0: X: 1 Y: 2 Z: 3
Vertex 1: X: 2 Y: 2 Z: 3
Vertex 2: X: 1 Y: 2 Z: 4
Vertex 3: X: -1 Y: 0 Z: 0
TVertex list:
TVertex 0: U: 0.5 V: 1
TVertex 1: U: 0 V: 0
TVertex 2: U: 1 V: 0,25
Face list:
Face 0: A: 0 B: 1 C: 2 AB: 1 BC: 0 CA: 1
Smoothing: 1
TVFace 0: TA: 0 TB: 1 TC: 2
Material: 3
Face 1: A: 0 B: 2 C: 3 AB: 0 BC: 1 CA: 0
Smoothing:
TVFace 1: TA: 2 TB: 1 TC: 0
Material: 0
)";

TEST_F(ObjectFileTest, ConvertsMaterialsVerticesAndTextureVertices) {
    Actor& actor = Load(kTwoMaterials, 2.0f);
    ASSERT_EQ(actor.objectCount, 1);
    const Object& o = actor.objects[0];
    ASSERT_EQ(o.materialCount, 2);
    const Material& m0 = o.materials[0];
    EXPECT_FLOAT_EQ(m0.diffuse.r, 0.8f * 255.0f);
    EXPECT_FLOAT_EQ(m0.diffuse.a, 255.0f);
    EXPECT_FLOAT_EQ(m0.specular.r, 0.5f * 0.5f * 255.0f);
    EXPECT_EQ(m0.specular.a, 0.0f);
    EXPECT_FLOAT_EQ(m0.shininess, 0.25f);
    EXPECT_EQ(m0.hasSpecular, 1);
    EXPECT_EQ(m0.twoSided, 1);
    EXPECT_EQ(m0.texture, -1);
    EXPECT_FLOAT_EQ(m0.amount, 0.75f);
    EXPECT_FLOAT_EQ(m0.textureColor.r, 0.25f * 0.8f * 255.0f + 0.75f * 255.0f);
    EXPECT_FLOAT_EQ(m0.textureColor.a, 510.0f);
    // No specular line: black, no highlight; no amount line: 1.
    const Material& m1 = o.materials[1];
    EXPECT_EQ(m1.specular.r, 0.0f);
    EXPECT_EQ(m1.hasSpecular, 0);
    EXPECT_EQ(m1.twoSided, 0);
    EXPECT_EQ(m1.amount, 1.0f);
    EXPECT_EQ(m1.textureColor.r, 255.0f);
    EXPECT_EQ(m1.textureColor.a, 127.5f + 255.0f);

    // File (X, Y, Z) becomes (X, Z, Y), times the scale.
    ASSERT_EQ(o.vertexCount, 4);
    EXPECT_EQ(o.vertices[0].position.x, 2.0f);
    EXPECT_EQ(o.vertices[0].position.y, 6.0f);
    EXPECT_EQ(o.vertices[0].position.z, 4.0f);
    ASSERT_EQ(o.tvertexCount, 3);
    EXPECT_EQ(o.tvertices[0].u, 127.5f);
    EXPECT_EQ(o.tvertices[0].v, 255.0f);
    EXPECT_EQ(o.tvertices[2].v, 63.75f);

    // Material 3 modulo 2 is the second material.
    ASSERT_EQ(o.faceCount, 2);
    EXPECT_EQ(o.faces[0].material, 1u);
    EXPECT_EQ(o.faces[1].material, 0u);
    EXPECT_EQ(o.faces[0].corners[1].tvertex, 1u);
    EXPECT_EQ(o.faces[1].corners[0].tvertex, 2u);
    EXPECT_EQ(o.faces[0].flags, FACE_SMOOTH | FACE_EDGE_AB | FACE_EDGE_CA);
    EXPECT_EQ(o.faces[1].flags, FACE_EDGE_BC | FACE_SPECULAR | FACE_TWO_SIDED);
}

TEST_F(ObjectFileTest, ShininessZeroOrBlackSpecularMeansNoHighlight) {
    Actor& actor = Load(R"(3DX
NumObjects: 1
Object
Vertices: 3 TVertices: 0 Faces: 1 Materials: 2 Normals: 0
Material list:
Material 0:
Diffuse: R: 1 G: 1 B: 1 A: 1
Specular: R: 1 G: 1 B: 1 Shininess: 0 Shiningstrength: 1
Texture: NOBITMAP
Amount: 0
Material 1:
Diffuse: R: 1 G: 1 B: 1 A: 1
Specular: R: 0 G: 0 B: 0 Shininess: 5 Shiningstrength: 1
Texture: NOBITMAP
Vertex list:
Vertex 0: X: 0 Y: 0 Z: 0
Vertex 1: X: 1 Y: 0 Z: 0
Vertex 2: X: 0 Y: 0 Z: 1
Face list:
Face 0: A: 0 B: 1 C: 2 AB: 1 BC: 1 CA: 1
Smoothing: 0
Material: 0
)");
    const Object& o = actor.objects[0];
    EXPECT_EQ(o.materials[0].hasSpecular, 0);
    EXPECT_EQ(o.materials[1].hasSpecular, 0);
    // Amount 0: the texture colour is the diffuse colour.
    EXPECT_EQ(o.materials[0].textureColor.r, o.materials[0].diffuse.r);
}

TEST_F(ObjectFileTest, WithoutMaterialsFacesUseTheActorsOwn) {
    Actor& actor = Load(R"(3DX
NumObjects: 1
Object
Vertices: 3 TVertices: 0 Faces: 1 Materials: 0 Normals: 0
Vertex list:
Vertex 0: X: 0 Y: 0 Z: 0
Vertex 1: X: 1 Y: 0 Z: 0
Vertex 2: X: 0 Y: 0 Z: 1
Face list:
Face 0: A: 0 B: 1 C: 2 AB: 1 BC: 1 CA: 1
Smoothing: 1
)");
    const Face& face = actor.objects[0].faces[0];
    // The entry after the object's (no) materials: a copy of the actor's own.
    EXPECT_EQ(face.material, 0u);
    EXPECT_EQ(actor.objects[0].materials[0].specular.r, actor.material.specular.r);
    EXPECT_EQ(face.corners[0].tvertex, kNoIndex);
    EXPECT_NE(face.flags & FACE_SPECULAR, 0u);
}

TEST_F(ObjectFileTest, OneMaterialReadsNoMaterialLinePerFace) {
    const std::string head = R"(3DX
NumObjects: 2
Object
Vertices: 3 TVertices: 0 Faces: 1 Materials: 1 Normals: 0
Material list:
Material 0:
Diffuse: R: 1 G: 1 B: 1 A: 1
Texture: NOBITMAP
Vertex list:
Vertex 0: X: 0 Y: 0 Z: 0
Vertex 1: X: 1 Y: 0 Z: 0
Vertex 2: X: 0 Y: 0 Z: 1
Face list:
Face 0: A: 0 B: 1 C: 2 AB: 1 BC: 1 CA: 1
Smoothing: 1
Material: 0
)";
    EXPECT_EXIT(LoadOnly(head), testing::ExitedWithCode(1), SyntaxError(16, dir_.Dir() + "obj.3dx", "Object"));
}

TEST_F(ObjectFileTest, EmptyObjectsEndWithTheirCountsLine) {
    Actor& actor = Load(R"(3DX
NumObjects: 3
Object
Vertices: 4 TVertices: 0 Faces: 0 Materials: 2 Normals: 0
Object
Vertices: 0 TVertices: 5 Faces: 9 Materials: 0 Normals: 0
Object
Vertices: 3 TVertices: 0 Faces: 1 Materials: 0 Normals: 0
Vertex list:
Vertex 0: X: 0 Y: 0 Z: 0
Vertex 1: X: 3 Y: 0 Z: 0
Vertex 2: X: 0 Y: 0 Z: 5
Face list:
Face 0: A: 0 B: 1 C: 2 AB: 1 BC: 1 CA: 1
Smoothing: 0
Object
this object is beyond NumObjects and never read
)");
    ASSERT_EQ(actor.objectCount, 3);
    EXPECT_EQ(actor.objects[0].faces, nullptr);
    EXPECT_EQ(actor.objects[0].materialCount, 0);
    EXPECT_EQ(actor.objects[1].vertexCount, 0);
    EXPECT_EQ(actor.objects[2].faceCount, 1);
    // The farthest vertex lies 5 from the origin: 5 * sqrt(6.3207111) is
    // 12.570512 exactly, not the 12.570513 of a factor rounded to float first.
    EXPECT_EQ(actor.radius, 5.0f);
    EXPECT_EQ(actor.radiusX, 9.991121f);
    EXPECT_EQ(actor.radiusY, 12.570512f);
}

TEST_F(ObjectFileTest, MaterialLinesOfAnEmptyObjectAreASyntaxError) {
    EXPECT_EXIT(LoadOnly("3DX\nNumObjects: 2\nObject\nVertices: 4 TVertices: 0 Faces: 0 Materials: 1 Normals: 0\n"
                         "Material list:\n"),
                testing::ExitedWithCode(1), SyntaxError(5, dir_.Dir() + "obj.3dx", "Object"));
}

TEST_F(ObjectFileTest, OptionalMaterialLinesOutOfOrder) {
    EXPECT_EXIT(LoadOnly(R"(3DX
NumObjects: 1
Object
Vertices: 3 TVertices: 0 Faces: 1 Materials: 1 Normals: 0
Material list:
Material 0:
Diffuse: R: 1 G: 1 B: 1 A: 1
Twosided: 1
Specular: R: 1 G: 1 B: 1 Shininess: 1 Shiningstrength: 1
Texture: NOBITMAP
)"),
                testing::ExitedWithCode(1), SyntaxError(9, dir_.Dir() + "obj.3dx", "Texture"));
}

TEST_F(ObjectFileTest, LowerCaseNoBitmapNamesATextureFile) {
    EXPECT_EXIT(LoadOnly("3DX\nNumObjects: 1\nObject\nVertices: 3 TVertices: 0 Faces: 1 Materials: 1 Normals: 0\n"
                         "Material list:\nMaterial 0:\nDiffuse: R: 1 G: 1 B: 1 A: 1\nTexture: nobitmap\n"),
                testing::ExitedWithCode(1), "ERROR!\\s+err\\s*$");
}

// One material textured with light.3df (64 x 64 down to 1 x 1, RGB565).
const char* kTextured = R"(3DX
NumObjects: 1
Object
Vertices: 3 TVertices: 0 Faces: 1 Materials: 1 Normals: 0
Material list:
Material 0:
Diffuse: R: 1 G: 1 B: 1 A: 1
Texture: light.3df
Vertex list:
Vertex 0: X: 0 Y: 0 Z: 0
Vertex 1: X: 1 Y: 0 Z: 0
Vertex 2: X: 0 Y: 0 Z: 1
Face list:
Face 0: A: 0 B: 1 C: 2 AB: 1 BC: 1 CA: 1
Smoothing: 0
)";

TEST_F(ObjectFileTest, TexturesGoToTextureMemoryThreeTimes) {
    scene_test::OpenDevice();
    glide::ResetTextureMemory();
    std::filesystem::copy_file(test_support::TestDataPath("3df/light.3df"), dir_.Dir() + "light.3df");
    Actor& actor = Load(kTextured);
    const Material& m = actor.objects[0].materials[0];
    ASSERT_NE(m.texture, -1);
    ASSERT_NE(m.textureOdd, -1);
    ASSERT_NE(m.textureEven, -1);
    const glide::MipMap* all = glide::FindMipMap(static_cast<GrMipMapId_t>(m.texture));
    const glide::MipMap* odd = glide::FindMipMap(static_cast<GrMipMapId_t>(m.textureOdd));
    const glide::MipMap* even = glide::FindMipMap(static_cast<GrMipMapId_t>(m.textureEven));
    ASSERT_TRUE(all && odd && even);
    EXPECT_EQ(all->oddEvenMask, GR_MIPMAPLEVELMASK_BOTH);
    EXPECT_FALSE(all->trilinear);
    EXPECT_EQ(odd->oddEvenMask, GR_MIPMAPLEVELMASK_ODD);
    EXPECT_TRUE(odd->trilinear);
    EXPECT_EQ(even->oddEvenMask, GR_MIPMAPLEVELMASK_EVEN);
    EXPECT_TRUE(all->downloaded && odd->downloaded && even->downloaded);
    EXPECT_EQ(all->width, 64);
    EXPECT_NE(actor.objects[0].faces[0].flags & FACE_TEXTURED, 0u);
}

// Fills texture memory with single-level RGB565 textures until exactly
// `leave` bytes (or just less) are free.
void FillTextureMemoryLeaving(std::uint32_t leave) {
    const GrLOD_t lods[] = {GR_LOD_256, GR_LOD_64, GR_LOD_32, GR_LOD_16, GR_LOD_8, GR_LOD_4, GR_LOD_2, GR_LOD_1};
    for (GrLOD_t lod : lods) {
        int edge = 256 >> lod;
        std::uint32_t bytes = static_cast<std::uint32_t>(edge * edge * 2);
        while (glide::TextureMemoryFree() >= leave + bytes) {
            GrMipMapId_t id = guTexAllocateMemory(GR_TMU0, GR_MIPMAPLEVELMASK_BOTH, edge, edge, GR_TEXFMT_RGB_565,
                                                  GR_MIPMAP_NEAREST, lod, lod, GR_ASPECT_1x1, 0, 0, 1, 1, 0.0f, 0);
            ASSERT_NE(id, GR_NULL_MIPMAP_HANDLE);
        }
    }
}

TEST_F(ObjectFileTest, TextureMemoryRunningOutKeepsTheHandlesObtained) {
    scene_test::OpenDevice();
    std::filesystem::copy_file(test_support::TestDataPath("3df/light.3df"), dir_.Dir() + "light.3df");
    const std::string text = kTextured;
    // light.3df: 64 x 64 down to 1 x 1, RGB565: 10922 bytes for all levels,
    // 2184 for the odd ones. Room for the first allocation only:
    glide::ResetTextureMemory();
    FillTextureMemoryLeaving(12288);
    ResetTextureShortfall();
    Actor& first = Load(text);
    EXPECT_NE(first.objects[0].materials[0].texture, -1);
    EXPECT_EQ(first.objects[0].materials[0].textureOdd, -1);
    EXPECT_EQ(first.objects[0].materials[0].textureEven, -1);
    // The handle it got holds the texture's texels, not whatever the memory held.
    const glide::MipMap* kept = glide::FindMipMap(static_cast<GrMipMapId_t>(first.objects[0].materials[0].texture));
    ASSERT_NE(kept, nullptr);
    EXPECT_TRUE(kept->downloaded);
    // No room at all: the material is untextured and so is its face.
    Actor& second = Load(text);
    EXPECT_EQ(second.objects[0].materials[0].texture, -1);
    EXPECT_EQ(second.objects[0].faces[0].flags & FACE_TEXTURED, 0u);
    // Neither is an error; one warning line after loading tells of both.
    testing::internal::CaptureStderr();
    TextureShortfallWarning();
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "tarnview: warning: texture memory is full: 1 material has no texture and 1 has no levels for "
              "multi-pass drawing; the first is \"" + dir_.Dir() + "light.3df\"\n");
    glide::ResetTextureMemory();
}

TEST_F(ObjectFileTest, TextureFailuresSayWhyBeforeTheirTerseMessage) {
    std::filesystem::copy_file(test_support::TestDataPath("3df/lava-truncated.3df"), dir_.Dir() + "short.3df");
    struct Case {
        std::string file;    // as the material names it
        std::string reason;  // the detail line's reason
    };
    const Case cases[] = {
        {"short.3df", "the file ends inside the texel data"},
        {"absent.3df", "cannot open the file (No such file or directory)"},
        {"obj.3dx", "not a 3DF file"},
    };
    for (const Case& c : cases) {
        std::string text = kTextured;
        text.replace(text.find("light.3df"), 9, c.file);
        EXPECT_EXIT(LoadOnly(text), testing::ExitedWithCode(1),
                    Literal("tarnview: texture \"" + dir_.Dir() + c.file + "\": " + c.reason) + "[^\n]*\n(.|\n)*" +
                        "ERROR!\\s+err\\s*$");
    }
}

TEST_F(ObjectFileTest, AFifoIsRefusedBeforeItIsOpened) {
    // Opening a FIFO would wait for a writer; the alarm turns that into a
    // failure instead of a hang.
    const std::string object = dir_.Dir() + "pipe.3dx";
    const std::string texture = dir_.Dir() + "pipe.3df";
    ASSERT_EQ(mkfifo(object.c_str(), 0600), 0);
    ASSERT_EQ(mkfifo(texture.c_str(), 0600), 0);
    EXPECT_EXIT((alarm(60), LoadObjectFile(actor_, "pipe.3dx", 1.0f, 0, dir_.Dir().c_str())),
                testing::ExitedWithCode(1),
                Literal("tarnview: object file \"" + object + "\": a FIFO, not a regular file\n") + "(.|\n)*" +
                    Literal("The file \"" + object + "\" could not be opened!"));
    std::string text = kTextured;
    text.replace(text.find("light.3df"), 9, "pipe.3df");
    EXPECT_EXIT((alarm(60), LoadOnly(text)), testing::ExitedWithCode(1),
                Literal("tarnview: texture \"" + texture + "\": a FIFO, not a regular file\n") +
                    "(.|\n)*ERROR!\\s+err\\s*$");
}

TEST_F(ObjectFileTest, FileEndingEarly) {
    EXPECT_EXIT(LoadOnly("3DX\nNumObjects: 1\nObject\nVertices: 3 TVertices: 0 Faces: 1 Materials: 0 Normals: 0\n"
                         "Vertex list:\nVertex 0: X: 0 Y: 0 Z: 0\n"),
                testing::ExitedWithCode(1), EofError(dir_.Dir() + "obj.3dx"));
}

TEST_F(ObjectFileTest, MissingFile) {
    EXPECT_EXIT(LoadObjectFile(actor_, "missing.3dx", 1.0f, 0, dir_.Dir().c_str()), testing::ExitedWithCode(1),
                Literal("The file \"" + dir_.Dir() + "missing.3dx\" could not be opened!"));
}

TEST_F(ObjectFileTest, DriveLettersAreRefusedClearly) {
    EXPECT_EXIT(LoadObjectFile(actor_, "C:\\models\\ship.3dx", 1.0f, 0, ""), testing::ExitedWithCode(1),
                "names the drive C:");
}

TEST_F(ObjectFileTest, ScansWithTooFewValues) {
    EXPECT_EXIT(LoadOnly("3DX\nNumObjects: 1\nObject\nVertices: 3 TVertices: 0 Faces: 1 Materials: 0\n"),
                testing::ExitedWithCode(1), ScanError());
    EXPECT_EXIT(LoadOnly("3DX\nNumObjects: 1\nObject\nVertices: 3 TVertices: 0 Faces: 1 Materials: 0 Normals: 0\n"
                         "Vertex list:\nVertex 0: X: 0 Y: 0\n"),
                testing::ExitedWithCode(1), ScanError());
    // "Face list:" satisfies the keyword test of a face line but not its scan.
    EXPECT_EXIT(LoadOnly("3DX\nNumObjects: 1\nObject\nVertices: 3 TVertices: 0 Faces: 1 Materials: 0 Normals: 0\n"
                         "Vertex list:\nVertex 0: X: 0 Y: 0 Z: 0\nVertex 1: X: 0 Y: 0 Z: 0\n"
                         "Vertex 2: X: 0 Y: 0 Z: 0\nFace list:\nFace list:\n"),
                testing::ExitedWithCode(1), ScanError());
    // A tab before the fixed text: the keyword is found, the scan fails.
    EXPECT_EXIT(LoadOnly("3DX\n\tNumObjects: 1\n"), testing::ExitedWithCode(1), ScanError());
}

// The file is written with a vertex list of three vertices and one face line.
std::string OneFace(const std::string& counts, const std::string& faceLines) {
    return "3DX\nNumObjects: 1\nObject\n" + counts +
           "\nVertex list:\nVertex 0: X: 0 Y: 0 Z: 0\nVertex 1: X: 1 Y: 0 Z: 0\nVertex 2: X: 0 Y: 0 Z: 1\n" +
           faceLines;
}

TEST_F(ObjectFileTest, RefusesIndicesOutsideTheirArrays) {
    const std::string file = dir_.Dir() + "obj.3dx";
    EXPECT_EXIT(LoadOnly(OneFace("Vertices: 3 TVertices: 0 Faces: 1 Materials: 0 Normals: 0",
                                 "Face list:\nFace 0: A: 0 B: 3 C: 2 AB: 1 BC: 1 CA: 1\n")),
                testing::ExitedWithCode(1),
                Literal("Index out of range in line 10 of file \"" + file + "\":\nB: 3 (the object has 3 vertices)"));
    EXPECT_EXIT(LoadOnly(OneFace("Vertices: 3 TVertices: 0 Faces: 1 Materials: 0 Normals: 0",
                                 "Face list:\nFace 0: A: -1 B: 1 C: 2 AB: 1 BC: 1 CA: 1\n")),
                testing::ExitedWithCode(1), Literal("Index out of range in line 10"));
    EXPECT_EXIT(LoadOnly("3DX\nNumObjects: 1\nObject\nVertices: 3 TVertices: 1 Faces: 1 Materials: 0 Normals: 0\n"
                         "Vertex list:\nVertex 0: X: 0 Y: 0 Z: 0\nVertex 1: X: 1 Y: 0 Z: 0\nVertex 2: X: 0 Y: 0 Z: 1\n"
                         "TVertex list:\nTVertex 0: U: 0 V: 0\nFace list:\n"
                         "Face 0: A: 0 B: 1 C: 2 AB: 1 BC: 1 CA: 1\nSmoothing: 0\nTVFace 0: TA: 0 TB: 1 TC: 0\n"),
                testing::ExitedWithCode(1),
                Literal("Index out of range in line 14 of file \"" + file +
                        "\":\nTB: 1 (the object has 1 texture vertices)"));
}

// Numbers are decimal: what a C library would take as hexadecimal, infinity
// or not-a-number leaves a line short of its values, and whole numbers that
// do not fit their 32-bit fields are refused rather than wrapped. Each
// failed scan says on stderr what the line lacks before the bare "error".
TEST_F(ObjectFileTest, NumbersThatAreNotDecimalOrDoNotFit) {
    const std::string file = dir_.Dir() + "obj.3dx";
    const std::string head = "3DX\nNumObjects: 1\nObject\nVertices: 3 TVertices: 0 Faces: 1 Materials: 0 Normals: 0\n"
                             "Vertex list:\n";
    const std::string counts = "Vertices: 3 TVertices: 0 Faces: 1 Materials: 0 Normals: 0";
    struct Case {
        std::string text;
        std::string expected;  // a regular expression
    };
    const Case cases[] = {
        {head + "Vertex 0: X: inf Y: 0 Z: 0\n",
         Literal("tarnview: " + file + ":6: expected a number after \"X:\", found \"inf\"\n") + "(.|\n)*" +
             ScanError()},
        {head + "Vertex 0: X: 0x10 Y: 0 Z: 0\n",
         Literal("tarnview: " + file + ":6: expected \"Y:\", found \"x10\"\n") + "(.|\n)*" + ScanError()},
        {head + "Vertex 0: X: 1 Y: 2 Z: NaN\n",
         Literal("tarnview: " + file + ":6: expected a number after \"Z:\", found \"NaN\"")},
        {"3DX\nNumObjects: 4294967297\n",
         Literal("Number out of range in line 2 of file \"" + file +
                 "\":\nthe number after \"NumObjects:\", \"4294967297\", does not fit a 32-bit field\n")},
        {OneFace(counts, "Face list:\nFace 0: A: 4294967297 B: 1 C: 2 AB: 1 BC: 1 CA: 1\n"),
         Literal("Number out of range in line 10 of file \"" + file + "\":\nthe number after \"A:\"")},
        {OneFace(counts, "Face list:\nFace 0: A: 0 B: 1 C: 2 AB: 1 BC: 1 CA: 1\nSmoothing: 4294967296\n"),
         Literal("Number out of range in line 11 of file")},
    };
    for (const Case& c : cases) EXPECT_EXIT(LoadOnly(c.text), testing::ExitedWithCode(1), c.expected) << c.text;
}

TEST_F(ObjectFileTest, RefusesNegativeMaterialNumbers) {
    const std::string text = "3DX\nNumObjects: 1\nObject\nVertices: 3 TVertices: 0 Faces: 1 Materials: 2 Normals: 0\n"
                             "Material list:\nMaterial 0:\nDiffuse: R: 1 G: 1 B: 1 A: 1\nTexture: NOBITMAP\n"
                             "Material 1:\nDiffuse: R: 1 G: 1 B: 1 A: 1\nTexture: NOBITMAP\n"
                             "Vertex list:\nVertex 0: X: 0 Y: 0 Z: 0\nVertex 1: X: 1 Y: 0 Z: 0\n"
                             "Vertex 2: X: 0 Y: 0 Z: 1\nFace list:\nFace 0: A: 0 B: 1 C: 2 AB: 1 BC: 1 CA: 1\n"
                             "Smoothing: 0\nMaterial: -1\n";
    EXPECT_EXIT(LoadOnly(text), testing::ExitedWithCode(1),
                Literal("Index out of range in line 19 of file \"" + dir_.Dir() + "obj.3dx\":\nMaterial: -1"));
}

TEST_F(ObjectFileTest, RefusesNegativeAndImpossibleCounts) {
    const std::string file = dir_.Dir() + "obj.3dx";
    EXPECT_EXIT(LoadOnly("3DX\nNumObjects: -1\n"), testing::ExitedWithCode(1),
                Literal("Negative count in line 2 of file \"" + file + "\":\nNumObjects: -1"));
    EXPECT_EXIT(LoadOnly("3DX\nNumObjects: 1\nObject\nVertices: 3 TVertices: -2 Faces: 1 Materials: 0 Normals: 0\n"),
                testing::ExitedWithCode(1), Literal("Negative count in line 4 of file \"" + file + "\":\nTVertices: -2"));
    // Two billion faces cannot be in a file of a few hundred bytes: refused
    // before any memory is asked for.
    EXPECT_EXIT(LoadOnly("3DX\nNumObjects: 1\nObject\nVertices: 3 TVertices: 0 Faces: 2000000000 Materials: 0 "
                         "Normals: 0\n"),
                testing::ExitedWithCode(1), Literal("Count too large in line 4 of file \"" + file + "\":\nFaces: 2000000000"));
}

TEST_F(ObjectFileTest, RefusesOverlongTextureNamesAndNonFiniteNumbers) {
    std::string longName(80, 't');
    EXPECT_EXIT(LoadOnly("3DX\nNumObjects: 1\nObject\nVertices: 3 TVertices: 0 Faces: 1 Materials: 1 Normals: 0\n"
                         "Material list:\nMaterial 0:\nDiffuse: R: 1 G: 1 B: 1 A: 1\nTexture: " + longName + "\n"),
                testing::ExitedWithCode(1), Literal("Name too long in line 8 of file"));
    EXPECT_EXIT(LoadOnly(OneFace("Vertices: 3 TVertices: 0 Faces: 1 Materials: 0 Normals: 1",
                                 "Face list:\nFace 0: A: 0 B: 1 C: 2 AB: 1 BC: 1 CA: 1\nNormal: X: 1e39 Y: 0 Z: 1\n")),
                testing::ExitedWithCode(1), Literal("Number out of range in line 11 of file"));
    EXPECT_EXIT(Load("3DX\nNumObjects: 1\nObject\nVertices: 3 TVertices: 0 Faces: 1 Materials: 0 Normals: 0\n"
                     "Vertex list:\nVertex 0: X: 1e30 Y: 0 Z: 0\n",
                     1e10f),
                testing::ExitedWithCode(1), Literal("Number out of range in line 6 of file"));
}

}  // namespace
