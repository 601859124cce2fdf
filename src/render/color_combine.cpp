#include "render/color_combine.h"

int CurrentColorCombine = GR_COLORCOMBINE_ITRGB;
