#include "mesh_model.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace tarnconv {

Bounds ModelBounds(const MeshModel& model) {
    Bounds b;
    for (const MeshObject& o : model.objects) {
        for (const MeshFace& f : o.faces) {
            for (int i : f.v) {
                if (i < 0 || i >= static_cast<int>(o.vertices.size())) continue;
                const Vec3d& p = o.vertices[static_cast<std::size_t>(i)];
                b.min = {std::min(b.min.x, p.x), std::min(b.min.y, p.y), std::min(b.min.z, p.z)};
                b.max = {std::max(b.max.x, p.x), std::max(b.max.y, p.y), std::max(b.max.z, p.z)};
            }
        }
    }
    return b;
}

void TransformModel(MeshModel* model, double scale, const Vec3d& offset) {
    for (MeshObject& o : model->objects) {
        for (Vec3d& p : o.vertices) {
            p = {p.x * scale + offset.x, p.y * scale + offset.y, p.z * scale + offset.z};
        }
    }
}

int CountFaces(const MeshModel& model) {
    int n = 0;
    for (const MeshObject& o : model.objects) n += static_cast<int>(o.faces.size());
    return n;
}

bool CheckCoordinatesFit(const MeshModel& model, const std::string& source, std::string* error) {
    for (const MeshObject& o : model.objects) {
        for (std::size_t i = 0; i < o.vertices.size(); ++i) {
            const Vec3d& p = o.vertices[i];
            const double xyz[3] = {p.x, p.y, p.z};
            for (int k = 0; k < 3; ++k) {
                if (std::isfinite(static_cast<float>(xyz[k]))) continue;
                if (error) {
                    char value[40];
                    std::snprintf(value, sizeof value, "%g", xyz[k]);
                    const std::string where =
                        i < o.vertexLines.size() && o.vertexLines[i] > 0 ? ":" + std::to_string(o.vertexLines[i]) : "";
                    *error = source + where + ": vertex " + std::to_string(i) + " of object \"" + o.name + "\": " +
                             "XYZ"[k] + " " + value + " does not fit a float";
                }
                return false;
            }
        }
    }
    return true;
}

}  // namespace tarnconv
