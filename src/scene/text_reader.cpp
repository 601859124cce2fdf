#include "scene/text_reader.h"

#include <sys/stat.h>

#include <climits>
#include <cstdarg>
#include <cstring>
#include <new>

#include "app/fatal_error.h"
#include "scene/format_scan.h"
#include "scene/load_message.h"

TextReader::~TextReader() {
    // Only reached with the file still open when loading is abandoned (a
    // fatal error that returns in test and fuzz builds).
    if (file_ != nullptr) std::fclose(file_);
    delete[] buffer_;
}

bool TextReader::Open(const char* hostPath, const char* messageName) {
    file_ = std::fopen(hostPath, "rb");
    if (file_ == nullptr) return false;
    struct stat info {};
    const bool known = fstat(fileno(file_), &info) == 0;
    // A folder opens for reading here but yields no text: refuse it as the
    // file that cannot be opened it is, rather than as an empty file.
    if (known && S_ISDIR(info.st_mode)) {
        std::fclose(file_);
        file_ = nullptr;
        return false;
    }
    fileSize_ = (known && S_ISREG(info.st_mode)) ? info.st_size : 0;
    if (buffer_ == nullptr) buffer_ = new (std::nothrow) char[kBufferSize];
    if (buffer_ == nullptr) FatalError("Out of memory while opening a file!");
    bufferPos_ = bufferEnd_ = 0;
    atEnd_ = false;
    fileName = messageName;
    lineNumber = 0;
    line[0] = '\0';
    return true;
}

bool TextReader::Close() {
    if (file_ == nullptr) return true;
    int result = std::fclose(file_);
    file_ = nullptr;
    return result == 0;
}

bool TextReader::Refill() {
    if (atEnd_ || file_ == nullptr) return false;
    std::size_t got = std::fread(buffer_, 1, kBufferSize, file_);
    bufferPos_ = 0;
    bufferEnd_ = static_cast<int>(got);
    if (got == 0) atEnd_ = true;
    return got != 0;
}

inline int TextReader::NextChar() {
    if (bufferPos_ == bufferEnd_ && !Refill()) return -1;
    char c = buffer_[bufferPos_++];
    if (c == '\r') {
        if (bufferPos_ == bufferEnd_ && !Refill()) return '\r';
        if (buffer_[bufferPos_] == '\n') {
            ++bufferPos_;
            return '\n';
        }
    }
    return static_cast<unsigned char>(c);
}

bool TextReader::ReadRawLine() {
    constexpr int kMaxChars = kLineCapacity - 1;
    int n = 0;
    // Fast path: the rest of the line lies in the buffer.
    if (bufferEnd_ - bufferPos_ > kMaxChars + 1) {
        const char* start = buffer_ + bufferPos_;
        const void* lf = std::memchr(start, '\n', kMaxChars);
        int span = lf ? static_cast<int>(static_cast<const char*>(lf) - start) + 1 : kMaxChars;
        const void* cr = std::memchr(start, '\r', static_cast<std::size_t>(span));
        if (cr == nullptr) {
            std::memcpy(line, start, static_cast<std::size_t>(span));
            bufferPos_ += span;
            line[span] = '\0';
            lineLength_ = span;
            return true;
        }
    }
    while (n < kMaxChars) {
        int c = NextChar();
        if (c < 0) break;
        line[n++] = static_cast<char>(c);
        if (c == '\n') break;
    }
    line[n] = '\0';
    lineLength_ = n;
    return n > 0;
}

void TextReader::ReadLine() {
    for (;;) {
        if (!ReadRawLine()) {
            std::string message = "EOF encountered in file " + fileName + "!\n";
            FatalError(message.c_str());
        }
        // A file of more than 2^31 lines keeps naming its last countable
        // line rather than overflowing the count.
        if (lineNumber < INT_MAX) ++lineNumber;
        char first = line[0];
        if (first == '\n' || first == '#' || first == ';' || first == ':' || first == ' ') continue;
        // Commas past a NUL byte are never seen by the tests and scans
        // either, so the whole piece can be searched.
        char* end = line + lineLength_;
        for (char* p = line; (p = static_cast<char*>(std::memchr(p, ',', static_cast<std::size_t>(end - p)))) != nullptr;) {
            *p++ = '.';
        }
        return;
    }
}

bool TextReader::Has(const char* keyword) const { return std::strstr(line, keyword) != nullptr; }

void TextReader::Expect(const char* keyword) {
    ReadLine();
    ExpectHere(keyword);
}

void TextReader::ExpectHere(const char* keyword) {
    if (Has(keyword)) return;
    std::string message = "Syntax error in line " + std::to_string(lineNumber) + " of file \"" + fileName +
                          "\":\nExpected: \"" + keyword + "\"\n";
    FatalError(message.c_str());
}

int TextReader::Scan(int needed, const char* format, ...) {
    va_list args;
    va_start(args, format);
    ScanStop stop;
    int result = ScanFormatV(line, format, args, &stop);
    va_end(args);
    if (stop.outOfRange) Fail("Number out of range", DescribeScanStop(stop));
    if (needed > 0 && result < needed) {
        PrintDetail(DescribeScanStop(stop));
        FailScan();
    }
    return result;
}

void TextReader::FailScan() const { FatalError("error"); }

void TextReader::PrintDetail(const std::string& detail) const {
    PrintLoadMessage(PrintableText(fileName) + ":" + std::to_string(lineNumber) + ": " + detail);
}

void TextReader::Fail(const char* problem, const std::string& detail) const {
    std::string message = std::string(problem) + " in line " + std::to_string(lineNumber) + " of file \"" +
                          fileName + "\":\n" + detail + "\n";
    FatalError(message.c_str());
}
