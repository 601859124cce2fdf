// A material's texture: read from its 3DF file and placed in texture memory
// three times (all mip levels for single-pass drawing, the odd and the even
// levels for two-pass trilinear drawing).
#pragma once

#include "scene/records.h"

// textureWord is nullptr for "NOBITMAP" / "NODIFFUSE" (no texture). A bare
// texture word is looked for in the directory of objectFilePath. A missing
// or unreadable file is fatal ("err"); running out of texture memory is not:
// the handles obtained so far stay in the material.
void LoadMaterialTexture(Material& material, const char* textureWord, const char* objectFilePath);
