// The texture store: case-insensitive names, skipped duplicates and failures, index rules.
#include "effects/TextureStore.h"

#include "RecordingGfxDevice.h"
#include "TestImages.h"

#include <gtest/gtest.h>

namespace quib::test {
namespace {

class Textures : public ::testing::Test {
protected:
    TextureLoad Add(const std::string& name, int size) {
        const auto png = SolidPng(size, size, 0xFF00FF00u);
        return store().AddImage(name, png.data(), png.size());
    }
    TextureStore& store() { return textures; }

    RecordingGfxDevice device;
    TextureStore textures{&device};
};

TEST_F(Textures, NamesRepeatedIgnoringCaseTakeNoIndex) {
    EXPECT_EQ(Add("a.png", 1), TextureLoad::Added);
    EXPECT_EQ(Add("A.PNG", 2), TextureLoad::Duplicate);
    EXPECT_EQ(Add("b.png", 4), TextureLoad::Added);
    ASSERT_EQ(store().Count(), 2u);
    EXPECT_EQ(store().GetByIndex(0)->Width(), 1);
    EXPECT_EQ(store().GetByIndex(1)->Width(), 4);
    EXPECT_EQ(store().Find("A.png"), store().GetByIndex(0));
    EXPECT_EQ(store().Find("B.PNG"), store().GetByIndex(1));
    EXPECT_EQ(store().Find("c.png"), nullptr);
    EXPECT_EQ(store().Find("a.pn"), nullptr);
}

TEST_F(Textures, FailedImagesTakeNoIndex) {
    const std::string junk = "not an image";
    EXPECT_EQ(store().AddImage("bad.png", junk.data(), junk.size()), TextureLoad::NotAnImage);
    EXPECT_EQ(Add("two.png", 2), TextureLoad::Added);
    EXPECT_EQ(Add("three.png", 3), TextureLoad::Added);
    EXPECT_EQ(store().GetByIndex(0)->Width(), 2);
    EXPECT_EQ(store().GetByIndex(1)->Width(), 3);
    EXPECT_EQ(store().Find("bad.png"), nullptr);
    // A failed name may be added later with good bytes.
    EXPECT_EQ(Add("bad.png", 1), TextureLoad::Added);
}

TEST_F(Textures, IndexRules) {
    EXPECT_EQ(store().GetByIndex(0), nullptr); // empty store
    EXPECT_EQ(store().GetByIndex(-1), nullptr);
    Add("a.png", 1);
    Add("b.png", 2);
    EXPECT_EQ(store().GetByIndex(-1), store().GetByIndex(0));
    EXPECT_EQ(store().GetByIndex(INT32_MIN), store().GetByIndex(0));
    EXPECT_EQ(store().GetByIndex(2), nullptr);
    EXPECT_EQ(store().GetByIndex(INT32_MAX), nullptr);
}

} // namespace
} // namespace quib::test
