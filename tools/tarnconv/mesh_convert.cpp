#include "mesh_convert.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <map>
#include <vector>

#include "ase_reader.h"
#include "object_writer.h"

namespace fs = std::filesystem;

namespace tarnconv {
namespace {

std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

bool IsFile(const fs::path& p) {
    std::error_code ec;
    return fs::is_regular_file(p, ec);
}

}  // namespace

bool LoadModel(const std::string& path, const ImportOptions& options, MeshModel* model, std::string* error) {
    if (Lower(fs::path(path).extension().string()) == ".ase") {
        if (!ReadAseFile(path, model, error)) return false;
        const ModelAxes axes = ChooseAxes(path, options);
        OrientModel(model, axes.up.Vector(), axes.front.Vector());
        return true;
    }
    std::error_code ec;
    if (!fs::exists(path, ec)) {
        if (error) *error = path + ": no such file";
        return false;
    }
    return ImportWithAssimp(path, options, model, error);
}

// Follows a relative path from dir one component at a time, taking the
// exact name where it exists and otherwise one that differs only in case.
fs::path FindIgnoringCase(const fs::path& dir, const fs::path& relative) {
    fs::path at = dir.empty() ? fs::path(".") : dir;
    std::error_code ec;
    for (const fs::path& part : relative) {
        const std::string name = part.string();
        if (name.empty() || name == ".") continue;
        if (name == "..") {
            at /= "..";
            continue;
        }
        if (fs::exists(at / part, ec)) {
            at /= part;
            continue;
        }
        const std::string wanted = Lower(name);
        fs::path found;
        for (const auto& entry : fs::directory_iterator(at, ec))
            if (Lower(entry.path().filename().string()) == wanted) {
                found = entry.path();
                break;
            }
        if (found.empty()) return {};
        at = found;
    }
    return IsFile(at) ? at : fs::path();
}

// Folders where a picture that is not where the model says may be: the
// model's own, its subfolders, then the folders beside it; in name order.
std::vector<fs::path> SearchFolders(const fs::path& dir) {
    std::vector<fs::path> folders{dir.empty() ? fs::path(".") : dir};
    auto subfolders = [](const fs::path& of, const fs::path& except) {
        std::vector<fs::path> found;
        std::error_code ec;
        for (const auto& entry : fs::directory_iterator(of, ec)) {
            std::error_code ec2;
            if (entry.is_directory(ec2) && entry.path().filename() != except.filename()) found.push_back(entry.path());
        }
        std::sort(found.begin(), found.end());
        return found;
    };
    const fs::path absolute = fs::absolute(folders[0]).lexically_normal();
    for (const fs::path& p : subfolders(folders[0], fs::path())) folders.push_back(p);
    const fs::path self = absolute.has_filename() ? absolute : absolute.parent_path();
    if (self.has_parent_path() && self.parent_path() != self)
        for (const fs::path& p : subfolders(self.parent_path(), self)) folders.push_back(p);
    return folders;
}

std::string ResolveImagePath(const std::string& modelPath, const std::string& bitmap, bool* searched) {
    if (searched) *searched = false;
    std::string name = bitmap;
    std::replace(name.begin(), name.end(), '\\', '/');
    const fs::path dir = fs::path(modelPath).parent_path();
    // "C:/textures/x.jpg" cannot exist here; only its bare name can.
    const bool drive = name.size() >= 2 && name[1] == ':';
    if (!drive) {
        if (fs::path(name).is_absolute()) {
            if (IsFile(name)) return name;
            // "\..\maps\x.jpg" from Windows means the model's own drive; the
            // folders it names are looked for from the model's folder.
            const std::size_t rest = name.find_first_not_of('/');
            const fs::path p = rest == std::string::npos ? fs::path() : FindIgnoringCase(dir, name.substr(rest));
            if (!p.empty()) return p.string();
        } else {
            const fs::path p = FindIgnoringCase(dir, name);
            if (!p.empty()) return p.string();
        }
    }
    const fs::path bare = fs::path(name).filename();
    if (bare.empty()) return "";
    for (const fs::path& folder : SearchFolders(dir)) {
        const fs::path p = FindIgnoringCase(folder, bare);
        if (p.empty()) continue;
        if (searched) *searched = true;
        return p.string();
    }
    return "";
}

std::string FindPictureNamedLike(const std::string& modelPath) {
    const fs::path dir = fs::path(modelPath).parent_path();
    const std::string stem = Lower(fs::path(modelPath).stem().string());
    std::vector<std::string> exact, longer;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(dir.empty() ? fs::path(".") : dir, ec)) {
        const std::string file = entry.path().filename().string();
        const std::string ext = Lower(entry.path().extension().string());
        const std::string fileStem = Lower(entry.path().stem().string());
        if (ext != ".png" && ext != ".jpg" && ext != ".jpeg" && ext != ".tga" && ext != ".bmp") continue;
        if (fileStem.compare(0, stem.size(), stem) != 0 || !IsFile(entry.path())) continue;
        (fileStem == stem ? exact : longer).push_back(file);
    }
    std::sort(exact.begin(), exact.end());
    std::sort(longer.begin(), longer.end());
    if (!exact.empty()) return exact[0];
    return longer.empty() ? "" : longer[0];
}

std::string SafeFileWord(const std::string& name, std::size_t maxLength) {
    std::string out;
    for (char c : name) {
        const unsigned char u = static_cast<unsigned char>(c);
        out.push_back(std::isalnum(u) || c == '_' || c == '-' || c == '.' ? c : '_');
    }
    if (out.size() > maxLength) {
        const std::size_t dot = out.rfind('.');
        const std::string ext = dot != std::string::npos && out.size() - dot <= 8 ? out.substr(dot) : "";
        out = out.substr(0, maxLength - ext.size()) + ext;
    }
    return out;
}

bool ConvertModelTextures(MeshModel* model, const std::string& modelPath, const std::string& outDir,
                          const std::string& prefix, const TextureOptions& options,
                          std::vector<std::string>* warnings, std::vector<std::string>* written,
                          std::string* error) {
    struct Done {
        std::string file;
        int aspectW = 1, aspectH = 1;
        bool ok = false;
    };
    std::map<std::string, Done> byImage;  // resolved picture (or embedded name) -> result
    auto warn = [&](const std::string& w) {
        if (warnings) warnings->push_back(w);
    };
    int serial = 0;
    for (MeshObject& o : model->objects) {
        for (MeshMaterial& m : o.materials) {
            m.textureFile.clear();
            if (m.bitmap.empty()) continue;
            if (o.tvertices.empty()) {
                warn("object \"" + o.name + "\" has no texture coordinates; material \"" + m.name +
                     "\" is written without its texture");
                continue;
            }
            const bool embedded = !m.embeddedImage.empty();
            bool searched = false;
            const std::string source =
                embedded ? "embedded:" + m.bitmap : ResolveImagePath(modelPath, m.bitmap, &searched);
            if (source.empty()) {
                warn("texture \"" + m.bitmap + "\" of material \"" + m.name + "\" not found; written without it");
                continue;
            }
            if (searched && !byImage.count(source))
                warn("texture \"" + m.bitmap + "\" of material \"" + m.name + "\" is not where the model says; found " +
                     source);
            auto it = byImage.find(source);
            if (it == byImage.end()) {
                Done d;
                glide::ArgbImage image;
                bool alpha = false;
                std::string why;
                const bool loaded = embedded ? LoadImageMemory(m.embeddedImage, m.bitmap, &image, &alpha, &why)
                                             : LoadImageFile(source, &image, &alpha, &why);
                glide::Texture3df tex;
                if (loaded && ImageToTexture(image, alpha, options, &tex, &why)) {
                    std::string stem = embedded ? "tex" + std::to_string(serial) : fs::path(source).stem().string();
                    d.file = SafeFileWord(prefix + "_" + stem + ".3df", kMaxNameLength);
                    // Two pictures with one name (different folders) need two files.
                    for (const auto& [k, other] : byImage)
                        if (other.file == d.file) d.file = SafeFileWord(prefix + "_" + std::to_string(serial) + "_" + stem + ".3df", kMaxNameLength);
                    const std::string outPath = (fs::path(outDir) / d.file).string();
                    if (!WriteTextureFile(outPath, tex, error)) return false;
                    TextureAspect(tex.header, &d.aspectW, &d.aspectH);
                    d.ok = true;
                    if (written) written->push_back(outPath);
                    ++serial;
                } else {
                    warn("texture \"" + m.bitmap + "\": " + why + "; material written without it");
                }
                it = byImage.emplace(source, d).first;
            }
            if (it->second.ok) {
                m.textureFile = it->second.file;
                m.textureAspectW = it->second.aspectW;
                m.textureAspectH = it->second.aspectH;
            }
        }
    }
    return true;
}

bool WriteModel(MeshModel* model, const std::string& sourcePath, const std::string& out,
                const TextureOptions& textureOptions, const ProgressFn& progress, MeshConvertResult* result,
                std::string* error) {
    const int faces = CountFaces(*model);
    const bool loud = faces > 20000;
    if (loud && progress) progress("converting textures");
    const fs::path outPath(out);
    const std::string dir = outPath.parent_path().empty() ? "." : outPath.parent_path().string();
    if (!ConvertModelTextures(model, sourcePath, dir, outPath.stem().string(), textureOptions, &result->warnings,
                              &result->textures, error))
        return false;
    if (loud && progress) progress("writing " + std::to_string(faces) + " faces");
    ObjectWriteOptions wo;
    wo.comment = "converted by tarnconv from " + fs::path(sourcePath).filename().string();
    if (!WriteObjectFile(*model, wo, out, error)) return false;
    result->faces = faces;
    result->objects = 0;
    for (const MeshObject& o : model->objects)
        if (!o.faces.empty() && !o.vertices.empty()) ++result->objects;
    result->bounds = ModelBounds(*model);
    return true;
}

bool ConvertMesh(const std::string& in, const std::string& out, const MeshConvertOptions& options,
                 const ProgressFn& progress, MeshConvertResult* result, std::string* error) {
    MeshModel model;
    if (!LoadModel(in, options.import, &model, error)) return false;
    result->warnings = model.warnings;
    if (CountFaces(model) > 20000 && progress) progress("read " + std::to_string(CountFaces(model)) + " faces");
    if (options.scale != 1.0) TransformModel(&model, options.scale, Vec3d{});
    if (!CheckCoordinatesFit(model, in, error)) return false;
    return WriteModel(&model, in, out, options.texture, progress, result, error);
}

}  // namespace tarnconv
