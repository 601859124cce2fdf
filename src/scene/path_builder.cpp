#include "scene/path_builder.h"

#include <algorithm>
#include <filesystem>
#include <string_view>
#include <system_error>
#include <vector>

namespace {

struct PathParts {
    std::string_view drive;
    std::string_view directory;
    std::string_view name;
    std::string_view extension;
};

inline bool IsSeparator(char c) { return c == '/' || c == '\\'; }

// Drive: the first two characters when the second is ':'. Directory: from
// after the drive up to and including the last separator. Extension: from
// the last '.' after the directory to the end. Name: what lies between.
PathParts SplitPath(std::string_view path) {
    PathParts parts;
    std::size_t pos = 0;
    if (path.size() >= 2 && path[1] == ':') {
        parts.drive = path.substr(0, 2);
        pos = 2;
    }
    std::size_t lastSeparator = std::string_view::npos;
    for (std::size_t i = pos; i < path.size(); ++i) {
        if (IsSeparator(path[i])) lastSeparator = i;
    }
    std::size_t nameStart = pos;
    if (lastSeparator != std::string_view::npos) {
        parts.directory = path.substr(pos, lastSeparator + 1 - pos);
        nameStart = lastSeparator + 1;
    }
    std::size_t dot = path.rfind('.');
    if (dot != std::string_view::npos && dot >= nameStart) {
        parts.extension = path.substr(dot);
        parts.name = path.substr(nameStart, dot - nameStart);
    } else {
        parts.name = path.substr(nameStart);
    }
    return parts;
}

bool EqualIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x + ('a' - 'A'));
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y + ('a' - 'A'));
        if (x != y) return false;
    }
    return true;
}

// Rebuilds path component by component, taking for each one that does not
// exist the first folder entry (in name order) equal to it ignoring case.
std::string MatchIgnoringCase(const std::string& path) {
    namespace fs = std::filesystem;
    std::error_code ec;
    if (fs::exists(path, ec)) return path;
    std::string result;
    std::size_t pos = 0;
    if (!path.empty() && path[0] == '/') {
        result = "/";
        pos = 1;
    }
    while (pos <= path.size()) {
        std::size_t slash = path.find('/', pos);
        std::size_t end = slash == std::string::npos ? path.size() : slash;
        std::string component = path.substr(pos, end - pos);
        std::string candidate = result + component;
        if (!component.empty() && component != "." && component != ".." && !fs::exists(candidate, ec)) {
            fs::path folder = result.empty() ? fs::path(".") : fs::path(result);
            std::vector<std::string> matches;
            for (fs::directory_iterator it(folder, ec), last; !ec && it != last; it.increment(ec)) {
                std::string name = it->path().filename().string();
                if (EqualIgnoringCase(name, component)) matches.push_back(name);
            }
            if (matches.empty()) return path;
            std::sort(matches.begin(), matches.end());
            candidate = result + matches.front();
        }
        result = candidate;
        if (slash == std::string::npos) break;
        result.push_back('/');
        pos = slash + 1;
    }
    return result;
}

}  // namespace

std::string BuildPath(const char* dirSource, const char* fileName) {
    PathParts file = SplitPath(fileName);
    if (file.drive.empty() && file.directory.empty()) {
        PathParts source = SplitPath(dirSource);
        file.drive = source.drive;
        file.directory = source.directory;
    }
    std::string path;
    path.reserve(file.drive.size() + file.directory.size() + file.name.size() + file.extension.size() + 2);
    path.append(file.drive);
    path.append(file.directory);
    if (!file.directory.empty() && !IsSeparator(file.directory.back())) path.push_back('\\');
    path.append(file.name);
    if (!file.extension.empty() && file.extension.front() != '.') path.push_back('.');
    path.append(file.extension);
    return path;
}

bool HostPath(const std::string& path, std::string* hostPath, std::string* error) {
    if (path.size() >= 2 && path[1] == ':') {
        if (error != nullptr) {
            *error = "The path \"" + path + "\" names the drive " + path.substr(0, 2) +
                     ", which this system cannot use: write the path without a drive letter!";
        }
        return false;
    }
    std::string slashes = path;
    for (char& c : slashes) {
        if (c == '\\') c = '/';
    }
    *hostPath = MatchIgnoringCase(slashes);
    return true;
}
