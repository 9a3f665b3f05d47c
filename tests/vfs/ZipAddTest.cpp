// Appending entries to ZIP archives: layout, kept directory records, refusals.
#include "vfs/StreamSettings.h"
#include "vfs/VfsTestSupport.h"
#include "vfs/ZipArchive.h"
#include "vfs/ZipBuilder.h"
#include "vfs/ZipFixtures.h"
#include "vfs/ZipFormat.h"
#include "vfs/ZipTestSupport.h"

#include <gtest/gtest.h>
#include <string>

namespace quib {
namespace {

using ziptest::BuildZip;
using ziptest::MakeBytes;
using ziptest::ReadEntry;
using ziptest::ReadFile;

uint32_t At32(const std::string& bytes, size_t at) {
    return zip::Load32(reinterpret_cast<const uint8_t*>(bytes.data()) + at);
}
uint16_t At16(const std::string& bytes, size_t at) {
    return zip::Load16(reinterpret_cast<const uint8_t*>(bytes.data()) + at);
}

class ZipAdd : public ::testing::Test {
protected:
    void SetUp() override { InstallBufferedAccessorFactory(32768, 32768); }
    void TearDown() override { ResetStreamSettings(); }

    std::string Locator(const char* name) const { return "file://" + dir.File(name); }

    test::TempDir dir;
};

TEST_F(ZipAdd, FirstEntryOfANewArchive) {
    const std::string content = MakeBytes(30000, 20);
    {
        ZipArchive archive;
        ASSERT_TRUE(archive.create(Locator("new.zip").c_str()));
        EXPECT_EQ(archive.entries.Count(), 0);
        ASSERT_TRUE(
            archive.addMemory(content.data(), uint32_t(content.size()), "first.txt", 1, nullptr));
        ASSERT_EQ(archive.entries.Count(), 1);
        EXPECT_EQ(archive.entries.Item(0).dataOffset, 30u + 9);
        EXPECT_EQ(ReadEntry(archive, "first.txt"), content);
    }
    const std::string bytes = ReadFile(dir.File("new.zip"));
    ASSERT_GT(bytes.size(), 30u + 46 + 22);
    EXPECT_EQ(At32(bytes, 0), zip::LocalSignature);
    EXPECT_EQ(At16(bytes, zip::local::Method), 8);
    EXPECT_EQ(At32(bytes, zip::local::Crc), ziptest::Crc32(content));
    EXPECT_EQ(At32(bytes, zip::local::UncompressedSize), content.size());
    const uint32_t compressed = At32(bytes, zip::local::CompressedSize);
    const size_t directory = 30 + 9 + compressed;
    EXPECT_EQ(At32(bytes, directory), zip::CentralSignature);
    EXPECT_EQ(At32(bytes, directory + zip::central::ExternalAttributes), 0x2020u);
    EXPECT_EQ(At32(bytes, directory + zip::central::LocalOffset), 0u);
    EXPECT_EQ(bytes.substr(directory + zip::central::LocalCopy, 26), bytes.substr(4, 26));
    const size_t end = directory + 46 + 9;
    ASSERT_EQ(bytes.size(), end + 22);
    EXPECT_EQ(At32(bytes, end), zip::EndSignature);
    EXPECT_EQ(At16(bytes, end + zip::end::TotalEntries), 1);
    EXPECT_EQ(At32(bytes, end + zip::end::DirectorySize), 46u + 9);
    EXPECT_EQ(At32(bytes, end + zip::end::DirectoryOffset), directory);
}

TEST_F(ZipAdd, KeepsEveryCentralRecordWholeAndTheArchiveComment) {
    const std::string timestamp("UT\x05\x00\x01XXXX", 9); // an extended-timestamp field
    auto built = BuildZip({{.name = "a.txt",
                            .content = "alpha",
                            .centralExtra = timestamp,
                            .comment = "first comment"},
                           {.name = "b.bin",
                            .content = MakeBytes(5000, 21),
                            .method = 8,
                            .descriptor = true,
                            .comment = "second"}},
                          "the archive comment");
    ASSERT_TRUE(ziptest::WriteFile(dir.File("old.zip"), built.bytes));
    const std::string oldDirectory = built.bytes.substr(
        built.directoryOffset, built.bytes.size() - 22 - 19 - built.directoryOffset);
    const std::string added = MakeBytes(12345, 22);
    {
        ZipArchive archive;
        ASSERT_TRUE(archive.open(Locator("old.zip").c_str(), 'w'));
        ASSERT_TRUE(
            archive.addMemory(added.data(), uint32_t(added.size()), "dir\\c.txt", -3, nullptr));
        EXPECT_STREQ(archive.entries.Item(2).name, "dir/c.txt");
    }
    const std::string bytes = ReadFile(dir.File("old.zip"));
    EXPECT_EQ(bytes.substr(0, built.directoryOffset), built.bytes.substr(0, built.directoryOffset));
    const size_t directory = bytes.find(oldDirectory);
    ASSERT_NE(directory, std::string::npos) << "old records kept byte for byte";
    EXPECT_EQ(bytes.substr(bytes.size() - 19), "the archive comment");
    EXPECT_EQ(At16(bytes, bytes.size() - 19 - 22 + zip::end::TotalEntries), 3);

    ZipArchive reopened;
    ASSERT_TRUE(reopened.open(Locator("old.zip").c_str(), 'r'));
    ASSERT_EQ(reopened.entries.Count(), 3);
    EXPECT_EQ(ReadEntry(reopened, "a.txt"), "alpha");
    EXPECT_EQ(ReadEntry(reopened, "b.bin"), MakeBytes(5000, 21));
    EXPECT_EQ(ReadEntry(reopened, "dir/c.txt"), added);
}

TEST_F(ZipAdd, RefusalsLeaveTheFileAsItWas) {
    ASSERT_TRUE(ziptest::WriteFile(dir.File("data.bin"), "payload"));
    auto built = BuildZip({{.name = "Present.txt", .content = "x"}});
    ASSERT_TRUE(ziptest::WriteFile(dir.File("z.zip"), built.bytes));
    const std::string data = Locator("data.bin");
    int options = 0;
    struct Case {
        const char* what;
        const char* locator;
        const char* name;
        int32_t method;
        const void* options;
    } cases[] = {
        {"same name", data.c_str(), "Present.txt", 1, nullptr},
        {"same name, other case", data.c_str(), "present.TXT", 1, nullptr},
        {"stored", data.c_str(), "new", 0, nullptr},
        {"unknown method", data.c_str(), "new", 2, nullptr},
        {"options", data.c_str(), "new", 1, &options},
        {"empty name", data.c_str(), "", 1, nullptr},
        {"missing file", "file:///nonexistent/for/sure", "new", 1, nullptr},
        {"refused locator", "http://host/x", "new", 1, nullptr},
    };
    ZipArchive archive;
    ASSERT_TRUE(archive.open(Locator("z.zip").c_str(), 'w'));
    for (const Case& c : cases) {
        EXPECT_FALSE(archive.addFile(c.locator, c.name, c.method, c.options)) << c.what;
        EXPECT_EQ(archive.entries.Count(), 1) << c.what;
    }
    archive.close();
    EXPECT_EQ(ReadFile(dir.File("z.zip")), built.bytes);

    // A read-only archive refuses at the first write, and nothing changes.
    ASSERT_TRUE(archive.open(Locator("z.zip").c_str(), 'r'));
    EXPECT_FALSE(archive.addFile(data.c_str(), "new", 1, nullptr));
    EXPECT_EQ(archive.entries.Count(), 1);
    archive.close();
    EXPECT_EQ(ReadFile(dir.File("z.zip")), built.bytes);
}

TEST_F(ZipAdd, DirectoriesItCannotKeepWholeAreLeftAlone) {
    auto built = BuildZip({{.name = "a", .content = "1"}, {.name = "b", .content = "2"}});
    std::string bytes = built.bytes;
    bytes[bytes.size() - 22 + zip::end::TotalEntries] = 1; // the end record lost an entry
    bytes[bytes.size() - 22 + zip::end::DiskEntries] = 1;
    ASSERT_TRUE(ziptest::WriteFile(dir.File("odd.zip"), bytes));
    ZipArchive archive;
    ASSERT_TRUE(archive.open(Locator("odd.zip").c_str(), 'w'));
    ASSERT_EQ(archive.entries.Count(), 2);
    EXPECT_FALSE(archive.addMemory("x", 1, "c", 1, nullptr));
    archive.close();
    EXPECT_EQ(ReadFile(dir.File("odd.zip")), bytes);
}

TEST_F(ZipAdd, EntryNameFromTheLocatorAndEmptyContent) {
    ASSERT_TRUE(ziptest::WriteFile(dir.File("empty.dat"), ""));
    ZipArchive archive;
    ASSERT_TRUE(archive.create(Locator("e.zip").c_str()));
    ASSERT_TRUE(archive.addFile(Locator("empty.dat").c_str(), nullptr, 1, nullptr));
    ASSERT_EQ(archive.entries.Count(), 1);
    EXPECT_STREQ(archive.entries.Item(0).name, "empty.dat");
    EXPECT_EQ(archive.entries.Item(0).uncompressedSize, 0u);
    EXPECT_EQ(ReadEntry(archive, "empty.dat"), "");
}

// Files under /proc report a size of 0 and yet have content; it must not be lost.
TEST_F(ZipAdd, InputsWithoutASizeAreCopiedUntilTheyEnd) {
    const std::string expected = ReadFile("/proc/version");
    ASSERT_FALSE(expected.empty());
    ZipArchive archive;
    ASSERT_TRUE(archive.create(Locator("p.zip").c_str()));
    ASSERT_TRUE(archive.addFile("file:///proc/version", nullptr, 1, nullptr));
    ASSERT_EQ(archive.entries.Count(), 1);
    EXPECT_EQ(archive.entries.Item(0).uncompressedSize, expected.size());
    EXPECT_EQ(ReadEntry(archive, "version"), expected);
}

} // namespace
} // namespace quib
