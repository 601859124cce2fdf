#include "assimp_import.h"

#include <assimp/Importer.hpp>
#include <assimp/material.h>
#include <assimp/postprocess.h>
#include <assimp/scene.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <tuple>

#include "smoothing_groups.h"

namespace tarnconv {
namespace {

// Y-up (x, y, z) -> Z-up (x, -z, y): a quarter turn about X, so handedness
// and winding are kept.
Vec3d ToZUp(const aiVector3D& v) { return {v.x, -v.z, v.y}; }

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

}  // namespace

bool ImportWithAssimp(const std::string& path, const ImportOptions& options, MeshModel* model, std::string* error) {
    Assimp::Importer importer;
    importer.SetPropertyInteger(AI_CONFIG_PP_SBP_REMOVE, aiPrimitiveType_POINT | aiPrimitiveType_LINE);
    const aiScene* scene = importer.ReadFile(
        path, aiProcess_Triangulate | aiProcess_PreTransformVertices | aiProcess_SortByPType |
                  aiProcess_JoinIdenticalVertices | aiProcess_ValidateDataStructure);
    if (!scene || !scene->mRootNode) {
        if (error) *error = path + ": " + importer.GetErrorString();
        return false;
    }
    for (unsigned mi = 0; mi < scene->mNumMeshes; ++mi) {
        const aiMesh* mesh = scene->mMeshes[mi];
        if (!mesh->HasFaces() || !(mesh->mPrimitiveTypes & aiPrimitiveType_TRIANGLE)) continue;
        MeshObject o;
        o.name = mesh->mName.length ? mesh->mName.C_Str() : "mesh" + std::to_string(mi);
        if (mesh->mMaterialIndex < scene->mNumMaterials) {
            const aiMaterial* am = scene->mMaterials[mesh->mMaterialIndex];
            aiString mname;
            am->Get(AI_MATKEY_NAME, mname);
            o.materials.push_back(ConvertMaterial(scene, am, mname.C_Str(), &model->warnings));
        }
        // Weld corners at equal positions; texture coordinates stay per
        // assimp vertex, as texture vertices.
        std::map<std::tuple<float, float, float>, int> weld;
        std::vector<int> welded(mesh->mNumVertices);
        for (unsigned v = 0; v < mesh->mNumVertices; ++v) {
            const aiVector3D& p = mesh->mVertices[v];
            auto key = std::make_tuple(p.x, p.y, p.z);
            auto it = weld.find(key);
            if (it == weld.end()) {
                it = weld.emplace(key, static_cast<int>(o.vertices.size())).first;
                o.vertices.push_back(ToZUp(p));
            }
            welded[v] = it->second;
        }
        const bool uvs = mesh->HasTextureCoords(0) && !o.materials.empty() && !o.materials[0].bitmap.empty();
        if (uvs) {
            o.tvertices.resize(mesh->mNumVertices);
            for (unsigned v = 0; v < mesh->mNumVertices; ++v)
                o.tvertices[v] = {mesh->mTextureCoords[0][v].x, mesh->mTextureCoords[0][v].y};
        }
        SmoothingInput si;
        si.positions = o.vertices;
        si.creaseDegrees = options.creaseDegrees;
        for (unsigned f = 0; f < mesh->mNumFaces; ++f) {
            const aiFace& af = mesh->mFaces[f];
            if (af.mNumIndices != 3) continue;
            MeshFace face;
            std::array<Vec3d, 3> normals;
            for (int k = 0; k < 3; ++k) {
                const unsigned idx = af.mIndices[k];
                face.v[static_cast<std::size_t>(k)] = welded[idx];
                if (uvs) face.t[static_cast<std::size_t>(k)] = static_cast<int>(idx);
                if (mesh->HasNormals()) normals[static_cast<std::size_t>(k)] = ToZUp(mesh->mNormals[idx]);
            }
            o.faces.push_back(face);
            si.faces.push_back(face.v);
            if (mesh->HasNormals()) si.normals.push_back(normals);
        }
        const std::vector<std::uint32_t> groups = BuildSmoothingGroups(si);
        for (std::size_t f = 0; f < o.faces.size(); ++f) o.faces[f].smoothing = groups[f];
        model->objects.push_back(std::move(o));
    }
    if (model->objects.empty()) {
        if (error) *error = path + ": the file holds no triangle meshes";
        return false;
    }
    AxisDirection up;  // +y: assimp's own frame
    if (options.upGiven) {
        up = options.up;
    } else if (scene->mMetaData) {
        int axis = 1, sign = 1;
        if (scene->mMetaData->Get("UpAxis", axis) && axis >= 0 && axis <= 2) {
            up.axis = axis;
            if (scene->mMetaData->Get("UpAxisSign", sign)) up.sign = sign < 0 ? -1 : 1;
        }
    }
    const Vec3d u = up.Vector();
    RotateUpToZ(model, ToZUp(aiVector3D(static_cast<float>(u.x), static_cast<float>(u.y), static_cast<float>(u.z))));
    return true;
}

}  // namespace tarnconv
