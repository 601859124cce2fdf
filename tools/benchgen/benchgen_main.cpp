// benchgen: writes the benchmark scenes. One scene with --faces, or the
// suite (about 1k, 10k, 100k and 1M faces) with --suite; a scene whose
// summary already matches is left as it is.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "scene_generator.h"

namespace {

const char kUsage[] =
    "usage: benchgen --faces N --out DIR [options]\n"
    "       benchgen --suite DIR [options]\n"
    "  Writes benchmark scenes (objects.scn, cluster.3dx, textures, timedemo.txt,\n"
    "  scene.json). --suite writes DIR/faces-1k, -10k, -100k and -1m.\n"
    "  --actors K        actors per scene, 1..16 (default 4)\n"
    "  --warmup W        frames the camera waits before its flight (default 10)\n"
    "  --path-frames N   frames of the flight (default 120)\n"
    "  --sizes A,B,...   face counts for --suite (default 1000,10000,100000,1000000)\n"
    "  --force           rewrite scenes even when they are up to date\n";

int UsageError(const std::string& message) {
    std::fprintf(stderr, "benchgen: %s\ntry 'benchgen --help'\n", message.c_str());
    return 2;
}

bool ParseNumber(const std::string& text, long long low, long long high, long long* out) {
    char* end = nullptr;
    const long long v = std::strtoll(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || v < low || v > high) return false;
    *out = v;
    return true;
}

std::string SizeName(std::uint64_t faces) {
    if (faces % 1000000 == 0) return std::to_string(faces / 1000000) + "m";
    if (faces % 1000 == 0) return std::to_string(faces / 1000) + "k";
    return std::to_string(faces);
}

bool UpToDate(const std::string& dir, const benchgen::SceneRecipe& recipe) {
    std::ifstream in(dir + "/scene.json");
    if (!in) return false;
    std::ostringstream text;
    text << in.rdbuf();
    const auto t = benchgen::ChooseTessellation(recipe.targetFaces / static_cast<std::uint64_t>(recipe.actors));
    return text.str() == benchgen::SceneSummaryJson(recipe, benchgen::CountScene(recipe, t));
}

int Generate(const std::string& dir, const benchgen::SceneRecipe& recipe, bool force) {
    std::string error;
    if (!benchgen::CheckRecipe(recipe, &error)) return UsageError(error);
    if (!force && UpToDate(dir, recipe)) {
        std::printf("benchgen: %s is up to date\n", dir.c_str());
        return 0;
    }
    benchgen::SceneCounts counts;
    if (!benchgen::GenerateScene(dir, recipe, &counts, &error)) {
        std::fprintf(stderr, "benchgen: %s\n", error.c_str());
        return 1;
    }
    std::printf("benchgen: %s: %llu faces (%d actors of %llu; %llu smooth, %llu flat, %llu textured)\n", dir.c_str(),
                static_cast<unsigned long long>(counts.faces), counts.actors,
                static_cast<unsigned long long>(counts.facesPerActor),
                static_cast<unsigned long long>(counts.smoothFaces), static_cast<unsigned long long>(counts.flatFaces),
                static_cast<unsigned long long>(counts.texturedFaces));
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    benchgen::SceneRecipe recipe;
    std::string out, suite;
    std::vector<std::uint64_t> sizes = {1000, 10000, 100000, 1000000};
    bool haveFaces = false, force = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (arg == "--force") {
            force = true;
            continue;
        }
        if (i + 1 >= argc) return UsageError(arg.rfind("--", 0) == 0 ? arg + " needs a value" : "unexpected " + arg);
        const std::string value = argv[++i];
        long long n = 0;
        if (arg == "--faces") {
            if (!ParseNumber(value, 100, 4000000, &n)) return UsageError("--faces wants 100 to 4000000");
            recipe.targetFaces = static_cast<std::uint64_t>(n);
            haveFaces = true;
        } else if (arg == "--out") {
            out = value;
        } else if (arg == "--suite") {
            suite = value;
        } else if (arg == "--actors") {
            if (!ParseNumber(value, 1, 16, &n)) return UsageError("--actors wants 1 to 16");
            recipe.actors = static_cast<int>(n);
        } else if (arg == "--warmup") {
            if (!ParseNumber(value, 0, 100000, &n)) return UsageError("--warmup wants 0 to 100000");
            recipe.warmupFrames = static_cast<int>(n);
        } else if (arg == "--path-frames") {
            if (!ParseNumber(value, 1, 100000, &n)) return UsageError("--path-frames wants 1 to 100000");
            recipe.pathFrames = static_cast<int>(n);
        } else if (arg == "--sizes") {
            sizes.clear();
            std::stringstream list(value);
            std::string item;
            while (std::getline(list, item, ',')) {
                if (!ParseNumber(item, 100, 4000000, &n)) return UsageError("--sizes wants counts from 100 to 4000000");
                sizes.push_back(static_cast<std::uint64_t>(n));
            }
            if (sizes.empty()) return UsageError("--sizes is empty");
        } else {
            return UsageError("unknown option " + arg);
        }
    }
    if (!suite.empty()) {
        if (haveFaces || !out.empty()) return UsageError("--suite does not take --faces or --out");
        for (std::uint64_t faces : sizes) {
            recipe.targetFaces = faces;
            const int rc = Generate(suite + "/faces-" + SizeName(faces), recipe, force);
            if (rc != 0) return rc;
        }
        return 0;
    }
    if (!haveFaces || out.empty()) return UsageError("give --faces and --out, or --suite");
    return Generate(out, recipe, force);
}
