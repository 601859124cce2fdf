// benchgen: writes the benchmark scenes. One scene with --faces, or the
// suite (about 1k, 10k, 100k and 1M faces) with --suite; a scene whose
// summary already matches is left as it is. Every scene gets the viewer's
// font, so that it runs as it stands.
//
// Exit status: 0; 1 when a file cannot be read or written; 2 for a usage
// error.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <new>
#include <sstream>
#include <string>
#include <vector>

#include "scene_generator.h"
#include "support/build_info.h"
#include "support/output_file.h"

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
    "  --font FILE       the font copied into each scene as ffont.3df\n"
    "                    (default: the source tree's examples/fonts/ffont.3df)\n"
    "  --force           rewrite scenes even when they are up to date\n"
    "  --version         print the version\n"
    "Exit status: 0; 1 when a file cannot be read or written; 2 for a usage error.\n";

// Options that take a value.
const char* const kValueOptions[] = {"--faces", "--out", "--suite", "--actors", "--warmup", "--path-frames",
                                     "--sizes", "--font"};

int UsageError(const std::string& message) {
    std::fprintf(stderr, "benchgen: %s\ntry 'benchgen --help'\n", message.c_str());
    return 2;
}

std::string Wants(const char* option, long long low, long long high) {
    return std::string(option) + " wants a whole number from " + std::to_string(low) + " to " + std::to_string(high);
}

bool ParseNumber(const std::string& text, long long low, long long high, long long* out) {
    char* end = nullptr;
    const long long v = std::strtoll(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || v < low || v > high) return false;
    *out = v;
    return true;
}

// The font as the scene folder needs it: written when missing or different.
bool CopyFont(const std::string& font, const std::string& dir, std::string* error) {
    std::ifstream in(font, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    if (!in || bytes.str().empty()) {
        *error = font + ": cannot read the font (give another with --font FILE)";
        return false;
    }
    const std::string target = dir + "/ffont.3df";
    std::ifstream old(target, std::ios::binary);
    std::ostringstream oldBytes;
    if (old) oldBytes << old.rdbuf();
    if (old && oldBytes.str() == bytes.str()) return true;
    return tarn::WriteWholeFile(target, bytes.str(), error);
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

int Generate(const std::string& dir, const benchgen::SceneRecipe& recipe, const std::string& font, bool force) {
    std::string error;
    if (!benchgen::CheckRecipe(recipe, &error)) return UsageError(error);
    if (!force && UpToDate(dir, recipe)) {
        if (!CopyFont(font, dir, &error)) {
            std::fprintf(stderr, "benchgen: %s\n", error.c_str());
            return 1;
        }
        std::printf("benchgen: %s is up to date\n", dir.c_str());
        return 0;
    }
    benchgen::SceneCounts counts;
    if (!benchgen::GenerateScene(dir, recipe, &counts, &error) || !CopyFont(font, dir, &error)) {
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

int Main(int argc, char** argv) {
    benchgen::SceneRecipe recipe;
    std::string out, suite, font = TARNVIEW_DEFAULT_FONT;
    std::vector<std::uint64_t> sizes = {1000, 10000, 100000, 1000000};
    bool haveFaces = false, force = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (arg == "--version") {
            std::printf("%s\n", tarn::VersionLine("benchgen").c_str());
            return 0;
        }
        if (arg == "--force") {
            force = true;
            continue;
        }
        bool takesValue = false;
        for (const char* name : kValueOptions) takesValue = takesValue || arg == name;
        if (!takesValue) return UsageError(arg.rfind("-", 0) == 0 ? "unknown option " + arg : "unexpected " + arg);
        if (i + 1 >= argc) return UsageError(arg + " needs a value");
        const std::string value = argv[++i];
        long long n = 0;
        if (arg == "--faces") {
            if (!ParseNumber(value, 100, 4000000, &n)) return UsageError(Wants("--faces", 100, 4000000));
            recipe.targetFaces = static_cast<std::uint64_t>(n);
            haveFaces = true;
        } else if (arg == "--out") {
            out = value;
        } else if (arg == "--suite") {
            suite = value;
        } else if (arg == "--font") {
            font = value;
        } else if (arg == "--actors") {
            if (!ParseNumber(value, 1, 16, &n)) return UsageError(Wants("--actors", 1, 16));
            recipe.actors = static_cast<int>(n);
        } else if (arg == "--warmup") {
            if (!ParseNumber(value, 0, 100000, &n)) return UsageError(Wants("--warmup", 0, 100000));
            recipe.warmupFrames = static_cast<int>(n);
        } else if (arg == "--path-frames") {
            if (!ParseNumber(value, 1, 100000, &n)) return UsageError(Wants("--path-frames", 1, 100000));
            recipe.pathFrames = static_cast<int>(n);
        } else if (arg == "--sizes") {
            sizes.clear();
            std::stringstream list(value);
            std::string item;
            while (std::getline(list, item, ',')) {
                if (!ParseNumber(item, 100, 4000000, &n)) {
                    return UsageError("--sizes wants whole numbers from 100 to 4000000, comma separated");
                }
                sizes.push_back(static_cast<std::uint64_t>(n));
            }
            if (sizes.empty()) return UsageError("--sizes is empty");
        }
    }
    if (!suite.empty()) {
        if (haveFaces || !out.empty()) return UsageError("--suite does not take --faces or --out");
        for (std::uint64_t faces : sizes) {
            recipe.targetFaces = faces;
            const int rc = Generate(suite + "/faces-" + SizeName(faces), recipe, font, force);
            if (rc != 0) return rc;
        }
        return 0;
    }
    if (!haveFaces || out.empty()) return UsageError("give --faces and --out, or --suite");
    return Generate(out, recipe, font, force);
}

}  // namespace

int main(int argc, char** argv) {
    try {
        return Main(argc, argv);
    } catch (const std::bad_alloc&) {
        std::fprintf(stderr, "benchgen: out of memory\n");
        return 1;
    }
}
