// View volume and the clip-code bits shared by the sphere test, the face
// test and the clipper.
//
// Clip coordinates are view coordinates with x scaled by VIEW_SCALE_X (1.73)
// and y by VIEW_SCALE_Y (2.3066666); z is the view depth. The view volume is
// -z <= x <= z, -z <= y <= z, NEAR_Z <= z <= FAR_Z, and its side planes map
// onto the screen rectangle (64, 48)-(576, 432).
#pragma once

constexpr int CLIP_NEAR = 0x01;    // z < 1.0
constexpr int CLIP_RIGHT = 0x02;   // x > z
constexpr int CLIP_LEFT = 0x04;    // x < -z
constexpr int CLIP_TOP = 0x08;     // y > z
constexpr int CLIP_BOTTOM = 0x10;  // y < -z
constexpr int CLIP_FAR = 0x20;     // z > 65000.0
constexpr int CLIP_ALL = 0x3F;     // every plane: the mask an actor is tested with
constexpr int CLIP_REJECT = 0x40;  // wholly outside: nothing is drawn

constexpr float NEAR_Z = 1.0f;
constexpr float FAR_Z = 65000.0f;
