// The line reader behind both text formats: hides comment and blank lines,
// reads a decimal comma as a point, counts physical lines for messages and
// turns a missing keyword or an early end of file into a fatal error.
//
// Lines hold at most 99 characters. A longer physical line is delivered in
// pieces of 99 characters, each judged and counted as a line of its own.
// The file is read as text: a CR LF pair is one line end.
#pragma once

#include <cstdio>
#include <string>

constexpr int kLineCapacity = 100;  // 99 characters and the terminating NUL

class TextReader {
public:
    TextReader() = default;
    TextReader(const TextReader&) = delete;
    TextReader& operator=(const TextReader&) = delete;
    ~TextReader();

    // Opens hostPath for reading; messages name the file messageName. Line
    // number 0. False when the file cannot be opened or is a folder.
    bool Open(const char* hostPath, const char* messageName);
    // Closes the file; false when closing fails.
    bool Close();

    // Makes the next significant line current (fatal at the end of file).
    void ReadLine();
    // ReadLine, then the current line must contain keyword.
    void Expect(const char* keyword);
    // The current line must contain keyword.
    void ExpectHere(const char* keyword);
    // Whether the current line contains keyword (case-sensitive substring).
    bool Has(const char* keyword) const;

    // Scans the current line with ScanFormat and returns the values stored.
    // A whole number that does not fit its field is fatal "Number out of
    // range ..."; fewer than needed values is the fatal "error", after a
    // detail line on stderr saying what the line lacks.
    int Scan(int needed, const char* format, ...) __attribute__((format(scanf, 3, 4)));
    // The scan of the current line gave too few values: fatal "error".
    [[noreturn]] void FailScan() const;
    // Prints "tarnview: <file>:<line>: <detail>" on stderr, the file name
    // escaped; detail must already be printable.
    void PrintDetail(const std::string& detail) const;
    // A fault the formats leave to this loader: fatal
    // "<problem> in line <n> of file "<name>":\n<detail>\n".
    [[noreturn]] void Fail(const char* problem, const std::string& detail) const;

    // Size of the open file in bytes (0 when unknown): bounds the record
    // counts a file can possibly describe.
    long long FileSize() const { return fileSize_; }

    char line[kLineCapacity] = {};
    std::string fileName;
    int lineNumber = 0;

private:
    // Next character with CR LF read as LF; -1 at the end of the file.
    int NextChar();
    bool Refill();
    // Reads one physical line (or a 99-character piece); false at the end of
    // the file before any character.
    bool ReadRawLine();

    std::FILE* file_ = nullptr;
    long long fileSize_ = 0;
    static constexpr int kBufferSize = 1 << 16;
    char* buffer_ = nullptr;
    int bufferPos_ = 0;
    int bufferEnd_ = 0;
    int lineLength_ = 0;  // characters in line, NUL bytes included
    bool atEnd_ = false;
};
