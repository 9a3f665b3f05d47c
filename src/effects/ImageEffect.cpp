// An image from the texture store in the effect's rectangle, faded in and out with its group.
#include "effects/ImageEffect.h"

#include "description/DescriptionModel.h"
#include "effects/TextureStore.h"

namespace quib {

ImageEffect::ImageEffect(GfxDevice* device, EffectHost* host)
    : Effect(device, host), quad(device->CreateVertexBuffer(kQuadBytes)) {}

ImageEffect::~ImageEffect() = default;

void ImageEffect::Draw(int32_t elapsed, int32_t remaining, int32_t) {
    if (texture == nullptr || !quad) {
        return;
    }
    DrawImage(FadeColour(elapsed, remaining, fadeIn, fadeOut));
}

void ImageEffect::DrawImage(uint32_t colour) {
    // The vertex alpha is the image's alpha: at 0 the draw would leave every pixel as it was,
    // and only cost the texture its mip chain.
    if ((colour >> 24) == 0) {
        return;
    }
    WriteQuad(*quad, colour, u, v, spanU, spanV);
    DrawQuad(*quad, *texture, AlphaSource::Vertex);
}

void ImageEffect::Rebuild() {
    if (quad) {
        WriteQuad(*quad, 0xFFFFFFFFu, u, v, spanU, spanV);
    }
}

void ImageEffect::ReleaseResources() {
    quad.reset();
}

void ImageEffect::Load(TextureStore& textures, DescriptionReader& reader, Archive& archive) {
    Effect::Load(textures, reader, archive);
    ImageEffectBlock block;
    ReadOwnFields(reader, block);
    texture = textures.GetByIndex(block.texture);
    u = block.u;
    v = block.v;
    spanU = 1.0f;
    spanV = 1.0f;
    Rebuild();
}

} // namespace quib
