// Which instruction set the pixel stages run with. (Only the scalar path
// exists for now.)
#include "glide_device.h"

namespace glide {

std::vector<std::string> AvailablePixelIsas() { return {"scalar"}; }

bool SetPixelIsa(const std::string& name) { return name.empty() || name == "scalar"; }

std::string PixelIsa() { return "scalar"; }

}  // namespace glide
