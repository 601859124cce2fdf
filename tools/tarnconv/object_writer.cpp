#include "object_writer.h"

#include <cmath>
#include <cstdio>
#include <algorithm>
#include <map>
#include <tuple>
#include <utility>

#include "support/output_file.h"

namespace tarnconv {
namespace {

// Shortest text that reads back as the same single-precision float.
std::string Num(double v) {
    const float f = static_cast<float>(v);
    char buf[32];
    for (int precision = 6; precision <= 9; ++precision) {
        std::snprintf(buf, sizeof buf, "%.*g", precision, static_cast<double>(f));
        if (std::strtof(buf, nullptr) == f) break;
    }
    if (std::string(buf) == "-0") return "0";
    return buf;
}

class Writer {
public:
    explicit Writer(std::string* out) : out_(out) {}
    bool Line(const std::string& s) {
        if (s.size() > kMaxLineLength) {
            error_ = "line too long for the viewer (" + std::to_string(s.size()) + " > " +
                     std::to_string(kMaxLineLength) + " characters): " + s.substr(0, 40) + "...";
            return false;
        }
        out_->append(s);
        out_->push_back('\n');
        return true;
    }
    std::string error_;

private:
    std::string* out_;
};

// Values are written as floats, so they are checked as floats: a double
// such as 1e300 is finite but would be written as "inf".
bool FitsFloat(double v) { return std::isfinite(static_cast<float>(v)); }

bool Finite(const MeshObject& o) {
    for (const Vec3d& p : o.vertices)
        if (!FitsFloat(p.x) || !FitsFloat(p.y) || !FitsFloat(p.z)) return false;
    for (const auto& uv : o.tvertices)
        if (!FitsFloat(uv[0]) || !FitsFloat(uv[1])) return false;
    return true;
}

// Texture coordinates as the map wants them: V counted from the top row,
// the shorter side of a non-square map scaled down to its span (a 2:1 map
// spans 0..256 across and 0..128 down), and each face moved by whole
// repeats so its smallest coordinates lie in 0..1. A wrapping map looks the
// same after such a move, and the board's texture coordinate range is
// limited, so a tiled floor must not count its repeats up into the
// thousands. A texture vertex used with different shapes or moves is
// written once for each.
class UvTable {
public:
    std::array<int, 3> Face(const MeshObject& o, const MeshFace& f, const MeshMaterial* m) {
        double su = 1.0, sv = 1.0;
        int shape = 0;
        if (m && !m->textureFile.empty() && m->textureAspectW != m->textureAspectH) {
            if (m->textureAspectW > m->textureAspectH) {
                sv = static_cast<double>(m->textureAspectH) / m->textureAspectW;
            } else {
                su = static_cast<double>(m->textureAspectW) / m->textureAspectH;
            }
            shape = m->textureAspectW * 16 + m->textureAspectH;
        }
        // Corners go out as A, C, B (see the header).
        const int order[3] = {0, 2, 1};
        std::array<int, 3> src{};
        std::array<std::array<double, 2>, 3> uv{};
        for (int k = 0; k < 3; ++k) {
            int t = f.t[static_cast<std::size_t>(order[k])];
            if (t < 0 || t >= static_cast<int>(o.tvertices.size())) t = -1;
            src[static_cast<std::size_t>(k)] = t;
            const std::array<double, 2> raw = t >= 0 ? o.tvertices[static_cast<std::size_t>(t)] : std::array<double, 2>{0, 0};
            uv[static_cast<std::size_t>(k)] = {raw[0] * su, (1.0 - raw[1]) * sv};
        }
        const double shiftU = std::floor(std::min({uv[0][0], uv[1][0], uv[2][0]}));
        const double shiftV = std::floor(std::min({uv[0][1], uv[1][1], uv[2][1]}));
        std::array<int, 3> out{};
        for (int k = 0; k < 3; ++k) {
            const Key key{src[static_cast<std::size_t>(k)], shape, shiftU, shiftV};
            auto it = index_.find(key);
            if (it == index_.end()) {
                uv_.push_back({uv[static_cast<std::size_t>(k)][0] - shiftU, uv[static_cast<std::size_t>(k)][1] - shiftV});
                it = index_.emplace(key, static_cast<int>(uv_.size()) - 1).first;
            }
            out[static_cast<std::size_t>(k)] = it->second;
        }
        return out;
    }
    const std::vector<std::array<double, 2>>& Coordinates() const { return uv_; }

private:
    using Key = std::tuple<int, int, double, double>;  // source tvertex, map shape, move in u, in v
    std::vector<std::array<double, 2>> uv_;
    std::map<Key, int> index_;
};

bool WriteObject(Writer& w, const MeshObject& o) {
    const bool textured = !o.tvertices.empty();
    UvTable uvs;
    std::vector<std::array<int, 3>> tfaces;
    if (textured) {
        tfaces.reserve(o.faces.size());
        for (const MeshFace& f : o.faces) {
            const MeshMaterial* m = nullptr;
            if (o.materials.size() == 1) m = &o.materials[0];
            if (o.materials.size() > 1) m = &o.materials[static_cast<std::size_t>(f.material) % o.materials.size()];
            tfaces.push_back(uvs.Face(o, f, m));
        }
    }
    const std::size_t nm = o.materials.size();
    bool ok = w.Line("Object") &&
              w.Line("Vertices: " + std::to_string(o.vertices.size()) + " TVertices: " +
                     std::to_string(uvs.Coordinates().size()) + " Faces: " + std::to_string(o.faces.size()) +
                     " Materials: " + std::to_string(nm) + " Normals: 0");
    if (!ok) return false;
    if (nm > 0) {
        if (!w.Line("Material list:")) return false;
        for (std::size_t i = 0; i < nm; ++i) {
            const MeshMaterial& m = o.materials[i];
            const std::string tex = m.textureFile.empty() ? "NOBITMAP" : m.textureFile;
            if (!IsValidFileWord(tex)) {
                w.error_ = "texture name \"" + tex + "\" cannot be written (one word, at most 79 characters, no commas)";
                return false;
            }
            ok = w.Line("Material " + std::to_string(i) + ":") &&
                 w.Line("Diffuse: R: " + Num(m.diffuse[0]) + " G: " + Num(m.diffuse[1]) + " B: " +
                        Num(m.diffuse[2]) + " A: " + Num(m.diffuse[3]));
            if (ok && m.hasSpecularLine) {
                ok = w.Line("Specular: R: " + Num(m.specular[0]) + " G: " + Num(m.specular[1]) + " B: " +
                            Num(m.specular[2]) + " Shininess: " + Num(m.shine) +
                            " Shiningstrength: " + Num(m.shineStrength));
            }
            if (ok && m.twoSided) ok = w.Line("Twosided: 1");
            if (ok) ok = w.Line("Texture: " + tex);
            if (ok && !m.textureFile.empty() && m.amount != 1.0) ok = w.Line("Amount: " + Num(m.amount));
            if (!ok) return false;
        }
    }
    if (!w.Line("Vertex list:")) return false;
    for (std::size_t i = 0; i < o.vertices.size(); ++i) {
        const Vec3d& p = o.vertices[i];
        if (!w.Line("Vertex " + std::to_string(i) + ": X: " + Num(p.x) + " Y: " + Num(p.y) + " Z: " + Num(p.z)))
            return false;
    }
    if (textured) {
        if (!w.Line("TVertex list:")) return false;
        for (std::size_t i = 0; i < uvs.Coordinates().size(); ++i) {
            if (!w.Line("TVertex " + std::to_string(i) + ": U: " + Num(uvs.Coordinates()[i][0]) + " V: " + Num(uvs.Coordinates()[i][1])))
                return false;
        }
    }
    if (!w.Line("Face list:")) return false;
    for (std::size_t i = 0; i < o.faces.size(); ++i) {
        const MeshFace& f = o.faces[i];
        const std::string n = std::to_string(i);
        // A, C, B: edge A'B' is the source's CA, B'C' its BC, C'A' its AB.
        ok = w.Line("Face " + n + ": A: " + std::to_string(f.v[0]) + " B: " + std::to_string(f.v[2]) +
                    " C: " + std::to_string(f.v[1]) + " AB: " + (f.edge[2] ? "1" : "0") +
                    " BC: " + (f.edge[1] ? "1" : "0") + " CA: " + (f.edge[0] ? "1" : "0")) &&
             w.Line("Smoothing: " + std::to_string(f.smoothing));
        if (ok && textured) {
            const auto& t = tfaces[i];
            ok = w.Line("TVFace " + n + ": TA: " + std::to_string(t[0]) + " TB: " + std::to_string(t[1]) +
                        " TC: " + std::to_string(t[2]));
        }
        if (ok && nm > 1) ok = w.Line("Material: " + std::to_string(f.material));
        if (!ok) return false;
    }
    return true;
}

bool ValidIndices(const MeshObject& o, std::string* error) {
    const int nv = static_cast<int>(o.vertices.size());
    for (std::size_t i = 0; i < o.faces.size(); ++i) {
        for (int v : o.faces[i].v) {
            if (v < 0 || v >= nv) {
                *error = "object \"" + o.name + "\": face " + std::to_string(i) + " names vertex " +
                         std::to_string(v) + " of " + std::to_string(nv);
                return false;
            }
        }
        if (o.faces[i].material < 0) {
            *error = "object \"" + o.name + "\": face " + std::to_string(i) + " has a negative material number";
            return false;
        }
    }
    return true;
}

}  // namespace

bool IsValidFileWord(const std::string& name) {
    if (name.empty() || name.size() > kMaxNameLength) return false;
    for (char c : name) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (u <= ' ' || u >= 127 || c == ',') return false;
    }
    return true;
}

bool FormatObjectFile(const MeshModel& model, const ObjectWriteOptions& options, std::string* text,
                      std::string* error) {
    std::string out;
    Writer w(&out);
    std::size_t kept = 0;
    for (const MeshObject& o : model.objects) {
        if (o.faces.empty() || o.vertices.empty()) continue;
        if (!Finite(o)) {
            if (error) *error = "object \"" + o.name + "\" has a coordinate that does not fit a float";
            return false;
        }
        std::string why;
        if (!ValidIndices(o, &why)) {
            if (error) *error = why;
            return false;
        }
        ++kept;
    }
    if (!options.comment.empty()) {
        std::size_t start = 0;
        while (start < options.comment.size()) {
            std::size_t end = options.comment.find('\n', start);
            if (end == std::string::npos) end = options.comment.size();
            std::string line = "# " + options.comment.substr(start, end - start);
            if (line.size() > kMaxLineLength) line.resize(kMaxLineLength);
            w.Line(line);
            start = end + 1;
        }
    }
    bool ok = w.Line("3DX") && w.Line("NumObjects: " + std::to_string(kept));
    for (const MeshObject& o : model.objects) {
        if (!ok) break;
        if (o.faces.empty() || o.vertices.empty()) continue;
        ok = WriteObject(w, o);
        if (!ok && w.error_.find("object") == std::string::npos) w.error_ = "object \"" + o.name + "\": " + w.error_;
    }
    if (!ok) {
        if (error) *error = w.error_;
        return false;
    }
    *text = std::move(out);
    return true;
}

bool WriteObjectFile(const MeshModel& model, const ObjectWriteOptions& options, const std::string& path,
                     std::string* error) {
    std::string text;
    if (!FormatObjectFile(model, options, &text, error)) {
        if (error) *error = path + ": " + *error;
        return false;
    }
    return tarn::WriteWholeFile(path, text, error);
}

}  // namespace tarnconv
