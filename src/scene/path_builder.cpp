#include "scene/path_builder.h"

#include <string_view>

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
    hostPath->assign(path);
    for (char& c : *hostPath) {
        if (c == '\\') c = '/';
    }
    return true;
}
