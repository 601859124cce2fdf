#include "scene_folder.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>

#include "object_writer.h"

namespace fs = std::filesystem;

namespace tarnconv {

bool BuildSceneFolder(const std::string& outDir, const std::vector<std::string>& models,
                      const SceneFolderOptions& options, const ProgressFn& progress, SceneFolderResult* result,
                      std::string* error) {
    std::error_code ec;
    fs::create_directories(outDir, ec);
    if (!fs::is_directory(outDir, ec)) {
        if (error) *error = outDir + ": cannot create the folder";
        return false;
    }
    std::set<std::string> names;
    double nextX = 0.0;
    Bounds all;
    for (std::size_t i = 0; i < models.size(); ++i) {
        const std::string& in = models[i];
        if (progress) progress("model " + std::to_string(i + 1) + "/" + std::to_string(models.size()) + ": " + in);
        MeshModel model;
        if (!LoadModel(in, options.import, &model, error)) return false;
        const Bounds b = ModelBounds(model);
        if (b.Empty()) {
            if (error) *error = in + ": the model has no faces";
            return false;
        }
        // Centre on the origin (actors turn about it) and scale to the common size.
        const Vec3d size = b.Size();
        const double largest = std::max({size.x, size.y, size.z});
        const double scale = largest > 0 ? options.modelSize / largest : 1.0;
        const Vec3d c = b.Center();
        TransformModel(&model, scale, {-c.x * scale, -c.y * scale, -c.z * scale});

        std::string stem = SafeFileWord(fs::path(in).stem().string(), 60);
        if (stem.empty()) stem = "model";
        std::string name = stem;
        for (int n = 2; names.count(name); ++n) name = stem + "_" + std::to_string(n);
        names.insert(name);
        const std::string file = name + ".3dx";

        MeshConvertResult converted;
        if (!WriteModel(&model, in, (fs::path(outDir) / file).string(), options.texture, progress, &converted,
                        error))
            return false;
        for (const std::string& w : converted.warnings) result->warnings.push_back(in + ": " + w);

        const Bounds vb = ToViewerFrame(converted.bounds);
        const Vec3d vs = vb.Size();
        SceneActor actor;
        actor.file = file;
        // Objects without materials take the actor's colour; white would
        // saturate under two lights and hide the shape.
        actor.color = {0.75, 0.75, 0.75, 1.0};
        actor.position = {nextX + vs.x / 2, 0, 0};
        nextX += vs.x + options.modelSize * options.gap;
        Bounds placed;
        placed.min = {vb.min.x + actor.position.x, vb.min.y, vb.min.z};
        placed.max = {vb.max.x + actor.position.x, vb.max.y, vb.max.z};
        all.min = {std::min(all.min.x, placed.min.x), std::min(all.min.y, placed.min.y), std::min(all.min.z, placed.min.z)};
        all.max = {std::max(all.max.x, placed.max.x), std::max(all.max.y, placed.max.y), std::max(all.max.z, placed.max.z)};
        result->scene.actors.push_back(actor);
        result->models.push_back(std::move(converted));
    }
    // Centre the row on x = 0 so the camera sits on the axis.
    const double shift = -(all.min.x + all.max.x) / 2;
    for (SceneActor& a : result->scene.actors) a.position.x += shift;
    all.min.x += shift;
    all.max.x += shift;
    result->viewerBounds = all;
    result->scene.camera = FrameCamera(all);
    result->scene.lights = DefaultLights(all, result->scene.camera);
    result->scene.comment = "made by tarnconv scene; the viewer's working folder must be this one";

    std::string text;
    if (!FormatSceneFile(result->scene, &text, error)) return false;
    const fs::path scenePath = fs::path(outDir) / "objects.scn";
    std::ofstream out(scenePath, std::ios::binary);
    out << text;
    out.close();
    if (!out) {
        if (error) *error = scenePath.string() + ": cannot write the file";
        return false;
    }
    if (!options.fontPath.empty()) {
        fs::copy_file(options.fontPath, fs::path(outDir) / "ffont.3df", fs::copy_options::overwrite_existing, ec);
        if (ec) {
            if (error) *error = options.fontPath + ": cannot copy the font (" + ec.message() + ")";
            return false;
        }
    } else {
        result->warnings.push_back("no font given: the viewer needs ffont.3df in the folder");
    }
    return true;
}

}  // namespace tarnconv
