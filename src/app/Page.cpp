// One page of the disk: effect groups drawn in order on the page's own clock.
#include "app/Page.h"

#include "app/EffectGroup.h"

#include <algorithm>

namespace quib {

Page::Page(GfxDevice* device, EffectHost* host) : device(device), host(host) {}

Page::~Page() = default;

int32_t Page::Duration() const {
    int32_t duration = 0;
    for (const auto& group : groups) {
        duration = std::max(duration, group->Duration());
    }
    return duration;
}

void Page::Draw(int32_t pageTime, int32_t position) {
    for (const auto& group : groups) {
        group->Draw(pageTime, position);
    }
}

void Page::AspectChanged(float previousAspect, float newAspect) {
    for (const auto& group : groups) {
        group->AspectChanged(previousAspect, newAspect);
    }
}

} // namespace quib
