#include "output_file.h"

#include <cerrno>
#include <cstdarg>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "support/output_target.h"
#include "support/signal_cleanup.h"

namespace tarn {

namespace {

constexpr char kTemporarySuffix[] = ".tmp-XXXXXX";
constexpr std::size_t kTemporarySuffixLength = sizeof kTemporarySuffix - 1;

std::string CannotWrite(const std::string& path, const char* reason) {
    return path + ": cannot write (" + reason + ")";
}

// name + ".tmp-XXXXXX", with name cut (never inside a UTF-8 character) so
// that the whole fits the folder's limit: a name near the limit still gets
// its temporary file.
std::string TemporaryName(const std::string& name, long limit) {
    std::size_t keep = name.size();
    const long room = limit - static_cast<long>(kTemporarySuffixLength);
    if (static_cast<long>(keep) > room) {
        keep = room > 0 ? static_cast<std::size_t>(room) : 0;
        while (keep > 0 && (static_cast<unsigned char>(name[keep]) & 0xC0) == 0x80) --keep;
    }
    return name.substr(0, keep) + kTemporarySuffix;
}

}  // namespace

OutputFile::OutputFile(std::string path) : path_(std::move(path)) {}

OutputFile::~OutputFile() {
    if (file_ != nullptr) std::fclose(file_);
    if (!committed_ && !temporary_.empty()) std::remove(temporary_.c_str());
    KeepOnSignal(cleanupSlot_);
}

void OutputFile::Fail(int errnoValue) {
    if (failed_) return;
    failed_ = true;
    error_ = CannotWrite(path_, errnoValue != 0 ? std::strerror(errnoValue) : "write failed");
}

bool OutputFile::OpenTemporary(const std::string& folder, const std::string& name) {
    temporary_ = (folder == "/" ? "" : folder) + "/" + TemporaryName(name, NameLimit(folder));
    int fd = -1;
    {
        // Created and registered as one step: a signal in between would
        // leave the file behind.
        SignalsHeld held;
        fd = mkstemp(temporary_.data());
        if (fd >= 0) cleanupSlot_ = RemoveOnSignal(temporary_.c_str());
    }
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

bool OutputFile::Open() {
    if (path_.empty()) {
        failed_ = true;
        error_ = CannotWrite("\"\"", "empty file name");
        return false;
    }
    OutputTarget target;
    int error = 0;
    if (!ResolveOutput(path_, &target, &error)) {
        Fail(error);
        return false;
    }
    if (target.kind == OutputKind::Replace) {
        target_ = target.path;
        return OpenTemporary(target.folder, target.name);
    }
    int fd = -1;
    if (target.kind == OutputKind::Descriptor) {
        // After what the program has already written there.
        std::fflush(nullptr);
        fd = fcntl(target.descriptor, F_DUPFD_CLOEXEC, 3);
    } else {
        fd = open(target.path.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    }
    if (fd >= 0) file_ = fdopen(fd, "wb");
    if (file_ == nullptr) {
        const int e = errno;
        if (fd >= 0) close(fd);
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
    if (!temporary_.empty() && std::rename(temporary_.c_str(), target_.c_str()) != 0) {
        Fail(errno);
        return false;
    }
    committed_ = true;
    KeepOnSignal(cleanupSlot_);
    cleanupSlot_ = -1;
    return true;
}

bool WriteWholeFile(const std::string& path, std::string_view contents, std::string* error) {
    OutputFile out(path);
    if (out.Open() && out.Write(contents) && out.Commit()) return true;
    if (error != nullptr) *error = out.Error();
    return false;
}

bool CheckOutputPath(const std::string& path, std::string* error) {
    auto fail = [&](int reason) {
        if (error != nullptr) *error = CannotWrite(path, std::strerror(reason));
        return false;
    };
    if (path.empty()) {
        if (error != nullptr) *error = CannotWrite("\"\"", "empty file name");
        return false;
    }
    OutputTarget target;
    int reason = 0;
    if (!ResolveOutput(path, &target, &reason)) return fail(reason);
    switch (target.kind) {
    case OutputKind::Descriptor: return true;
    case OutputKind::InPlace: return access(target.path.c_str(), W_OK) == 0 ? true : fail(errno);
    case OutputKind::Replace: break;
    }
    if (static_cast<long>(target.name.size()) > NameLimit(target.folder)) return fail(ENAMETOOLONG);
    if (access(target.folder.c_str(), W_OK | X_OK) != 0) return fail(errno);
    return true;
}

}  // namespace tarn
