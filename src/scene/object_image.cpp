// Reading an object file whole into its image. Sections: reading the file;
// materials; vertices and texture vertices; faces; objects; the file.
//
// The reading pattern is the line reader's (object_loader.cpp), line for
// line: the same keyword tests on the same lines, the same scans with the
// same minimum counts, the same value checks. Where the line reader would
// stop with a message, reading the image gives up instead.
#include "scene/object_image.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstring>

#include "scene/format_scan.h"
#include "scene/object_text.h"
#include "scene/record_allocation.h"

namespace {

// ---- reading the file -----------------------------------------------------------

}  // namespace

bool ReadFileWhole(const std::string& hostPath, ScratchMemory& memory, char** text, std::size_t* size) {
    const int fd = open(hostPath.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat info {};
    bool ok = fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
    const auto bytes = ok ? static_cast<std::size_t>(info.st_size) : 0;
    char* buffer = ok ? static_cast<char*>(memory.Get(bytes + 1)) : nullptr;
    ok = buffer != nullptr;
    std::size_t got = 0;
    while (ok && got < bytes) {
        const ssize_t n = read(fd, buffer + got, bytes - got);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) ok = false;
        if (n > 0) got += static_cast<std::size_t>(n);
    }
    if (close(fd) != 0) ok = false;
    if (!ok) return false;
    *text = buffer;
    *size = bytes;
    return true;
}

namespace {

bool AllFinite(std::initializer_list<float> values) {
    for (float v : values) {
        if (!std::isfinite(v)) return false;
    }
    return true;
}

using Read = ObjectText::Read;

inline bool InRange(int index, int count) { return index >= 0 && index < count; }

// The next line must contain keyword (the line reader's Expect).
inline bool Expect(ObjectText& text, const char* keyword) { return text.NextLine() && text.Has(keyword); }

// ---- materials ----------------------------------------------------------------

bool ReadMaterial(ObjectText& text, MaterialImage& material) {
    MaterialValues& v = material.values;
    int number = 0;
    if (!text.Has("Material") || text.Scan("Material %d:", &number) < 1) return false;
    float* d = v.diffuse;
    if (!Expect(text, "Diffuse") || text.Scan("Diffuse: R: %f G: %f B: %f A: %f\n", &d[0], &d[1], &d[2], &d[3]) < 4 ||
        !AllFinite({d[0], d[1], d[2], d[3]}) || !text.NextLine()) {
        return false;
    }
    if (text.Has("Specular:")) {
        float* s = v.specular;
        if (text.Scan("Specular: R: %f G: %f B: %f Shininess: %f Shiningstrength: %f\n", &s[0], &s[1], &s[2],
                      &v.shininess, &v.strength) < 5 ||
            !AllFinite({s[0], s[1], s[2], v.shininess, v.strength}) || !text.NextLine()) {
            return false;
        }
    }
    if (text.Has("Twosided")) {
        if (text.Scan("Twosided: %d\n", &v.twoSided) < 1 || !text.NextLine()) return false;
    }
    char word[kScanWordSize];
    if (!text.Has("Texture") || text.Scan("Texture: %s\n", word) < 1 || std::strlen(word) > kMaxNameLength) {
        return false;
    }
    material.texture = word;
    if (!text.NextLine()) return false;
    if (text.Has("Amount:")) {
        if (text.Scan("Amount: %f\n", &v.amount) < 1 || !AllFinite({v.amount}) || !text.NextLine()) return false;
    }
    return true;
}

// ---- vertices and texture vertices ------------------------------------------------

bool ReadVertices(ObjectText& text, ObjectImage& object) {
    float largest = 0.0f;
    float* at = object.positions;
    for (int i = 0; i < object.counts.vertices; ++i, at += 3) {
        const Read read = text.NextScannedLine(
            [at](const char* p, const char* end) { return ScanVertexLine(p, end, &at[0], &at[1], &at[2]); });
        if (read == Read::kEnd) return false;
        int number = 0;
        if (read == Read::kCurrent &&
            (!text.Has("Vertex") || text.Scan("Vertex %d: X: %f Y: %f Z: %f\n", &number, &at[0], &at[1], &at[2]) < 4)) {
            return false;
        }
        largest = std::fmax(largest, std::fmax(std::fabs(at[0]), std::fmax(std::fabs(at[1]), std::fabs(at[2]))));
    }
    object.largestCoordinate = largest;
    return true;
}

bool ReadTVertices(ObjectText& text, ObjectImage& object) {
    if (!Expect(text, "TVertex list:")) return false;
    for (int i = 0; i < object.counts.tvertices; ++i) {
        float u = 0.0f, v = 0.0f;
        const Read read =
            text.NextScannedLine([&](const char* p, const char* end) { return ScanTVertexLine(p, end, &u, &v); });
        if (read == Read::kEnd) return false;
        int number = 0;
        if (read == Read::kCurrent &&
            (!text.Has("TVertex") || text.Scan("TVertex %d: U: %f V: %f\n", &number, &u, &v) < 3)) {
            return false;
        }
        const TVertex t = TextureVertex(u, v);
        if (!AllFinite({t.u, t.v})) return false;
        object.tvertices[i] = t;
    }
    return true;
}

// ---- faces ------------------------------------------------------------------------

bool ReadFace(ObjectText& text, const ObjectCounts& counts, FaceValues& f, Vec3* fileNormal) {
    int number = 0, a = 0, b = 0, c = 0;
    Read read = text.NextScannedLine(
        [&](const char* p, const char* end) { return ScanFaceLine(p, end, &a, &b, &c, &f.ab, &f.bc, &f.ca); });
    if (read == Read::kEnd ||
        (read == Read::kCurrent &&
         (!text.Has("Face") ||
          text.Scan("Face %d: A: %d B: %d C: %d AB: %d BC: %d CA: %d\n", &number, &a, &b, &c, &f.ab, &f.bc, &f.ca) < 7))) {
        return false;
    }
    if (!InRange(a, counts.vertices) || !InRange(b, counts.vertices) || !InRange(c, counts.vertices)) return false;
    f.a = static_cast<std::uint32_t>(a);
    f.b = static_cast<std::uint32_t>(b);
    f.c = static_cast<std::uint32_t>(c);

    if (fileNormal != nullptr) {
        float x = 0.0f, y = 0.0f, z = 0.0f;
        read = text.NextScannedLine([&](const char* p, const char* end) { return ScanNormalLine(p, end, &x, &y, &z); });
        if (read == Read::kEnd ||
            (read == Read::kCurrent && (!text.Has("Normal:") || text.Scan("Normal: X: %f Y: %f Z: %f\n", &x, &y, &z) < 3))) {
            return false;
        }
        if (!AllFinite({x, y, z})) return false;
        *fileNormal = Vec3(x, z, y);
    }

    // A smoothing line without a value is a flat face.
    f.smoothing = 0;
    read = text.NextScannedLine([&](const char* p, const char* end) { return ScanSmoothingLine(p, end, &f.smoothing); });
    if (read == Read::kEnd ||
        (read == Read::kCurrent &&
         (!text.Has("Smoothing:") || text.Scan("Smoothing: %u\n", &f.smoothing) == kScanOutOfRange))) {
        return false;
    }

    f.ta = f.tb = f.tc = 0;
    if (counts.tvertices != 0) {
        int ta = 0, tb = 0, tc = 0;
        read = text.NextScannedLine([&](const char* p, const char* end) { return ScanTVFaceLine(p, end, &ta, &tb, &tc); });
        if (read == Read::kEnd ||
            (read == Read::kCurrent &&
             (!text.Has("TVFace") || text.Scan("TVFace %d: TA: %d TB: %d TC: %d\n", &number, &ta, &tb, &tc) < 4))) {
            return false;
        }
        if (!InRange(ta, counts.tvertices) || !InRange(tb, counts.tvertices) || !InRange(tc, counts.tvertices)) {
            return false;
        }
        f.ta = static_cast<std::uint32_t>(ta);
        f.tb = static_cast<std::uint32_t>(tb);
        f.tc = static_cast<std::uint32_t>(tc);
    }

    f.materialNumber = 0;
    if (counts.materials > 1) {
        read = text.NextScannedLine(
            [&](const char* p, const char* end) { return ScanFaceMaterialLine(p, end, &f.materialNumber); });
        if (read == Read::kEnd ||
            (read == Read::kCurrent &&
             (!text.Has("Material") || text.Scan("Material: %d\n", &f.materialNumber) < 1))) {
            return false;
        }
        if (f.materialNumber < 0) return false;
    }
    return true;
}

// ---- objects ----------------------------------------------------------------------

bool ReadObject(ObjectText& text, long long fileSize, ObjectFileImage& image, ObjectImage& object) {
    ObjectCounts& n = object.counts;
    if (!Expect(text, "Object") || !Expect(text, "Vertices:") ||
        text.Scan("Vertices: %d TVertices: %d Faces: %d Materials: %d Normals: %d\n", &n.vertices, &n.tvertices,
                  &n.faces, &n.materials, &n.normals) < 5) {
        return false;
    }
    if (n.faces == 0 || n.vertices == 0) {
        object.empty = true;
        return true;
    }
    if (!RecordCountAllowed(n.vertices, kCheckedVertexBytes, kMinVertexBytes, fileSize) ||
        !RecordCountAllowed(n.tvertices, sizeof(TVertex), kMinTVertexBytes, fileSize) ||
        !RecordCountAllowed(n.faces, kCheckedFaceBytes, kMinFaceBytes, fileSize) ||
        !RecordCountAllowed(n.materials, sizeof(Material), kMinMaterialBytes, fileSize) || !text.NextLine()) {
        return false;
    }
    if (n.materials != 0) {
        if (!text.Has("Material list:") || !text.NextLine()) return false;
        object.materials.resize(static_cast<std::size_t>(n.materials));
        for (MaterialImage& m : object.materials) {
            if (!ReadMaterial(text, m)) return false;
        }
    }
    object.positions = image.Take<float>(3 * static_cast<std::size_t>(n.vertices));
    object.tvertices = image.Take<TVertex>(static_cast<std::size_t>(n.tvertices));
    object.faces = image.Take<FaceValues>(static_cast<std::size_t>(n.faces));
    if (n.normals != 0) object.fileNormals = image.Take<Vec3>(static_cast<std::size_t>(n.faces));
    if (object.positions == nullptr || object.tvertices == nullptr || object.faces == nullptr ||
        (n.normals != 0 && object.fileNormals == nullptr)) {
        return false;
    }
    if (!text.Has("Vertex list:") || !ReadVertices(text, object)) return false;
    if (n.tvertices != 0 && !ReadTVertices(text, object)) return false;
    if (!Expect(text, "Face list:")) return false;
    for (int i = 0; i < n.faces; ++i) {
        Vec3* fileNormal = n.normals != 0 ? &object.fileNormals[i] : nullptr;
        if (!ReadFace(text, n, object.faces[i], fileNormal)) return false;
    }
    return true;
}

}  // namespace

// ---- the file ---------------------------------------------------------------------

namespace {

std::unique_ptr<ObjectFileImage> ReadImage(ObjectText& text, long long fileSize) {
    auto image = std::make_unique<ObjectFileImage>();
    int count = 0;
    if (!Expect(text, "3DX") || !Expect(text, "NumObjects:") || text.Scan("NumObjects: %d\n", &count) < 1 ||
        !RecordCountAllowed(count, sizeof(Object), kMinObjectBytes, fileSize)) {
        return nullptr;
    }
    image->objectCount = count;
    image->objects.resize(static_cast<std::size_t>(count));
    for (ObjectImage& object : image->objects) {
        if (!ReadObject(text, fileSize, *image, object)) return nullptr;
    }
    // A file that could not be read to its end is left to the line reader.
    if (text.ReadFailed()) return nullptr;
    return image;
}

}  // namespace

std::unique_ptr<ObjectFileImage> ReadObjectImage(const std::string& hostPath) {
    constexpr std::size_t kWindowBytes = std::size_t{256} << 10;
    const int fd = open(hostPath.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return nullptr;
    struct stat info {};
    std::unique_ptr<ObjectFileImage> image;
    if (fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) {
        ScratchMemory window;
        if (char* memory = static_cast<char*>(window.Get(kWindowBytes))) {
            ObjectText text(fd, memory, kWindowBytes);
            image = ReadImage(text, static_cast<long long>(info.st_size));
        }
    }
    if (close(fd) != 0) return nullptr;
    return image;
}

std::unique_ptr<ObjectFileImage> ParseObjectImage(const char* buffer, std::size_t size) {
    ObjectText text(buffer, buffer + size);
    return ReadImage(text, static_cast<long long>(size));
}
