// The front end's pass over vertex normals: each side that a face asked
// for, lit once, a batch of points at a time; litFlags say which.
#include "render/front_end_passes.h"

namespace {

constexpr int kFrontLit = 1;
constexpr int kBackLit = 2;

}  // namespace

void LightNormals(const ObjectFrame& frame, std::size_t begin, std::size_t end) {
    const Object& object = frame.object;
    NormalRequest* const requests = frame.scratch.requests.get();
    LightBatch batch;
    ColorRGBA* targets[LightBatch::kCapacity];
    auto flush = [&] {
        if (frame.isa != nullptr) {
            frame.isa->lightPoints(batch, frame.lights);
        } else {
            LightPointsScalar(batch, frame.lights);
        }
        for (int i = 0; i < batch.count; ++i) *targets[i] = batch.lit[i];
        batch.count = 0;
    };
    for (std::size_t n = begin; n < end; ++n) {
        NormalRequest& request = requests[n];
        VertexNormal& normal = object.vertexNormals[n];
        int lit = 0;
        for (int side = 0; side < 2; ++side) {
            if (request.flags[side] == 0) continue;
            lit |= side == 0 ? kFrontLit : kBackLit;
            const Vec3& position = object.vertices[request.vertex[side]].position;
            batch.Add(object.materials[request.material[side]], position, normal.normal, position - frame.eye,
                      request.flags[side] & ~kRequested, frame.specularity);
            targets[batch.count - 1] = side == 0 ? &normal.frontColor : &normal.backColor;
            if (batch.count == LightBatch::kCapacity) flush();
        }
        normal.litFlags = lit;
        request = NormalRequest{};
    }
    if (batch.count != 0) flush();
}
