#include "scene_folder.h"

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>

#include "model_orientation.h"
#include "object_writer.h"
#include "support/output_file.h"
#include "support/signal_cleanup.h"

namespace fs = std::filesystem;

namespace tarnconv {
namespace {

// The folder the scene is made in: beside outDir, named after it and this
// process. Removed on destruction unless Release() was called, and by a
// signal that ends the program.
class WorkFolder {
public:
    explicit WorkFolder(const fs::path& outDir)
        : path_(outDir.parent_path() / ("." + outDir.filename().string() + ".tarnconv-" + std::to_string(getpid()))),
          onSignal_(path_.c_str()) {}
    ~WorkFolder() {
        if (!path_.empty()) {
            std::error_code ec;
            fs::remove_all(path_, ec);
        }
    }
    WorkFolder(const WorkFolder&) = delete;
    WorkFolder& operator=(const WorkFolder&) = delete;

    const fs::path& Path() const { return path_; }
    void Release() {
        path_.clear();
        onSignal_.Release();
    }

private:
    fs::path path_;
    tarn::RemovedOnSignal onSignal_;
};

bool CopyFont(const std::string& from, const fs::path& to, std::string* error) {
    std::ifstream in(from, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (!in.good() && !in.eof()) {
        if (error) *error = from + ": cannot read the font";
        return false;
    }
    if (!in.is_open()) {
        if (error) *error = from + ": cannot open the font";
        return false;
    }
    return tarn::WriteWholeFile(to.string(), bytes, error);
}

// Puts the finished folder in place: a rename when outDir does not exist,
// else each file moved into it (files of the same name are replaced).
bool MoveIntoPlace(WorkFolder* work, const fs::path& outDir, std::string* error) {
    std::error_code ec;
    if (!fs::exists(outDir, ec)) {
        fs::rename(work->Path(), outDir, ec);
        if (ec) {
            if (error) *error = outDir.string() + ": cannot write (" + ec.message() + ")";
            return false;
        }
        work->Release();
        return true;
    }
    std::vector<fs::path> made;
    for (const auto& entry : fs::directory_iterator(work->Path(), ec)) made.push_back(entry.path());
    if (ec) {
        if (error) *error = work->Path().string() + ": cannot read the folder (" + ec.message() + ")";
        return false;
    }
    for (const fs::path& file : made) {
        fs::rename(file, outDir / file.filename(), ec);
        if (ec) {
            if (error) *error = (outDir / file.filename()).string() + ": cannot write (" + ec.message() + ")";
            return false;
        }
    }
    return true;
}

}  // namespace

bool BuildSceneFolder(const std::string& outDirText, const std::vector<std::string>& models,
                      const SceneFolderOptions& options, const ProgressFn& progress, SceneFolderResult* result,
                      std::string* error) {
    std::error_code ec;
    fs::path outDir = fs::absolute(outDirText, ec).lexically_normal();
    if (!outDir.has_filename()) outDir = outDir.parent_path();
    if (fs::exists(outDir, ec) && !fs::is_directory(outDir, ec)) {
        if (error) *error = outDirText + ": exists and is not a folder";
        return false;
    }
    fs::create_directories(outDir.parent_path(), ec);
    WorkFolder work(outDir);
    fs::remove_all(work.Path(), ec);
    if (!fs::create_directory(work.Path(), ec)) {
        if (error) *error = work.Path().string() + ": cannot create the folder (" + ec.message() + ")";
        return false;
    }
    std::set<std::string> names;
    double nextX = 0.0;
    Bounds all;
    std::vector<double> radii;
    for (std::size_t i = 0; i < models.size(); ++i) {
        const std::string& in = models[i];
        if (progress) progress("model " + std::to_string(i + 1) + "/" + std::to_string(models.size()) + ": " + in);
        MeshModel model;
        if (!LoadModel(in, options.import, &model, error)) return false;
        if (ModelBounds(model).Empty()) {
            if (error) *error = in + ": the model has no faces";
            return false;
        }
        TurnForView(&model, options.yawDegrees, options.pitchDegrees);
        // Centre on the origin (actors turn about it) and scale to the common size.
        const Bounds b = ModelBounds(model);
        const Vec3d size = b.Size();
        const double largest = std::max({size.x, size.y, size.z});
        const double scale = largest > 0 ? options.modelSize / largest : 1.0;
        const Vec3d c = b.Center();
        TransformModel(&model, scale, {-c.x * scale, -c.y * scale, -c.z * scale});
        if (!CheckCoordinatesFit(model, in, error)) return false;

        std::string stem = SafeFileWord(fs::path(in).stem().string(), 60);
        if (stem.empty()) stem = "model";
        std::string name = stem;
        for (int n = 2; names.count(name); ++n) name = stem + "_" + std::to_string(n);
        names.insert(name);
        const std::string file = name + ".3dx";

        MeshConvertResult converted;
        converted.warnings = model.warnings;
        if (!WriteModel(&model, in, (work.Path() / file).string(), options.texture, progress, &converted, error))
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
        radii.push_back(ModelRadius(model));
        result->scene.actors.push_back(actor);
        result->models.push_back(std::move(converted));
    }
    // Centre the row on x = 0 so the camera sits on the axis.
    const double shift = -(all.min.x + all.max.x) / 2;
    for (SceneActor& a : result->scene.actors) a.position.x += shift;
    all.min.x += shift;
    all.max.x += shift;
    result->viewerBounds = all;
    // The sphere about the row's centre that holds every actor's own sphere.
    const Vec3d center = all.Center();
    double radius = 0;
    for (std::size_t i = 0; i < radii.size(); ++i) {
        const Vec3d& p = result->scene.actors[i].position;
        const double dx = p.x - center.x, dy = p.y - center.y, dz = p.z - center.z;
        radius = std::max(radius, std::sqrt(dx * dx + dy * dy + dz * dz) + radii[i]);
    }
    result->sphereCenter = center;
    result->sphereRadius = radius;
    result->scene.camera = FrameSphere(center, radius);
    result->scene.lights = DefaultLights(all, result->scene.camera);
    result->scene.comment = "made by tarnconv scene; the viewer's working folder must be this one";

    std::string text;
    if (!FormatSceneFile(result->scene, &text, error)) return false;
    if (!tarn::WriteWholeFile((work.Path() / "objects.scn").string(), text, error)) return false;
    if (!options.fontPath.empty()) {
        if (!CopyFont(options.fontPath, work.Path() / "ffont.3df", error)) return false;
    } else {
        result->warnings.push_back("no font given: the viewer needs ffont.3df in the folder");
    }
    return MoveIntoPlace(&work, outDir, error);
}

}  // namespace tarnconv
