// A clickable image with normal, hover and pressed looks that sends one command per press.
#include "effects/ButtonEffect.h"

#include "description/DescriptionModel.h"
#include "effects/EffectHost.h"
#include "effects/TextureStore.h"

namespace quib {

ButtonEffect::ButtonEffect(GfxDevice* device, EffectHost* host) : Effect(device, host) {
    for (auto& quad : stateQuads) {
        quad = device->CreateVertexBuffer(kQuadBytes);
    }
}

ButtonEffect::~ButtonEffect() = default;

void ButtonEffect::Draw(int32_t elapsed, int32_t remaining, int32_t) {
    int look = Normal;
    if (!ContainsPointer()) {
        pressLatch = false;
    } else if (host->MouseDown()) {
        look = Pressed;
        if (!pressLatch) {
            host->ExecuteCommand(command, commandArgument);
            pressLatch = true;
        }
    } else {
        look = Hover;
        pressLatch = false;
    }
    if (stateTextures[look] == nullptr) {
        look = Normal;
    }
    if (stateTextures[look] == nullptr || !stateQuads[look]) {
        return;
    }
    GfxVertexBuffer& quad = *stateQuads[look];
    WriteQuad(quad, FadeColour(elapsed, remaining, fadeIn, fadeOut), stateU[look], stateV[look],
              stateSpanU[look], stateSpanV[look]);
    DrawQuad(quad, *stateTextures[look], AlphaSource::Vertex);
}

void ButtonEffect::Rebuild() {
    for (size_t look = 0; look < stateQuads.size(); ++look) {
        if (stateQuads[look]) {
            WriteQuad(*stateQuads[look], 0xFF000000u, stateU[look], stateV[look], stateSpanU[look],
                      stateSpanV[look]);
        }
    }
}

void ButtonEffect::ReleaseResources() {
    for (auto& quad : stateQuads) {
        quad.reset();
    }
}

void ButtonEffect::Load(TextureStore& textures, DescriptionReader& reader, Archive& archive) {
    Effect::Load(textures, reader, archive);
    ButtonEffectBlock block;
    ReadOwnFields(reader, block);
    for (size_t look = 0; look < block.looks.size(); ++look) {
        stateTextures[look] = textures.GetByIndex(block.looks[look].texture);
        stateU[look] = block.looks[look].stateU;
        stateV[look] = block.looks[look].stateV;
        stateSpanU[look] = 1.0f;
        stateSpanV[look] = 1.0f;
    }
    command = block.command;
    commandArgument = block.commandArgument;
    Rebuild();
}

} // namespace quib
