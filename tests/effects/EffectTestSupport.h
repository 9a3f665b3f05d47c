// The effect tests' fixture: a recording device, a fake host, effects made by the factory and
// loaded from parameter blocks, and the allocation balance checked when the test ends.
#pragma once

#include "FakeEffectHost.h"
#include "RecordingGfxDevice.h"
#include "description/DescriptionModel.h"
#include "effects/Effect.h"
#include "platform/MemAllocator.h"
#include "vfs/ZipArchive.h"

#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

namespace quib::test {

class EffectTest : public ::testing::Test {
protected:
    void SetUp() override { before = MemGetCounters(); }
    // Releases and deletes every effect made, then checks that every block allocated since
    // SetUp was freed.
    void TearDown() override;

    // A new effect of the block's type, built by the factory, rebuilt once and loaded from the
    // block's bytes, as a disk's loader does it; owned by the fixture.
    template <class T>
    T& Load(const EffectBlock& block, Archive* archive = nullptr) {
        return dynamic_cast<T&>(LoadEffect(block, archive));
    }
    Effect& LoadEffect(const EffectBlock& block, Archive* archive);
    // The draws of one frame of `effect`.
    const std::vector<RecordedDraw>& DrawFrame(Effect& effect, int32_t elapsed, int32_t remaining,
                                               int32_t position);

    RecordingGfxDevice device;
    FakeEffectHost host{&device};
    ZipArchive noArchive; // never opened: effects that read no files get this one
    std::vector<std::unique_ptr<Effect>> effects;
    MemCounters before{};
};

// The file bytes of a 1x1 image of one colour, which the texture decoder reads.
inline std::string PixelImage(uint8_t red, uint8_t green = 0, uint8_t blue = 0) {
    return std::string("P6\n1 1\n255\n") + static_cast<char>(red) + static_cast<char>(green) +
           static_cast<char>(blue);
}

// The alpha byte of an ARGB word.
inline uint32_t AlphaOf(uint32_t argb) {
    return argb >> 24;
}

} // namespace quib::test
