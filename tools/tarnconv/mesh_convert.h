// The mesh conversion as a whole: read a model (ASE natively, everything
// else through assimp), turn each material's picture into a 3DF file beside
// the output, and write the object file.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "assimp_import.h"
#include "mesh_model.h"
#include "texture_convert.h"

namespace tarnconv {

using ProgressFn = std::function<void(const std::string&)>;

// .ase (any case) goes to the native reader, every other file to assimp.
bool LoadModel(const std::string& path, const ImportOptions& options, MeshModel* model, std::string* error);

// Finds a picture a model names: as written (relative to the model), then
// by its bare name beside the model, in the model folder's subfolders and in
// the folders beside it (ignoring case throughout, since models made on
// Windows often spell names differently from the files; absolute Windows
// paths such as "D:\maps\x.jpg" only ever match by name). Backslashes count
// as separators. *searched tells that it was found by name, not where the
// model says. A path from the root without a drive ("\\maps\\x.jpg") is also
// looked for from the model's folder. Empty when nothing is found.
std::string ResolveImagePath(const std::string& modelPath, const std::string& bitmap, bool* searched = nullptr);

// The picture (PNG, JPEG, TGA or BMP) beside a model named like it: the
// model's own name with a picture's extension, else the first (in name
// order) whose name begins with the model's; ignoring case. Its file name
// (relative to the model's folder), or empty.
std::string FindPictureNamedLike(const std::string& modelPath);

// A name usable on a "Texture:" line: letters, digits, "_", "-" and ".",
// at most maxLength characters, keeping the extension.
std::string SafeFileWord(const std::string& name, std::size_t maxLength);

// Converts every material picture to a 3DF file in outDir, named after
// prefix and the picture, and sets the materials' textureFile and aspect.
// Pictures that cannot be found or read leave their material untextured
// with a warning; so do objects without texture vertices.
bool ConvertModelTextures(MeshModel* model, const std::string& modelPath, const std::string& outDir,
                          const std::string& prefix, const TextureOptions& options,
                          std::vector<std::string>* warnings, std::vector<std::string>* written,
                          std::string* error);

struct MeshConvertOptions {
    double scale = 1.0;
    ImportOptions import;
    TextureOptions texture;
};

struct MeshConvertResult {
    int objects = 0;
    int faces = 0;
    std::vector<std::string> textures;  // 3DF files written
    std::vector<std::string> warnings;
    Bounds bounds;  // of the written model, in its Z-up frame
};

// The whole "tarnconv mesh" conversion.
bool ConvertMesh(const std::string& in, const std::string& out, const MeshConvertOptions& options,
                 const ProgressFn& progress, MeshConvertResult* result, std::string* error);

// Writes an already loaded (and placed) model with its textures.
bool WriteModel(MeshModel* model, const std::string& sourcePath, const std::string& out,
                const TextureOptions& textureOptions, const ProgressFn& progress, MeshConvertResult* result,
                std::string* error);

}  // namespace tarnconv
