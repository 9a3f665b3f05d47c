// Reading ZIP archives: directory scan, entry streams, data descriptors, damaged archives.
#include "vfs/ZipArchive.h"

#include "platform/MemAllocator.h"
#include "vfs/ArchiveEntryData.h"
#include "vfs/StreamAccessor.h"
#include "vfs/StreamHelpers.h"
#include "vfs/StreamSettings.h"
#include "vfs/VfsTestSupport.h"
#include "vfs/ZipBuilder.h"
#include "vfs/ZipFixtures.h"
#include "vfs/ZipTestSupport.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace quib {
namespace {

using ziptest::BuildEntry;
using ziptest::BuildZip;
using ziptest::MakeBytes;
using ziptest::ReadAll;
using ziptest::ReadEntry;

// Every case runs with the buffered accessor the player installs and without any factory.
class ZipRead : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override {
        if (GetParam()) {
            InstallBufferedAccessorFactory(32768, 32768);
        }
    }
    void TearDown() override { ResetStreamSettings(); }

    bool Open(ZipArchive& archive, std::string& bytes) {
        return archive.openMemory(bytes.data(), static_cast<uint32_t>(bytes.size()), 'r');
    }
};

INSTANTIATE_TEST_SUITE_P(Accessors, ZipRead, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "Buffered" : "Unbuffered"; });

TEST_P(ZipRead, EmptyStreamIsAnEmptyArchiveAndOtherDataIsRefused) {
    ZipArchive archive;
    char empty[1] = {0};
    EXPECT_TRUE(archive.openMemory(empty, 0, 'r'));
    EXPECT_EQ(archive.entries.Count(), 0);

    std::string notZip = "PK\x05\x06 a program stub or anything else";
    EXPECT_FALSE(Open(archive, notZip));
    EXPECT_EQ(archive.source, nullptr);
    EXPECT_FALSE(archive.probeMemory(notZip.data(), 8));
    std::string zip = BuildZip({{"a", "x"}}).bytes;
    EXPECT_TRUE(archive.probeMemory(zip.data(), 4));
}

TEST_P(ZipRead, RecordsDescribeLayoutMethodAndFlags) {
    auto built = BuildZip({
        {.name = "stored.bin", .content = "0123456789", .localExtra = "EXTRA"},
        {.name = "deflated.txt", .content = MakeBytes(5000, 1), .method = 8},
        {.name = "lzma.bin", .content = "raw lzma bytes", .method = 14},
        {.name = "odd.bin", .content = "raw", .method = 99, .encrypted = true},
        {.name = "dir/", .content = ""},
    });
    ZipArchive archive;
    ASSERT_TRUE(Open(archive, built.bytes));
    ASSERT_EQ(archive.entries.Count(), 5);
    EXPECT_EQ(archive.directoryOffset, built.directoryOffset);

    const ArchiveEntry& stored = archive.entries.Item(0);
    EXPECT_STREQ(stored.name, "stored.bin");
    EXPECT_TRUE(stored.nameComplete);
    EXPECT_EQ(stored.method, ArchiveMethodStored);
    EXPECT_EQ(stored.headerOffset, 4u);
    EXPECT_EQ(stored.dataOffset, 30u + 10 + 5);
    EXPECT_EQ(stored.checksum, ziptest::Crc32("0123456789"));

    const ArchiveEntry& deflated = archive.entries.Item(1);
    EXPECT_EQ(deflated.method, ArchiveMethodDeflate);
    EXPECT_EQ(deflated.uncompressedSize, 5000u);
    EXPECT_EQ(deflated.dataOffset, built.dataOffsets[1]);
    EXPECT_EQ(archive.entries.Item(2).method, ArchiveMethodLzma);
    EXPECT_EQ(archive.entries.Item(3).method, ArchiveMethodOther);
    EXPECT_EQ(archive.entries.Item(3).encryption, -1);
    EXPECT_EQ(archive.entries.Item(0).encryption, 0);
    EXPECT_STREQ(archive.entries.Item(4).name, "dir/");

    EXPECT_EQ(ReadEntry(archive, "stored.bin"), "0123456789");
    EXPECT_EQ(ReadEntry(archive, "deflated.txt"), MakeBytes(5000, 1));
    // Methods that cannot be decompressed here are read as they are stored.
    EXPECT_EQ(ReadEntry(archive, "lzma.bin"), "raw lzma bytes");
    EXPECT_EQ(ReadEntry(archive, "odd.bin"), "raw");
}

TEST_P(ZipRead, EntryEndsExactlyAtItsSize) {
    const std::string first = MakeBytes(70000, 2);
    for (uint16_t method : {0, 8}) {
        auto built = BuildZip({{.name = "a", .content = first, .method = method},
                               {.name = "b", .content = "FOLLOWING ENTRY BYTES"}});
        ZipArchive archive;
        ASSERT_TRUE(Open(archive, built.bytes));
        Stream* stream = archive.openEntry(archive.entryAt(0));
        ASSERT_NE(stream, nullptr);
        EXPECT_EQ(stream->size(), first.size());
        std::string got(first.size() - 1, '\0');
        ASSERT_EQ(stream->accessor->read(got.data(), uint32_t(got.size())), got.size());
        EXPECT_FALSE(stream->accessor->atEnd());
        char rest[64];
        EXPECT_EQ(stream->accessor->read(rest, sizeof rest), 1u) << "method " << method;
        EXPECT_EQ(rest[0], first.back());
        EXPECT_TRUE(stream->accessor->atEnd());
        EXPECT_EQ(stream->accessor->read(rest, sizeof rest), 0u);
        EXPECT_EQ(got + rest[0], first);
        ziptest::Dispose(stream);
    }
}

TEST_P(ZipRead, SeeksLandOnTheRightBytesInStoredAndDeflatedEntries) {
    const std::string content = MakeBytes(200000, 3);
    for (uint16_t method : {0, 8}) {
        auto built = BuildZip({{.name = "x", .content = content, .method = method}});
        ZipArchive archive;
        ASSERT_TRUE(Open(archive, built.bytes));
        Stream* stream = archive.openEntry(archive.entryAt(0));
        ASSERT_NE(stream, nullptr);
        struct Step {
            int64_t offset;
            char origin;
            uint32_t count;
            uint64_t expectAt; // where the read must start
        } steps[] = {
            {150000, 's', 100, 150000},
            {10, 's', 5000, 10},
            {-2000, 'c', 300, 3010},
            {-100, 'e', 500, 199900},
            {0, 's', 1, 0},
            {199999, 's', 1, 199999},
            {-5000000, 'c', 10, 0},
            {120000, 's', 70000, 120000},
        };
        for (const Step& step : steps) {
            ASSERT_TRUE(Seek(*stream, step.offset, step.origin));
            std::string got(step.count, '\0');
            const uint32_t n = stream->accessor->read(got.data(), step.count);
            const uint64_t expectN = std::min<uint64_t>(step.count, content.size() - step.expectAt);
            ASSERT_EQ(n, expectN) << "method " << method << " at " << step.expectAt;
            EXPECT_EQ(got.substr(0, n), content.substr(step.expectAt, n))
                << "method " << method << " at " << step.expectAt;
        }
        ASSERT_TRUE(Seek(*stream, 10, 'e'));
        char c;
        EXPECT_EQ(stream->accessor->read(&c, 1), 0u);
        ziptest::Dispose(stream);
    }
}

TEST_P(ZipRead, EntriesReadSideBySide) {
    const std::string a = MakeBytes(90000, 4), b = MakeBytes(80000, 5);
    auto built = BuildZip(
        {{.name = "a", .content = a, .method = 8}, {.name = "b", .content = b, .method = 0}});
    ZipArchive archive;
    ASSERT_TRUE(Open(archive, built.bytes));
    Stream* sa = archive.openEntry(archive.entryAt(0));
    Stream* sb = archive.openEntry(archive.entryAt(1));
    ASSERT_TRUE(sa != nullptr && sb != nullptr);
    std::string ga, gb;
    char buffer[3000];
    uint32_t na = 0, nb = 0;
    do {
        na = sa->accessor->read(buffer, sizeof buffer);
        ga.append(buffer, na);
        nb = sb->accessor->read(buffer, sizeof buffer);
        gb.append(buffer, nb);
    } while (na > 0 || nb > 0);
    EXPECT_EQ(ga, a);
    EXPECT_EQ(gb, b);
    ziptest::Dispose(sa);
    ziptest::Dispose(sb);
}

TEST_P(ZipRead, DataDescriptorsTakeTheirSizesFromTheCentralDirectory) {
    const std::string big = MakeBytes(40000, 6);
    auto built = BuildZip({
        {.name = "signed.txt", .content = big, .method = 8, .descriptor = true},
        {.name = "bare.txt",
         .content = "no signature",
         .method = 8,
         .descriptor = true,
         .descriptorSignature = false},
        {.name = "stored.bin", .content = big.substr(0, 999), .descriptor = true},
        {.name = "plain.txt", .content = "after them"},
    });
    ZipArchive archive;
    ASSERT_TRUE(Open(archive, built.bytes));
    ASSERT_EQ(archive.entries.Count(), 4);
    EXPECT_EQ(archive.entries.Item(0).uncompressedSize, big.size());
    EXPECT_EQ(archive.entries.Item(0).checksum, ziptest::Crc32(big));
    EXPECT_EQ(archive.entries.Item(2).compressedSize, 999u);
    EXPECT_EQ(ReadEntry(archive, "signed.txt"), big);
    EXPECT_EQ(ReadEntry(archive, "bare.txt"), "no signature");
    EXPECT_EQ(ReadEntry(archive, "stored.bin"), big.substr(0, 999));
    EXPECT_EQ(ReadEntry(archive, "plain.txt"), "after them");

    // Without an end record nothing says where the deferred data ends.
    std::string noEnd = built.bytes;
    noEnd[noEnd.size() - 22] = 'X';
    EXPECT_FALSE(Open(archive, noEnd));
}

// The scan reads headers a block at a time: headers, names and descriptors that straddle its
// blocks, and a name longer than a block, land where they lie.
TEST_P(ZipRead, HeadersAtEveryPlaceOfTheScansBlocks) {
    std::vector<ziptest::BuildEntry> entries;
    for (int i = 0; i < 500; ++i) {
        entries.push_back({.name = "entry" + std::to_string(i),
                           .content = MakeBytes(static_cast<size_t>(i) * 13 % 61, i),
                           .descriptor = i % 7 == 3});
    }
    entries.push_back({.name = std::string(5000, 'n'), .content = "after a long name"});
    auto built = BuildZip(entries);
    ZipArchive archive;
    ASSERT_TRUE(Open(archive, built.bytes));
    ASSERT_EQ(archive.entries.Count(), static_cast<int32_t>(entries.size()));
    for (size_t i = 0; i < entries.size(); ++i) {
        const ArchiveEntry& entry = archive.entries.Item(static_cast<int32_t>(i));
        EXPECT_EQ(entry.name, entries[i].name) << i;
        EXPECT_EQ(entry.dataOffset, built.dataOffsets[i]) << i;
        EXPECT_EQ(entry.compressedSize, entries[i].content.size()) << i;
    }
    EXPECT_EQ(ReadEntry(archive, entries.back().name.c_str()), "after a long name");
    EXPECT_EQ(archive.directoryOffset, built.directoryOffset);
}

TEST_P(ZipRead, CutArchivesAreRefusedAtEveryLength) {
    auto built = BuildZip(
        {{.name = "one", .content = MakeBytes(3000, 7), .method = 8},
         {.name = "two", .content = "stored bytes"},
         {.name = "three", .content = MakeBytes(500, 8), .method = 8, .descriptor = true}});
    for (size_t length = 1; length < built.bytes.size(); ++length) {
        std::string cut = built.bytes.substr(0, length);
        ZipArchive archive;
        EXPECT_FALSE(Open(archive, cut)) << "cut at " << length;
        EXPECT_EQ(archive.entries.Count(), 0);
    }
}

TEST_P(ZipRead, ArchiveWithoutDescriptorsOpensOnceItsDirectoryStarts) {
    auto built = BuildZip({{.name = "one", .content = MakeBytes(3000, 9), .method = 8},
                           {.name = "two", .content = "stored bytes"}});
    for (size_t length = 1; length < built.bytes.size(); ++length) {
        std::string cut = built.bytes.substr(0, length);
        ZipArchive archive;
        const bool reachesDirectory = length >= built.directoryOffset + 4;
        ASSERT_EQ(Open(archive, cut), reachesDirectory) << "cut at " << length;
        if (reachesDirectory) {
            EXPECT_EQ(ReadEntry(archive, "two"), "stored bytes");
        }
    }
}

TEST_P(ZipRead, EntryLengthsPastTheEndAreRefused) {
    auto built = BuildZip({{.name = "a", .content = "abc"}});
    std::string bytes = built.bytes;
    bytes[18] = '\x7F'; // compressed size far beyond the archive
    bytes[21] = '\x7F';
    ZipArchive archive;
    EXPECT_FALSE(Open(archive, bytes));
    bytes = built.bytes;
    bytes[26] = '\xFF'; // a name longer than the archive
    EXPECT_FALSE(Open(archive, bytes));
}

// Writes a claimed uncompressed size into both headers of the first entry, and marks it
// deflated when asked.
void ClaimSize(std::string& bytes, const ziptest::BuiltZip& built, uint32_t uncompressed,
               bool markDeflated) {
    const auto put = [&](uint64_t at, uint32_t value, int width) {
        for (int i = 0; i < width; ++i) {
            bytes[at + i] = char(value >> (8 * i));
        }
    };
    put(built.localOffsets[0] + 22, uncompressed, 4);
    put(built.directoryOffset + 24, uncompressed, 4);
    if (markDeflated) {
        put(built.localOffsets[0] + 8, 8, 2);
        put(built.directoryOffset + 10, 8, 2);
    }
}

TEST_P(ZipRead, DataShorterThanItsClaimedSizeEndsTheStream) {
    const std::string text = "line one\nline two";
    const std::string deflated = ziptest::Deflate(text);
    const std::string cut = deflated.substr(0, deflated.size() / 2);
    const struct {
        const char* name;
        std::string content;
        uint16_t method;
        uint32_t claimed;
    } cases[] = {
        {"stored", text, 0, 40},
        {"stored claiming 4 GB", text, 0, 0xFFFFFFFFu},
        {"inflated ends early", text, 8, 40},
        {"inflated claiming 4 GB", text, 8, 0xFFFFFFFFu},
        {"cut deflate stream", cut, 0, 40},
    };
    for (const auto& c : cases) {
        auto built = BuildZip({{.name = "a.txt", .content = c.content, .method = c.method},
                               {.name = "b", .content = "FOLLOWING ENTRY BYTES"}});
        std::string bytes = built.bytes;
        ClaimSize(bytes, built, c.claimed, c.content == cut);
        ZipArchive archive;
        ASSERT_TRUE(Open(archive, bytes)) << c.name;
        Stream* stream = archive.openEntry(archive.entryAt(0));
        ASSERT_NE(stream, nullptr) << c.name;
        char line[ReadLineBufferSize];
        int calls = 0;
        while (ReadLine(*stream, line) != ReadLineAtEnd && ++calls < 10) {
        }
        EXPECT_LE(calls, 2) << c.name << ": every loop until the end ends";
        EXPECT_TRUE(stream->accessor->atEnd()) << c.name;
        ziptest::Dispose(stream);

        std::vector<uint8_t> whole;
        EXPECT_EQ(ReadArchiveEntry(archive, "a.txt", whole), EntryRead::Failed) << c.name;
        EXPECT_LE(whole.capacity(), 1u << 20) << c.name << ": memory follows the bytes there";
    }
}

TEST_P(ZipRead, SeeksThatOverflowAreRefusedAndKeepThePosition) {
    auto built = BuildZip({{.name = "a", .content = "0123456789"}});
    ZipArchive archive;
    ASSERT_TRUE(Open(archive, built.bytes));
    Stream* stream = archive.openEntry(archive.entryAt(0));
    ASSERT_NE(stream, nullptr);
    ASSERT_TRUE(stream->seekRaw(4, 's'));
    EXPECT_FALSE(stream->seekRaw(INT64_MAX, 'c'));
    EXPECT_FALSE(stream->seekRaw(INT64_MAX, 'e'));
    EXPECT_EQ(stream->tellRaw(), 4u);
    ziptest::Dispose(stream);
}

TEST_P(ZipRead, ScenarioGivesBackEveryAllocation) {
    auto built = BuildZip({{.name = "a", .content = MakeBytes(50000, 10), .method = 8},
                           {.name = "b", .content = "stored", .descriptor = true}});
    const MemCounters before = MemGetCounters();
    {
        ZipArchive archive;
        ASSERT_TRUE(Open(archive, built.bytes));
        Stream* stream = archive.openEntry(archive.entryAt(0));
        ASSERT_NE(stream, nullptr);
        ASSERT_TRUE(Seek(*stream, 40000, 's'));
        ReadAll(*stream);
        ASSERT_TRUE(Seek(*stream, 10, 's'));
        ReadAll(*stream);
        ziptest::Dispose(stream);
        EXPECT_EQ(ReadEntry(archive, "b"), "stored");
    }
    const MemCounters after = MemGetCounters();
    EXPECT_EQ(after.allocations - before.allocations, after.frees - before.frees);
}

TEST(ZipEntry, OutlivesItsArchiveOnANativeFile) {
    test::TempDir dir;
    const std::string content = MakeBytes(20000, 11);
    ASSERT_TRUE(ziptest::WriteFile(
        dir.File("a.zip"), BuildZip({{.name = "e", .content = content, .method = 8}}).bytes));
    Stream* stream = nullptr;
    {
        ZipArchive archive;
        ASSERT_TRUE(archive.open(("file://" + dir.File("a.zip")).c_str(), 'r'));
        stream = archive.openEntry(archive.entryAt(0));
        ASSERT_NE(stream, nullptr);
        EXPECT_EQ(archive.openEntry(archive.entryAt(FindEntry(archive, "missing"))), nullptr);
    }
    EXPECT_EQ(ReadAll(*stream), content);
    ziptest::Dispose(stream);
}

} // namespace
} // namespace quib
