#include "app/app_globals.h"

std::int32_t AppActive = 0;
std::int32_t GlideReady = 0;
