// Where a file named inside a scene or object file is looked for.
//
// BuildPath joins the way the files were written for (drive letters, "\"
// or "/" separators). HostPath then maps such a path onto this platform's
// files: separators become "/"; a drive letter cannot be honoured here and
// is refused; and since the files were written for a file system that
// ignores case, a name that does not exist as written is matched against
// its folder's entries ignoring case.
#pragma once

#include <string>

// A fileName with its own drive or directory is kept as written; a bare one
// takes the drive and directory of dirSource (whose last component counts as
// a file name, so a directory there must end in a separator).
std::string BuildPath(const char* dirSource, const char* fileName);

// Maps a built path to a path of this platform. False (with the reason in
// *error) when the path names a drive. Components missing as written are
// replaced by the first entry of their folder, in name order, that equals
// them ignoring ASCII case; a path that matches nothing is returned with
// "/" separators and fails to open as written.
bool HostPath(const std::string& path, std::string* hostPath, std::string* error);
