// Reading an object file whole gives exactly what the line reader gives,
// for the object files of the examples, the fuzz corpus and a benchmark
// scene, each as written and changed in the ways a file can differ from the
// fixed layout (or be wrong).
//
// A file that is not read whole is read by the line reader itself, so its
// messages are the line reader's by construction. What is checked is that
// every version read whole is one the line reader reads too, to the same
// records (the scene dump of the actor, byte for byte) and the same output,
// and that the files as written are read whole.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "scene/object_image.h"
#include "scene/object_loader.h"
#include "scene/scene_dump.h"
#include "scene_generator.h"
#include "scene_test_support.h"
#include "texture/texture_memory.h"

namespace {

namespace fs = std::filesystem;

std::string ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// How one load ended: its exit status, what it wrote on stderr and, when
// it succeeded, the actor as the scene dump writes it.
struct Outcome {
    int status = -1;
    std::string messages;
    std::string dump;
};

using Load = std::function<void(Actor&)>;

// The text without the lines a sanitizer adds at a child's exit
// ("==1234==Running thread 1233 was not suspended..."): they name process
// ids, so two children never write the same ones.
std::string WithoutSanitizerLines(const std::string& text) {
    std::string kept;
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t end = text.find('\n', at);
        end = end == std::string::npos ? text.size() : end + 1;
        const std::size_t mark = text.find("==", at + 2);
        const bool sanitizer = text.compare(at, 2, "==") == 0 && mark < end &&
                               text.find_first_not_of("0123456789", at + 2) == mark;
        if (!sanitizer) kept.append(text, at, end - at);
        at = end;
    }
    return kept;
}

// Runs the loads one after the other in child processes, as a load that
// fails ends its process: a child runs loads until one fails, marking the
// end of each that succeeds on stderr; the next child goes on after it.
// Each load starts with empty texture memory.
std::vector<Outcome> RunLoads(const std::vector<Load>& loads, const std::string& dumpFolder) {
    static const std::string kDone = "\x01 loaded\n";
    std::vector<Outcome> outcomes;
    while (outcomes.size() < loads.size()) {
        const std::size_t first = outcomes.size();
        int pipeEnds[2];
        EXPECT_EQ(pipe(pipeEnds), 0);
        std::fflush(nullptr);
        const pid_t child = fork();
        if (child == 0) {
            close(pipeEnds[0]);
            dup2(pipeEnds[1], 2);
            for (std::size_t i = first; i < loads.size(); ++i) {
                glide::ResetTextureMemory();
                Actor actor;
                loads[i](actor);
                SceneRecord scene;
                scene.actors = &actor;
                scene.actorCount = 1;
                if (!WriteSceneJson((dumpFolder + std::to_string(i) + ".json").c_str(), scene, false, 0)) _exit(3);
                if (write(2, kDone.data(), kDone.size()) < 0) _exit(3);
            }
            _exit(0);
        }
        close(pipeEnds[1]);
        std::string messages;
        char buffer[4096];
        for (ssize_t n; (n = read(pipeEnds[0], buffer, sizeof buffer)) > 0;) messages.append(buffer, n);
        close(pipeEnds[0]);
        int status = 0;
        waitpid(child, &status, 0);
        messages = WithoutSanitizerLines(messages);
        for (std::size_t done; (done = messages.find(kDone)) != std::string::npos;) {
            Outcome outcome;
            outcome.status = 0;
            outcome.messages = messages.substr(0, done);
            outcome.dump = ReadAll(dumpFolder + std::to_string(outcomes.size()) + ".json");
            outcomes.push_back(outcome);
            messages.erase(0, done + kDone.size());
        }
        if (outcomes.size() < loads.size()) {
            Outcome failed;
            failed.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            failed.messages = messages;
            outcomes.push_back(failed);
        }
    }
    return outcomes;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t end = text.find('\n', at);
        if (end == std::string::npos) end = text.size();
        lines.push_back(text.substr(at, end - at));
        at = end + 1;
    }
    return lines;
}

std::string Join(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += line + "\n";
    return text;
}

// The first number on a line: where it starts and how long it is.
bool FirstNumber(const std::string& line, std::size_t* at, std::size_t* length) {
    std::size_t p = line.find_first_of("-0123456789");
    if (p == std::string::npos) return false;
    std::size_t q = line.find_first_not_of("-0123456789.e", p);
    *at = p;
    *length = (q == std::string::npos ? line.size() : q) - p;
    return true;
}

// Versions of a file: as written, changed as a whole, and with one line of
// several kinds (header, material, vertex, face, last line) changed in
// each of the ways below.
std::vector<std::pair<std::string, std::string>> Versions(const std::string& text) {
    std::vector<std::pair<std::string, std::string>> versions{{"as written", text}};
    std::string crlf;
    for (char c : text) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    versions.push_back({"CR LF", crlf});
    versions.push_back({"no last line end", text.substr(0, text.size() - 1)});
    versions.push_back({"half", text.substr(0, text.size() / 2)});

    const std::vector<std::string> lines = Lines(text);
    using Change = std::function<bool(std::vector<std::string>&, std::size_t)>;
    auto number = [](std::string replacement) -> Change {
        return [replacement](std::vector<std::string>& l, std::size_t i) {
            std::size_t at = 0, length = 0;
            if (!FirstNumber(l[i], &at, &length)) return false;
            l[i].replace(at, length, replacement);
            return true;
        };
    };
    const std::vector<std::pair<std::string, Change>> changes = {
        {"no number", number("x")},
        {"float beyond range", number("1e39")},
        {"tiny float", number("1e-45")},
        {"whole number beyond range", number("99999999999")},
        {"exponent", number("25e-1")},
        {"index beyond", number("123456")},
        {"negative", number("-1")},
        {"plus sign", [](std::vector<std::string>& l, std::size_t i) {
             std::size_t at = 0, length = 0;
             if (!FirstNumber(l[i], &at, &length)) return false;
             l[i].insert(at, "+");
             return true;
         }},
        {"decimal commas", [](std::vector<std::string>& l, std::size_t i) {
             for (char& c : l[i]) c = c == '.' ? ',' : c;
             return true;
         }},
        {"tab and blanks", [](std::vector<std::string>& l, std::size_t i) {
             std::size_t colon = l[i].find(':');
             if (colon == std::string::npos) return false;
             l[i].insert(colon + 1, " \t ");
             return true;
         }},
        {"text after the values", [](std::vector<std::string>& l, std::size_t i) {
             l[i] += " and more";
             return true;
         }},
        {"long line", [](std::vector<std::string>& l, std::size_t i) {
             l[i] += std::string(110 - std::min<std::size_t>(l[i].size(), 100), ' ') + "tail";
             return true;
         }},
        {"NUL byte", [](std::vector<std::string>& l, std::size_t i) {
             l[i].insert(l[i].size() / 2, 1, '\0');
             return true;
         }},
        {"keyword in lower case", [](std::vector<std::string>& l, std::size_t i) {
             l[i][0] = static_cast<char>(std::tolower(static_cast<unsigned char>(l[i][0])));
             return true;
         }},
        {"comments before", [](std::vector<std::string>& l, std::size_t i) {
             l[i] = "# comment\n\n; note\n: mark\n indented\n\r\n" + l[i];
             return true;
         }},
        {"line left out", [](std::vector<std::string>& l, std::size_t i) {
             l.erase(l.begin() + static_cast<std::ptrdiff_t>(i));
             return true;
         }},
        {"line twice", [](std::vector<std::string>& l, std::size_t i) {
             l.insert(l.begin() + static_cast<std::ptrdiff_t>(i), l[i]);
             return true;
         }},
        {"ends inside the line", [](std::vector<std::string>& l, std::size_t i) {
             l[i] = l[i].substr(0, l[i].size() / 2);
             l.resize(i + 1);
             return true;
         }},
    };
    // A line of each part of the file: the header, the first material (or
    // counts), the first and a middle vertex, a face line, the last line.
    std::vector<std::size_t> chosen = {1, 4, 6};
    for (const char* kind : {"Vertex ", "TVertex ", "Face ", "Smoothing", "TVFace", "Material:", "Normal:"}) {
        for (std::size_t i = 0; i < lines.size(); ++i) {
            if (lines[i].rfind(kind, 0) == 0) {
                chosen.push_back(i);
                break;
            }
        }
    }
    chosen.push_back(lines.size() / 2);
    chosen.push_back(lines.size() - 1);
    for (std::size_t line : chosen) {
        if (line >= lines.size()) continue;
        for (const auto& [name, change] : changes) {
            std::vector<std::string> changed = lines;
            if (change(changed, line)) {
                versions.push_back({name + " on line " + std::to_string(line + 1), Join(changed)});
            }
        }
    }
    return versions;
}

class ObjectReadIdentity : public testing::Test {
protected:
    static void SetUpTestSuite() { scene_test::OpenDevice(); }

    // Every version of the file (or only those changed as a whole) read
    // both ways, with scale and flip.
    void Compare(const fs::path& file, float scale = 1.0f, int flip = 0, bool everyLine = true) {
        const std::string name = file.filename().string();
        for (const auto& [what, text] : Versions(ReadAll(file))) {
            if (!everyLine && what.find(" on line ") != std::string::npos) continue;
            const std::string path = dir_.Write(name, text);
            const bool readWhole = ReadObjectImage(path) != nullptr;
            if (what == "as written") {
                EXPECT_TRUE(readWhole) << file;
            }
            ++versions_;
            if (!readWhole) continue;
            ++readWhole_;
            const std::string folder = dir_.Dir();
            const std::vector<Outcome> outcomes = RunLoads(
                {[&](Actor& a) { LoadObjectFileByLines(a, name.c_str(), scale, flip, folder.c_str()); },
                 [&](Actor& a) { LoadObjectFile(a, name.c_str(), scale, flip, folder.c_str()); }},
                folder);
            const Outcome& lines = outcomes[0];
            const Outcome& whole = outcomes[1];
            EXPECT_EQ(whole.status, lines.status) << file << ", " << what;
            EXPECT_EQ(whole.messages, lines.messages) << file << ", " << what;
            EXPECT_TRUE(whole.dump == lines.dump) << file << ", " << what;
        }
    }

    // The folder's files beside the object files (textures).
    void CopyFolder(const fs::path& folder) {
        for (const auto& entry : fs::directory_iterator(folder)) {
            if (entry.is_regular_file()) {
                fs::copy_file(entry.path(), dir_.Dir() + entry.path().filename().string(),
                              fs::copy_options::overwrite_existing);
            }
        }
    }

    scene_test::ScratchDir dir_;
    int versions_ = 0;
    int readWhole_ = 0;
};

const fs::path kSource = TARNVIEW_SOURCE_DIR;

TEST_F(ObjectReadIdentity, ExampleAndFuzzCorpusFiles) {
    // Every example changed as a whole; two of them, and the fuzz corpus,
    // line by line too.
    for (const char* folder : {"examples/demo", "examples/render"}) {
        CopyFolder(kSource / folder);
        for (const auto& entry : fs::directory_iterator(kSource / folder)) {
            const std::string name = entry.path().filename().string();
            const bool everyLine = name == "textured_quad.3dx" || name == "two_sided.3dx";
            if (entry.path().extension() == ".3dx") Compare(entry.path(), 1.0f, 0, everyLine);
        }
    }
    for (const auto& entry : fs::directory_iterator(kSource / "fuzz/corpus/object_loader")) Compare(entry.path(), 1.5f, 1);
    Compare(kSource / "fuzz/corpus/text_reader/object.txt");
    // Many versions are read whole, many are left to the line reader.
    EXPECT_GT(readWhole_, versions_ / 5);
    EXPECT_LT(readWhole_, versions_ * 4 / 5);
}

TEST_F(ObjectReadIdentity, BenchmarkSceneAndScales) {
    benchgen::SceneRecipe recipe;
    recipe.targetFaces = 1000;
    benchgen::SceneCounts counts;
    std::string error;
    const std::string scene = dir_.Dir() + "bench/";
    ASSERT_TRUE(benchgen::GenerateScene(scene, recipe, &counts, &error)) << error;
    CopyFolder(scene);
    Compare(scene + "cluster.3dx", 2.5f, 1);
    // A scale under which a vertex leaves float's range: refused by the
    // line reader, whichever way the file is read.
    Compare(scene + "cluster.3dx", 3e37f, 0, false);
}

}  // namespace
