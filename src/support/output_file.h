// Files the programs write (screenshots, reports, dumps, traces, recordings,
// converted models, benchmark results) go through OutputFile: the bytes go
// to a temporary file beside the target, every write and the close are
// checked, and only a complete file is renamed into place. A failure leaves
// the target as it was and says why as "FILE: cannot write (reason)".
//
// A name that is a symbolic link is written through to the link's target
// (the link stays a link); devices, pipes and /proc entries are written in
// place, and /dev/stdout or /dev/fd/N write to that open descriptor (see
// output_target.h). The temporary file ("NAME.tmp-XXXXXX", the name cut short
// where the folder's name limit needs it) is removed if a signal ends the
// program (signal_cleanup.h).
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>
#include <string_view>

namespace tarn {

class OutputFile {
public:
    explicit OutputFile(std::string path);
    ~OutputFile();  // removes the temporary file unless committed
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Creates the temporary file. False (with Error() set) when it cannot.
    bool Open();
    // Appends bytes; after the first failure every call returns false.
    bool Write(const void* data, std::size_t size);
    bool Write(std::string_view text) { return Write(text.data(), text.size()); }
    bool Printf(const char* format, ...) __attribute__((format(printf, 2, 3)));
    // Flushes, closes and renames into place. False (with Error() set) when
    // any write, the flush, the close or the rename failed.
    bool Commit();

    // The stream, for writers that want stdio calls; errors on it are caught
    // by Commit through ferror.
    std::FILE* Stream() { return file_; }
    const std::string& Path() const { return path_; }
    // "FILE: cannot write (reason)", or empty.
    const std::string& Error() const { return error_; }

private:
    void Fail(int errnoValue);
    bool OpenTemporary(const std::string& folder, const std::string& name);

    std::string path_;
    std::string target_;     // what the temporary file is renamed to
    std::string temporary_;
    int cleanupSlot_ = -1;   // the temporary file's signal registration
    std::FILE* file_ = nullptr;
    bool failed_ = false;
    bool committed_ = false;
    std::string error_;
};

// Writes the whole of contents to path through OutputFile. On failure,
// returns false and stores the message in *error (when given).
bool WriteWholeFile(const std::string& path, std::string_view contents, std::string* error);

// Checks, before any work is done, that path can be written later: its
// target's folder exists and is writable, the name fits the folder's limit,
// and path is not a folder. On failure, returns false with "FILE: cannot
// write (reason)" in *error.
bool CheckOutputPath(const std::string& path, std::string* error);

}  // namespace tarn
