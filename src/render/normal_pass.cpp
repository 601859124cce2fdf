// The front end's pass over vertex normals: each side that a face asked
// for, lit once (several normals at a time); litFlags say which.
#include "render/front_end_passes.h"

void LightNormals(const ObjectFrame& frame, std::size_t begin, std::size_t end) {
    VertexNormal* const normals = frame.object.vertexNormals;
    NormalRequest* const requests = frame.scratch.requests.get();
    if (frame.isa != nullptr) {
        frame.isa->lightNormals(normals, requests, begin, end, frame.lighting);
    } else {
        LightNormalsScalar(normals, requests, begin, end, frame.lighting);
    }
}
