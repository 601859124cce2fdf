// The current colour-combine function, shared by every caller that changes
// it: guColorCombineFunction is called only when the wanted value differs
// from the stored one. Starts at GR_COLORCOMBINE_ITRGB.
#pragma once

#include "glide.h"

extern int CurrentColorCombine;

inline void RequestColorCombine(GrColorCombineFnc_t function) {
    if (CurrentColorCombine != function) {
        guColorCombineFunction(function);
        CurrentColorCombine = function;
    }
}
