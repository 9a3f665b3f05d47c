// A loop of images, listed in a text file of the archive, played at a fixed frame duration.
#pragma once

#include "effects/Effect.h"

#include <memory>
#include <string>
#include <vector>

namespace quib {

// The frames are the effect's own textures, decoded from the archive at load time. List
// lines end with CR, LF or both and keep at most 79 characters; empty lines are skipped, and
// names the archive lacks or images that do not decode are left out. The loop starts again
// from frame 0 whenever its group's interval begins.
class AnimationEffect final : public Effect {
public:
    AnimationEffect(GfxDevice* device, EffectHost* host);

    void Draw(int32_t elapsed, int32_t remaining, int32_t position) override;
    void Rebuild() override {}
    void ReleaseResources() override;
    int32_t GetType() const override { return static_cast<int32_t>(EffectType::Animation); }
    ~AnimationEffect() override;
    void Load(TextureStore& textures, DescriptionReader& reader, Archive& archive) override;

    // Replaces the frames with those the list names.
    void LoadFrames(Archive& archive);
    // The frame shown `elapsed` units into the interval: 0 for a duration of 0 or below (and
    // for times before the interval). Needs at least one frame.
    size_t FrameAt(int32_t elapsed) const;

    std::vector<std::unique_ptr<GfxTexture>> frames;
    std::unique_ptr<GfxVertexBuffer> quad;
    std::string listName;
    int32_t frameDuration = 1470;
};

} // namespace quib
