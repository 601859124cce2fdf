// A corner as triangle drawing and clipping see it: its vertex (screen
// position, 1/z), its texture vertex and its lit normal, by reference. The
// draw pass resolves a face's corners (indices into its object's arrays) to
// these; the clipper makes new ones from its pool.
#pragma once

#include "scene/records.h"

struct DrawCorner {
    Vertex* vertex;
    TVertex* tvertex;      // nullptr when the object has no texture vertices
    VertexNormal* normal;  // nullptr unless the face is smooth and not degenerate
};

inline DrawCorner ResolveCorner(const Object& object, const FaceCorner& corner) {
    return DrawCorner{&object.vertices[corner.vertex],
                      corner.tvertex == kNoIndex ? nullptr : &object.tvertices[corner.tvertex],
                      corner.normal == kNoIndex ? nullptr : &object.vertexNormals[corner.normal]};
}
