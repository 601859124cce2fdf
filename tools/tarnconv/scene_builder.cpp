#include "scene_builder.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "object_writer.h"

namespace tarnconv {
namespace {

std::string Num(double v) {
    if (std::fabs(v) < 1e-4) v = 0;  // rounding noise from centring, not a position
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.7g", static_cast<double>(static_cast<float>(v)));
    return std::string(buf) == "-0" ? "0" : buf;
}

}  // namespace

Vec3d ToViewerFrame(const Vec3d& p) { return {p.x, p.z, p.y}; }

Bounds ToViewerFrame(const Bounds& b) {
    Bounds r;
    if (b.Empty()) return r;
    r.min = ToViewerFrame(b.min);
    r.max = ToViewerFrame(b.max);
    return r;
}

Vec3d FrameCamera(const Bounds& b, double margin) {
    if (b.Empty()) return {0, 0, -100};
    const Vec3d c = b.Center();
    const Vec3d s = b.Size();
    const double hx = s.x / 2, hy = s.y / 2;
    // The camera cannot tilt, so it stands a little above the centre: a
    // flat model (a floor, a plane) is then seen from above, not edge-on.
    const double lift = 0.3 * std::max(s.x, s.z) * (s.y < 0.25 * std::max(s.x, s.z) ? 1.0 : 0.25);
    // The front face of the box is nearest; its corners need
    // z >= 1.73 |x| and z >= 2.3066666 |y| relative to the camera.
    double d = std::max(kViewScaleX * hx, kViewScaleY * (hy + lift)) * margin;
    d = std::max(d, kNearZ * 4);
    return {c.x, c.y + lift, b.min.z - d};
}

Vec3d FrameSphere(const Vec3d& center, double radius, double margin) {
    // A side plane |s x| = z lies at (d - s |x|) / sqrt(1 + s^2) from a point
    // d ahead on the axis; the sphere is inside when that is at least radius.
    const double s = std::max(kViewScaleX, kViewScaleY);
    double d = radius * std::sqrt(1.0 + s * s) * margin;
    d = std::max(d, radius + kNearZ * 4);
    return {center.x, center.y, center.z - d};
}

bool InViewVolume(const Vec3d& camera, const Vec3d& p) {
    const double x = p.x - camera.x, y = p.y - camera.y, z = p.z - camera.z;
    return std::fabs(kViewScaleX * x) <= z && std::fabs(kViewScaleY * y) <= z && z >= kNearZ && z <= kFarZ;
}

std::vector<SceneLight> DefaultLights(const Bounds& b, const Vec3d& camera) {
    const Vec3d s = b.Empty() ? Vec3d{100, 100, 100} : b.Size();
    const double size = std::max({s.x, s.y, s.z, 1.0});
    // There is no ambient term: whatever the lights miss is black, so both
    // lights come from the camera's side of the models.
    SceneLight omni;
    omni.position = {camera.x - size * 0.6, camera.y + size * 0.8, camera.z};
    omni.intensity = 0.8;
    SceneLight sun;
    sun.directional = true;
    sun.position = {0.35, -0.45, 0.82};
    sun.intensity = 0.5;
    return {omni, sun};
}

bool FormatSceneFile(const SceneRecipe& recipe, std::string* text, std::string* error) {
    std::string out;
    auto line = [&](const std::string& s) {
        out += s.size() > kMaxLineLength ? s.substr(0, kMaxLineLength) : s;
        out += '\n';
    };
    if (!recipe.comment.empty()) line("# " + recipe.comment);
    line("Actor Database");
    if (!recipe.objectFilePath.empty()) {
        // The viewer reads it as one word and needs a trailing separator.
        std::string p = recipe.objectFilePath;
        if (p.back() != '/' && p.back() != '\\') p += '/';
        if (!IsValidFileWord(p) || p.size() > 83) {
            if (error) *error = "object file path \"" + p + "\" cannot be written (one word, at most 83 characters)";
            return false;
        }
        line("ObjectFilePath: " + p);
    }
    line("Specularity: " + Num(recipe.specularity));
    line("Actors: " + std::to_string(recipe.actors.size()) + " Lights: " + std::to_string(recipe.lights.size()));
    line("Camera: X: " + Num(recipe.camera.x) + " Y: " + Num(recipe.camera.y) + " Z: " + Num(recipe.camera.z));
    line("Light List:");
    for (std::size_t i = 0; i < recipe.lights.size(); ++i) {
        const SceneLight& l = recipe.lights[i];
        line("Light " + std::to_string(i) + ": X: " + Num(l.position.x) + " Y: " + Num(l.position.y) + " Z: " +
             Num(l.position.z) + " Intensity: " + Num(l.intensity) + " Type: " + (l.directional ? "DIRECTIONAL" : "OMNI"));
        if (!l.enabled) line("Enable: 0");
    }
    line("Actor list:");
    for (std::size_t i = 0; i < recipe.actors.size(); ++i) {
        const SceneActor& a = recipe.actors[i];
        if (!IsValidFileWord(a.file)) {
            if (error) *error = "object file name \"" + a.file + "\" cannot be written (one word, at most 79 characters, no commas)";
            return false;
        }
        line("Actor " + std::to_string(i) + ": X: " + Num(a.position.x) + " Y: " + Num(a.position.y) + " Z: " +
             Num(a.position.z));
        line("Filename: " + a.file);
        if (a.color != std::array<double, 4>{1, 1, 1, 1})
            line("Color: R: " + Num(a.color[0]) + " G: " + Num(a.color[1]) + " B: " + Num(a.color[2]) + " A: " +
                 Num(a.color[3]));
        if (a.specular != std::array<double, 3>{0.3, 0.3, 0.3})
            line("Specular: R: " + Num(a.specular[0]) + " G: " + Num(a.specular[1]) + " B: " + Num(a.specular[2]));
        if (a.scale != 1.0) line("Scale: " + Num(a.scale));
    }
    line("End Database");
    *text = std::move(out);
    return true;
}

}  // namespace tarnconv
