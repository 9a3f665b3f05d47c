// The knob of a horizontal slider that sends its position in percent while it is dragged.
#include "effects/SliderBarEffect.h"

#include "description/DescriptionModel.h"
#include "effects/EffectHost.h"
#include "effects/TextureStore.h"

#include <algorithm>

namespace quib {
namespace {

constexpr int32_t kSetVolume = 6;

// Truncation toward zero, saturated to the int32 range (a knob almost as wide as its track
// makes the fraction huge).
int32_t TruncateSaturated(float value) {
    return static_cast<int32_t>(std::clamp(value, -2147483648.0f, 2147483520.0f));
}

} // namespace

SliderBarEffect::SliderBarEffect(GfxDevice* device, EffectHost* host)
    : Effect(device, host), quad(device->CreateVertexBuffer(kQuadBytes)) {}

SliderBarEffect::~SliderBarEffect() = default;

float SliderBarEffect::KnobWidth() const {
    return static_cast<float>(knobAspectWidth) / static_cast<float>(knobAspectHeight) * height *
           0.5f;
}

void SliderBarEffect::Draw(int32_t, int32_t, int32_t) {
    // A knob of no aspect height has no width to speak of: nothing is drawn or sent.
    if (texture == nullptr || !quad || knobAspectHeight == 0) {
        return;
    }
    const float k = KnobWidth();
    float f = 1.0f;
    if (ContainsPointer() && host->MouseDown()) {
        // The fraction is worked out in double precision and then rounded to single. A track
        // exactly as wide as the knob has no travel: the knob rests flush left.
        const double travel = static_cast<double>(width) - k;
        f = travel == 0.0
                ? 0.0f
                : static_cast<float>((static_cast<double>(host->MouseX()) - x - k / 2) / travel);
        host->ExecuteCommand(command, TruncateSaturated(f * 100));
    }
    if (command == kSetVolume) {
        f = host->MasterVolume();
    }
    const float left = x + (width - k) * f;
    WriteRect(*quad, left, y, left + k, y - height, 0xFFFFFFFFu, 0.0f, 0.0f, knobSpanU, knobSpanV);
    DrawQuad(*quad, *texture, AlphaSource::Texture);
}

void SliderBarEffect::ReleaseResources() {
    quad.reset();
}

void SliderBarEffect::Load(TextureStore& textures, DescriptionReader& reader, Archive& archive) {
    Effect::Load(textures, reader, archive);
    SliderBarEffectBlock block;
    ReadOwnFields(reader, block);
    texture = textures.GetByIndex(block.texture);
    knobAspectWidth = block.knobAspectWidth;
    knobAspectHeight = block.knobAspectHeight;
    command = block.command;
    knobSpanU = block.knobSpanU;
    knobSpanV = block.knobSpanV;
    Rebuild();
}

} // namespace quib
