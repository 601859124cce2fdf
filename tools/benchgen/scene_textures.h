// The two textures of the benchmark actor, drawn procedurally and written
// as 3DF files with every mip level.
#pragma once

#include <string>

namespace benchgen {

constexpr const char* kGroundTexture = "ground.3df";  // 64 x 64 rgb565
constexpr const char* kSphereTexture = "sphere.3df";  // 128 x 128 rgb565

// Writes both into `dir`.
bool WriteTextures(const std::string& dir, std::string* error);

}  // namespace benchgen
