// JSON dump of a loaded scene. Sections: buffered writer; records; scene.
//
// Output goes through one large buffer and std::to_chars (shortest text
// that reads back as the same float), so a scene of a million faces dumps
// in well under a second; non-finite numbers are written as null.
#include "scene/scene_dump.h"

#include "support/output_file.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

namespace {

// ---- buffered writer ----------------------------------------------------------

class JsonWriter {
public:
    explicit JsonWriter(std::FILE* file) : file_(file), buffer_(new (std::nothrow) char[kSize]) {}
    bool Ok() const { return buffer_ != nullptr && !failed_; }

    void Raw(const char* text) { Raw(text, std::strlen(text)); }
    void Raw(const char* text, std::size_t length) {
        if (length > kSize - used_) Flush();
        if (length > kSize) {
            Write(text, length);
            return;
        }
        std::memcpy(buffer_.get() + used_, text, length);
        used_ += length;
    }
    void Char(char c) {
        if (used_ == kSize) Flush();
        buffer_[used_++] = c;
    }
    void Key(const char* name) {
        Char('"');
        Raw(name);
        Raw("\":", 2);
    }
    void Number(float value) {
        if (!std::isfinite(value)) {
            Raw("null", 4);
            return;
        }
        Reserve(32);
        std::to_chars_result r = std::to_chars(buffer_.get() + used_, buffer_.get() + kSize, value);
        used_ = static_cast<std::size_t>(r.ptr - buffer_.get());
    }
    void Integer(long long value) {
        Reserve(24);
        std::to_chars_result r = std::to_chars(buffer_.get() + used_, buffer_.get() + kSize, value);
        used_ = static_cast<std::size_t>(r.ptr - buffer_.get());
    }
    void Bool(bool value) { value ? Raw("true", 4) : Raw("false", 5); }
    void Vector(const Vec3& v) {
        Char('[');
        Number(v.x);
        Char(',');
        Number(v.y);
        Char(',');
        Number(v.z);
        Char(']');
    }
    void Color(const ColorRGBA& c) {
        Char('[');
        Number(c.r);
        Char(',');
        Number(c.g);
        Char(',');
        Number(c.b);
        Char(',');
        Number(c.a);
        Char(']');
    }
    void Matrix(const Matrix3& m) {
        Char('[');
        for (int i = 0; i < 9; ++i) {
            if (i) Char(',');
            Number(m.m[i / 3][i % 3]);
        }
        Char(']');
    }
    bool Flush() {
        if (used_ > 0) Write(buffer_.get(), used_);
        used_ = 0;
        return !failed_;
    }

private:
    static constexpr std::size_t kSize = 1 << 20;
    void Reserve(std::size_t n) {
        if (kSize - used_ < n) Flush();
    }
    void Write(const char* data, std::size_t length) {
        if (std::fwrite(data, 1, length, file_) != length) failed_ = true;
    }
    std::FILE* file_;
    std::unique_ptr<char[]> buffer_;
    std::size_t used_ = 0;
    bool failed_ = false;
};

// ---- records --------------------------------------------------------------------

void WriteMaterial(JsonWriter& w, const Material& m) {
    w.Char('{');
    w.Key("diffuse");
    w.Color(m.diffuse);
    w.Raw(",\"textureColor\":");
    w.Color(m.textureColor);
    w.Raw(",\"specular\":");
    w.Color(m.specular);
    w.Raw(",\"shininess\":");
    w.Number(m.shininess);
    w.Raw(",\"twoSided\":");
    w.Integer(m.twoSided);
    w.Raw(",\"hasSpecular\":");
    w.Integer(m.hasSpecular);
    w.Raw(",\"amount\":");
    w.Number(m.amount);
    w.Raw(",\"textured\":");
    w.Bool(m.texture != -1);
    w.Char('}');
}

void WriteFace(JsonWriter& w, const Object& object, const Face& face) {
    w.Raw("{\"flags\":");
    w.Integer(face.flags & FACE_LOADER_BITS);
    w.Raw(",\"normal\":");
    w.Vector(face.normal);
    w.Raw(",\"vertices\":[");
    for (int i = 0; i < 3; ++i) {
        if (i) w.Char(',');
        w.Integer(face.corners[i].vertex);
    }
    w.Raw("],\"tvertices\":");
    if (face.corners[0].tvertex == kNoIndex) {
        w.Raw("null");
    } else {
        w.Char('[');
        for (int i = 0; i < 3; ++i) {
            if (i) w.Char(',');
            w.Integer(face.corners[i].tvertex);
        }
        w.Char(']');
    }
    w.Raw(",\"material\":");
    // The entry after the object's materials is its actor's own: -1.
    const bool own = face.material < static_cast<std::uint32_t>(object.materialCount);
    w.Integer(own ? static_cast<long long>(face.material) : -1);
    w.Raw(",\"cornerNormals\":");
    bool smooth = (face.flags & FACE_SMOOTH) != 0 && (face.flags & FACE_DEGENERATE) == 0;
    if (!smooth || face.corners[0].normal == kNoIndex) {
        w.Raw("null");
    } else {
        w.Char('[');
        for (int i = 0; i < 3; ++i) {
            if (i) w.Char(',');
            w.Vector(object.vertexNormals[face.corners[i].normal].normal);
        }
        w.Char(']');
    }
    w.Char('}');
}

void WriteObject(JsonWriter& w, const Object& o) {
    w.Raw("{\"vertexCount\":");
    w.Integer(o.vertexCount);
    w.Raw(",\"tvertexCount\":");
    w.Integer(o.tvertexCount);
    w.Raw(",\"faceCount\":");
    w.Integer(o.faceCount);
    w.Raw(",\"materialCount\":");
    w.Integer(o.materialCount);
    w.Raw(",\"center\":");
    w.Vector(o.center);
    w.Raw(",\"radius\":");
    w.Number(o.radius);
    w.Raw(",\"radiusX\":");
    w.Number(o.radiusX);
    w.Raw(",\"radiusY\":");
    w.Number(o.radiusY);
    w.Raw(",\"materials\":[");
    for (int i = 0; i < o.materialCount; ++i) {
        if (i) w.Char(',');
        WriteMaterial(w, o.materials[i]);
    }
    w.Raw("],\"vertices\":[");
    for (int i = 0; i < o.vertexCount; ++i) {
        if (i) w.Char(',');
        w.Vector(o.vertices[i].position);
    }
    w.Raw("],\"tvertices\":[");
    for (int i = 0; i < o.tvertexCount; ++i) {
        if (i) w.Char(',');
        w.Char('[');
        w.Number(o.tvertices[i].u);
        w.Char(',');
        w.Number(o.tvertices[i].v);
        w.Char(']');
    }
    w.Raw("],\"faces\":[");
    for (int i = 0; i < o.faceCount; ++i) {
        if (i) w.Raw(",\n", 2);
        WriteFace(w, o, o.faces[i]);
    }
    w.Raw("]}");
}

void WriteActor(JsonWriter& w, const Actor& a) {
    w.Raw("{\"position\":");
    w.Vector(a.position);
    w.Raw(",\"orientation\":");
    w.Matrix(a.orientation);
    w.Raw(",\"radius\":");
    w.Number(a.radius);
    w.Raw(",\"radiusX\":");
    w.Number(a.radiusX);
    w.Raw(",\"radiusY\":");
    w.Number(a.radiusY);
    w.Raw(",\"material\":");
    WriteMaterial(w, a.material);
    w.Raw(",\"objects\":[");
    for (int i = 0; i < a.objectCount; ++i) {
        if (i) w.Raw(",\n", 2);
        WriteObject(w, a.objects[i]);
    }
    w.Raw("]}");
}

}  // namespace

// ---- scene ------------------------------------------------------------------------

bool WriteSceneJson(const char* path, const SceneRecord& scene, bool includeSelected, int selectedActor,
                    std::string* error) {
    tarn::OutputFile out(path);
    auto fail = [error, path](const std::string& why) {
        if (error != nullptr) *error = why.empty() ? std::string(path) + ": cannot write (out of memory)" : why;
        return false;
    };
    if (!out.Open()) return fail(out.Error());
    JsonWriter w(out.Stream());
    if (!w.Ok()) return fail("");
    w.Raw("{\"camera\":{\"position\":");
    w.Vector(scene.camera.position);
    w.Raw(",\"orientation\":");
    w.Matrix(scene.camera.orientation);
    w.Raw("},\n\"specularity\":");
    w.Number(scene.specularity);
    w.Raw(",\n\"lights\":[");
    for (int i = 0; i < scene.lightCount; ++i) {
        const Light& l = scene.lights[i];
        if (i) w.Char(',');
        w.Raw("{\"type\":");
        w.Raw(l.type == DIRECTIONAL ? "\"DIRECTIONAL\"" : "\"OMNI\"");
        w.Raw(",\"position\":");
        w.Vector(l.position);
        w.Raw(",\"intensity\":");
        w.Number(l.intensity);
        w.Raw(",\"enabled\":");
        w.Integer(l.enabled);
        w.Char('}');
    }
    w.Raw("],\n\"actors\":[");
    for (int i = 0; i < scene.actorCount; ++i) {
        if (i) w.Raw(",\n", 2);
        WriteActor(w, scene.actors[i]);
    }
    w.Char(']');
    if (includeSelected) {
        w.Raw(",\n\"SelectedActor\":");
        w.Integer(selectedActor);
    }
    w.Raw("}\n");
    // A failed write leaves the stream in error, so Commit fails too and
    // never renames a partial dump into place.
    const bool flushed = w.Flush();
    if (out.Commit() && flushed) return true;
    return fail(out.Error().empty() ? std::string(path) + ": cannot write" : out.Error());
}
