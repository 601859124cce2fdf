// The front end's pass over vertex normals: each side that a face asked
// for, lit once (several normals at a time); litFlags say which.
#include "render/front_end_passes.h"

namespace {

// Completes the requests that face ranges running at once left with their
// first asking face only: what that face would have written when it asked
// (its flags, its material and the vertex of its first corner on the normal).
void CompleteRequests(const Object& object, NormalRequest* requests, std::uint32_t* askers, std::size_t begin,
                      std::size_t end) {
    for (std::size_t n = begin; n < end; ++n) {
        NormalRequest& request = requests[n];
        for (int side = 0; side < 2; ++side) {
            std::uint32_t& asker = askers[2 * n + static_cast<std::size_t>(side)];
            if (asker == 0) continue;
            const Face& face = object.faces[~asker];
            asker = 0;
            request.flags[side] = face.flags | kRequested;
            request.material[side] = face.material;
            for (const FaceCorner& corner : face.corners) {
                if (corner.normal == n) {
                    request.vertex[side] = corner.vertex;
                    break;
                }
            }
        }
    }
}

}  // namespace

void LightNormals(const ObjectFrame& frame, std::size_t begin, std::size_t end, bool shared) {
    VertexNormal* const normals = frame.object.vertexNormals;
    NormalRequest* const requests = frame.scratch.requests.get();
    if (shared) CompleteRequests(frame.object, requests, frame.scratch.askers.get(), begin, end);
    if (frame.isa != nullptr) {
        frame.isa->lightNormals(normals, requests, begin, end, frame.lighting);
    } else {
        LightNormalsScalar(normals, requests, begin, end, frame.lighting);
    }
}
