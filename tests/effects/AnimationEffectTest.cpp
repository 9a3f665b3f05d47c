// Animations: the list file's lines, frames left out, the frame shown at a time, the fade.
#include "effects/AnimationEffect.h"

#include "EffectTestSupport.h"
#include "vfs/ZipBuilder.h"

#include <cstring>

namespace quib::test {
namespace {

using ziptest::BuildEntry;

class Animation : public EffectTest {
protected:
    AnimationEffect& LoadAnimation(const std::vector<BuildEntry>& entries, int32_t duration,
                                   int32_t fadeIn = 0) {
        zip = ziptest::BuildZip(entries).bytes;
        return LoadFrom(duration, fadeIn);
    }
    AnimationEffect& LoadFrom(int32_t duration, int32_t fadeIn) {
        archives.push_back(std::make_unique<ZipArchive>());
        EXPECT_TRUE(
            archives.back()->openMemory(zip.data(), static_cast<uint32_t>(zip.size()), 'r'));
        AnimationEffectBlock block;
        block.fadeIn = fadeIn;
        block.listName = "anim/list.txt";
        block.frameDuration = duration;
        return Load<AnimationEffect>(block, archives.back().get());
    }
    // The red bytes of the frames, in order.
    static std::string Reds(const AnimationEffect& animation) {
        std::string reds;
        for (const auto& frame : animation.frames) {
            reds += static_cast<char>(static_cast<const MemoryTexture&>(*frame).argb[0] >> 16);
        }
        return reds;
    }
    void TearDown() override {
        archives.clear();
        EffectTest::TearDown();
    }
    std::string zip;
    std::vector<std::unique_ptr<ZipArchive>> archives;
};

TEST_F(Animation, ListLinesEndAnyWaySkipEmptyOnesAndKeep79Characters) {
    const std::string long79(79, 'x');
    const std::string list =
        "a.pnm\r\nb.pnm\n\n\r\nmissing.pnm\nbad.pnm\r" + long79 + "d.pnm\r\r\n" + "c.pnm";
    auto& animation = LoadAnimation({{.name = "anim/list.txt", .content = list},
                                     {.name = "a.pnm", .content = PixelImage('a')},
                                     {.name = "b.pnm", .content = PixelImage('b'), .method = 8},
                                     {.name = "c.pnm", .content = PixelImage('c')},
                                     {.name = "d.pnm", .content = PixelImage('d')},
                                     {.name = long79, .content = PixelImage('x')},
                                     {.name = "bad.pnm", .content = "not an image"}},
                                    1470);
    EXPECT_EQ(Reds(animation), "abxdc");
}

TEST_F(Animation, MissingListDrawsNothing) {
    auto& animation = LoadAnimation({{.name = "a.pnm", .content = PixelImage('a')}}, 1470);
    EXPECT_TRUE(animation.frames.empty());
    EXPECT_TRUE(DrawFrame(animation, 0, 100, 0).empty());
}

// Deflated entries whose headers claim more bytes than their data inflates to: the list ends
// where its data does (the end is not waited for), and a frame that cannot be read whole is
// left out, without a buffer of the claimed size.
TEST_F(Animation, EntriesShorterThanTheirHeadersClaimEndTheList) {
    const std::vector<BuildEntry> entries = {
        {.name = "a.pnm", .content = PixelImage('a')},
        {.name = "b.pnm", .content = PixelImage('b'), .method = 8},
        {.name = "anim/list.txt", .content = "a.pnm\nb.pnm", .method = 8}};
    const auto built = ziptest::BuildZip(entries);
    zip = built.bytes;
    const uint32_t claimed = 0x7FFFFFF0u;
    // The uncompressed size: at 22 in the local header, at 24 in the central record.
    uint64_t central = built.directoryOffset;
    for (size_t i = 0; i < entries.size(); ++i) {
        if (i != 0) {
            std::memcpy(&zip[built.localOffsets[i] + 22], &claimed, 4);
            std::memcpy(&zip[central + 24], &claimed, 4);
        }
        central += 46 + entries[i].name.size();
    }
    auto& animation = LoadFrom(1470, 0);
    EXPECT_EQ(Reds(animation), "a");
}

TEST_F(Animation, FrameFollowsElapsedTimeAndFades) {
    std::string list;
    std::vector<BuildEntry> entries;
    for (char red = '0'; red <= '9'; ++red) {
        list += std::string(1, red) + "\n";
        entries.push_back({.name = std::string(1, red), .content = PixelImage(red)});
    }
    entries.push_back({.name = "anim/list.txt", .content = list});
    auto& animation = LoadAnimation(entries, 1470, 1000);
    ASSERT_EQ(animation.frames.size(), 10u);
    const std::pair<int32_t, size_t> cases[] = {{0, 0},    {4409, 2},  {4410, 3}, {5879, 3},
                                                {5880, 4}, {14699, 9}, {14700, 0}};
    for (const auto& [elapsed, frame] : cases) {
        const auto& draws = DrawFrame(animation, elapsed, 100000, 0);
        ASSERT_EQ(draws.size(), 1u);
        EXPECT_EQ(draws[0].texture, animation.frames[frame].get()) << elapsed;
    }
    const auto& draws = DrawFrame(animation, 500, 100000, 0);
    EXPECT_EQ(draws[0].alpha, AlphaSource::Vertex);
    EXPECT_EQ(draws[0].textured[0].colour, 0x7FFFFFFFu);
    EXPECT_EQ(draws[0].textured[2].u, 1.0f);
    for (int32_t duration : {0, -5}) {
        animation.frameDuration = duration;
        EXPECT_EQ(DrawFrame(animation, 5000, 100, 0)[0].texture, animation.frames[0].get());
    }
}

} // namespace
} // namespace quib::test
