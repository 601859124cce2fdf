#include "assimp_import.h"

#include <assimp/Importer.hpp>
#include <assimp/material.h>
#include <assimp/postprocess.h>
#include <assimp/scene.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <filesystem>
#include <map>
#include <optional>
#include <tuple>

#include "large_stack.h"
#include "mesh_convert.h"
#include "smoothing_groups.h"

namespace tarnconv {
namespace {

MeshMaterial ConvertMaterial(const aiScene* scene, const aiMaterial* am, const std::string& name,
                             std::vector<std::string>* warnings) {
    MeshMaterial m;
    m.name = name;
    aiColor4D c;
    if (am->Get(AI_MATKEY_COLOR_DIFFUSE, c) == AI_SUCCESS) m.diffuse = {c.r, c.g, c.b, 1.0};
    float opacity = 1.0f;
    if (am->Get(AI_MATKEY_OPACITY, opacity) == AI_SUCCESS) m.diffuse[3] = std::clamp(opacity, 0.0f, 1.0f);
    if (m.diffuse[3] <= 0.0 && am->GetTextureCount(aiTextureType_OPACITY) == 0) {
        m.diffuse[3] = 1.0;
        warnings->push_back("material \"" + name + "\" has opacity 0 and no opacity map; imported opaque");
    }
    for (double& v : m.diffuse) v = std::clamp(v, 0.0, 1.0);
    if (am->Get(AI_MATKEY_COLOR_SPECULAR, c) == AI_SUCCESS) {
        m.specular = {std::clamp(c.r, 0.0f, 1.0f), std::clamp(c.g, 0.0f, 1.0f), std::clamp(c.b, 0.0f, 1.0f)};
        m.hasSpecularLine = true;
    }
    float shininess = 0.0f, strength = 1.0f;
    am->Get(AI_MATKEY_SHININESS, shininess);
    am->Get(AI_MATKEY_SHININESS_STRENGTH, strength);
    // assimp gives a Phong exponent; the object format's Shininess is scaled
    // by the scene's specularity (400 unless the scene says otherwise).
    m.shine = std::clamp(shininess / 400.0, 0.0, 1.0);
    m.shineStrength = std::clamp(static_cast<double>(strength), 0.0, 10.0);
    int twoSided = 0;
    if (am->Get(AI_MATKEY_TWOSIDED, twoSided) == AI_SUCCESS) m.twoSided = twoSided != 0;
    aiString path;
    if (am->GetTextureCount(aiTextureType_DIFFUSE) > 0 &&
        am->GetTexture(aiTextureType_DIFFUSE, 0, &path) == AI_SUCCESS && path.length > 0) {
        m.bitmap = path.C_Str();
        if (const aiTexture* embedded = scene->GetEmbeddedTexture(path.C_Str())) {
            if (embedded->mHeight == 0) {
                const auto* bytes = reinterpret_cast<const std::uint8_t*>(embedded->pcData);
                m.embeddedImage.assign(bytes, bytes + embedded->mWidth);
            } else {
                m.bitmap.clear();  // raw texel arrays are rare; the material stays untextured
            }
        }
        float blend = 1.0f;
        if (am->Get(AI_MATKEY_TEXBLEND(aiTextureType_DIFFUSE, 0), blend) == AI_SUCCESS)
            m.amount = std::clamp(static_cast<double>(blend), 0.0, 1.0);
        // With a texture the diffuse colour only tints what the amount leaves;
        // assimp often reports black or grey for textured OBJ materials.
    }
    return m;
}

std::string LowerExtension(const std::string& path) {
    std::string ext = std::filesystem::path(path).extension().string();
    for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ext;
}

// One mesh as a node places it: the node's transform from the root.
struct Placement {
    unsigned mesh = 0;
    aiMatrix4x4 transform;
};

// Walks the node tree without recursion. False, with a message, when it is
// nested deeper than kMaxNodeDepth.
bool PlaceMeshes(const aiScene* scene, const std::string& path, std::vector<Placement>* placements,
                 std::string* error) {
    struct Pending {
        const aiNode* node;
        aiMatrix4x4 parent;
        int depth;
    };
    std::vector<Pending> pending{{scene->mRootNode, aiMatrix4x4(), 1}};
    int deepest = 0;
    while (!pending.empty()) {
        const Pending p = pending.back();
        pending.pop_back();
        deepest = std::max(deepest, p.depth);
        const aiMatrix4x4 global = p.parent * p.node->mTransformation;
        for (unsigned i = 0; i < p.node->mNumMeshes; ++i)
            if (p.node->mMeshes[i] < scene->mNumMeshes) placements->push_back({p.node->mMeshes[i], global});
        for (unsigned c = p.node->mNumChildren; c-- > 0;)
            if (p.node->mChildren[c]) pending.push_back({p.node->mChildren[c], global, p.depth + 1});
    }
    if (deepest > kMaxNodeDepth) {
        if (error)
            *error = path + ": nodes nested " + std::to_string(deepest) + " deep (at most " +
                     std::to_string(kMaxNodeDepth) + " are read)";
        return false;
    }
    return true;
}

struct Affine {
    double m[3][4] = {};
    Vec3d Point(const aiVector3D& p) const {
        return {m[0][0] * p.x + m[0][1] * p.y + m[0][2] * p.z + m[0][3],
                m[1][0] * p.x + m[1][1] * p.y + m[1][2] * p.z + m[1][3],
                m[2][0] * p.x + m[2][1] * p.y + m[2][2] * p.z + m[2][3]};
    }
};

Affine ToAffine(const aiMatrix4x4& t) {
    Affine a;
    const ai_real* rows[3] = {&t.a1, &t.b1, &t.c1};
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 4; ++c) a.m[r][c] = rows[r][c];
    return a;
}

// Normals go through the inverse transpose of the transform's 3 x 3 part:
// its cofactor matrix, which differs only by the determinant's factor (the
// normals are compared by angle, and the sign is put right below).
Affine NormalTransform(const Affine& a, double* determinant) {
    const auto& m = a.m;
    Affine n;
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) {
            const int r1 = (r + 1) % 3, r2 = (r + 2) % 3, c1 = (c + 1) % 3, c2 = (c + 2) % 3;
            n.m[r][c] = m[r1][c1] * m[r2][c2] - m[r1][c2] * m[r2][c1];
        }
    *determinant = m[0][0] * n.m[0][0] + m[0][1] * n.m[0][1] + m[0][2] * n.m[0][2];
    if (*determinant < 0)
        for (auto& row : n.m)
            for (double& v : row) v = -v;
    return n;
}

Vec3d Normalized(const Vec3d& v) {
    const double l = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
    return l > 0 ? Vec3d{v.x / l, v.y / l, v.z / l} : v;
}

// Y-up (x, y, z) -> Z-up (x, -z, y): a quarter turn about X, so handedness
// and winding are kept.
Vec3d ToZUp(const Vec3d& v) { return {v.x, -v.z, v.y}; }
Vec3d ToZUp(const AxisDirection& d) { return ToZUp(d.Vector()); }

// The faces of one material (with or without texture coordinates) from
// every mesh that uses it, each placed by its node: one object, as the
// viewer loads a texture once per object and material.
struct Gathered {
    std::string name;      // the first mesh's
    unsigned material = 0;
    bool uvs = false;
    bool normals = true;   // every piece has them
    std::vector<Vec3d> positions;  // per assimp vertex, placed, Z-up
    std::vector<Vec3d> cornerNormals;
    std::vector<std::array<double, 2>> texCoords;
    std::vector<std::array<int, 3>> faces;  // into positions
};

void AddPlacedMesh(const aiMesh* mesh, const Placement& placement, Gathered* g) {
    const Affine t = ToAffine(placement.transform);
    double determinant = 0;
    const Affine nt = NormalTransform(t, &determinant);
    // A mirroring transform turns every face inside out; swapping two
    // corners turns it back.
    const bool mirrored = determinant < 0;
    g->normals = g->normals && mesh->HasNormals() && determinant != 0;
    const int base = static_cast<int>(g->positions.size());
    for (unsigned v = 0; v < mesh->mNumVertices; ++v) {
        g->positions.push_back(ToZUp(t.Point(mesh->mVertices[v])));
        if (g->uvs) g->texCoords.push_back({mesh->mTextureCoords[0][v].x, mesh->mTextureCoords[0][v].y});
        if (g->normals) {
            const aiVector3D& n = mesh->mNormals[v];
            g->cornerNormals.push_back(Normalized(ToZUp(Vec3d{nt.m[0][0] * n.x + nt.m[0][1] * n.y + nt.m[0][2] * n.z,
                                                              nt.m[1][0] * n.x + nt.m[1][1] * n.y + nt.m[1][2] * n.z,
                                                              nt.m[2][0] * n.x + nt.m[2][1] * n.y + nt.m[2][2] * n.z})));
        }
    }
    for (unsigned f = 0; f < mesh->mNumFaces; ++f) {
        const aiFace& af = mesh->mFaces[f];
        if (af.mNumIndices != 3) continue;
        std::array<int, 3> face;
        for (int k = 0; k < 3; ++k) face[static_cast<std::size_t>(k)] = base + static_cast<int>(af.mIndices[k]);
        if (mirrored) std::swap(face[1], face[2]);
        g->faces.push_back(face);
    }
}

MeshObject GatheredObject(const Gathered& g, const std::vector<MeshMaterial>& materials, const ImportOptions& options) {
    MeshObject o;
    o.name = g.name;
    if (g.material < materials.size()) o.materials.push_back(materials[g.material]);
    // Weld corners at equal positions; texture coordinates stay per
    // assimp vertex, as texture vertices.
    std::map<std::tuple<float, float, float>, int> weld;
    std::vector<int> welded(g.positions.size());
    for (std::size_t v = 0; v < g.positions.size(); ++v) {
        const Vec3d& p = g.positions[v];
        const auto key = std::make_tuple(static_cast<float>(p.x), static_cast<float>(p.y), static_cast<float>(p.z));
        auto it = weld.find(key);
        if (it == weld.end()) {
            it = weld.emplace(key, static_cast<int>(o.vertices.size())).first;
            o.vertices.push_back(p);
        }
        welded[v] = it->second;
    }
    if (g.uvs) o.tvertices = g.texCoords;
    SmoothingInput si;
    si.creaseDegrees = options.creaseDegrees;
    for (const std::array<int, 3>& corners : g.faces) {
        MeshFace face;
        std::array<Vec3d, 3> normals;
        for (std::size_t k = 0; k < 3; ++k) {
            const auto idx = static_cast<std::size_t>(corners[k]);
            face.v[k] = welded[idx];
            if (g.uvs) face.t[k] = corners[k];
            if (g.normals) normals[k] = g.cornerNormals[idx];
        }
        o.faces.push_back(face);
        si.faces.push_back(face.v);
        if (g.normals) si.normals.push_back(normals);
    }
    si.positions = o.vertices;
    const std::vector<std::uint32_t> groups = BuildSmoothingGroups(si);
    for (std::size_t f = 0; f < o.faces.size(); ++f) o.faces[f].smoothing = groups[f];
    return o;
}

// Quake models name their skins inside (as the game's paths, often PCX
// pictures) or not at all (assimp then names a "$texture_dummy.bmp"); the
// pictures that come with a model usually lie beside it, named after it.
void FindSkinBeside(const std::string& path, MeshMaterial* m, std::vector<std::string>* warnings) {
    if (!m->embeddedImage.empty()) return;
    if (!m->bitmap.empty() && m->bitmap[0] != '$' && !ResolveImagePath(path, m->bitmap).empty()) return;
    const std::string skin = FindPictureNamedLike(path);
    if (skin.empty()) return;
    const bool named = !m->bitmap.empty() && m->bitmap[0] != '$';
    warnings->push_back((named ? "skin \"" + m->bitmap + "\" not found" : std::string("the model names no skin")) +
                        "; using " + skin + " beside it");
    m->bitmap = skin;
}

std::optional<AxisDirection> MetadataAxis(const aiScene* scene, const char* axisKey, const char* signKey) {
    int axis = 0, sign = 1;
    if (!scene->mMetaData || !scene->mMetaData->Get(axisKey, axis) || axis < 0 || axis > 2) return std::nullopt;
    scene->mMetaData->Get(signKey, sign);
    return AxisDirection{axis, sign < 0 ? -1 : 1};
}

bool Import(const std::string& path, const ImportOptions& options, MeshModel* model, std::string* error) {
    Assimp::Importer importer;
    importer.SetPropertyInteger(AI_CONFIG_PP_SBP_REMOVE, aiPrimitiveType_POINT | aiPrimitiveType_LINE);
    const aiScene* scene = importer.ReadFile(path, aiProcess_Triangulate | aiProcess_SortByPType |
                                                       aiProcess_JoinIdenticalVertices |
                                                       aiProcess_ValidateDataStructure);
    if (!scene || !scene->mRootNode) {
        if (error) *error = path + ": " + importer.GetErrorString();
        return false;
    }
    std::vector<Placement> placements;
    if (!PlaceMeshes(scene, path, &placements, error)) return false;
    // Only the materials that placed meshes use, each once.
    std::vector<bool> used(scene->mNumMaterials, false);
    for (const Placement& placement : placements)
        if (scene->mMeshes[placement.mesh]->mMaterialIndex < used.size())
            used[scene->mMeshes[placement.mesh]->mMaterialIndex] = true;
    std::vector<MeshMaterial> materials(scene->mNumMaterials);
    for (unsigned i = 0; i < scene->mNumMaterials; ++i) {
        if (!used[i]) continue;
        aiString name;
        scene->mMaterials[i]->Get(AI_MATKEY_NAME, name);
        materials[i] = ConvertMaterial(scene, scene->mMaterials[i], name.C_Str(), &model->warnings);
        if (LowerExtension(path) == ".md2") FindSkinBeside(path, &materials[i], &model->warnings);
    }
    std::vector<Gathered> gathered;
    std::map<std::pair<unsigned, bool>, std::size_t> byMaterial;
    for (const Placement& placement : placements) {
        const aiMesh* mesh = scene->mMeshes[placement.mesh];
        if (!mesh->HasFaces() || !(mesh->mPrimitiveTypes & aiPrimitiveType_TRIANGLE)) continue;
        const bool uvs = mesh->HasTextureCoords(0) && mesh->mMaterialIndex < materials.size() &&
                         !materials[mesh->mMaterialIndex].bitmap.empty();
        auto [it, added] = byMaterial.emplace(std::make_pair(mesh->mMaterialIndex, uvs), gathered.size());
        if (added) {
            gathered.emplace_back();
            gathered.back().name = mesh->mName.length ? mesh->mName.C_Str() : "mesh" + std::to_string(placement.mesh);
            gathered.back().material = mesh->mMaterialIndex;
            gathered.back().uvs = uvs;
        }
        AddPlacedMesh(mesh, placement, &gathered[it->second]);
    }
    for (const Gathered& g : gathered) model->objects.push_back(GatheredObject(g, materials, options));
    if (model->objects.empty()) {
        if (error) *error = path + ": the file holds no triangle meshes";
        return false;
    }
    StatedAxes stated;
    stated.up = MetadataAxis(scene, "UpAxis", "UpAxisSign");
    stated.front = MetadataAxis(scene, "FrontAxis", "FrontAxisSign");
    const ModelAxes axes = ChooseAxes(path, options, stated);
    OrientModel(model, ToZUp(axes.up), ToZUp(axes.front));
    return true;
}

}  // namespace

ModelAxes ChooseAxes(const std::string& path, const ImportOptions& options, const StatedAxes& stated) {
    ModelAxes axes = ConventionalAxes(path);
    if (stated.up) axes.up = *stated.up;
    if (stated.front) axes.front = *stated.front;
    if (options.upGiven) axes.up = options.up;
    if (options.frontGiven) axes.front = options.front;
    return axes;
}

bool ImportWithAssimp(const std::string& path, const ImportOptions& options, MeshModel* model, std::string* error) {
    bool ok = false;
    std::string why;
    const bool ran = RunWithLargeStack([&] { ok = Import(path, options, model, &why); }, kImportStackBytes,
                                       "tarnconv: " + path + ": the model is nested too deeply to be read",
                                       &why);
    if (!ran || !ok) {
        if (error) *error = ran ? why : path + ": " + why;
        return false;
    }
    return true;
}

}  // namespace tarnconv
