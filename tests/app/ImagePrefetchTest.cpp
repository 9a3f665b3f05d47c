// Images decoded ahead: handed out in their order, whoever decodes them, and refusing the rest.
#include "app/ImagePrefetch.h"

#include "AppTestSupport.h"
#include "vfs/ZipArchive.h"

#include <gtest/gtest.h>

namespace quib {
namespace {

TEST(ImagePrefetch, HandsOutTheImagesInTheirOrderWithAnyNumberOfWorkers) {
    const std::string archivePath = test::ScratchDirectory("prefetch") + "/images.zip";
    std::vector<std::pair<std::string, std::vector<uint8_t>>> entries;
    std::vector<std::string> names;
    for (int i = 1; i <= 12; ++i) {
        names.push_back("image" + std::to_string(i) + ".png");
        entries.emplace_back(names.back(), test::SolidPng(i, 13 - i, 0xFF000000u | uint32_t(i)));
    }
    entries.emplace_back("junk.png", std::vector<uint8_t>{1, 2, 3});
    ASSERT_TRUE(test::MakeZip(archivePath, entries));
    ZipArchive archive;
    ASSERT_TRUE(archive.open(archivePath.c_str(), 'r'));
    // A repeat of a name (in any case) is not decoded again; junk and missing entries are not
    // images.
    std::vector<std::string> listed = names;
    listed.insert(listed.begin() + 3, "IMAGE2.PNG");
    listed.insert(listed.begin() + 5, "junk.png");
    listed.insert(listed.begin() + 7, "missing.png");

    for (const unsigned workers : {0u, 1u, 3u}) {
        ImagePrefetch prefetch;
        prefetch.Start(archive, listed, workers);
        DecodedImage image;
        EXPECT_FALSE(prefetch.Take("image2.png", image)) << "out of turn, " << workers;
        for (const std::string& name : listed) {
            const bool isImage = name.rfind("image", 0) == 0;
            ASSERT_EQ(prefetch.Take(name, image), isImage) << name << ", " << workers;
            if (isImage) {
                const int i = std::stoi(name.substr(5));
                EXPECT_EQ(image.width, i) << name;
                EXPECT_EQ(image.height, 13 - i) << name;
                EXPECT_EQ(image.argb.front(), 0xFF000000u | uint32_t(i)) << name;
            }
        }
    }
}

} // namespace
} // namespace quib
