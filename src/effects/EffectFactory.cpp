// The table from effect type ids to the effect classes this player has.
#include "effects/EffectFactory.h"

#include "effects/AnimationEffect.h"
#include "effects/ButtonEffect.h"
#include "effects/ImageEffect.h"
#include "effects/SliderBarEffect.h"
#include "effects/SongNameEffect.h"
#include "effects/ToggledImageEffect.h"
#include "effects/VerticalScrollerEffect.h"
#include "visualizers/BeatFlowerVisualizer.h"
#include "visualizers/BouncingEQVisualizer.h"
#include "visualizers/PlasmaVisualizer.h"
#include "visualizers/VerticalEQBarsVisualizer.h"

#include <array>

namespace quib {
namespace {

using Constructor = Effect* (*)(GfxDevice*, EffectHost*);

template <class T>
Effect* Make(GfxDevice* device, EffectHost* host) {
    return new T(device, host);
}

// Indexed by type id.
constexpr std::array<Constructor, kEffectTypeCount> kConstructors = {
    Make<ImageEffect>,              // 0
    Make<ButtonEffect>,             // 1
    Make<BouncingEQVisualizer>,     // 2
    Make<AnimationEffect>,          // 3
    Make<SongNameEffect>,           // 4
    Make<SliderBarEffect>,          // 5
    Make<VerticalScrollerEffect>,   // 6
    Make<VerticalEQBarsVisualizer>, // 7
    Make<PlasmaVisualizer>,         // 8
    Make<BeatFlowerVisualizer>,     // 9
    Make<ToggledImageEffect>,       // 10
};

Constructor Find(EffectType type) {
    const auto index = static_cast<int32_t>(type);
    return index >= 0 && index < kEffectTypeCount ? kConstructors[index] : nullptr;
}

} // namespace

Effect* ConstructEffect(EffectType type, GfxDevice* device, EffectHost* host) {
    const Constructor construct = Find(type);
    return construct ? construct(device, host) : nullptr;
}

bool IsEffectTypeAvailable(EffectType type) {
    return Find(type) != nullptr;
}

} // namespace quib
