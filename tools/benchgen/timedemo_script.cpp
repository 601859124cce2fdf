// The timedemo: a headless runner script that flies the camera over the
// benchmark scene the same way on every run. The camera is selected on
// frame 0 (actor 0 is the target until then), waits at the scene file's
// camera position during the warm-up, then moves forward 10 units a frame
// (DIK_Q), rises for a fifth of the path (DIK_S) and sweeps its heading
// right and back with mouse motion.
#include <cmath>
#include <cstdio>
#include <numbers>

#include "scene_generator.h"

namespace benchgen {

std::string TimedemoScript(const SceneRecipe& recipe) {
    std::string script;
    char line[96];
    auto add = [&](const char* format, auto... args) {
        std::snprintf(line, sizeof(line), format, args...);
        script += line;
        script += '\n';
    };
    const int start = recipe.warmupFrames > 0 ? recipe.warmupFrames : 1;
    const int n = recipe.pathFrames;
    add("# Tarnview timedemo: %d warm-up frames, then a %d-frame flight", recipe.warmupFrames, n);
    add("0 hold P 1");
    add("%d hold Q %d", start, n);
    if (n >= 5) add("%d hold S %d", start + 2 * n / 5, n / 5);
    for (int i = 0; i < n; ++i) {
        const double phase = 2.0 * std::numbers::pi * static_cast<double>(i) / static_cast<double>(n);
        const int dx = static_cast<int>(std::lround(3.0 * std::sin(phase)));
        if (dx != 0) add("%d mouse %d 0", start + i, dx);
    }
    return script;
}

}  // namespace benchgen
