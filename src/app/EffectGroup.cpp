// A group of effects drawn together while the page time lies in one of its intervals.
#include "app/EffectGroup.h"

#include "app/Page.h"
#include "effects/Effect.h"
#include "effects/EffectFactory.h"

#include <algorithm>
#include <thread>

namespace quib {

EffectGroup::EffectGroup(GfxDevice* device, Page* page) : device(device), page(page) {}

EffectGroup::~EffectGroup() {
    device = nullptr;
    for (auto& effect : effects) {
        effect->ReleaseResources();
        effect.reset();
    }
}

Effect* EffectGroup::CreateEffect(EffectType type) {
    std::unique_ptr<Effect> effect(ConstructEffect(type, device, page->host));
    if (!effect) {
        return nullptr;
    }
    effect->RebuildMarked();
    effects.push_back(std::move(effect));
    return effects.back().get();
}

int32_t EffectGroup::Duration() const {
    int32_t duration = 0;
    for (const ActiveInterval& interval : intervals) {
        duration = std::max(duration, interval.end);
    }
    return duration;
}

void EffectGroup::Draw(int32_t pageTime, int32_t position) {
    const auto active = std::find_if(intervals.begin(), intervals.end(), [&](const auto& i) {
        return i.start <= pageTime && pageTime <= i.end;
    });
    if (active == intervals.end()) {
        return;
    }
    // Differences of two int32 can leave the int32 range; they wrap as the disk's clock does.
    const auto elapsed = static_cast<int32_t>(static_cast<int64_t>(pageTime) - active->start);
    const auto remaining = static_cast<int32_t>(static_cast<int64_t>(active->end) - pageTime);
    for (const auto& effect : effects) {
        while (effect->busy.load(std::memory_order_acquire)) {
            std::this_thread::yield();
        }
        effect->Draw(elapsed, remaining, position);
    }
}

void EffectGroup::AspectChanged(float previousAspect, float newAspect) {
    for (const auto& effect : effects) {
        effect->OnAspectChange(previousAspect, newAspect);
    }
}

} // namespace quib
