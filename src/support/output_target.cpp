#include "support/output_target.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tarn {

namespace {

// As the kernel counts links in one path.
constexpr int kMaxLinks = 40;

// "folder/name" split at the last slash; "." for a bare name.
void Split(const std::string& path, std::string* folder, std::string* name) {
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) {
        *folder = ".";
        *name = path;
    } else {
        *folder = slash == 0 ? "/" : path.substr(0, slash);
        *name = path.substr(slash + 1);
    }
}

bool AllDigits(const std::string& text) {
    if (text.empty()) return false;
    for (const char c : text)
        if (c < '0' || c > '9') return false;
    return true;
}

// The descriptor folder of this process (/proc/PID/fd, or a thread's
// /proc/PID/task/TID/fd), as realpath gives it for /dev/fd or /proc/self/fd.
bool IsOwnDescriptorFolder(const std::string& folder) {
    const std::string own = "/proc/" + std::to_string(getpid());
    if (folder == own + "/fd") return true;
    const std::string tasks = own + "/task/";
    if (folder.compare(0, tasks.size(), tasks) != 0 || folder.size() < tasks.size() + 4) return false;
    const std::string rest = folder.substr(tasks.size());
    return rest.size() > 3 && rest.compare(rest.size() - 3, 3, "/fd") == 0 && AllDigits(rest.substr(0, rest.size() - 3));
}

bool IsUnderProc(const std::string& folder) { return folder == "/proc" || folder.compare(0, 6, "/proc/") == 0; }

}  // namespace

long NameLimit(const std::string& folder) {
    const long limit = pathconf(folder.c_str(), _PC_NAME_MAX);
    return limit > 0 ? limit : NAME_MAX;
}

bool ResolveOutput(const std::string& path, OutputTarget* target, int* error) {
    std::string current = path;
    for (int links = 0;; ++links) {
        std::string folder, name;
        Split(current, &folder, &name);
        char real[PATH_MAX];
        if (realpath(folder.c_str(), real) == nullptr) {
            *error = errno;
            return false;
        }
        folder = real;
        if (name.empty() || name == "." || name == "..") {
            *error = EISDIR;
            return false;
        }
        const std::string full = (folder == "/" ? "" : folder) + "/" + name;
        if (IsOwnDescriptorFolder(folder) && AllDigits(name)) {
            const long number = std::strtol(name.c_str(), nullptr, 10);
            const int flags = number <= INT_MAX ? fcntl(static_cast<int>(number), F_GETFL) : -1;
            if (flags < 0 || ((flags & O_ACCMODE) != O_WRONLY && (flags & O_ACCMODE) != O_RDWR)) {
                *error = EBADF;
                return false;
            }
            target->kind = OutputKind::Descriptor;
            target->descriptor = static_cast<int>(number);
            target->path = full;
            return true;
        }
        struct stat st;
        if (lstat(full.c_str(), &st) != 0) {
            if (errno != ENOENT || IsUnderProc(folder)) {
                *error = errno;
                return false;
            }
        } else if (S_ISLNK(st.st_mode) && !IsUnderProc(folder)) {
            if (links == kMaxLinks) {
                *error = ELOOP;
                return false;
            }
            char link[PATH_MAX];
            const ssize_t length = readlink(full.c_str(), link, sizeof link - 1);
            if (length < 0) {
                *error = errno;
                return false;
            }
            link[length] = '\0';
            current = link[0] == '/' ? std::string(link) : folder + "/" + link;
            continue;
        } else if (S_ISDIR(st.st_mode)) {
            *error = EISDIR;
            return false;
        } else if (!S_ISREG(st.st_mode) || IsUnderProc(folder)) {
            target->kind = OutputKind::InPlace;
            target->path = full;
            return true;
        }
        target->kind = OutputKind::Replace;
        target->path = full;
        target->folder = folder;
        target->name = name;
        return true;
    }
}

}  // namespace tarn
