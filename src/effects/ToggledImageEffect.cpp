// An image shown and hidden by an event flag, with its own fade-in and fade-out.
#include "effects/ToggledImageEffect.h"

#include "description/DescriptionModel.h"
#include "effects/EffectHost.h"

#include <algorithm>
#include <climits>

namespace quib {

ToggledImageEffect::ToggledImageEffect(GfxDevice* device, EffectHost* host)
    : ImageEffect(device, host) {}

ToggledImageEffect::~ToggledImageEffect() = default;

void ToggledImageEffect::Draw(int32_t, int32_t, int32_t p) {
    // The position runs backwards when another song starts under the image. A fade that began
    // "in the future" then counts as complete, so the image neither vanishes for the time
    // the position needs to catch up nor fades with a negative alpha.
    if (shown && p < showStart) {
        showStart = static_cast<int32_t>(std::max<int64_t>(INT32_MIN, int64_t{p} - fadeIn));
    }
    if (hideStart != -1 && p < hideStart) {
        shown = false;
    }
    if (hideStart != -1 && static_cast<int64_t>(p) - hideStart >= fadeOut) {
        shown = false;
    }
    if (!shown) {
        if (eventFlag != -1 && host->ConsumeEventFlag(eventFlag)) {
            showStart = p;
            hideStart = -1;
            shown = true;
        }
        return;
    }
    if (texture == nullptr || !quad) {
        return;
    }
    const int64_t d = static_cast<int64_t>(p) - showStart;
    double alpha = 255.0;
    if (d < fadeIn) {
        alpha = 255.0 * static_cast<double>(d) / fadeIn;
    } else if (hideStart != -1 && static_cast<int64_t>(p) - hideStart < fadeOut) {
        const auto e = static_cast<double>(static_cast<int64_t>(p) - hideStart);
        alpha = 255.0 - static_cast<int32_t>(255.0 * e / fadeOut);
    }
    if (hideStart == -1 && d >= fadeIn && host->ConsumeEventFlag(eventFlag)) {
        hideStart = p;
    }
    DrawImage(AlphaOverWhite(alpha));
}

void ToggledImageEffect::Load(TextureStore& textures, DescriptionReader& reader, Archive& archive) {
    ImageEffect::Load(textures, reader, archive);
    ToggledImageEffectBlock block;
    ReadOwnFields(reader, block);
    eventFlag = block.eventFlag;
}

} // namespace quib
