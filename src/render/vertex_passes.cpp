// The front end's two passes over vertices: every step of the transform
// and projection into the front end's arrays (in vector lanes), and, once
// the clip pass has said which steps the sequential pass would take at each
// vertex, exactly those steps into the vertices.
#include "render/face_processor.h"
#include "render/front_end_passes.h"

void TransformVertices(const ObjectFrame& frame, std::size_t begin, std::size_t end) {
    const Vertex* vertices = frame.object.vertices;
    if (frame.isa != nullptr) {
        frame.isa->transformVertices(vertices, begin, end, frame.modelToView, frame.actorView,
                                     frame.scratch.vertexValues);
    } else {
        TransformVerticesScalar(vertices, begin, end, frame.modelToView, frame.actorView, frame.scratch.vertexValues);
    }
}

void CommitVertices(const ObjectFrame& frame, std::size_t begin, std::size_t end) {
    Vertex* const vertices = frame.object.vertices;
    std::uint8_t* const steps = frame.scratch.steps.get();
    const VertexValues& v = frame.scratch.vertexValues;
    for (std::size_t i = begin; i < end; ++i) {
        const std::uint8_t done = steps[i];
        Vertex& vertex = vertices[i];
        vertex.cacheFlags = done;
        if (done == 0) continue;
        steps[i] = 0;
        if (done & VERTEX_Z_DONE) vertex.clip.z = v.z[i];
        if (done & VERTEX_X_DONE) vertex.clip.x = v.x[i];
        if (done & VERTEX_Y_DONE) vertex.clip.y = v.y[i];
        if (done & VERTEX_PROJECTED) {
            vertex.invZ = v.invZ[i];
            vertex.ndcX = v.ndcX[i];
            vertex.ndcY = v.ndcY[i];
            vertex.screenX = v.screenX[i];
            vertex.screenY = v.screenY[i];
        }
    }
}
