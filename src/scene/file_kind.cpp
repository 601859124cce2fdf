#include "scene/file_kind.h"

#include <sys/stat.h>

const char* NonRegularFileKind(const char* path) {
    struct stat info {};
    if (stat(path, &info) != 0) return nullptr;
    if (S_ISREG(info.st_mode) || S_ISDIR(info.st_mode)) return nullptr;
    if (S_ISFIFO(info.st_mode)) return "a FIFO";
    if (S_ISCHR(info.st_mode)) return "a character device";
    if (S_ISBLK(info.st_mode)) return "a block device";
    if (S_ISSOCK(info.st_mode)) return "a socket";
    return "a special file";
}
