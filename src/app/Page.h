// One page of the disk: effect groups drawn in order on the page's own clock.
#pragma once

#include "platform/MemAllocator.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace quib {

class EffectGroup;
class GfxDevice;
class EffectHost;

class Page : public MemObject {
public:
    Page(GfxDevice* device, EffectHost* host);
    ~Page();
    Page(const Page&) = delete;
    Page& operator=(const Page&) = delete;

    // The largest duration among the groups, or 0.
    int32_t Duration() const;
    void Draw(int32_t pageTime, int32_t position);
    void AspectChanged(float previousAspect, float newAspect);

    GfxDevice* device;
    std::vector<std::unique_ptr<EffectGroup>> groups;
    EffectHost* host; // handed to every effect the page's groups create
};

} // namespace quib
