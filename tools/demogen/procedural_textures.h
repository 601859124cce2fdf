// Procedural pictures for the demo's textures: all are drawn at 256 x 256
// (or smaller) from value noise, so the demo needs no image files.
#pragma once

#include "gu3df_io.h"

namespace demogen {

// Stone tiles with dark grout: the fine lines shimmer without mip-mapping
// and turn to a smooth grey with it, which is what the floor is for.
glide::ArgbImage FloorTiles(int size);

// Banded marble for the torus.
glide::ArgbImage Marble(int size);

// Wooden crate planks with a frame.
glide::ArgbImage CratePlanks(int size);

}  // namespace demogen
