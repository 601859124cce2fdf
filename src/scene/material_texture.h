// A material's texture: read from its 3DF file and placed in texture memory
// three times (all mip levels for single-pass drawing, the odd and the even
// levels for two-pass trilinear drawing).
#pragma once

#include "scene/records.h"

// textureWord is nullptr for "NOBITMAP" / "NODIFFUSE" (no texture). A bare
// texture word is looked for in the directory of objectFilePath. A missing
// or unreadable file is fatal ("err", after a detail line on stderr naming
// the file and the reason); running out of texture memory is not: the
// handles obtained so far stay in the material, and the shortfall is
// tallied for TextureShortfallWarning.
void LoadMaterialTexture(Material& material, const char* textureWord, const char* objectFilePath);

// Forgets the tally of materials that texture memory could not hold.
void ResetTextureShortfall();

// Prints one warning line on stderr when materials since the last reset got
// no texture (or not all of their levels) because texture memory was full:
// how many, and the first of them. Nothing when all fitted.
void TextureShortfallWarning();
