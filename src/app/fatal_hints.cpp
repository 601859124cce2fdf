#include "app/fatal_hints.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <unistd.h>

#include "platform/headless/script.h"

void PrintFontHint(const char* program, const char* message, bool nameFolder) {
    if (message == nullptr || std::strcmp(message, "Font file not found!") != 0) return;
    std::string folder = "there";
    if (nameFolder) {
        char path[4096];
        folder = "from the working folder " + PrintableText(getcwd(path, sizeof path) != nullptr ? path : "(unknown)");
    }
    std::fprintf(stderr,
                 "%s: the font file ffont.3df is read %s; the project keeps it in examples/fonts/ffont.3df: "
                 "copy it there, or run in a folder that has it, such as examples/demo\n",
                 program, folder.c_str());
}

void PrintNoDisplayHint(const char* program, const char* reason) {
    std::fprintf(stderr,
                 "%s: no display (%s): without one, run tarnview-headless, `tarnconv view --headless`, or the "
                 "window under a virtual display: xvfb-run -a %s\n",
                 program, reason, program);
}
