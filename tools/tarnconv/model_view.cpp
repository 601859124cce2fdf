#include "model_view.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace fs = std::filesystem;

namespace tarnconv {
namespace {

// 64-bit FNV-1a: enough to tell cache entries apart; not a security measure.
class KeyHash {
public:
    void Add(const std::string& text) {
        for (unsigned char c : text) Byte(c);
        Byte(0);  // so that "ab"+"c" and "a"+"bc" differ
    }

    std::string Hex() const {
        char buf[17];
        std::snprintf(buf, sizeof buf, "%016llx", static_cast<unsigned long long>(hash_));
        return buf;
    }

private:
    void Byte(unsigned char c) {
        hash_ ^= c;
        hash_ *= 0x100000001b3ULL;
    }
    std::uint64_t hash_ = 0xcbf29ce484222325ULL;
};

std::string Num(double v) {
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.17g", v);
    return buf;
}

}  // namespace

std::string ViewCacheRoot(std::string* error) {
    const char* xdg = std::getenv("XDG_CACHE_HOME");
    if (xdg && xdg[0] == '/') return (fs::path(xdg) / "tarnview").string();
    const char* home = std::getenv("HOME");
    if (home && home[0] != '\0') return (fs::path(home) / ".cache" / "tarnview").string();
    if (error) *error = "no cache folder: set XDG_CACHE_HOME or HOME";
    return "";
}

bool ViewCacheKey(const std::vector<std::string>& models, const SceneFolderOptions& options, std::string* key,
                  std::string* error) {
    KeyHash hash;
    hash.Add("tarnconv view 2");  // raise when the scene folder's contents change meaning
    auto axis = [](bool given, const AxisDirection& d) {
        return given ? std::string(d.sign < 0 ? "-" : "+") + "xyz"[d.axis] : std::string("file");
    };
    hash.Add(Num(options.modelSize) + " " + Num(options.import.creaseDegrees) + " " + options.texture.formatName +
             " " + axis(options.import.upGiven, options.import.up) + " " +
             axis(options.import.frontGiven, options.import.front));
    hash.Add(options.fontPath);
    for (const std::string& model : models) {
        struct stat st;
        std::error_code ec;
        const std::string absolute = fs::absolute(model, ec).lexically_normal().string();
        if (ec || stat(absolute.c_str(), &st) != 0) {
            if (error) *error = model + ": " + std::strerror(errno);
            return false;
        }
        if (!S_ISREG(st.st_mode)) {
            if (error) *error = model + ": not a file";
            return false;
        }
        hash.Add(absolute);
        hash.Add(std::to_string(static_cast<long long>(st.st_size)) + " " +
                 std::to_string(static_cast<long long>(st.st_mtim.tv_sec)) + "." +
                 std::to_string(static_cast<long long>(st.st_mtim.tv_nsec)));
    }
    std::string stem = SafeFileWord(fs::path(models.empty() ? "scene" : models[0]).stem().string(), 40);
    if (stem.empty() || stem[0] == '.') stem = "scene" + stem;
    *key = stem + "-" + hash.Hex();
    return true;
}

bool PrepareViewScene(const std::vector<std::string>& models, const SceneFolderOptions& options,
                      const ProgressFn& progress, std::string* dir, bool* cached, std::vector<std::string>* warnings,
                      std::string* error) {
    const std::string root = ViewCacheRoot(error);
    if (root.empty()) return false;
    std::string key;
    if (!ViewCacheKey(models, options, &key, error)) return false;
    *dir = (fs::path(root) / key).string();
    std::error_code ec;
    // A folder is only ever renamed into place whole, so one that holds its
    // scene file is complete.
    *cached = fs::is_regular_file(fs::path(*dir) / "objects.scn", ec);
    if (*cached && ViewerAcceptsScene(*dir)) return true;
    if (*cached) {
        if (progress) progress("the viewer refused the cached scene " + *dir + "; converting again");
        *cached = false;
        fs::remove_all(*dir, ec);
        if (ec) {
            if (error) *error = *dir + ": cannot remove the refused scene (" + ec.message() + ")";
            return false;
        }
    }
    fs::create_directories(root, ec);
    if (ec) {
        if (error) *error = root + ": cannot create the cache folder (" + ec.message() + ")";
        return false;
    }
    SceneFolderResult result;
    const bool ok = BuildSceneFolder(*dir, models, options, progress, &result, error);
    if (warnings) *warnings = result.warnings;
    return ok;
}

bool ViewerAcceptsScene(const std::string& dir) {
    const std::string viewer = (fs::path(OwnFolder()) / "tarnview-headless").string();
    if (access(viewer.c_str(), X_OK) != 0) return true;
    std::string error;
    return RunInFolder(viewer, {"--frames", "0", "--no-calibrate"}, dir, &error, true) == 0;
}

int RunInFolder(const std::string& program, const std::vector<std::string>& args, const std::string& dir,
                std::string* error, bool quiet) {
    if (access(program.c_str(), X_OK) != 0) {
        if (error) *error = program + ": " + std::strerror(errno) + " (build it beside tarnconv)";
        return 1;
    }
    std::vector<std::string> all{program};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : all) argv.push_back(a.data());
    argv.push_back(nullptr);
    std::fflush(nullptr);
    const pid_t pid = fork();
    if (pid < 0) {
        if (error) *error = std::string("cannot start ") + program + ": " + std::strerror(errno);
        return 1;
    }
    if (pid == 0) {
        if (quiet) {
            const int null = open("/dev/null", O_WRONLY);
            if (null >= 0) {
                dup2(null, STDOUT_FILENO);
                dup2(null, STDERR_FILENO);
                close(null);
            }
        }
        if (chdir(dir.c_str()) != 0) {
            std::fprintf(stderr, "tarnconv: %s: %s\n", dir.c_str(), std::strerror(errno));
            _exit(1);
        }
        execv(program.c_str(), argv.data());
        std::fprintf(stderr, "tarnconv: cannot run %s: %s\n", program.c_str(), std::strerror(errno));
        _exit(1);
    }
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) {
            if (error) *error = program + ": " + std::strerror(errno);
            return 1;
        }
    }
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    if (error) *error = program + " ended by signal " + std::to_string(WTERMSIG(status));
    return 1;
}

std::string OwnFolder() {
    std::error_code ec;
    const fs::path self = fs::read_symlink("/proc/self/exe", ec);
    return ec ? std::string(".") : self.parent_path().string();
}

}  // namespace tarnconv
