// What every program prints for --version: its name, the project's version,
// the git revision the build was configured from and the build type.
#pragma once

#include <string>

namespace tarn {

// "PROGRAM 0.3.0 (git abc1234, RelWithDebInfo)"
std::string VersionLine(const char* program);

}  // namespace tarn
