// The factory: every class it builds answers to the type id it was built for.
#include "effects/EffectFactory.h"

#include "EffectTestSupport.h"

namespace quib::test {
namespace {

using EffectFactory = EffectTest;

TEST_F(EffectFactory, EveryConstructedTypeReportsItsId) {
    for (int32_t id = -1; id <= kEffectTypeCount; ++id) {
        const auto type = static_cast<EffectType>(id);
        std::unique_ptr<Effect> effect(ConstructEffect(type, &device, &host));
        EXPECT_EQ(effect != nullptr, IsEffectTypeAvailable(type)) << id;
        if (id < 0 || id >= kEffectTypeCount) {
            EXPECT_EQ(effect, nullptr) << id;
        } else if (effect) {
            EXPECT_EQ(effect->GetType(), id);
            effect->ReleaseResources();
        }
    }
}

} // namespace
} // namespace quib::test
