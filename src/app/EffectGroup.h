// A group of effects drawn together while the page time lies in one of its intervals.
#pragma once

#include "description/DescriptionModel.h"
#include "platform/MemAllocator.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace quib {

class Effect;
class GfxDevice;
class Page;

// Page-clock frames, both ends inclusive; start > end never matches.
struct ActiveInterval {
    int32_t start = 0;
    int32_t end = 0;
};

class EffectGroup : public MemObject {
public:
    EffectGroup(GfxDevice* device, Page* page);
    // Releases every effect's device objects, then deletes the effects.
    ~EffectGroup();
    EffectGroup(const EffectGroup&) = delete;
    EffectGroup& operator=(const EffectGroup&) = delete;

    // A new effect of the given type, rebuilt once and appended; null when this player has no
    // effect class for the type (or memory ran out), and nothing is appended.
    Effect* CreateEffect(EffectType type);

    // The largest interval end, or 0 when that is larger.
    int32_t Duration() const;
    // Draws every effect (in order) with the times of the first interval holding pageTime.
    void Draw(int32_t pageTime, int32_t position);
    void AspectChanged(float previousAspect, float newAspect);

    GfxDevice* device;
    std::vector<std::unique_ptr<Effect>> effects;
    std::vector<ActiveInterval> intervals;
    Page* page;
};

} // namespace quib
