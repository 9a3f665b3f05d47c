// An image shown and hidden by an event flag, with its own fade-in and fade-out.
#include "effects/ToggledImageEffect.h"

#include "app/DescriptionModel.h"
#include "app/MusicDiskApp.h"
#include "app/TextureStore.h"

#include <algorithm>
#include <climits>

namespace quib {

ToggledImageEffect::ToggledImageEffect(GfxDevice* device, EffectGroup* group)
    : Effect(device, group), quad(device->CreateVertexBuffer(kQuadBytes)) {}

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
        if (eventFlag != -1 && App().ConsumeEventFlag(eventFlag)) {
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
    if (hideStart == -1 && d >= fadeIn && App().ConsumeEventFlag(eventFlag)) {
        hideStart = p;
    }
    WriteQuad(*quad, AlphaOverWhite(alpha), u, v, spanU, spanV);
    DrawQuad(*quad, *texture, AlphaSource::Vertex);
}

void ToggledImageEffect::Rebuild() {
    if (quad) {
        WriteQuad(*quad, 0xFFFFFFFFu, u, v, spanU, spanV);
    }
}

void ToggledImageEffect::ReleaseResources() {
    quad.reset();
}

void ToggledImageEffect::Load(TextureStore& textures, DescriptionReader& reader, Archive& archive) {
    Effect::Load(textures, reader, archive);
    ToggledImageEffectBlock block;
    ReadOwnFields(reader, static_cast<ImageEffectBlock&>(block));
    ReadOwnFields(reader, block);
    texture = textures.GetByIndex(block.texture);
    u = block.u;
    v = block.v;
    spanU = 1.0f;
    spanV = 1.0f;
    eventFlag = block.eventFlag;
    Rebuild();
}

} // namespace quib
