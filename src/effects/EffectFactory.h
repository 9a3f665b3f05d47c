// The table from effect type ids to the effect classes this player has.
#pragma once

#include "description/DescriptionModel.h"

namespace quib {

class Effect;
class EffectHost;
class GfxDevice;

// A newly constructed effect of the type (constructor defaults, device objects made), owned by
// the caller; null when the player has no class for the type or memory ran out.
Effect* ConstructEffect(EffectType type, GfxDevice* device, EffectHost* host);

// Whether ConstructEffect knows the type.
bool IsEffectTypeAvailable(EffectType type);

} // namespace quib
