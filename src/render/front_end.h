// An object's face pass and draw pass as passes over ranges of its records,
// each of which owns its writes (or shares them through atomic operations
// whose result does not depend on their order), so that the ranges of a
// big object run on the device's threads without races; the draw pass
// stays on the calling thread:
//
//   vertices  vertices:  every step of the transform and projection, into
//                        the front end's own arrays (in vector lanes)
//   faces     faces:     facing and culling, the clip codes ProjectFace
//                        would give, the steps it would have done at each
//                        vertex, texturing, flat colours (in vector lanes)
//                        and the vertex-normal sides to light; the faces to
//                        draw
//   commit    vertices:  exactly the steps asked for into the vertices
//   normals   normals:   each side asked for lit once (in vector lanes)
//   draw      in face order on the calling thread: today's device calls
//
// Every per-frame field ends up with exactly the bits the sequential face
// pass (ProcessFace, face after face) leaves: each value is computed by the
// same operations, and each is stored exactly when the sequential pass
// would compute it, whatever the number of threads and the order the
// ranges run in. The sequential pass stays as the reference.
#pragma once

#include <cstddef>

#include "math/matrix3.h"
#include "math/vec3.h"
#include "scene/records.h"

enum class FrontEnd {
    kSequential,  // ProcessFace face after face, then the draw pass
    kPasses,      // the passes above
};

// The front end RenderObject uses (kPasses unless chosen otherwise).
FrontEnd CurrentFrontEnd();
void SetFrontEnd(FrontEnd frontEnd);

// Grows the front end's working arrays for the actor's largest object. The
// program calls it for every actor once the scene is loaded, so that no
// frame allocates; RenderActor calls it too, for actors rendered without
// that (a compare once the arrays are big enough). False when they cannot
// grow.
bool ReserveFrontEnd(const Actor& actor);

// The face pass and the draw pass of an object whose sphere test passed
// (clipMask: the planes it crosses). False, with nothing done, when the
// front end's arrays cannot grow to the object's size.
bool RenderObjectInPasses(Object& object, const Matrix3& modelToView, const Vec3& actorView, const Vec3& eye,
                          const Light* lights, int lightCount, int clipMask);

// Tests: records per range, and the fewest faces of an object whose ranges
// run on several threads (0, 0: the defaults), so that small objects take
// the threaded path too.
void SetFrontEndSplitForTesting(std::size_t range, std::size_t parallelFaces);
