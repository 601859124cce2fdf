#include "scene/load_message.h"

#include <cstdio>

std::string PrintableText(std::string_view text) {
    static const char kHex[] = "0123456789abcdef";
    std::string out;
    out.reserve(text.size());
    for (char ch : text) {
        unsigned char c = static_cast<unsigned char>(ch);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += ch;
        } else if (c < 0x20 || c >= 0x7F) {
            out += "\\x";
            out += kHex[c >> 4];
            out += kHex[c & 15];
        } else {
            out += ch;
        }
    }
    return out;
}

std::string QuotedText(std::string_view text) { return "\"" + PrintableText(text) + "\""; }

void PrintLoadMessage(const std::string& line) {
    std::fprintf(stderr, "tarnview: %s\n", line.c_str());
    std::fflush(stderr);
}
