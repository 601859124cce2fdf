#include "output_file.h"

#include <cerrno>
#include <cstdarg>
#include <cstring>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace tarn {

namespace {

std::string CannotWrite(const std::string& path, const char* reason) {
    return path + ": cannot write (" + reason + ")";
}

// The folder part of path ("." for a bare file name).
std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

// Special files (/dev/null, /dev/full, pipes) cannot be replaced by a rename:
// they are written in place, with every write still checked.
bool IsSpecialFile(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode);
}

}  // namespace

OutputFile::OutputFile(std::string path) : path_(std::move(path)) {}

OutputFile::~OutputFile() {
    if (file_ != nullptr) std::fclose(file_);
    if (!committed_ && !temporary_.empty()) std::remove(temporary_.c_str());
}

void OutputFile::Fail(int errnoValue) {
    if (failed_) return;
    failed_ = true;
    error_ = CannotWrite(path_, errnoValue != 0 ? std::strerror(errnoValue) : "write failed");
}

bool OutputFile::Open() {
    if (path_.empty()) {
        failed_ = true;
        error_ = CannotWrite("\"\"", "empty file name");
        return false;
    }
    struct stat st;
    if (stat(path_.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
        Fail(EISDIR);
        return false;
    }
    if (IsSpecialFile(path_)) {
        file_ = std::fopen(path_.c_str(), "wb");
        if (file_ == nullptr) Fail(errno);
        return file_ != nullptr;
    }
    temporary_ = path_ + ".tmp-XXXXXX";
    const int fd = mkstemp(temporary_.data());
    if (fd < 0) {
        const int e = errno;
        temporary_.clear();
        Fail(e);
        return false;
    }
    // mkstemp creates 0600; give the file the usual permissions.
    const mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, 0666 & ~mask);
    file_ = fdopen(fd, "wb");
    if (file_ == nullptr) {
        const int e = errno;
        close(fd);
        Fail(e);
        return false;
    }
    return true;
}

bool OutputFile::Write(const void* data, std::size_t size) {
    if (failed_ || file_ == nullptr) {
        if (!failed_) Fail(EBADF);
        return false;
    }
    if (size == 0) return true;
    errno = 0;
    if (std::fwrite(data, 1, size, file_) != size) {
        Fail(errno != 0 ? errno : EIO);
        return false;
    }
    return true;
}

bool OutputFile::Printf(const char* format, ...) {
    if (failed_ || file_ == nullptr) {
        if (!failed_) Fail(EBADF);
        return false;
    }
    va_list args;
    va_start(args, format);
    errno = 0;
    const int n = std::vfprintf(file_, format, args);
    va_end(args);
    if (n < 0) {
        Fail(errno != 0 ? errno : EIO);
        return false;
    }
    return true;
}

bool OutputFile::Commit() {
    if (committed_) return true;
    if (file_ == nullptr) {
        if (!failed_) Fail(EBADF);
        return false;
    }
    errno = 0;
    if (!failed_ && (std::fflush(file_) != 0 || std::ferror(file_))) Fail(errno != 0 ? errno : EIO);
    errno = 0;
    const int closed = std::fclose(file_);
    file_ = nullptr;
    if (closed != 0) Fail(errno != 0 ? errno : EIO);
    if (failed_) return false;
    if (!temporary_.empty() && std::rename(temporary_.c_str(), path_.c_str()) != 0) {
        Fail(errno);
        return false;
    }
    committed_ = true;
    return true;
}

bool WriteWholeFile(const std::string& path, std::string_view contents, std::string* error) {
    OutputFile out(path);
    if (out.Open() && out.Write(contents) && out.Commit()) return true;
    if (error != nullptr) *error = out.Error();
    return false;
}

bool CheckOutputPath(const std::string& path, std::string* error) {
    auto fail = [&](const char* reason) {
        if (error != nullptr) *error = CannotWrite(path.empty() ? std::string("\"\"") : path, reason);
        return false;
    };
    if (path.empty()) return fail("empty file name");
    struct stat st;
    if (stat(path.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode)) return fail(std::strerror(EISDIR));
        if (!S_ISREG(st.st_mode)) return access(path.c_str(), W_OK) == 0 ? true : fail(std::strerror(errno));
    }
    const std::string folder = FolderOf(path);
    if (stat(folder.c_str(), &st) != 0) return fail(std::strerror(errno));
    if (!S_ISDIR(st.st_mode)) return fail(std::strerror(ENOTDIR));
    if (access(folder.c_str(), W_OK | X_OK) != 0) return fail(std::strerror(errno));
    return true;
}

}  // namespace tarn
