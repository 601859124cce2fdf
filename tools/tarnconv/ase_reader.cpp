// ASE is a tree of "*KEYWORD values" entries and "{ }" blocks. The reader
// tokenizes the whole text once (quoted strings are one token, every token
// keeps its line for messages) and walks the tree by keyword; unknown
// keywords are skipped together with their block, so exports from newer
// versions with extra entries still read.
//
// Sections: tokenizer; parser primitives (numbers, labels, skipping);
// materials and maps; meshes and faces; geometry objects and the file;
// UTF-16 input; public entry points.
#include "ase_reader.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <vector>

namespace tarnconv {
namespace {

struct Token {
    std::string text;
    int line = 0;
    bool quoted = false;
};

std::vector<Token> Tokenize(const std::string& text) {
    std::vector<Token> tokens;
    int line = 1;
    std::size_t i = 0;
    const std::size_t n = text.size();
    while (i < n) {
        char c = text[i];
        if (c == '\n') { ++line; ++i; continue; }
        if (c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v') { ++i; continue; }
        Token t;
        t.line = line;
        if (c == '"') {
            std::size_t j = i + 1;
            while (j < n && text[j] != '"' && text[j] != '\n') ++j;
            t.text = text.substr(i + 1, j - i - 1);
            t.quoted = true;
            i = (j < n && text[j] == '"') ? j + 1 : j;
        } else if (c == '{' || c == '}') {
            t.text = std::string(1, c);
            ++i;
        } else {
            std::size_t j = i;
            while (j < n && !std::isspace(static_cast<unsigned char>(text[j])) && text[j] != '{' &&
                   text[j] != '}' && text[j] != '"')
                ++j;
            t.text = text.substr(i, j - i);
            i = j;
        }
        tokens.push_back(std::move(t));
    }
    return tokens;
}

class AseParser {
public:
    AseParser(std::vector<Token> tokens, std::string fileName)
        : tokens_(std::move(tokens)), file_(std::move(fileName)) {}

    bool Parse(MeshModel* model, std::string* error);

private:
    struct SourceMaterial {
        MeshMaterial material;
        std::vector<MeshMaterial> subs;
    };

    bool AtEnd() const { return pos_ >= tokens_.size(); }
    const Token& Peek() const { return tokens_[pos_]; }
    int Line() const {
        if (tokens_.empty()) return 1;
        return pos_ < tokens_.size() ? tokens_[pos_].line : tokens_.back().line;
    }
    bool Fail(const std::string& message) {
        if (error_.empty()) error_ = file_ + ":" + std::to_string(Line()) + ": " + message;
        return false;
    }
    bool IsKeyword() const { return !AtEnd() && !Peek().quoted && !Peek().text.empty() && Peek().text[0] == '*'; }
    bool IsOpen() const { return !AtEnd() && !Peek().quoted && Peek().text == "{"; }
    bool IsClose() const { return !AtEnd() && !Peek().quoted && Peek().text == "}"; }

    bool Open(const char* what);
    bool SkipEntry();
    bool Number(double* v, const char* what);
    bool Integer(long* v, const char* what);
    bool Label(const char* label);
    bool String(std::string* s);

    bool ParseMaterialList(std::vector<SourceMaterial>* list);
    bool ParseMaterial(MeshMaterial* m, std::vector<MeshMaterial>* subs);
    bool ParseMap(MeshMaterial* m);
    bool ParseGeomObject(MeshObject* object, long* materialRef);
    // The entry counts a *MESH block declares.
    struct MeshCounts {
        long vertices = 0, faces = 0, tvertices = 0;
    };

    bool Count(const std::string& keyword, long tokensPerEntry, long* count);
    bool ParseMesh(MeshObject* object);
    bool ParseFace(MeshObject* object, const MeshCounts& counts);

    std::vector<Token> tokens_;
    std::string file_;
    std::size_t pos_ = 0;
    std::string error_;
};

bool AseParser::Open(const char* what) {
    if (!IsOpen()) return Fail(std::string("expected \"{\" after ") + what);
    ++pos_;
    return true;
}

// Skips the current keyword and its values, or a whole block.
bool AseParser::SkipEntry() {
    int depth = 0;
    ++pos_;  // the keyword (or a stray value)
    while (!AtEnd()) {
        if (IsOpen()) {
            ++depth;
        } else if (IsClose()) {
            if (depth == 0) return true;  // the enclosing block's end; left for the caller
            if (--depth == 0) { ++pos_; return true; }
        } else if (depth == 0 && IsKeyword()) {
            return true;
        }
        ++pos_;
    }
    return depth == 0 ? true : Fail("block not closed before the end of the file");
}

bool AseParser::Number(double* v, const char* what) {
    if (AtEnd() || Peek().quoted) return Fail(std::string("expected a number for ") + what);
    const std::string& s = Peek().text;
    char* end = nullptr;
    errno = 0;
    double d = std::strtod(s.c_str(), &end);
    if (end == s.c_str() || *end != '\0' || errno == ERANGE) {
        return Fail(std::string("expected a number for ") + what + ", found \"" + s + "\"");
    }
    // Every value ends up as a float in the object file; "inf", "nan" and
    // numbers beyond the float range are refused here, where the line is known.
    if (!std::isfinite(static_cast<float>(d)))
        return Fail(std::string("the number \"") + s + "\" for " + what + " does not fit a float");
    *v = d;
    ++pos_;
    return true;
}

bool AseParser::Integer(long* v, const char* what) {
    if (AtEnd() || Peek().quoted) return Fail(std::string("expected a whole number for ") + what);
    std::string s = Peek().text;
    if (!s.empty() && s.back() == ':') s.pop_back();  // "*MESH_FACE 12:" numbers end in a colon
    char* end = nullptr;
    errno = 0;
    long d = std::strtol(s.c_str(), &end, 10);
    if (end == s.c_str() || *end != '\0' || errno == ERANGE || d < -2000000000L || d > 2000000000L) {
        return Fail(std::string("expected a whole number for ") + what + ", found \"" + Peek().text + "\"");
    }
    *v = d;
    ++pos_;
    return true;
}

bool AseParser::Label(const char* label) {
    if (AtEnd() || Peek().text != label) return Fail(std::string("expected \"") + label + "\"");
    ++pos_;
    return true;
}

bool AseParser::String(std::string* s) {
    if (AtEnd() || IsKeyword() || IsOpen() || IsClose()) return Fail("expected a name");
    *s = Peek().text;
    ++pos_;
    return true;
}

bool AseParser::ParseMap(MeshMaterial* m) {
    if (!Open("*MAP_DIFFUSE")) return false;
    std::string bitmap;
    double amount = 1.0;
    while (!AtEnd() && !IsClose()) {
        const std::string k = Peek().text;
        if (k == "*BITMAP") {
            ++pos_;
            if (!String(&bitmap)) return false;
        } else if (k == "*MAP_AMOUNT") {
            ++pos_;
            if (!Number(&amount, "*MAP_AMOUNT")) return false;
        } else if (!SkipEntry()) {
            return false;
        }
    }
    if (AtEnd()) return Fail("*MAP_DIFFUSE block not closed");
    ++pos_;
    // Max writes "None" for a map slot that holds no file.
    if (!bitmap.empty() && bitmap != "None") {
        m->bitmap = bitmap;
        m->amount = amount < 0 ? 0 : (amount > 1 ? 1 : amount);
    }
    return true;
}

bool AseParser::ParseMaterial(MeshMaterial* m, std::vector<MeshMaterial>* subs) {
    if (!Open("*MATERIAL")) return false;
    m->hasSpecularLine = true;  // Max always exports specular colour, shine and strength
    while (!AtEnd() && !IsClose()) {
        const std::string k = Peek().text;
        if (k == "*MATERIAL_NAME") {
            ++pos_;
            if (!String(&m->name)) return false;
        } else if (k == "*MATERIAL_DIFFUSE") {
            ++pos_;
            for (int i = 0; i < 3; ++i)
                if (!Number(&m->diffuse[static_cast<std::size_t>(i)], "*MATERIAL_DIFFUSE")) return false;
        } else if (k == "*MATERIAL_SPECULAR") {
            ++pos_;
            for (int i = 0; i < 3; ++i)
                if (!Number(&m->specular[static_cast<std::size_t>(i)], "*MATERIAL_SPECULAR")) return false;
        } else if (k == "*MATERIAL_SHINE") {
            ++pos_;
            if (!Number(&m->shine, "*MATERIAL_SHINE")) return false;
        } else if (k == "*MATERIAL_SHINESTRENGTH") {
            ++pos_;
            if (!Number(&m->shineStrength, "*MATERIAL_SHINESTRENGTH")) return false;
        } else if (k == "*MATERIAL_TRANSPARENCY") {
            ++pos_;
            double t = 0;
            if (!Number(&t, "*MATERIAL_TRANSPARENCY")) return false;
            m->diffuse[3] = t < 0 ? 1.0 : (t > 1 ? 0.0 : 1.0 - t);
        } else if (k == "*MATERIAL_TWOSIDED") {
            ++pos_;
            m->twoSided = true;
        } else if (k == "*MAP_DIFFUSE") {
            ++pos_;
            if (!ParseMap(m)) return false;
        } else if (k == "*SUBMATERIAL" && subs) {
            ++pos_;
            long index = 0;
            if (!Integer(&index, "*SUBMATERIAL")) return false;
            MeshMaterial sub;
            if (!ParseMaterial(&sub, nullptr)) return false;
            subs->push_back(std::move(sub));
        } else if (!SkipEntry()) {
            return false;
        }
    }
    if (AtEnd()) return Fail("*MATERIAL block not closed");
    ++pos_;
    return true;
}

bool AseParser::ParseMaterialList(std::vector<SourceMaterial>* list) {
    if (!Open("*MATERIAL_LIST")) return false;
    while (!AtEnd() && !IsClose()) {
        if (Peek().text == "*MATERIAL") {
            ++pos_;
            long index = 0;
            if (!Integer(&index, "*MATERIAL")) return false;
            SourceMaterial sm;
            if (!ParseMaterial(&sm.material, &sm.subs)) return false;
            list->push_back(std::move(sm));
        } else if (!SkipEntry()) {
            return false;
        }
    }
    if (AtEnd()) return Fail("*MATERIAL_LIST block not closed");
    ++pos_;
    return true;
}

// Grows a list to hold entry index; the index has been checked against the
// declared count, which the file's size bounds.
template <typename T>
T& EntryAt(std::vector<T>* list, long index) {
    const std::size_t i = static_cast<std::size_t>(index);
    if (i >= list->size()) list->resize(i + 1);
    return (*list)[i];
}

// "*MESH_FACE 0: A: 5 B: 0 C: 6 AB: 1 BC: 0 CA: 1 *MESH_SMOOTHING 1,2 *MESH_MTLID 0"
bool AseParser::ParseFace(MeshObject* object, const MeshCounts& counts) {
    long index = 0, a = 0, b = 0, c = 0;
    if (!Integer(&index, "*MESH_FACE")) return false;
    if (index < 0 || index >= counts.faces) {
        return Fail("face " + std::to_string(index) + " is outside the " + std::to_string(counts.faces) +
                    " faces of *MESH_NUMFACES");
    }
    if (!Label("A:") || !Integer(&a, "A:") || !Label("B:") || !Integer(&b, "B:") || !Label("C:") ||
        !Integer(&c, "C:"))
        return false;
    const long nv = counts.vertices;
    for (long v : {a, b, c}) {
        if (v < 0 || v >= nv) {
            return Fail("face " + std::to_string(index) + " names vertex " + std::to_string(v) + " of " +
                        std::to_string(nv));
        }
    }
    MeshFace& f = EntryAt(&object->faces, index);
    f.v = {static_cast<int>(a), static_cast<int>(b), static_cast<int>(c)};
    static const char* const kEdges[3] = {"AB:", "BC:", "CA:"};
    for (int e = 0; e < 3; ++e) {
        if (!AtEnd() && Peek().text == kEdges[e]) {
            ++pos_;
            long vis = 1;
            if (!Integer(&vis, kEdges[e])) return false;
            f.edge[static_cast<std::size_t>(e)] = vis != 0;
        }
    }
    while (IsKeyword() && (Peek().text == "*MESH_SMOOTHING" || Peek().text == "*MESH_MTLID")) {
        if (Peek().text == "*MESH_SMOOTHING") {
            ++pos_;
            // Group numbers 1..32, comma separated, possibly none at all.
            f.smoothing = 0;
            while (!AtEnd() && !Peek().quoted && !IsKeyword() && !IsOpen() && !IsClose() &&
                   Peek().line == tokens_[pos_ - 1].line) {
                std::stringstream groups(Peek().text);
                std::string g;
                while (std::getline(groups, g, ',')) {
                    if (g.empty()) continue;
                    char* end = nullptr;
                    long n = std::strtol(g.c_str(), &end, 10);
                    if (*end != '\0') return Fail("bad smoothing group \"" + g + "\"");
                    if (n >= 1 && n <= 32) f.smoothing |= 1u << (n - 1);
                }
                ++pos_;
            }
        } else {
            ++pos_;
            long id = 0;
            if (!Integer(&id, "*MESH_MTLID")) return false;
            if (id < 0) return Fail("negative material id " + std::to_string(id));
            f.material = static_cast<int>(id);
        }
    }
    return true;
}

// A count may not promise more entries than the tokens left in the file can
// write (each entry takes at least tokensPerEntry of them), so that a short
// file cannot make the reader reserve memory for data it does not have.
bool AseParser::Count(const std::string& keyword, long tokensPerEntry, long* count) {
    if (!Integer(count, keyword.c_str())) return false;
    if (*count < 0 || *count > 10000000) return Fail("count " + std::to_string(*count) + " is out of range");
    const std::size_t left = tokens_.size() - pos_;
    if (static_cast<std::size_t>(*count) > left / static_cast<std::size_t>(tokensPerEntry)) {
        --pos_;
        return Fail(keyword + " " + std::to_string(*count) + " promises more entries than the rest of the file holds");
    }
    return true;
}

bool AseParser::ParseMesh(MeshObject* object) {
    if (!Open("*MESH")) return false;
    MeshCounts counts;
    while (!AtEnd() && !IsClose()) {
        const std::string k = Peek().text;
        // Lists start empty and grow as their entries arrive; at the end of
        // the block each is made as long as its count, as the format says.
        if (k == "*MESH_NUMVERTEX") {
            ++pos_;
            if (!Count(k, 5, &counts.vertices)) return false;  // *MESH_VERTEX i x y z
            object->vertices.clear();
            object->vertexLines.clear();
        } else if (k == "*MESH_NUMFACES") {
            ++pos_;
            if (!Count(k, 8, &counts.faces)) return false;  // *MESH_FACE i: A: a B: b C: c
            object->faces.clear();
        } else if (k == "*MESH_NUMTVERTEX") {
            ++pos_;
            if (!Count(k, 4, &counts.tvertices)) return false;  // *MESH_TVERT i u v
            object->tvertices.clear();
        } else if (k == "*MESH_VERTEX_LIST" || k == "*MESH_TVERTLIST" || k == "*MESH_FACE_LIST" ||
                   k == "*MESH_TFACELIST") {
            ++pos_;
            if (!Open(k.c_str())) return false;
            while (!AtEnd() && !IsClose()) {
                const std::string e = Peek().text;
                long i = 0;
                if (e == "*MESH_VERTEX") {
                    const int line = Peek().line;
                    ++pos_;
                    if (!Integer(&i, "*MESH_VERTEX")) return false;
                    if (i < 0 || i >= counts.vertices)
                        return Fail("vertex " + std::to_string(i) + " is outside *MESH_NUMVERTEX");
                    Vec3d p;
                    if (!Number(&p.x, "X") || !Number(&p.y, "Y") || !Number(&p.z, "Z")) return false;
                    EntryAt(&object->vertices, i) = p;
                    EntryAt(&object->vertexLines, i) = line;
                } else if (e == "*MESH_TVERT") {
                    ++pos_;
                    if (!Integer(&i, "*MESH_TVERT")) return false;
                    if (i < 0 || i >= counts.tvertices)
                        return Fail("texture vertex " + std::to_string(i) + " is outside *MESH_NUMTVERTEX");
                    std::array<double, 2> uv{0.0, 0.0};
                    double w = 0;
                    if (!Number(&uv[0], "U") || !Number(&uv[1], "V")) return false;
                    if (!AtEnd() && !IsKeyword() && !IsClose() && !Number(&w, "W")) return false;
                    EntryAt(&object->tvertices, i) = uv;
                } else if (e == "*MESH_FACE") {
                    ++pos_;
                    if (!ParseFace(object, counts)) return false;
                } else if (e == "*MESH_TFACE") {
                    ++pos_;
                    long a = 0, b = 0, c = 0;
                    if (!Integer(&i, "*MESH_TFACE") || !Integer(&a, "TA") || !Integer(&b, "TB") ||
                        !Integer(&c, "TC"))
                        return false;
                    if (i < 0 || i >= counts.faces)
                        return Fail("texture face " + std::to_string(i) + " is outside *MESH_NUMFACES");
                    const long nt = counts.tvertices;
                    for (long t : {a, b, c})
                        if (t < 0 || t >= nt)
                            return Fail("texture face " + std::to_string(i) + " names texture vertex " +
                                        std::to_string(t) + " of " + std::to_string(nt));
                    EntryAt(&object->faces, i).t = {static_cast<int>(a), static_cast<int>(b), static_cast<int>(c)};
                } else if (!SkipEntry()) {
                    return false;
                }
            }
            if (AtEnd()) return Fail(k + " block not closed");
            ++pos_;
        } else if (!SkipEntry()) {
            return false;
        }
    }
    if (AtEnd()) return Fail("*MESH block not closed");
    ++pos_;
    object->vertices.resize(static_cast<std::size_t>(counts.vertices));
    object->vertexLines.resize(static_cast<std::size_t>(counts.vertices));
    object->faces.resize(static_cast<std::size_t>(counts.faces));
    object->tvertices.resize(static_cast<std::size_t>(counts.tvertices), {0.0, 0.0});
    return true;
}

bool AseParser::ParseGeomObject(MeshObject* object, long* materialRef) {
    if (!Open("*GEOMOBJECT")) return false;
    while (!AtEnd() && !IsClose()) {
        const std::string k = Peek().text;
        if (k == "*NODE_NAME") {
            ++pos_;
            if (!String(&object->name)) return false;
        } else if (k == "*MESH") {
            ++pos_;
            if (!ParseMesh(object)) return false;
        } else if (k == "*MATERIAL_REF") {
            ++pos_;
            if (!Integer(materialRef, "*MATERIAL_REF")) return false;
        } else if (!SkipEntry()) {
            return false;
        }
    }
    if (AtEnd()) return Fail("*GEOMOBJECT block not closed");
    ++pos_;
    return true;
}

bool AseParser::Parse(MeshModel* model, std::string* error) {
    auto done = [&](bool ok) {
        if (!ok && error) *error = error_;
        return ok;
    };
    if (AtEnd() || Peek().text != "*3DSMAX_ASCIIEXPORT") {
        Fail("not a 3ds Max ASCII export (no \"*3DSMAX_ASCIIEXPORT\" at the start)");
        return done(false);
    }
    std::vector<SourceMaterial> materials;
    struct Pending {
        MeshObject object;
        long materialRef = -1;
        int line = 0;
    };
    std::vector<Pending> objects;
    while (!AtEnd()) {
        const std::string k = Peek().text;
        if (k == "*MATERIAL_LIST") {
            ++pos_;
            if (!ParseMaterialList(&materials)) return done(false);
        } else if (k == "*GEOMOBJECT") {
            Pending p;
            p.line = Peek().line;
            ++pos_;
            if (!ParseGeomObject(&p.object, &p.materialRef)) return done(false);
            objects.push_back(std::move(p));
        } else if (IsClose()) {
            Fail("unmatched \"}\"");
            return done(false);
        } else if (!SkipEntry()) {
            return done(false);
        }
    }
    for (Pending& p : objects) {
        if (p.materialRef >= static_cast<long>(materials.size())) {
            error_ = file_ + ":" + std::to_string(p.line) + ": object \"" + p.object.name +
                     "\" refers to material " + std::to_string(p.materialRef) + " of " +
                     std::to_string(materials.size());
            return done(false);
        }
        if (p.materialRef >= 0) {
            const SourceMaterial& sm = materials[static_cast<std::size_t>(p.materialRef)];
            if (sm.subs.empty()) {
                p.object.materials.push_back(sm.material);
            } else {
                p.object.materials = sm.subs;
            }
        }
        model->objects.push_back(std::move(p.object));
    }
    return done(true);
}

// UTF-16 exports: keep the low byte of each code unit (the format itself is ASCII).
std::string NarrowUtf16(const std::string& bytes) {
    if (bytes.size() < 2) return bytes;
    const unsigned char b0 = static_cast<unsigned char>(bytes[0]);
    const unsigned char b1 = static_cast<unsigned char>(bytes[1]);
    const bool le = b0 == 0xFF && b1 == 0xFE;
    const bool be = b0 == 0xFE && b1 == 0xFF;
    if (!le && !be) {
        if (bytes.size() >= 3 && b0 == 0xEF && b1 == 0xBB && static_cast<unsigned char>(bytes[2]) == 0xBF)
            return bytes.substr(3);
        return bytes;
    }
    std::string out;
    out.reserve(bytes.size() / 2);
    for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
        const unsigned char lo = static_cast<unsigned char>(le ? bytes[i] : bytes[i + 1]);
        const unsigned char hi = static_cast<unsigned char>(le ? bytes[i + 1] : bytes[i]);
        out.push_back(hi == 0 ? static_cast<char>(lo) : '?');
    }
    return out;
}

}  // namespace

bool ParseAse(const std::string& text, const std::string& fileName, MeshModel* model, std::string* error) {
    AseParser parser(Tokenize(NarrowUtf16(text)), fileName);
    return parser.Parse(model, error);
}

bool ReadAseFile(const std::string& path, MeshModel* model, std::string* error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        if (error) *error = path + ": cannot open the file";
        return false;
    }
    std::stringstream ss;
    ss << in.rdbuf();
    return ParseAse(ss.str(), path, model, error);
}

}  // namespace tarnconv
