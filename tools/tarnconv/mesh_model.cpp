#include "mesh_model.h"

#include <algorithm>

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

}  // namespace tarnconv
