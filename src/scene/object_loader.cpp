// Object file reading. Sections: value checks; materials; vertices and
// texture vertices; faces; ParseObject; LoadObjectFile.
#include "scene/object_loader.h"

#include <cmath>
#include <cstring>
#include <initializer_list>
#include <string>

#include "app/fatal_error.h"
#include "scene/format_scan.h"
#include "scene/load_message.h"
#include "scene/material_texture.h"
#include "scene/mesh_builder.h"
#include "scene/object_image.h"
#include "scene/object_values.h"
#include "scene/path_builder.h"
#include "scene/record_allocation.h"
#include "scene/file_kind.h"

namespace {

// ---- value checks -------------------------------------------------------------

// A FIFO or a device is not opened at all: the detail line says what it
// is, then the file counts as one that could not be opened.
void RefuseNonRegularFile(const char* what, const std::string& built, const std::string& path) {
    const char* kind = NonRegularFileKind(path.c_str());
    if (kind == nullptr) return;
    PrintLoadMessage(std::string(what) + " " + QuotedText(built) + ": " + kind + ", not a regular file");
    FatalError(("The file \"" + built + "\" could not be opened!").c_str());
}

void RequireFinite(const TextReader& reader, std::initializer_list<float> values) {
    for (float v : values) {
        if (!std::isfinite(v)) reader.Fail("Number out of range", "the line holds a value that is not a finite number");
    }
}

std::uint32_t RequireIndex(const TextReader& reader, const char* name, int index, int count, const char* what) {
    if (index >= 0 && index < count) return static_cast<std::uint32_t>(index);
    reader.Fail("Index out of range", std::string(name) + ": " + std::to_string(index) + " (the object has " +
                                          std::to_string(count) + " " + what + ")");
}

// ---- materials ----------------------------------------------------------------

void ReadMaterial(Material& m, TextReader& reader, const char* objectFilePath) {
    MaterialValues values;
    int number = 0;
    reader.ExpectHere("Material");
    reader.Scan(1, "Material %d:", &number);

    float* d = values.diffuse;
    reader.Expect("Diffuse");
    reader.Scan(4, "Diffuse: R: %f G: %f B: %f A: %f\n", &d[0], &d[1], &d[2], &d[3]);
    RequireFinite(reader, {d[0], d[1], d[2], d[3]});
    reader.ReadLine();

    // Without a specular line the colour is black and there is no highlight.
    if (reader.Has("Specular:")) {
        float* s = values.specular;
        reader.Scan(5, "Specular: R: %f G: %f B: %f Shininess: %f Shiningstrength: %f\n", &s[0], &s[1], &s[2],
                    &values.shininess, &values.strength);
        RequireFinite(reader, {s[0], s[1], s[2], values.shininess, values.strength});
        reader.ReadLine();
    }

    if (reader.Has("Twosided")) {
        reader.Scan(1, "Twosided: %d\n", &values.twoSided);
        reader.ReadLine();
    }

    char word[kScanWordSize];
    reader.ExpectHere("Texture");
    reader.Scan(1, "Texture: %s\n", word);
    if (std::strlen(word) > kMaxNameLength) {
        reader.Fail("Name too long", "a texture name has at most 79 characters: " + QuotedText(word));
    }
    LoadMaterialTexture(m, TextureFileWord(word), objectFilePath);
    reader.ReadLine();

    if (reader.Has("Amount:")) {
        reader.Scan(1, "Amount: %f\n", &values.amount);
        RequireFinite(reader, {values.amount});
        reader.ReadLine();
    }
    SetMaterialValues(m, values);
}

// ---- faces ----------------------------------------------------------------------

void ReadFace(Face& face, FaceSmoothing& merge, const Object& object, const ObjectCounts& counts, TextReader& reader,
              int flipNormals) {
    FaceValues values{};
    int number = 0, a = 0, b = 0, c = 0;
    reader.Expect("Face");
    reader.Scan(7, "Face %d: A: %d B: %d C: %d AB: %d BC: %d CA: %d\n", &number, &a, &b, &c, &values.ab, &values.bc,
                &values.ca);
    values.a = RequireIndex(reader, "A", a, object.vertexCount, "vertices");
    values.b = RequireIndex(reader, "B", b, object.vertexCount, "vertices");
    values.c = RequireIndex(reader, "C", c, object.vertexCount, "vertices");

    Vec3 fileNormal;
    if (counts.normals != 0) {
        float x = 0.0f, y = 0.0f, z = 0.0f;
        reader.Expect("Normal:");
        reader.Scan(3, "Normal: X: %f Y: %f Z: %f\n", &x, &y, &z);
        RequireFinite(reader, {x, y, z});
        fileNormal = Vec3(x, z, y);
    }

    // A smoothing line without a value is a flat face, not an error.
    values.smoothing = 0;
    reader.Expect("Smoothing:");
    reader.Scan(0, "Smoothing: %u\n", &values.smoothing);

    if (counts.tvertices != 0) {
        int ta = 0, tb = 0, tc = 0;
        reader.Expect("TVFace");
        reader.Scan(4, "TVFace %d: TA: %d TB: %d TC: %d\n", &number, &ta, &tb, &tc);
        values.ta = RequireIndex(reader, "TA", ta, object.tvertexCount, "texture vertices");
        values.tb = RequireIndex(reader, "TB", tb, object.tvertexCount, "texture vertices");
        values.tc = RequireIndex(reader, "TC", tc, object.tvertexCount, "texture vertices");
    }

    if (counts.materials > 1) {
        reader.Expect("Material");
        reader.Scan(1, "Material: %d\n", &values.materialNumber);
        if (values.materialNumber < 0) {
            reader.Fail("Index out of range", "Material: " + std::to_string(values.materialNumber) +
                                                  " (material numbers are not negative)");
        }
    }
    BuildFaceRecord(face, merge, values, counts.normals != 0 ? &fileNormal : nullptr, object, counts, flipNormals);
}

}  // namespace

// ---- ParseObject ------------------------------------------------------------------

float ParseObject(Object& object, TextReader& reader, Actor& actor, float scale, int flipNormals,
                  const char* objectFilePath) {
    ObjectCounts counts;
    reader.Expect("Object");
    reader.Expect("Vertices:");
    reader.Scan(5, "Vertices: %d TVertices: %d Faces: %d Materials: %d Normals: %d\n", &counts.vertices,
                &counts.tvertices, &counts.faces, &counts.materials, &counts.normals);
    if (counts.faces == 0 || counts.vertices == 0) {
        // An empty object: no arrays, nothing drawn, no lines of its own follow.
        object = Object();
        return 0.0f;
    }
    CheckRecordCount(reader, "Vertices", counts.vertices, kCheckedVertexBytes, kMinVertexBytes);
    CheckRecordCount(reader, "TVertices", counts.tvertices, sizeof(TVertex), kMinTVertexBytes);
    CheckRecordCount(reader, "Faces", counts.faces, kCheckedFaceBytes, kMinFaceBytes);
    CheckRecordCount(reader, "Materials", counts.materials, sizeof(Material), kMinMaterialBytes);
    reader.ReadLine();

    // All of the object's records in one block where it can be had.
    RecordArena arena;
    arena.Reserve(ObjectRecordBytes(counts));
    object.materials = arena.Construct<Material>(static_cast<std::size_t>(counts.materials) + 1);
    if (object.materials == nullptr) reader.Fail("Out of memory", "Materials: " + std::to_string(counts.materials));
    object.materialCount = counts.materials;
    object.materials[counts.materials] = actor.material;
    if (counts.materials != 0) {
        reader.ExpectHere("Material list:");
        reader.ReadLine();
        for (int i = 0; i < counts.materials; ++i) ReadMaterial(object.materials[i], reader, objectFilePath);
    }

    object.vertices = ConstructRecords<Vertex>(arena, reader, "Vertices", counts.vertices);
    object.vertexCount = counts.vertices;
    reader.ExpectHere("Vertex list:");
    VertexBounds bounds;
    for (int i = 0; i < counts.vertices; ++i) {
        int number = 0;
        float x = 0.0f, y = 0.0f, z = 0.0f;
        reader.Expect("Vertex");
        reader.Scan(4, "Vertex %d: X: %f Y: %f Z: %f\n", &number, &x, &y, &z);
        const Vec3 p = ModelPosition(x, y, z, scale);
        RequireFinite(reader, {p.x, p.y, p.z});
        object.vertices[i].position = p;
        bounds.Add(p, i == 0);
    }
    object.center = bounds.Center();

    if (counts.tvertices != 0) {
        object.tvertices = ConstructRecords<TVertex>(arena, reader, "TVertices", counts.tvertices);
        object.tvertexCount = counts.tvertices;
        reader.Expect("TVertex list:");
        for (int i = 0; i < counts.tvertices; ++i) {
            int number = 0;
            float u = 0.0f, v = 0.0f;
            reader.Expect("TVertex");
            reader.Scan(3, "TVertex %d: U: %f V: %f\n", &number, &u, &v);
            const TVertex t = TextureVertex(u, v);
            RequireFinite(reader, {t.u, t.v});
            object.tvertices[i] = t;
        }
    }

    object.faces = ConstructRecords<Face>(arena, reader, "Faces", counts.faces);
    object.faceCount = counts.faces;
    ScratchMemory mergeMemory;
    auto* merge = static_cast<FaceSmoothing*>(mergeMemory.Get(sizeof(FaceSmoothing) * counts.faces));
    if (merge == nullptr) reader.Fail("Out of memory", "Faces: " + std::to_string(counts.faces));
    reader.Expect("Face list:");
    for (int i = 0; i < counts.faces; ++i) {
        // Count the face only once it is built, so the object never holds
        // unread faces.
        object.faceCount = i;
        ReadFace(object.faces[i], merge[i], object, counts, reader, flipNormals);
    }
    object.faceCount = counts.faces;

    if (!MergeVertexNormals(object, merge, arena)) reader.Fail("Out of memory", "no room for the vertex normals");
    FinishObject(object);
    return bounds.farthest;
}

// ---- LoadObjectFile -----------------------------------------------------------------

namespace {

// The object file's path as messages name it (built) and on this host.
struct ObjectFilePaths {
    std::string built;
    std::string host;
};

ObjectFilePaths ResolveObjectFile(const char* fileName, const char* objectFilePath) {
    ObjectFilePaths paths;
    paths.built = BuildPath(objectFilePath, fileName);
    std::string error;
    if (!HostPath(paths.built, &paths.host, &error)) FatalError(error.c_str());
    RefuseNonRegularFile("object file", paths.built, paths.host);
    return paths;
}

void ReadObjectFileByLines(Actor& actor, const ObjectFilePaths& paths, float scale, int flipNormals,
                           const char* objectFilePath) {
    const std::string& built = paths.built;
    TextReader reader;
    if (!reader.Open(paths.host.c_str(), built.c_str())) {
        FatalError(("The file \"" + built + "\" could not be opened!").c_str());
    }
    int objectCount = 0;
    reader.Expect("3DX");
    reader.Expect("NumObjects:");
    reader.Scan(1, "NumObjects: %d\n", &objectCount);
    actor.objects = AllocateRecords<Object>(reader, "NumObjects", objectCount, kMinObjectBytes);
    actor.objectCount = objectCount;

    float farthest = 0.0f;
    for (int i = 0; i < objectCount; ++i) {
        float distance = ParseObject(actor.objects[i], reader, actor, scale, flipNormals, objectFilePath);
        if (distance > farthest) farthest = distance;
    }
    actor.radius = farthest;
    actor.radiusX = RadiusX(farthest);
    actor.radiusY = RadiusY(farthest);

    if (!reader.Close()) FatalError(("The file \"" + built + "\" could not be closed!\n").c_str());
}

}  // namespace

void LoadObjectFile(Actor& actor, const char* fileName, float scale, int flipNormals, const char* objectFilePath,
                    ObjectImageCache* images) {
    const ObjectFilePaths paths = ResolveObjectFile(fileName, objectFilePath);
    std::unique_ptr<ObjectFileImage> own;
    const ObjectFileImage* image = nullptr;
    if (images != nullptr) {
        image = images->Find(paths.host);
    } else {
        own = ReadObjectImage(paths.host);
        image = own.get();
    }
    if (image != nullptr && BuildObjectsFromImage(actor, *image, scale, flipNormals, objectFilePath)) return;
    ReadObjectFileByLines(actor, paths, scale, flipNormals, objectFilePath);
}

void LoadObjectFileByLines(Actor& actor, const char* fileName, float scale, int flipNormals,
                           const char* objectFilePath) {
    ReadObjectFileByLines(actor, ResolveObjectFile(fileName, objectFilePath), scale, flipNormals, objectFilePath);
}
