// Reading of the "Actor Database" scene file: camera, lights and actors,
// each actor loading its object file on the way.
#include "scene/scene_loader.h"

#include <cmath>
#include <cstring>
#include <initializer_list>
#include <string>

#include "app/fatal_error.h"
#include "scene/format_scan.h"
#include "scene/load_message.h"
#include "scene/material_texture.h"
#include "scene/object_image.h"
#include "scene/object_loader.h"
#include "scene/record_allocation.h"
#include "scene/text_reader.h"

namespace {

// Shortest lines a light or an actor can be written in (blanks of the
// formats may match nothing).
constexpr int kMinLightBytes = 22;  // "Light0:X:0Y:0Z:0Intensity:0"
constexpr int kMinActorBytes = 28;  // "Actor0:X:0Y:0Z:0" "Filename: x"
constexpr std::size_t kMaxNameLength = 79;

void RequireFinite(const TextReader& reader, std::initializer_list<float> values) {
    for (float v : values) {
        if (!std::isfinite(v)) reader.Fail("Number out of range", "the line holds a value that is not a finite number");
    }
}

void RequireName(const TextReader& reader, const char* word, const char* what) {
    if (std::strlen(word) <= kMaxNameLength) return;
    reader.Fail("Name too long", std::string("a ") + what + " has at most 79 characters: " + QuotedText(word));
}

// One light line and its optional "Enable:" line. typeWord keeps the
// previous light's word: a light line without one takes it over.
void ReadLight(Light& light, TextReader& reader, char* typeWord) {
    int number = 0;
    float x = 0.0f, y = 0.0f, z = 0.0f, intensity = 0.0f;
    reader.ExpectHere("Light");
    reader.Scan(5, "Light %d: X: %f Y: %f Z: %f Intensity: %f Type: %s\n", &number, &x, &y, &z, &intensity, typeWord);
    RequireName(reader, typeWord, "light type");
    bool omni = std::strncmp(typeWord, "OMNI", 4) == 0;
    if (!omni && std::strncmp(typeWord, "DIRECTIONAL", 11) != 0) {
        reader.PrintDetail("expected the light type OMNI or DIRECTIONAL, found " + QuotedText(typeWord));
        FatalError("error");
    }
    RequireFinite(reader, {x, y, z, intensity});
    if (omni) {
        light.type = OMNI;
        light.position = Vec3(x, y, z);
    } else {
        // A direction of no length would make every lit colour NaN.
        if (x == 0.0f && y == 0.0f && z == 0.0f) {
            reader.Fail("Light without direction", "a DIRECTIONAL light needs X, Y, Z that are not all 0");
        }
        float length = std::sqrt(x * x + y * y + z * z);
        if (!std::isfinite(length) || length == 0.0f) {
            // Squares out of float's range: measure the direction scaled down.
            float largest = std::fmax(std::fabs(x), std::fmax(std::fabs(y), std::fabs(z)));
            x /= largest;
            y /= largest;
            z /= largest;
            length = std::sqrt(x * x + y * y + z * z);
        }
        light.type = DIRECTIONAL;
        light.position = Vec3(x / length, y / length, z / length);
    }
    light.intensity = intensity;
    light.enabled = 1;
    reader.ReadLine();
    if (reader.Has("Enable:")) {
        reader.Scan(1, "Enable: %d\n", &light.enabled);
        reader.ReadLine();
    }
}

void ReadActor(Actor& actor, TextReader& reader, const char* objectFilePath, ObjectImageCache& images) {
    int number = 0;
    float x = 0.0f, y = 0.0f, z = 0.0f;
    float color[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    float specular[3] = {0.3f, 0.3f, 0.3f};
    float scale = 1.0f;
    int flip = 0;
    char fileName[kScanWordSize];

    reader.ExpectHere("Actor");
    reader.Scan(4, "Actor %d: X: %f Y: %f Z: %f\n", &number, &x, &y, &z);
    RequireFinite(reader, {x, y, z});
    reader.Expect("Filename: ");
    reader.Scan(1, "Filename: %s\n", fileName);
    RequireName(reader, fileName, "file name");
    reader.ReadLine();
    if (reader.Has("Color: ")) {
        reader.Scan(4, "Color: R: %f G: %f B: %f A: %f\n", &color[0], &color[1], &color[2], &color[3]);
        RequireFinite(reader, {color[0], color[1], color[2], color[3]});
        reader.ReadLine();
    }
    if (reader.Has("Specular: ")) {
        reader.Scan(3, "Specular: R: %f G: %f B: %f\n", &specular[0], &specular[1], &specular[2]);
        RequireFinite(reader, {specular[0], specular[1], specular[2]});
        reader.ReadLine();
    }
    if (reader.Has("Scale: ")) {
        reader.Scan(1, "Scale: %f\n", &scale);
        RequireFinite(reader, {scale});
        reader.ReadLine();
    }
    if (reader.Has("Flipnormals: ")) {
        reader.Scan(1, "Flipnormals: %d\n", &flip);
        reader.ReadLine();
    }
    actor.position = Vec3(x, y, z);
    actor.material.diffuse = {color[0] * 255.0f, color[1] * 255.0f, color[2] * 255.0f, color[3] * 255.0f};
    actor.material.specular = {specular[0] * 255.0f, specular[1] * 255.0f, specular[2] * 255.0f, 0.0f};
    LoadObjectFile(actor, fileName, scale, flip, objectFilePath, &images);
}

}  // namespace

int LoadScene(const char* path, Actor& camera, Actor** actors, Light** lights, int* lightCount) {
    TextReader reader;
    if (!reader.Open(path, path)) FatalError(("The file \"" + std::string(path) + "\" could not be opened!").c_str());
    ResetTextureShortfall();

    char objectFilePath[kScanWordSize] = "";
    reader.Expect("Actor Database");
    reader.ReadLine();
    if (reader.Has("ObjectFilePath:")) {
        reader.Scan(1, "ObjectFilePath: %s\n", objectFilePath);
        reader.ReadLine();
    }
    if (reader.Has("Specularity:")) {
        float specularity = 0.0f;
        reader.Scan(1, "Specularity: %f\n", &specularity);
        RequireFinite(reader, {specularity});
        Scene.specularity = specularity;
        reader.ReadLine();
    }
    int actorCount = 0;
    int lights_ = 0;
    reader.ExpectHere("Actors:");
    reader.Scan(1, "Actors: %d Lights: %d\n", &actorCount, &lights_);
    CheckRecordCount(reader, "Actors", actorCount, sizeof(Actor), kMinActorBytes);
    CheckRecordCount(reader, "Lights", lights_, sizeof(Light), kMinLightBytes);

    float x = 0.0f, y = 0.0f, z = 0.0f;
    reader.Expect("Camera");
    reader.Scan(3, "Camera: X: %f Y: %f Z: %f\n", &x, &y, &z);
    RequireFinite(reader, {x, y, z});
    camera.position = Vec3(x, y, z);

    *lights = AllocateRecords<Light>(reader, "Lights", lights_, kMinLightBytes);
    *lightCount = lights_;
    reader.Expect("Light List:");
    reader.ReadLine();
    char typeWord[kScanWordSize] = "";
    for (int i = 0; i < lights_; ++i) ReadLight((*lights)[i], reader, typeWord);

    *actors = AllocateRecords<Actor>(reader, "Actors", actorCount, kMinActorBytes);
    reader.ExpectHere("Actor list:");
    reader.ReadLine();
    // An object file that several actors name is read once.
    ObjectImageCache images;
    for (int i = 0; i < actorCount; ++i) ReadActor((*actors)[i], reader, objectFilePath, images);
    reader.ExpectHere("End Database");

    if (!reader.Close()) FatalError(("The file \"" + std::string(path) + "\" could not be closed!\n").c_str());
    TextureShortfallWarning();
    return actorCount;
}
