#include "model_orientation.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <filesystem>

namespace tarnconv {
namespace {

constexpr double kPi = 3.14159265358979323846;

Vec3d Cross(const Vec3d& a, const Vec3d& b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

double Dot(const Vec3d& a, const Vec3d& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

template <typename Fn>
void ForEachVertex(MeshModel* model, Fn fn) {
    for (MeshObject& o : model->objects)
        for (Vec3d& p : o.vertices) p = fn(p);
}

}  // namespace

Vec3d AxisDirection::Vector() const {
    Vec3d v;
    (axis == 0 ? v.x : axis == 1 ? v.y : v.z) = sign;
    return v;
}

bool ParseAxisDirection(const std::string& text, AxisDirection* direction) {
    std::string t = text;
    int sign = 1;
    if (!t.empty() && (t[0] == '+' || t[0] == '-')) {
        sign = t[0] == '-' ? -1 : 1;
        t.erase(0, 1);
    }
    if (t.size() != 1) return false;
    const char c = static_cast<char>(std::tolower(static_cast<unsigned char>(t[0])));
    if (c < 'x' || c > 'z') return false;
    direction->axis = c - 'x';
    direction->sign = sign;
    return true;
}

ModelAxes ConventionalAxes(const std::string& path) {
    std::string ext = std::filesystem::path(path).extension().string();
    for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    ModelAxes axes{{1, 1}, {2, 1}};
    if (ext == ".ase" || ext == ".blend" || ext == ".stl") axes = {{2, 1}, {1, -1}};
    if (ext == ".smd") axes = {{2, 1}, {0, 1}};
    if (ext == ".md2") axes.front = {0, 1};
    return axes;
}

Vec3d UpToZ(const Vec3d& up, const Vec3d& p) {
    if (up.z > 0.5) return p;
    if (up.z < -0.5) return {p.x, -p.y, -p.z};
    // A quarter turn about a = up x Z (a unit vector, up being
    // perpendicular to Z): v -> a x v + a (a . v) takes up to Z.
    const Vec3d a = Cross(up, {0, 0, 1});
    const Vec3d c = Cross(a, p);
    const double d = Dot(a, p);
    return {c.x + a.x * d, c.y + a.y * d, c.z + a.z * d};
}

void RotateUpToZ(MeshModel* model, const Vec3d& up) {
    if (up.z > 0.5) return;
    ForEachVertex(model, [&](const Vec3d& p) { return UpToZ(up, p); });
}

void OrientModel(MeshModel* model, const Vec3d& up, const Vec3d& front) {
    RotateUpToZ(model, up);
    const Vec3d f = UpToZ(up, front);
    if (std::fabs(f.z) > 0.5 || f.y < -0.5) return;
    if (f.y > 0.5) {
        ForEachVertex(model, [](const Vec3d& p) { return Vec3d{-p.x, -p.y, p.z}; });
    } else if (f.x > 0.5) {
        ForEachVertex(model, [](const Vec3d& p) { return Vec3d{p.y, -p.x, p.z}; });
    } else {
        ForEachVertex(model, [](const Vec3d& p) { return Vec3d{-p.y, p.x, p.z}; });
    }
}

void TurnForView(MeshModel* model, double yawDegrees, double pitchDegrees) {
    const double cy = std::cos(yawDegrees * kPi / 180), sy = std::sin(yawDegrees * kPi / 180);
    const double cp = std::cos(pitchDegrees * kPi / 180), sp = std::sin(pitchDegrees * kPi / 180);
    ForEachVertex(model, [&](const Vec3d& p) {
        const Vec3d yawed{p.x * cy - p.y * sy, p.x * sy + p.y * cy, p.z};
        // Tipping the top towards the camera (towards -Y).
        return Vec3d{yawed.x, yawed.y * cp - yawed.z * sp, yawed.y * sp + yawed.z * cp};
    });
}

double ModelRadius(const MeshModel& model) {
    double r2 = 0;
    for (const MeshObject& o : model.objects)
        for (const MeshFace& f : o.faces)
            for (int i : f.v) {
                if (i < 0 || i >= static_cast<int>(o.vertices.size())) continue;
                const Vec3d& p = o.vertices[static_cast<std::size_t>(i)];
                r2 = std::max(r2, Dot(p, p));
            }
    return std::sqrt(r2);
}

}  // namespace tarnconv
