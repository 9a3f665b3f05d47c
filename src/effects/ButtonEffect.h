// A clickable image with normal, hover and pressed looks that sends one command per press.
#pragma once

#include "effects/Effect.h"

#include <array>
#include <memory>

namespace quib {

// The hit test comes before any drawing, so a button without a normal texture is invisible
// but still sends its command. A press that begins outside and is dragged in counts when it
// enters; holding sends nothing more; leaving or releasing re-arms the latch.
class ButtonEffect final : public Effect {
public:
    enum Look { Normal = 0, Hover = 1, Pressed = 2 };

    ButtonEffect(GfxDevice* device, EffectHost* host);

    void Draw(int32_t elapsed, int32_t remaining, int32_t position) override;
    void Rebuild() override;
    void ReleaseResources() override;
    int32_t GetType() const override { return static_cast<int32_t>(EffectType::Button); }
    ~ButtonEffect() override;
    // The looks' two span floats are read and ignored: each look spans one texture extent.
    void Load(TextureStore& textures, DescriptionReader& reader, Archive& archive) override;

    std::array<std::unique_ptr<GfxVertexBuffer>, 3> stateQuads;
    bool pressLatch = false;
    std::array<const GfxTexture*, 3> stateTextures{}; // borrowed from the texture store
    std::array<float, 3> stateU{};
    std::array<float, 3> stateV{};
    std::array<float, 3> stateSpanU{1.0f, 1.0f, 1.0f};
    std::array<float, 3> stateSpanV{1.0f, 1.0f, 1.0f};
    int32_t command = 0;
    int32_t commandArgument = -1;
};

} // namespace quib
