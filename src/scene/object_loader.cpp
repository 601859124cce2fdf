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
#include "scene/path_builder.h"
#include "scene/record_allocation.h"
#include "scene/special_file.h"

namespace {

// Shortest line that can satisfy each record's lines (blanks of a format may
// match nothing): a bound used to refuse counts no file of its size can hold.
constexpr int kMinMaterialBytes = 40;  // "Material0:" "Diffuse:R:0G:0B:0A:0" "Texture:x"
constexpr int kMinVertexBytes = 17;    // "Vertex0:X:0Y:0Z:0"
constexpr int kMinTVertexBytes = 15;   // "TVertex0:U:0V:0"
constexpr int kMinFaceBytes = 38;      // "Face0:A:0B:0C:0AB:0BC:0CA:0" "Smoothing:"
constexpr int kMinObjectBytes = 55;    // "Object" "Vertices:0TVertices:0Faces:0Materials:0Normals:0"

// Longest file or texture name a line may give.
constexpr std::size_t kMaxNameLength = 79;

// Bytes per record that the count checks reckon with: the sizes a vertex
// and a face had when the checks were set, so that exactly the same counts
// are checked against the file's size (and refused) as before the records
// became smaller.
constexpr std::size_t kCheckedVertexBytes = 64;
constexpr std::size_t kCheckedFaceBytes = 192;

// ---- value checks -------------------------------------------------------------

// A FIFO or a device is not opened at all: the detail line says what it
// is, then the file counts as one that could not be opened.
void RefuseSpecialFile(const char* what, const std::string& built, const std::string& path) {
    const char* kind = SpecialFileKind(path.c_str());
    if (kind == nullptr) return;
    PrintLoadMessage(std::string(what) + " " + QuotedText(built) + ": " + kind + ", not a regular file");
    FatalError(("The file \"" + built + "\" could not be opened!").c_str());
}

void RequireFinite(const TextReader& reader, std::initializer_list<float> values) {
    for (float v : values) {
        if (!std::isfinite(v)) reader.Fail("Number out of range", "the line holds a value that is not a finite number");
    }
}

void RequireIndex(const TextReader& reader, const char* name, int index, int count, const char* what) {
    if (index >= 0 && index < count) return;
    reader.Fail("Index out of range", std::string(name) + ": " + std::to_string(index) + " (the object has " +
                                          std::to_string(count) + " " + what + ")");
}

// ---- materials ----------------------------------------------------------------

void ReadMaterial(Material& m, TextReader& reader, const char* objectFilePath) {
    int number = 0;
    reader.ExpectHere("Material");
    reader.Scan(1, "Material %d:", &number);

    float r = 0.0f, g = 0.0f, b = 0.0f, a = 0.0f;
    reader.Expect("Diffuse");
    reader.Scan(4, "Diffuse: R: %f G: %f B: %f A: %f\n", &r, &g, &b, &a);
    RequireFinite(reader, {r, g, b, a});
    reader.ReadLine();

    // Without a specular line the colour is black and there is no highlight.
    float sr = 0.0f, sg = 0.0f, sb = 0.0f, shininess = 0.0f, strength = 0.0f;
    if (reader.Has("Specular:")) {
        reader.Scan(5, "Specular: R: %f G: %f B: %f Shininess: %f Shiningstrength: %f\n", &sr, &sg, &sb, &shininess,
                    &strength);
        RequireFinite(reader, {sr, sg, sb, shininess, strength});
        reader.ReadLine();
    }
    m.shininess = shininess;
    m.diffuse = {r * 255.0f, g * 255.0f, b * 255.0f, a * 255.0f};
    m.specular = {sr * strength * 255.0f, sg * strength * 255.0f, sb * strength * 255.0f, 0.0f};
    m.hasSpecular = (shininess != 0.0f && !(sr == 0.0f && sg == 0.0f && sb == 0.0f)) ? 1 : 0;

    m.twoSided = 0;
    if (reader.Has("Twosided")) {
        reader.Scan(1, "Twosided: %d\n", &m.twoSided);
        reader.ReadLine();
    }

    char word[kScanWordSize];
    reader.ExpectHere("Texture");
    reader.Scan(1, "Texture: %s\n", word);
    if (std::strlen(word) > kMaxNameLength) {
        reader.Fail("Name too long", "a texture name has at most 79 characters: " + QuotedText(word));
    }
    bool none = std::strcmp(word, "NOBITMAP") == 0 || std::strcmp(word, "NODIFFUSE") == 0;
    LoadMaterialTexture(m, none ? nullptr : word, objectFilePath);
    reader.ReadLine();

    m.amount = 1.0f;
    if (reader.Has("Amount:")) {
        reader.Scan(1, "Amount: %f\n", &m.amount);
        RequireFinite(reader, {m.amount});
        reader.ReadLine();
    }
    float keep = 1.0f - m.amount;
    m.textureColor = {keep * m.diffuse.r + m.amount * 255.0f, keep * m.diffuse.g + m.amount * 255.0f,
                      keep * m.diffuse.b + m.amount * 255.0f, m.diffuse.a + 255.0f};
}

// ---- faces ----------------------------------------------------------------------

struct ObjectCounts {
    int vertices = 0, tvertices = 0, faces = 0, materials = 0, normals = 0;
};

void ReadFace(Face& face, FaceSmoothing& merge, Object& object, const ObjectCounts& counts, TextReader& reader,
              int flipNormals) {
    int number = 0, a = 0, b = 0, c = 0;
    FaceInput input{};
    reader.Expect("Face");
    reader.Scan(7, "Face %d: A: %d B: %d C: %d AB: %d BC: %d CA: %d\n", &number, &a, &b, &c, &input.ab, &input.bc,
                &input.ca);
    RequireIndex(reader, "A", a, object.vertexCount, "vertices");
    RequireIndex(reader, "B", b, object.vertexCount, "vertices");
    RequireIndex(reader, "C", c, object.vertexCount, "vertices");
    input.a = static_cast<std::uint32_t>(a);
    input.b = static_cast<std::uint32_t>(b);
    input.c = static_cast<std::uint32_t>(c);
    input.flipNormals = flipNormals;

    if (counts.normals != 0) {
        float x = 0.0f, y = 0.0f, z = 0.0f;
        reader.Expect("Normal:");
        reader.Scan(3, "Normal: X: %f Y: %f Z: %f\n", &x, &y, &z);
        RequireFinite(reader, {x, y, z});
        input.hasFileNormal = true;
        input.fileNormal = Vec3(x, z, y);
    }

    // A smoothing line without a value is a flat face, not an error.
    input.smoothing = 0;
    reader.Expect("Smoothing:");
    reader.Scan(0, "Smoothing: %u\n", &input.smoothing);

    BuildFace(face, object.vertices, input);

    if (counts.tvertices != 0) {
        int ta = 0, tb = 0, tc = 0;
        reader.Expect("TVFace");
        reader.Scan(4, "TVFace %d: TA: %d TB: %d TC: %d\n", &number, &ta, &tb, &tc);
        RequireIndex(reader, "TA", ta, object.tvertexCount, "texture vertices");
        RequireIndex(reader, "TB", tb, object.tvertexCount, "texture vertices");
        RequireIndex(reader, "TC", tc, object.tvertexCount, "texture vertices");
        face.corners[0].tvertex = static_cast<std::uint32_t>(ta);
        face.corners[1].tvertex = static_cast<std::uint32_t>(tb);
        face.corners[2].tvertex = static_cast<std::uint32_t>(tc);
    }

    // Normals merge by the material number as written; the face takes the
    // material it names modulo the count, or the actor's own (the entry
    // after the object's materials) when the object has none.
    std::uint32_t material = static_cast<std::uint32_t>(counts.materials);
    int materialNumber = 0;
    if (counts.materials == 1) {
        material = 0;
    } else if (counts.materials > 1) {
        reader.Expect("Material");
        reader.Scan(1, "Material: %d\n", &materialNumber);
        if (materialNumber < 0) {
            reader.Fail("Index out of range", "Material: " + std::to_string(materialNumber) +
                                                  " (material numbers are not negative)");
        }
        material = static_cast<std::uint32_t>(materialNumber % counts.materials);
    }
    FinishFace(face, object.materials, material);
    merge = FaceSmoothing{input.smoothing, materialNumber};
}

// Bytes an object's records take from its arena at most.
std::size_t ObjectRecordBytes(int materials, int vertices, int tvertices, int faces) {
    auto bytes = [](int count, std::size_t size) {
        return RecordArena::Footprint(static_cast<std::size_t>(count) * size);
    };
    return RecordArena::Footprint((static_cast<std::size_t>(materials) + 1) * sizeof(Material)) + bytes(vertices, sizeof(Vertex)) +
           bytes(tvertices, sizeof(TVertex)) + bytes(faces, sizeof(Face)) + bytes(faces, 3 * sizeof(VertexNormal));
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

    // All of the object's records in one block where it can be had; the
    // vertex normals need at most one entry per corner.
    RecordArena arena;
    arena.Reserve(ObjectRecordBytes(counts.materials, counts.vertices, counts.tvertices, counts.faces));
    object.materials = arena.Construct<Material>(static_cast<std::size_t>(counts.materials) + 1);
    if (object.materials == nullptr) reader.Fail("Out of memory", "Materials: " + std::to_string(counts.materials));
    object.materialCount = counts.materials;
    object.materials[counts.materials] = actor.material;
    if (counts.materials != 0) {
        reader.ExpectHere("Material list:");
        reader.ReadLine();
        for (int i = 0; i < counts.materials; ++i) ReadMaterial(object.materials[i], reader, objectFilePath);
    }

    // Vertices: the file's Y and Z change places; positions take the actor's scale.
    object.vertices = ConstructRecords<Vertex>(arena, reader, "Vertices", counts.vertices);
    object.vertexCount = counts.vertices;
    reader.ExpectHere("Vertex list:");
    float farthest = 0.0f;
    Vec3 low, high;
    for (int i = 0; i < counts.vertices; ++i) {
        int number = 0;
        float x = 0.0f, y = 0.0f, z = 0.0f;
        reader.Expect("Vertex");
        reader.Scan(4, "Vertex %d: X: %f Y: %f Z: %f\n", &number, &x, &y, &z);
        Vec3 p(x * scale, z * scale, y * scale);
        RequireFinite(reader, {p.x, p.y, p.z});
        object.vertices[i].position = p;
        float distance = std::sqrt(p.x * p.x + p.y * p.y + p.z * p.z);
        if (distance > farthest) farthest = distance;
        if (i == 0) {
            low = high = p;
        } else {
            low = Vec3(std::fmin(low.x, p.x), std::fmin(low.y, p.y), std::fmin(low.z, p.z));
            high = Vec3(std::fmax(high.x, p.x), std::fmax(high.y, p.y), std::fmax(high.z, p.z));
        }
    }
    object.center = Vec3((low.x + high.x) * 0.5f, (low.y + high.y) * 0.5f, (low.z + high.z) * 0.5f);

    if (counts.tvertices != 0) {
        object.tvertices = ConstructRecords<TVertex>(arena, reader, "TVertices", counts.tvertices);
        object.tvertexCount = counts.tvertices;
        reader.Expect("TVertex list:");
        for (int i = 0; i < counts.tvertices; ++i) {
            int number = 0;
            float u = 0.0f, v = 0.0f;
            reader.Expect("TVertex");
            reader.Scan(3, "TVertex %d: U: %f V: %f\n", &number, &u, &v);
            TVertex t{u * 255.0f, v * 255.0f};
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
    return farthest;
}

// ---- LoadObjectFile -----------------------------------------------------------------

void LoadObjectFile(Actor& actor, const char* fileName, float scale, int flipNormals, const char* objectFilePath) {
    std::string built = BuildPath(objectFilePath, fileName);
    std::string path;
    std::string error;
    if (!HostPath(built, &path, &error)) FatalError(error.c_str());
    RefuseSpecialFile("object file", built, path);
    TextReader reader;
    if (!reader.Open(path.c_str(), built.c_str())) {
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
