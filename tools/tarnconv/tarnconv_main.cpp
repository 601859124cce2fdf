// tarnconv: the content pipeline's command line. Verbs: mesh, texture,
// texture-info, texture-png, scene, view. Help and --version go to stdout
// (exit 0); usage errors to stderr with "try --help" (exit 2); conversion
// errors to stderr as "tarnconv: file:line: message" or "tarnconv: file:
// message" (exit 1), and so does running out of memory.
//
// Sections: help texts; argument parsing; one function per command; main.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <new>
#include <string>
#include <vector>

#include "mesh_convert.h"
#include "model_view.h"
#include "scene_folder.h"
#include "support/build_info.h"
#include "support/output_file.h"
#include "texture_convert.h"

namespace fs = std::filesystem;
using namespace tarnconv;

namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

const char* const kMainHelp =
    "usage: tarnconv COMMAND [ARGS...]\n"
    "\n"
    "Converts models and pictures into the viewer's object (.3dx), texture\n"
    "(.3df) and scene (.scn) files.\n"
    "\n"
    "commands:\n"
    "  mesh IN OUT.3dx        convert a model (.ase natively; OBJ, 3DS, glTF, PLY,\n"
    "                         STL and the rest through assimp)\n"
    "  texture IN OUT.3df     convert a PNG/JPEG/TGA/BMP picture to a texture\n"
    "  texture-info IN.3df    describe a texture file\n"
    "  texture-png IN.3df OUT.png\n"
    "                         write one mip level of a texture as a PNG\n"
    "  scene OUTDIR MODEL...  make a folder the viewer can run in\n"
    "  view MODEL...          show models in the viewer (converted once, then cached)\n"
    "\n"
    "'tarnconv COMMAND --help' describes each command; 'tarnconv --version'\n"
    "names the build.\n";

const char* const kMeshHelp =
    "usage: tarnconv mesh IN OUT.3dx [--scale S] [--texture-format FMT] [--crease DEG] [--up AXIS]\n"
    "                     [--front AXIS]\n"
    "\n"
    "Converts a model to an object file. 3ds Max ASCII exports (.ase) keep\n"
    "their smoothing groups, edge visibility and material ids; other formats\n"
    "get smoothing groups from their normals, or from the crease angle where\n"
    "they have none. Each material's picture becomes a .3df file beside OUT,\n"
    "named on the material's Texture: line.\n"
    "\n"
    "  --scale S             multiply every position by S (default 1)\n"
    "  --texture-format FMT  format of the textures (default rgb565, argb4444\n"
    "                        for pictures with alpha); see 'tarnconv texture --help'\n"
    "  --crease DEG          largest angle between faces that are smoothed\n"
    "                        together, for models without normals (default 40)\n"
    "  --up AXIS             the model's axis that points up: +y -y +z -z +x -x\n"
    "                        (default: what the file says, else +y; +z for .ase,\n"
    "                        .blend, .stl and .smd)\n"
    "  --front AXIS          the model's axis that points to its front, the side\n"
    "                        the viewer sees first (default: what the file says,\n"
    "                        else +z; -y for .ase, .blend and .stl; +x for .smd\n"
    "                        and .md2)\n";

const char* const kTextureHelp =
    "usage: tarnconv texture IN OUT.3df [--format NAME] [--no-mipmaps]\n"
    "\n"
    "Converts a PNG, JPEG, TGA or BMP picture to a 3DF texture. The picture is\n"
    "resampled to powers of two, at most 256 on a side and at most 8:1, and\n"
    "gets a full filtered mip chain down to 1 texel.\n"
    "\n"
    "  --format NAME   rgb332 yiq a8 i8 ai44 p8 argb8332 ayiq8422 rgb565\n"
    "                  argb1555 argb4444 ai88 ap88 (default rgb565, or\n"
    "                  argb4444 when the picture has alpha)\n"
    "  --no-mipmaps    only the largest level\n";

const char* const kInfoHelp =
    "usage: tarnconv texture-info IN.3df\n"
    "\n"
    "Prints a texture's format, size, aspect ratio, mip levels and size in bytes.\n";

const char* const kPngHelp =
    "usage: tarnconv texture-png IN.3df OUT.png [--lod N]\n"
    "\n"
    "Decodes one level of a texture as the board sees it and writes it as PNG.\n"
    "\n"
    "  --lod N   the level, a whole number from 0 (the largest, default) to 8\n";

const char* const kSceneHelp =
    "usage: tarnconv scene OUTDIR MODEL... [--size S] [--font FILE] [--texture-format FMT]\n"
    "                      [--crease DEG] [--up AXIS] [--front AXIS]\n"
    "\n"
    "Makes OUTDIR a folder the viewer runs in as it is: every MODEL converted,\n"
    "centred and scaled to a common size, standing side by side and turned to\n"
    "a raised three-quarter view; objects.scn with a camera that frames them,\n"
    "one omni and one directional light; the font ffont.3df. Run the viewer\n"
    "inside OUTDIR. A failed run leaves OUTDIR as it was.\n"
    "\n"
    "  --size S              largest extent of each model (default 200)\n"
    "  --font FILE           font texture to copy (default: the repository's\n"
    "                        examples/fonts/ffont.3df)\n"
    "  --texture-format FMT  as for 'tarnconv mesh'\n"
    "  --crease DEG          as for 'tarnconv mesh'\n"
    "  --up AXIS             as for 'tarnconv mesh'\n"
    "  --front AXIS          as for 'tarnconv mesh'\n";

const char* const kViewHelp =
    "usage: tarnconv view MODEL... [--headless [--screenshot FILE]] [--up AXIS] [--front AXIS]\n"
    "\n"
    "Shows models in the viewer: converts them as 'tarnconv scene' does into a\n"
    "folder in the cache ($XDG_CACHE_HOME/tarnview/, else ~/.cache/tarnview/),\n"
    "found again while the models are unchanged, and runs tarnview there.\n"
    "\n"
    "  --headless         run tarnview-headless for a few frames instead of a window\n"
    "  --screenshot FILE  with --headless, save the last frame as a PNG\n"
    "  --up AXIS          as for 'tarnconv mesh'\n"
    "  --front AXIS       as for 'tarnconv mesh'\n";

int Usage(const std::string& command, const std::string& message) {
    const std::string which = command.empty() ? "tarnconv --help" : "tarnconv " + command + " --help";
    std::fprintf(stderr, "tarnconv: %s\ntry '%s'\n", message.c_str(), which.c_str());
    return kExitUsage;
}

int Failed(const std::string& message) {
    std::fprintf(stderr, "tarnconv: %s\n", message.c_str());
    return kExitFailed;
}

void Progress(const std::string& line) { std::fprintf(stderr, "tarnconv: %s\n", line.c_str()); }

void PrintWarnings(const std::vector<std::string>& warnings) {
    for (const std::string& w : warnings) std::fprintf(stderr, "tarnconv: warning: %s\n", w.c_str());
}

// Splits the command's arguments into positionals and --options with values.
struct Args {
    std::vector<std::string> positional;
    std::vector<std::pair<std::string, std::string>> options;
    bool help = false;
};

bool ParseArgs(int argc, char** argv, const std::vector<std::string>& valued,
               const std::vector<std::string>& flags, const std::string& command, Args* args, int* exitCode) {
    for (int i = 2; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--help" || a == "-h") {
            args->help = true;
            continue;
        }
        if (a.size() > 1 && a[0] == '-' && a != "-") {
            std::string name = a, value;
            bool hasValue = false;
            const std::size_t eq = a.find('=');
            if (eq != std::string::npos) {
                name = a.substr(0, eq);
                value = a.substr(eq + 1);
                hasValue = true;
            }
            bool known = false;
            for (const std::string& v : valued)
                if (v == name) known = true;
            if (known) {
                if (!hasValue) {
                    if (i + 1 >= argc) {
                        *exitCode = Usage(command, "option " + name + " needs a value");
                        return false;
                    }
                    value = argv[++i];
                }
                args->options.push_back({name, value});
                continue;
            }
            for (const std::string& f : flags)
                if (f == name && !hasValue) known = true;
            if (!known) {
                *exitCode = Usage(command, "unknown option " + a);
                return false;
            }
            args->options.push_back({name, ""});
            continue;
        }
        args->positional.push_back(a);
    }
    return true;
}

std::string Plain(double v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%g", v);
    return buf;
}

bool NumberOption(const std::string& command, const std::string& name, const std::string& text, double lo,
                  double hi, double* value, int* exitCode) {
    char* end = nullptr;
    const double v = std::strtod(text.c_str(), &end);
    if (text.empty() || *end != '\0' || !(v >= lo && v <= hi)) {
        *exitCode = Usage(command, name + " wants a number from " + Plain(lo) + " to " + Plain(hi) + ", not \"" +
                                       text + "\"");
        return false;
    }
    *value = v;
    return true;
}

bool WholeNumberOption(const std::string& command, const std::string& name, const std::string& text, int lo,
                       int hi, int* value, int* exitCode) {
    char* end = nullptr;
    const long v = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || v < lo || v > hi) {
        *exitCode = Usage(command, name + " wants a whole number from " + std::to_string(lo) + " to " +
                                       std::to_string(hi) + ", not \"" + text + "\"");
        return false;
    }
    *value = static_cast<int>(v);
    return true;
}

// --up and --front: an axis each, and not the same one.
bool AxisOption(const std::string& command, const std::string& name, const std::string& text,
                ImportOptions* options, int* exitCode) {
    const bool up = name == "--up";
    if (!ParseAxisDirection(text, up ? &options->up : &options->front)) {
        *exitCode = Usage(command, name + " wants an axis: +y -y +z -z +x -x, not \"" + text + "\"");
        return false;
    }
    (up ? options->upGiven : options->frontGiven) = true;
    if (options->upGiven && options->frontGiven && options->up.axis == options->front.axis) {
        *exitCode = Usage(command, "--up and --front want two different axes");
        return false;
    }
    return true;
}

// Refuses an output path that cannot be written before any work is done.
bool OutputPathOk(const std::string& path, int* exitCode) {
    std::string error;
    if (tarn::CheckOutputPath(path, &error)) return true;
    *exitCode = Failed(error);
    return false;
}

std::string DefaultFontPath() {
#ifdef TARNCONV_DEFAULT_FONT
    return TARNCONV_DEFAULT_FONT;
#else
    return "";
#endif
}

int MeshCommand(int argc, char** argv) {
    Args args;
    int rc = 0;
    if (!ParseArgs(argc, argv, {"--scale", "--texture-format", "--crease", "--up", "--front"}, {}, "mesh", &args, &rc))
        return rc;
    if (args.help) {
        std::fputs(kMeshHelp, stdout);
        return kExitOk;
    }
    if (args.positional.size() != 2) return Usage("mesh", "mesh wants an input model and an output .3dx file");
    MeshConvertOptions options;
    for (const auto& [name, value] : args.options) {
        if (name == "--scale" && !NumberOption("mesh", name, value, 1e-6, 1e6, &options.scale, &rc)) return rc;
        if (name == "--crease" && !NumberOption("mesh", name, value, 0, 180, &options.import.creaseDegrees, &rc)) return rc;
        if ((name == "--up" || name == "--front") && !AxisOption("mesh", name, value, &options.import, &rc)) return rc;
        if (name == "--texture-format") options.texture.formatName = value;
    }
    GrTextureFormat_t format = 0;
    if (!options.texture.formatName.empty() && !glide::TextureFormatFromName(options.texture.formatName, &format))
        return Usage("mesh", "unknown texture format \"" + options.texture.formatName + "\"");
    if (!OutputPathOk(args.positional[1], &rc)) return rc;
    MeshConvertResult result;
    std::string error;
    const bool ok = ConvertMesh(args.positional[0], args.positional[1], options, Progress, &result, &error);
    PrintWarnings(result.warnings);
    if (!ok) return Failed(error);
    std::printf("%s: %d objects, %d faces, %zu textures\n", args.positional[1].c_str(), result.objects, result.faces,
                result.textures.size());
    return kExitOk;
}

int TextureCommand(int argc, char** argv) {
    Args args;
    int rc = 0;
    if (!ParseArgs(argc, argv, {"--format"}, {"--no-mipmaps"}, "texture", &args, &rc)) return rc;
    if (args.help) {
        std::fputs(kTextureHelp, stdout);
        return kExitOk;
    }
    if (args.positional.size() != 2) return Usage("texture", "texture wants an input picture and an output .3df file");
    TextureOptions options;
    for (const auto& [name, value] : args.options) {
        if (name == "--format") options.formatName = value;
        if (name == "--no-mipmaps") options.mipmaps = false;
    }
    GrTextureFormat_t format = 0;
    if (!options.formatName.empty() && !glide::TextureFormatFromName(options.formatName, &format))
        return Usage("texture", "unknown texture format \"" + options.formatName + "\"");
    if (!OutputPathOk(args.positional[1], &rc)) return rc;
    glide::Texture3df tex;
    std::string error;
    if (!ConvertImageFile(args.positional[0], args.positional[1], options, &tex, &error)) return Failed(error);
    std::printf("%s: %s %ux%u, %d levels\n", args.positional[1].c_str(), glide::TextureFormatName(tex.header.format),
                static_cast<unsigned>(tex.header.width), static_cast<unsigned>(tex.header.height),
                glide::LevelCount(tex.header));
    return kExitOk;
}

int TextureInfoCommand(int argc, char** argv) {
    Args args;
    int rc = 0;
    if (!ParseArgs(argc, argv, {}, {}, "texture-info", &args, &rc)) return rc;
    if (args.help) {
        std::fputs(kInfoHelp, stdout);
        return kExitOk;
    }
    if (args.positional.size() != 1) return Usage("texture-info", "texture-info wants one .3df file");
    glide::Texture3df tex;
    std::string error;
    if (!glide::Read3dfFile(args.positional[0].c_str(), &tex, &error))
        return Failed(error.empty() ? args.positional[0] + ": cannot read the texture" : error);
    std::printf("%s\n%s", args.positional[0].c_str(), DescribeTexture(tex).c_str());
    return kExitOk;
}

int TexturePngCommand(int argc, char** argv) {
    Args args;
    int rc = 0;
    if (!ParseArgs(argc, argv, {"--lod"}, {}, "texture-png", &args, &rc)) return rc;
    if (args.help) {
        std::fputs(kPngHelp, stdout);
        return kExitOk;
    }
    if (args.positional.size() != 2) return Usage("texture-png", "texture-png wants a .3df file and an output .png file");
    int lod = 0;
    for (const auto& [name, value] : args.options)
        if (name == "--lod" && !WholeNumberOption("texture-png", name, value, 0, 8, &lod, &rc)) return rc;
    if (!OutputPathOk(args.positional[1], &rc)) return rc;
    glide::Texture3df tex;
    std::string error;
    if (!glide::Read3dfFile(args.positional[0].c_str(), &tex, &error))
        return Failed(error.empty() ? args.positional[0] + ": cannot read the texture" : error);
    if (!WriteTextureLevelPng(tex, lod, args.positional[1], &error)) return Failed(error);
    return kExitOk;
}

int SceneCommand(int argc, char** argv) {
    Args args;
    int rc = 0;
    if (!ParseArgs(argc, argv, {"--size", "--font", "--texture-format", "--crease", "--up", "--front"}, {}, "scene", &args,
                   &rc))
        return rc;
    if (args.help) {
        std::fputs(kSceneHelp, stdout);
        return kExitOk;
    }
    if (args.positional.size() < 2) return Usage("scene", "scene wants an output folder and at least one model");
    SceneFolderOptions options;
    options.fontPath = DefaultFontPath();
    for (const auto& [name, value] : args.options) {
        if (name == "--size" && !NumberOption("scene", name, value, 1, 10000, &options.modelSize, &rc)) return rc;
        if (name == "--crease" && !NumberOption("scene", name, value, 0, 180, &options.import.creaseDegrees, &rc)) return rc;
        if ((name == "--up" || name == "--front") && !AxisOption("scene", name, value, &options.import, &rc)) return rc;
        if (name == "--font") options.fontPath = value;
        if (name == "--texture-format") options.texture.formatName = value;
    }
    GrTextureFormat_t format = 0;
    if (!options.texture.formatName.empty() && !glide::TextureFormatFromName(options.texture.formatName, &format))
        return Usage("scene", "unknown texture format \"" + options.texture.formatName + "\"");
    std::error_code ec;
    if (!options.fontPath.empty() && !fs::is_regular_file(options.fontPath, ec))
        return Failed(options.fontPath + ": font not found (give one with --font)");
    const std::vector<std::string> models(args.positional.begin() + 1, args.positional.end());
    SceneFolderResult result;
    std::string error;
    const bool ok = BuildSceneFolder(args.positional[0], models, options, Progress, &result, &error);
    PrintWarnings(result.warnings);
    if (!ok) return Failed(error);
    int faces = 0;
    for (const MeshConvertResult& m : result.models) faces += m.faces;
    std::printf("%s: %zu actors, %d faces; run the viewer inside this folder\n", args.positional[0].c_str(),
                result.scene.actors.size(), faces);
    return kExitOk;
}

int ViewCommand(int argc, char** argv) {
    Args args;
    int rc = 0;
    if (!ParseArgs(argc, argv, {"--screenshot", "--up", "--front"}, {"--headless"}, "view", &args, &rc)) return rc;
    if (args.help) {
        std::fputs(kViewHelp, stdout);
        return kExitOk;
    }
    if (args.positional.empty()) return Usage("view", "view wants at least one model");
    SceneFolderOptions options;
    options.fontPath = DefaultFontPath();
    bool headless = false;
    std::string screenshot;
    for (const auto& [name, value] : args.options) {
        if ((name == "--up" || name == "--front") && !AxisOption("view", name, value, &options.import, &rc)) return rc;
        if (name == "--headless") headless = true;
        if (name == "--screenshot") screenshot = value;
    }
    if (!screenshot.empty() && !headless) return Usage("view", "--screenshot needs --headless");
    std::error_code ec;
    if (!screenshot.empty()) {
        // The viewer runs in the scene folder; the picture goes where the user meant.
        screenshot = fs::absolute(screenshot, ec).string();
        if (!OutputPathOk(screenshot, &rc)) return rc;
    }
    if (!options.fontPath.empty() && !fs::is_regular_file(options.fontPath, ec))
        return Failed(options.fontPath + ": font not found");
    std::string dir, error;
    bool cached = false;
    std::vector<std::string> warnings;
    const bool ok = PrepareViewScene(args.positional, options, Progress, &dir, &cached, &warnings, &error);
    PrintWarnings(warnings);
    if (!ok) return Failed(error);
    Progress(cached ? "using the cached scene " + dir : "converted into " + dir);
    const std::string viewer = (fs::path(OwnFolder()) / (headless ? "tarnview-headless" : "tarnview")).string();
    std::vector<std::string> viewerArgs;
    if (headless) {
        viewerArgs = {"--frames", "5", "--no-calibrate"};
        if (!screenshot.empty()) viewerArgs.insert(viewerArgs.end(), {"--screenshot", screenshot});
    }
    const int status = RunInFolder(viewer, viewerArgs, dir, &error);
    if (!error.empty()) std::fprintf(stderr, "tarnconv: %s\n", error.c_str());
    return status;
}

int Run(int argc, char** argv) {
    if (argc < 2) return Usage("", "no command given");
    const std::string command = argv[1];
    if (command == "--help" || command == "-h" || command == "help") {
        std::fputs(kMainHelp, stdout);
        return kExitOk;
    }
    if (command == "--version") {
        std::printf("%s\n", tarn::VersionLine("tarnconv").c_str());
        return kExitOk;
    }
    if (command == "mesh") return MeshCommand(argc, argv);
    if (command == "texture") return TextureCommand(argc, argv);
    if (command == "texture-info") return TextureInfoCommand(argc, argv);
    if (command == "texture-png") return TexturePngCommand(argc, argv);
    if (command == "scene") return SceneCommand(argc, argv);
    if (command == "view") return ViewCommand(argc, argv);
    return Usage("", "unknown command \"" + command + "\"");
}

}  // namespace

int main(int argc, char** argv) {
    try {
        return Run(argc, argv);
    } catch (const std::bad_alloc&) {
        std::fputs("tarnconv: out of memory\n", stderr);
        return kExitFailed;
    }
}
