// The archive object: lookup by name, opening and reopening, locators and the default archive.
#include "platform/MemAllocator.h"
#include "platform/StringPrimitives.h"
#include "vfs/ArchiveEntryData.h"
#include "vfs/ArchiveStream.h"
#include "vfs/FileStream.h"
#include "vfs/MemoryStream.h"
#include "vfs/StreamAccessor.h"
#include "vfs/VfsTestSupport.h"
#include "vfs/ZipArchive.h"
#include "vfs/ZipBuilder.h"
#include "vfs/ZipFixtures.h"
#include "vfs/ZipTestSupport.h"

#include <cstring>
#include <gtest/gtest.h>
#include <map>
#include <string>

namespace quib {
namespace {

using ziptest::BuildZip;
using ziptest::ReadAll;
using ziptest::ReadEntry;

bool OpenBytes(Archive& archive, std::string& bytes) {
    return archive.openMemory(bytes.data(), static_cast<uint32_t>(bytes.size()), 'r');
}

TEST(ReadArchiveEntry, ReadsWholeEntriesWithoutTrustingTheStatedSize) {
    ziptest::BuiltZip zip = BuildZip({{.name = "Dir/Entry.txt", .content = "hello", .method = 8}});
    ZipArchive archive;
    ASSERT_TRUE(OpenBytes(archive, zip.bytes));
    std::vector<uint8_t> bytes;
    EXPECT_EQ(ReadArchiveEntry(archive, "dir\\entry.TXT", bytes), EntryRead::Ok);
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "hello");
    EXPECT_EQ(ReadArchiveEntry(archive, "absent", bytes), EntryRead::Missing);

    // A deflated entry may claim almost 4 GiB: reading stops with the data.
    const uint32_t claimed = 0xFFFFFF00u;
    std::memcpy(zip.bytes.data() + zip.localOffsets[0] + 22, &claimed, sizeof claimed);
    std::memcpy(zip.bytes.data() + zip.directoryOffset + 24, &claimed, sizeof claimed);
    ZipArchive lying;
    ASSERT_TRUE(OpenBytes(lying, zip.bytes));
    EXPECT_EQ(ReadArchiveEntry(lying, "Dir/Entry.txt", bytes), EntryRead::Failed);
    EXPECT_LT(bytes.size(), 1u << 20);
}

TEST(FindEntry, MatchesAsTheDiskExpects) {
    std::string bytes = BuildZip({{.name = "textures/logo.png", .content = "logo"},
                                  {.name = "./musicdisk.cfg", .content = "cfg"},
                                  {.name = "dup", .content = "first"},
                                  {.name = "dup", .content = "second"},
                                  {.name = "caf\xC3\xA9", .content = "utf8"}})
                            .bytes;
    ZipArchive archive;
    ASSERT_TRUE(OpenBytes(archive, bytes));
    const std::map<std::string, int32_t> cases = {
        {"Textures\\Logo.PNG", 0},
        {"textures/logo.png", 0},
        {"textures/logo.png ", -1},
        {"textures\\logo.pn", -1},
        {"musicdisk.cfg", -1},
        {"./musicdisk.cfg", 0 + 1},
        {".\\MUSICDISK.CFG", 1},
        {"dup", 2},
        {"DUP", 2},
        {"CAF\xC3\xA9", 4},
        {"caf\xC3\x89", -1},
        {"", -1},
    };
    for (const auto& [name, index] : cases) {
        EXPECT_EQ(FindEntry(archive, name.c_str()), index) << name;
    }
    EXPECT_EQ(ReadEntry(archive, "dup"), "first");
    EXPECT_EQ(FindEntry(archive, nullptr), -1);
    EXPECT_EQ(archive.entryAt(-1), nullptr);
    EXPECT_EQ(archive.entryAt(5), nullptr);
    EXPECT_EQ(archive.openEntry(nullptr), nullptr);
}

TEST(ArchiveOpen, EveryOpenForgetsWhatWasOpenBefore) {
    std::string first =
        BuildZip({{.name = "a", .content = "1"}, {.name = "b", .content = "2"}}).bytes;
    std::string second = BuildZip({{.name = "c", .content = "3"}}).bytes;
    std::string junk = "not an archive at all";
    ZipArchive archive;

    ASSERT_TRUE(OpenBytes(archive, first));
    ASSERT_TRUE(OpenBytes(archive, second)); // reopened on its own stream
    ASSERT_EQ(archive.entries.Count(), 1);
    EXPECT_EQ(ReadEntry(archive, "c"), "3");

    MemoryStream outside;
    ASSERT_TRUE(OpenMemoryReadOnly(outside, first.data(), uint32_t(first.size())));
    ASSERT_TRUE(archive.openStream(outside));
    EXPECT_EQ(archive.entries.Count(), 2);
    EXPECT_TRUE(outside.isOpen()) << "a caller's stream stays the caller's";
    ASSERT_TRUE(OpenBytes(archive, second));
    EXPECT_EQ(archive.entries.Count(), 1);

    EXPECT_FALSE(OpenBytes(archive, junk));
    EXPECT_EQ(archive.entries.Count(), 0);
    EXPECT_EQ(archive.source, nullptr);
    EXPECT_FALSE(archive.ownStream.isOpen());

    test::TempDir dir;
    ASSERT_TRUE(ziptest::WriteFile(dir.File("d.zip"), first));
    const std::string locator = "file://" + dir.File("d.zip");
    EXPECT_TRUE(archive.probeLocator(locator.c_str()));
    EXPECT_FALSE(archive.probeLocator(("file://" + dir.File("missing.zip")).c_str()));
    ASSERT_TRUE(archive.open(locator.c_str(), 'r'));
    ASSERT_TRUE(archive.open(locator.c_str(), 'r'));
    EXPECT_EQ(archive.entries.Count(), 2);
    EXPECT_EQ(ReadEntry(archive, "b"), "2");
    archive.close();
    EXPECT_EQ(archive.entries.Count(), 0);
    EXPECT_FALSE(archive.ownStream.isOpen());
}

TEST(FileStreamLocators, SchemesReachTheirBackends) {
    test::TempDir dir;
    const std::string path = dir.File("data.bin");
    ASSERT_TRUE(ziptest::WriteFile(path, "native bytes"));
    std::string block = "memory bytes";
    char memoryLocator[64];
    FormatMemoryLocator(memoryLocator, sizeof memoryLocator, block.data(),
                        static_cast<uint32_t>(block.size()));

    struct Case {
        std::string locator;
        bool opens;
        std::string content;
    } cases[] = {
        {"file://" + path, true, "native bytes"},
        {"FILE://" + path, true, "native bytes"},
        {"file:////" + path, true, "native bytes"}, // leading slashes collapse to one
        {path, true, "native bytes"},               // a plain name, no default archive
        {memoryLocator, true, "memory bytes"},
        {"zqmem://no-colon", false, ""},
        {"zqarc://" + path, false, ""},
        {"http://" + path, false, ""},
        {"ftp://" + path, false, ""},
        {"file://" + dir.File("missing"), false, ""},
    };
    for (const Case& c : cases) {
        FileStream stream;
        ASSERT_EQ(stream.open(c.locator.c_str(), 'r'), c.opens) << c.locator;
        if (c.opens) {
            EXPECT_EQ(stream.size(), c.content.size()) << c.locator;
            EXPECT_EQ(ReadAll(stream), c.content) << c.locator;
            EXPECT_TRUE(stream.atEnd()) << c.locator;
        }
    }

    FileStream created;
    ASSERT_TRUE(created.open(("file://" + dir.File("new.bin")).c_str(), 'c'));
    EXPECT_EQ(created.accessor->write("abc", 3), 3u);
    CloseStream(created);
    EXPECT_EQ(ziptest::ReadFile(dir.File("new.bin")), "abc");
}

TEST(FileStreamLocators, ClonesReadTheSameDataOnTheirOwn) {
    test::TempDir dir;
    ASSERT_TRUE(ziptest::WriteFile(dir.File("x"), "0123456789"));
    FileStream stream;
    ASSERT_TRUE(stream.open(("file://" + dir.File("x")).c_str(), 'r'));
    ASSERT_TRUE(Seek(stream, 5, 's'));
    Stream* clone = stream.clone(Stream::Unbuffered);
    ASSERT_NE(clone, nullptr);
    EXPECT_EQ(ReadAll(*clone), "0123456789");
    EXPECT_EQ(ReadAll(stream), "56789");
    ziptest::Dispose(clone);
}

TEST(FileStreamLocators, AsynchronousModeReachesTheNativeBackend) {
    test::TempDir dir;
    const std::string content = ziptest::MakeBytes(300000, 12);
    ASSERT_TRUE(ziptest::WriteFile(dir.File("big"), content));
    FileStream stream;
    ASSERT_TRUE(stream.open(("file://" + dir.File("big")).c_str(), 'r'));
    ASSERT_TRUE(SetAsyncMode(stream, true));
    std::string got(content.size(), '\0');
    EXPECT_EQ(stream.readRaw(got.data(), uint32_t(got.size())), 1u) << "a request was started";
    stream.waitIdle();
    EXPECT_TRUE(stream.isIdle());
    EXPECT_EQ(stream.tellRaw(), content.size());
    EXPECT_TRUE(got == content);
    ASSERT_TRUE(SetAsyncMode(stream, false));
    ASSERT_TRUE(Seek(stream, 10, 's'));
    char c = 0;
    ASSERT_EQ(stream.accessor->read(&c, 1), 1u);
    EXPECT_EQ(c, content[10]);
}

// An archive format that loads entries whole: the kind the default archive is meant for.
class LoadingArchive : public ZipArchive {
public:
    void* loadEntry(const ArchiveEntry* entry) override {
        Stream* stream = openEntry(entry);
        if (stream == nullptr) {
            return nullptr;
        }
        const std::string content = ReadAll(*stream);
        ziptest::Dispose(stream);
        void* block = MemAllocate(static_cast<uint32_t>(content.size()));
        if (block != nullptr) {
            MemMove(block, content.data(), static_cast<uint32_t>(content.size()));
        }
        return block;
    }
};

class DefaultArchiveTest : public ::testing::Test {
protected:
    void TearDown() override { SetDefaultArchive(nullptr); }
};

TEST_F(DefaultArchiveTest, PlainNamesLookInTheDefaultArchiveFirst) {
    test::TempDir dir;
    const std::string nativeOnly = dir.File("native.txt");
    ASSERT_TRUE(ziptest::WriteFile(nativeOnly, "from disk"));
    const std::string shadowed = dir.File("both.txt");
    ASSERT_TRUE(ziptest::WriteFile(shadowed, "disk copy"));
    std::string bytes = BuildZip({{.name = "Textures/Logo.png", .content = "from archive"},
                                  {.name = shadowed, .content = "archive copy"}})
                            .bytes;
    LoadingArchive archive;
    ASSERT_TRUE(OpenBytes(archive, bytes));

    const MemCounters before = MemGetCounters();
    {
        FileStream stream;
        EXPECT_FALSE(stream.open("textures\\logo.png", 'r')) << "no default archive yet";
        SetDefaultArchive(&archive);
        ASSERT_TRUE(stream.open("textures\\logo.png", 'r'));
        EXPECT_EQ(stream.kind(), 2u);
        EXPECT_EQ(stream.size(), 12u);
        EXPECT_EQ(ReadAll(stream), "from archive");
        Stream* clone = stream.clone(0);
        ASSERT_NE(clone, nullptr);
        EXPECT_EQ(ReadAll(*clone), "from archive");
        ziptest::Dispose(clone);

        ASSERT_TRUE(stream.open(shadowed.c_str(), 'r'));
        EXPECT_EQ(ReadAll(stream), "archive copy");
        ASSERT_TRUE(stream.open(nativeOnly.c_str(), 'r'));
        EXPECT_EQ(stream.kind(), 0u);
        EXPECT_EQ(ReadAll(stream), "from disk");
        // Creating never goes to the archive.
        ASSERT_TRUE(stream.open(shadowed.c_str(), 'c'));
        EXPECT_EQ(stream.kind(), 0u);
    }
    const MemCounters after = MemGetCounters();
    EXPECT_EQ(after.allocations - before.allocations, after.frees - before.frees);
    EXPECT_EQ(ziptest::ReadFile(shadowed), "");

    ArchiveStream direct;
    EXPECT_EQ(direct.clone(0), nullptr) << "closed";
    EXPECT_FALSE(direct.open("absent", 'r'));
    SetDefaultArchive(nullptr);
    EXPECT_FALSE(direct.open("textures/logo.png", 'r'));
}

TEST_F(DefaultArchiveTest, AZipDefaultArchiveLoadsNothingSoNativeFilesServe) {
    test::TempDir dir;
    const std::string path = dir.File("x.txt");
    ASSERT_TRUE(ziptest::WriteFile(path, "disk"));
    std::string bytes = BuildZip({{.name = path, .content = "archive"}}).bytes;
    ZipArchive archive;
    ASSERT_TRUE(OpenBytes(archive, bytes));
    SetDefaultArchive(&archive);
    FileStream stream;
    ASSERT_TRUE(stream.open(path.c_str(), 'r'));
    EXPECT_EQ(ReadAll(stream), "disk");
}

} // namespace
} // namespace quib
