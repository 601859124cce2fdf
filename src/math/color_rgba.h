// A colour as four floats on the 0..255 scale; every lighting result is one.
#pragma once

struct ColorRGBA {
    float r = 0.0f;
    float g = 0.0f;
    float b = 0.0f;
    float a = 0.0f;
};
