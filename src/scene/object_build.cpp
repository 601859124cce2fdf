// An actor's records built from an object file's image, in the order the
// line reader builds them (each object's textures, vertices, texture
// vertices, faces, vertex normals), so that texture memory is handed out in
// the same order; and the images of one scene's object files.
#include <cmath>
#include <cstring>
#include <new>
#include <string>

#include "app/fatal_error.h"
#include "scene/material_texture.h"
#include "scene/mesh_builder.h"
#include "scene/object_image.h"
#include "scene/record_allocation.h"

namespace {

// Running out of memory is the one failure left once an image is read.
[[noreturn]] void OutOfMemory(const char* what, long long count) {
    FatalError(("Out of memory for the records of an object file!\n" + std::string(what) + ": " +
                std::to_string(count) + "\n")
                   .c_str());
}

template <class T>
T* Records(RecordArena& arena, const char* what, std::size_t count) {
    T* records = arena.Construct<T>(count);
    if (records == nullptr) OutOfMemory(what, static_cast<long long>(count));
    return records;
}

float BuildObject(Object& object, const ObjectImage& image, const Actor& actor, float scale, int flipNormals,
                  const char* objectFilePath) {
    if (image.empty) {
        object = Object();
        return 0.0f;
    }
    const ObjectCounts& n = image.counts;
    RecordArena arena;
    arena.Reserve(ObjectRecordBytes(n));
    object.materials = Records<Material>(arena, "Materials", static_cast<std::size_t>(n.materials) + 1);
    object.materialCount = n.materials;
    object.materials[n.materials] = actor.material;
    for (int i = 0; i < n.materials; ++i) {
        const MaterialImage& m = image.materials[static_cast<std::size_t>(i)];
        LoadMaterialTexture(object.materials[i], TextureFileWord(m.texture.c_str()), objectFilePath);
        SetMaterialValues(object.materials[i], m.values);
    }

    object.vertices = Records<Vertex>(arena, "Vertices", static_cast<std::size_t>(n.vertices));
    object.vertexCount = n.vertices;
    VertexBounds bounds;
    const float* at = image.positions;
    for (int i = 0; i < n.vertices; ++i, at += 3) {
        const Vec3 p = ModelPosition(at[0], at[1], at[2], scale);
        object.vertices[i].position = p;
        bounds.Add(p, i == 0);
    }
    object.center = bounds.Center();

    if (n.tvertices != 0) {
        object.tvertices = Records<TVertex>(arena, "TVertices", static_cast<std::size_t>(n.tvertices));
        object.tvertexCount = n.tvertices;
        std::memcpy(object.tvertices, image.tvertices, sizeof(TVertex) * static_cast<std::size_t>(n.tvertices));
    }

    object.faces = Records<Face>(arena, "Faces", static_cast<std::size_t>(n.faces));
    object.faceCount = n.faces;
    ScratchMemory mergeMemory;
    auto* merge = static_cast<FaceSmoothing*>(mergeMemory.Get(sizeof(FaceSmoothing) * static_cast<std::size_t>(n.faces)));
    if (merge == nullptr) OutOfMemory("Faces", n.faces);
    for (int i = 0; i < n.faces; ++i) {
        const Vec3* fileNormal = image.fileNormals != nullptr ? &image.fileNormals[i] : nullptr;
        BuildFaceRecord(object.faces[i], merge[i], image.faces[i], fileNormal, object, n, flipNormals);
    }
    if (!MergeVertexNormals(object, merge, arena)) OutOfMemory("Faces", n.faces);
    FinishObject(object);
    return bounds.farthest;
}

}  // namespace

bool BuildObjectsFromImage(Actor& actor, const ObjectFileImage& image, float scale, int flipNormals,
                           const char* objectFilePath) {
    // Every position stays finite, or the line reader is to say which does not.
    for (const ObjectImage& object : image.objects) {
        if (!object.empty && !std::isfinite(object.largestCoordinate * std::fabs(scale))) return false;
    }
    Object* objects = nullptr;
    if (image.objectCount > 0) {
        objects = new (std::nothrow) Object[static_cast<std::size_t>(image.objectCount)];
        if (objects == nullptr) OutOfMemory("NumObjects", image.objectCount);
        if (gRecordBlockWatcher != nullptr) {
            gRecordBlockWatcher(objects, sizeof(Object) * static_cast<std::size_t>(image.objectCount),
                                &ReleaseRecords<Object>);
        }
    }
    actor.objects = objects;
    actor.objectCount = image.objectCount;
    float farthest = 0.0f;
    for (int i = 0; i < image.objectCount; ++i) {
        const float distance = BuildObject(objects[i], image.objects[static_cast<std::size_t>(i)], actor, scale,
                                           flipNormals, objectFilePath);
        if (distance > farthest) farthest = distance;
    }
    actor.radius = farthest;
    actor.radiusX = RadiusX(farthest);
    actor.radiusY = RadiusY(farthest);
    return true;
}

const ObjectFileImage* ObjectImageCache::Find(const std::string& hostPath) {
    auto found = images_.find(hostPath);
    if (found == images_.end()) found = images_.emplace(hostPath, ReadObjectImage(hostPath)).first;
    return found->second.get();
}
