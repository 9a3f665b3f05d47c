// The text-to-texture steps that the song title and the scroller share.
#pragma once

#include "host/gfx/GfxDevice.h"
#include "host/text/FontDescription.h"

#include <cstdint>
#include <memory>
#include <string>

namespace quib {

// The font of a parameter block: a cell height in pixels, weight 700 when bold, else 400.
FontDescription TextFont(const std::string& face, int pixelHeight, uint8_t bold, uint8_t italic,
                         uint8_t strikeOut, uint8_t underline);

// Copies `rows` rows of `width` pixels, the first from `pixels`, into level 0 of a lockable
// texture at its pitch, row 0 first; `clearFirstRow` then zeroes texture row 0. False when the
// texture cannot be locked or is smaller than the rows.
bool CopyRows(GfxTexture& texture, const uint32_t* pixels, int width, int rows,
              bool clearFirstRow = false);

// Fills a drawable texture with pixels of its own size, row 0 first, through a staging texture
// that is released again. False when the staging texture cannot be made.
bool UploadPixels(GfxDevice& device, const uint32_t* pixels, GfxTexture& target);

// A pixel size computed in floating point, truncated toward zero; values beyond the int32
// range (a rectangle no screen has) saturate and NaN gives 0, so a hostile size never wraps.
int32_t TruncatePixels(double value);

} // namespace quib
