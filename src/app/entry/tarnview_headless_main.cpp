// `tarnview-headless`: the viewer with no display, driven by a script.
#include "app/headless_runner.h"

int main(int argc, char** argv) { return RunHeadless(argc, argv); }
