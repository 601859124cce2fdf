// Where a file named inside a scene or object file is looked for.
//
// BuildPath joins the way the files were written for (drive letters, "\"
// or "/" separators). HostPath then maps such a path onto this platform's
// files: separators become "/"; a drive letter cannot be honoured here and
// is refused.
#pragma once

#include <string>

// A fileName with its own drive or directory is kept as written; a bare one
// takes the drive and directory of dirSource (whose last component counts as
// a file name, so a directory there must end in a separator).
std::string BuildPath(const char* dirSource, const char* fileName);

// Maps a built path to a path of this platform. False (with the reason in
// *error) when the path names a drive.
bool HostPath(const std::string& path, std::string* hostPath, std::string* error);
