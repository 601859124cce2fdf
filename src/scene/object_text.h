// An object file's text held whole in memory, read line by line with the
// line reader's rules (TextReader): comment and blank lines skipped, a
// decimal comma read as a point, CR LF as one line end. The text itself is
// never written to. Lines are scanned by
// scanners specialised for the fixed layout's most frequent lines, which
// fall back to the general scan (ScanFormat) on a line they do not expect.
//
// Nothing here reports an error: whatever the line reader would refuse, or
// anything unexpected, makes the caller give up on the text, and the file
// is then read by the line reader itself, which says what is wrong.
#pragma once

#include <cstddef>
#include <cstdint>

#include "scene/text_reader.h"

class ObjectText {
public:
    // text .. end holds the whole file.
    ObjectText(const char* text, const char* end) : next_(text), end_(end) {}
    // The file is read from fd as it is scanned, through window (of
    // windowBytes, at least 4 * kLookahead), which holds the current line.
    ObjectText(int fd, char* window, std::size_t windowBytes)
        : next_(window), end_(window), fd_(fd), window_(window), windowBytes_(windowBytes) {}

    // Whether reading the file failed (the text then ends there).
    bool ReadFailed() const { return readFailed_; }

    // Makes the next significant line current. False at the end of the
    // text, and for a line of 99 characters or more, which the line reader
    // would split into pieces.
    bool NextLine();

    enum class Read { kScanned, kCurrent, kEnd };

    // The next line, for one of the frequent kinds: when it is significant
    // and scan (one of the scanners below) takes it up to its line end,
    // it is done (kScanned). Otherwise the line becomes current as NextLine
    // makes it (kCurrent: the caller scans it with Has and Scan), or there
    // is none (kEnd, as NextLine's false).
    template <class Scanner>
    Read NextScannedLine(const Scanner& scan) {
        constexpr std::ptrdiff_t kMaxCharacters = kLineCapacity - 1;
        if (end_ - next_ < kLookahead) Fill();
        if (next_ < end_) {
            const char first = *next_;
            if (first != '#' && first != ';' && first != ':' && first != ' ' && first != '\n' && first != '\r') {
                const char* stop = scan(next_, end_);
                if (stop != nullptr && stop - next_ < kMaxCharacters) {
                    if (stop < end_ && *stop == '\n') {
                        next_ = stop + 1;
                        return Read::kScanned;
                    }
                    if (end_ - stop >= 2 && stop[0] == '\r' && stop[1] == '\n') {
                        next_ = stop + 2;
                        return Read::kScanned;
                    }
                }
            }
        }
        return NextLine() ? Read::kCurrent : Read::kEnd;
    }

    // The current line's characters (without the line end).
    const char* Begin() const { return begin_; }
    const char* End() const { return lineEnd_; }

    // Whether the current line contains keyword (up to its first NUL byte,
    // as a C string search sees it).
    bool Has(const char* keyword) const;

    // ScanFormat on the current line: the values stored, -1 at the end of
    // the line, kScanOutOfRange for a whole number that does not fit.
    int Scan(const char* format, ...) const __attribute__((format(scanf, 2, 3)));

private:
    // Characters ahead of the current place that the window keeps (or all
    // that is left): more than any line the scanners take.
    static constexpr std::ptrdiff_t kLookahead = 4096;
    // Moves what is ahead to the window's start and reads behind it.
    void Fill();

    const char* next_;
    const char* end_;
    const char* begin_ = nullptr;
    const char* lineEnd_ = nullptr;
    int fd_ = -1;  // -1: the whole text is in memory
    char* window_ = nullptr;
    std::size_t windowBytes_ = 0;
    bool atEnd_ = false;
    bool readFailed_ = false;
};

// Scanners of one line each, for exactly the text the writers of object
// files produce ("Vertex 12: X: 1.5 Y: -2 Z: 0.25", single blanks, plain
// decimal numbers), from the line's start p (end: the text's end). Each
// gives the values the general scan would give and returns where they end,
// or nullptr when the line is in any way different.
const char* ScanVertexLine(const char* p, const char* end, float* x, float* y, float* z);
const char* ScanTVertexLine(const char* p, const char* end, float* u, float* v);
const char* ScanFaceLine(const char* p, const char* end, int* a, int* b, int* c, int* ab, int* bc, int* ca);
const char* ScanSmoothingLine(const char* p, const char* end, std::uint32_t* smoothing);
const char* ScanTVFaceLine(const char* p, const char* end, int* ta, int* tb, int* tc);
const char* ScanFaceMaterialLine(const char* p, const char* end, int* number);
const char* ScanNormalLine(const char* p, const char* end, float* x, float* y, float* z);
