// The effect tests' fixture.
#include "EffectTestSupport.h"

#include "description/MemoryDescriptionReader.h"
#include "effects/EffectFactory.h"

namespace quib::test {

void EffectTest::TearDown() {
    for (auto& effect : effects) {
        effect->ReleaseResources();
    }
    effects.clear();
    const MemCounters after = MemGetCounters();
    EXPECT_EQ(after.allocations - after.frees, before.allocations - before.frees)
        << "blocks allocated by effects were not freed";
}

Effect& EffectTest::LoadEffect(const EffectBlock& block, Archive* archive) {
    const auto type = static_cast<EffectType>(block.index());
    std::unique_ptr<Effect> effect(ConstructEffect(type, &device, &host));
    EXPECT_NE(effect, nullptr) << "no effect of type " << static_cast<int32_t>(type);
    effect->RebuildMarked();
    const std::vector<uint8_t> bytes = WriteEffectBlock(block);
    MemoryDescriptionReader reader(bytes);
    effect->Load(host.textures, reader, archive ? *archive : noArchive);
    EXPECT_FALSE(reader.Failed()) << "the block did not read whole";
    EXPECT_TRUE(reader.Rest().empty()) << "the effect left bytes of its block unread";
    effects.push_back(std::move(effect));
    return *effects.back();
}

const std::vector<RecordedDraw>& EffectTest::DrawFrame(Effect& effect, int32_t elapsed,
                                                       int32_t remaining, int32_t position) {
    device.Clear();
    effect.Draw(elapsed, remaining, position);
    return device.draws;
}

} // namespace quib::test
