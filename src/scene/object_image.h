// An object file read whole, into the values its lines give, once for
// every actor that names it; each actor then builds its own records from
// them (its scale, its flip value and its own material differ).
//
// The file is read in one piece and scanned by the fixed layout's own
// scanners. Only a file that the line reader would read to the end without
// any message becomes an image; for any other (an error anywhere, a line
// too long, a number out of range), ReadObjectImage gives up and the line
// reader reads the file, with its messages and line numbers.
#pragma once

#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "scene/object_values.h"
#include "scene/record_arena.h"
#include "scene/records.h"

// One material: its values, and its texture word (empty: none).
struct MaterialImage {
    MaterialValues values;
    std::string texture;
};

struct ObjectImage {
    ObjectCounts counts;
    bool empty = false;  // the counts give no faces or no vertices
    std::vector<MaterialImage> materials;
    float* positions = nullptr;  // x, y, z per vertex, as written
    TVertex* tvertices = nullptr;
    FaceValues* faces = nullptr;
    Vec3* fileNormals = nullptr;  // per face in model axes, when the object has "Normal:" lines
    // The largest magnitude of any vertex coordinate: a scale under which
    // it stays finite keeps every position finite.
    float largestCoordinate = 0.0f;
};

class ObjectFileImage {
public:
    int objectCount = 0;
    std::vector<ObjectImage> objects;

    // Room for count values of type T that lives as long as the image.
    template <class T>
    T* Take(std::size_t count) {
        return static_cast<T*>(arena_.Allocate(count * sizeof(T), alignof(T)));
    }

private:
    ScratchArena arena_;
};

// The image of the file at hostPath, or nullptr when it is not one the
// line reader reads without a message, or cannot be read whole.
std::unique_ptr<ObjectFileImage> ReadObjectImage(const std::string& hostPath);

// The file is scanned as it is read, through a window of a few hundred
// kilobytes that stays in the processor's cache. For measuring the two
// apart: the whole file into memory (false when it is not a regular file or
// cannot be read to its end), and the image of such a text.
bool ReadFileWhole(const std::string& hostPath, ScratchMemory& memory, char** text, std::size_t* size);
std::unique_ptr<ObjectFileImage> ParseObjectImage(const char* text, std::size_t size);

// Builds the actor's objects, radius, radiusX and radiusY from an image,
// exactly as the line reader would from the file, when every vertex stays
// finite under the scale; false (nothing done) when one would not.
bool BuildObjectsFromImage(Actor& actor, const ObjectFileImage& image, float scale, int flipNormals,
                           const char* objectFilePath);

// The images of the object files one scene names, each read once.
class ObjectImageCache {
public:
    // The image of hostPath (read on first use); nullptr when the file is
    // to be read by the line reader.
    const ObjectFileImage* Find(const std::string& hostPath);

private:
    std::unordered_map<std::string, std::unique_ptr<ObjectFileImage>> images_;
};
