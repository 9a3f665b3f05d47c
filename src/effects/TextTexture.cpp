// The text-to-texture steps that the song title and the scroller share.
#include "effects/TextTexture.h"

#include <algorithm>
#include <climits>
#include <cstring>

namespace quib {

FontDescription TextFont(const std::string& face, int pixelHeight, uint8_t bold, uint8_t italic,
                         uint8_t strikeOut, uint8_t underline) {
    FontDescription font;
    font.face = face;
    font.pixelHeight = pixelHeight;
    font.weight = bold != 0 ? 700 : 400;
    font.italic = italic != 0;
    font.underline = underline != 0;
    font.strikeOut = strikeOut != 0;
    return font;
}

bool CopyRows(GfxTexture& texture, const uint32_t* pixels, int width, int rows,
              bool clearFirstRow) {
    if (texture.Width() < width || texture.Height() < rows) {
        return false;
    }
    const TextureLock lock = texture.Lock();
    if (lock.bits == nullptr) {
        return false;
    }
    const size_t rowBytes = static_cast<size_t>(width) * sizeof(uint32_t);
    for (int row = 0; row < rows; ++row) {
        std::memcpy(lock.bits + static_cast<ptrdiff_t>(row) * lock.pitch,
                    pixels + static_cast<size_t>(row) * width, rowBytes);
    }
    if (clearFirstRow && rows > 0) {
        std::memset(lock.bits, 0, rowBytes);
    }
    texture.Unlock();
    return true;
}

bool UploadPixels(GfxDevice& device, const uint32_t* pixels, GfxTexture& target) {
    const std::unique_ptr<GfxTexture> staging =
        device.CreateTexture(target.Width(), target.Height(), TextureUsage::Staging);
    return staging && CopyRows(*staging, pixels, target.Width(), target.Height()) &&
           device.UpdateTexture(*staging, target);
}

int32_t TruncatePixels(double value) {
    if (!(value == value)) {
        return 0;
    }
    return static_cast<int32_t>(std::clamp(value, double{INT32_MIN}, double{INT32_MAX}));
}

} // namespace quib
