#include "platform/headless/script.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <sys/stat.h>

#include "platform/headless/script_names.h"

namespace {

constexpr long long kMaxFrame = 0x7FFFFFFF;
constexpr long long kMaxJoystickAxis = 65535;

// Numbers are decimal ("010" is ten); a button mask may also be written in
// hexadecimal with "0x".
bool ParseInteger(const std::string& token, long long low, long long high, long long* value, bool hexAllowed = false) {
    if (token.empty()) return false;
    const bool hex = hexAllowed && token.size() > 2 && token[0] == '0' && (token[1] == 'x' || token[1] == 'X');
    errno = 0;
    char* end = nullptr;
    const long long parsed = std::strtoll(token.c_str(), &end, hex ? 16 : 10);
    if (errno != 0 || end == token.c_str() || *end != '\0') return false;
    if (parsed < low || parsed > high) return false;
    *value = parsed;
    return true;
}

std::string Trim(const std::string& text) {
    const std::size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos) return {};
    const std::size_t last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

class LineParser {
public:
    LineParser(const char* name, int line, std::string* error) : name_(name), line_(line), error_(error) {}

    bool Fail(const std::string& message) {
        std::ostringstream out;
        out << name_ << ":" << line_ << ": " << message;
        *error_ = PrintableText(out.str());
        return false;
    }

private:
    const char* name_;
    int line_;
    std::string* error_;
};

bool ParseLine(const std::string& rawLine, int lineNumber, const char* name, Script* script, std::string* error) {
    LineParser parser(name, lineNumber, error);
    std::string line = rawLine;
    const std::size_t hash = line.find('#');
    if (hash != std::string::npos) line.erase(hash);
    line = Trim(line);
    if (line.empty()) return true;

    std::istringstream in(line);
    std::string frameText;
    std::string command;
    in >> frameText >> command;
    ScriptEvent event;
    event.line = lineNumber;
    long long frame = 0;
    if (!ParseInteger(frameText, 0, kMaxFrame, &frame)) return parser.Fail("bad frame number \"" + frameText + "\"");
    event.frame = static_cast<std::uint32_t>(frame);
    if (command.empty()) return parser.Fail("missing command");

    std::vector<std::string> args;
    std::string word;
    std::string rest;
    std::getline(in, rest);
    rest = Trim(rest);
    {
        std::istringstream words(rest);
        while (words >> word) args.push_back(word);
    }

    long long value = 0;
    if (command == "key") {
        if (args.size() != 1) return parser.Fail("usage: <frame> key <VK name>");
        event.command = ScriptCommand::Key;
        event.code = VirtualKeyFromName(args[0].c_str());
        if (event.code < 0) return parser.Fail("unknown virtual key \"" + args[0] + "\"");
    } else if (command == "activate") {
        if (args.size() != 1 || !ParseInteger(args[0], 0, 1, &value)) return parser.Fail("usage: <frame> activate 0|1");
        event.command = ScriptCommand::Activate;
        event.code = static_cast<int>(value);
    } else if (command == "screenshot" || command == "dump") {
        if (rest.empty()) return parser.Fail("usage: <frame> " + command + " FILE");
        event.command = command == "dump" ? ScriptCommand::Dump : ScriptCommand::Screenshot;
        event.path = rest;
    } else if (command == "hold") {
        if (args.size() != 2) return parser.Fail("usage: <frame> hold <DIK name> <frames>");
        event.command = ScriptCommand::Hold;
        event.code = ScanCodeFromName(args[0].c_str());
        if (event.code < 0) return parser.Fail("unknown scan code \"" + args[0] + "\"");
        if (!ParseInteger(args[1], 1, kMaxFrame, &value)) return parser.Fail("bad frame count \"" + args[1] + "\"");
        event.count = static_cast<std::uint32_t>(value);
    } else if (command == "mouse") {
        if (args.size() < 2 || args.size() > 5) return parser.Fail("usage: <frame> mouse <dx> <dy> [left] [right] [middle]");
        event.command = ScriptCommand::Mouse;
        long long dx = 0;
        long long dy = 0;
        if (!ParseInteger(args[0], -1000000, 1000000, &dx) || !ParseInteger(args[1], -1000000, 1000000, &dy))
            return parser.Fail("bad mouse motion");
        event.x = static_cast<std::int32_t>(dx);
        event.y = static_cast<std::int32_t>(dy);
        for (std::size_t i = 2; i < args.size(); ++i) {
            if (args[i] == "left") event.count |= 1u;
            else if (args[i] == "right") event.count |= 2u;
            else if (args[i] == "middle") event.count |= 4u;
            else return parser.Fail("unknown mouse button \"" + args[i] + "\"");
        }
    } else if (command == "joy") {
        if (args.size() != 3) return parser.Fail("usage: <frame> joy <x> <y> <mask>");
        event.command = ScriptCommand::Joy;
        long long x = 0;
        long long y = 0;
        long long mask = 0;
        if (!ParseInteger(args[0], 0, kMaxJoystickAxis, &x) || !ParseInteger(args[1], 0, kMaxJoystickAxis, &y))
            return parser.Fail("joystick position must be 0..65535");
        if (!ParseInteger(args[2], 0, 0xFFFFFFFFLL, &mask, true)) return parser.Fail("bad joystick button mask");
        event.x = static_cast<std::int32_t>(x);
        event.y = static_cast<std::int32_t>(y);
        event.count = static_cast<std::uint32_t>(mask);
        script->hasJoystick = true;
    } else if (command == "end") {
        if (!args.empty()) return parser.Fail("usage: <frame> end");
        if (script->hasEnd) return parser.Fail("a second \"end\" line");
        script->hasEnd = true;
        script->endFrame = event.frame;
        return true;
    } else {
        return parser.Fail("unknown command \"" + command + "\"");
    }
    script->events.push_back(event);
    return true;
}

}  // namespace

std::string PrintableText(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte == '\\') {
            out += "\\\\";
        } else if (byte < 0x20 || byte >= 0x7F) {
            char hex[5];
            std::snprintf(hex, sizeof hex, "\\x%02X", byte);
            out += hex;
        } else {
            out += c;
        }
    }
    return out;
}

bool ParseScript(const std::string& text, const char* name, Script* script, std::string* error) {
    *script = Script{};
    if (text.size() > kMaxScriptBytes) {
        *error = PrintableText(std::string(name)) + ": the script is larger than " + std::to_string(kMaxScriptBytes) +
                 " bytes";
        return false;
    }
    int lineNumber = 0;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        ++lineNumber;
        if (end - start > kMaxScriptLineBytes) {
            *error = PrintableText(std::string(name)) + ":" + std::to_string(lineNumber) + ": the line is longer than " +
                     std::to_string(kMaxScriptLineBytes) + " bytes";
            return false;
        }
        if (!ParseLine(text.substr(start, end - start), lineNumber, name, script, error)) return false;
        start = end + 1;
    }
    std::stable_sort(script->events.begin(), script->events.end(),
                     [](const ScriptEvent& a, const ScriptEvent& b) { return a.frame < b.frame; });
    return true;
}

bool LoadScriptFile(const char* path, Script* script, std::string* error) {
    // A folder opens for reading but holds no text.
    std::FILE* file = std::fopen(path, "rb");
    struct stat st;
    if (file == nullptr || fstat(fileno(file), &st) != 0 || S_ISDIR(st.st_mode)) {
        const int reason = file == nullptr ? errno : S_ISDIR(st.st_mode) ? EISDIR : errno;
        if (file != nullptr) std::fclose(file);
        *error = PrintableText(path) + ": cannot open script (" + std::strerror(reason) + ")";
        return false;
    }
    // Read no more than the limit allows (a device such as /dev/zero never
    // ends), plus one byte to tell a script of exactly the limit from a
    // longer one.
    std::string text;
    char buffer[65536];
    bool readFailed = false;
    while (text.size() <= kMaxScriptBytes) {
        const std::size_t got = std::fread(buffer, 1, sizeof buffer, file);
        text.append(buffer, got);
        if (got < sizeof buffer) {
            readFailed = std::ferror(file) != 0;
            break;
        }
    }
    const int readErrno = errno;
    std::fclose(file);
    if (readFailed) {
        *error = PrintableText(path) + ": cannot read script (" + std::strerror(readErrno) + ")";
        return false;
    }
    return ParseScript(text, path, script, error);
}
