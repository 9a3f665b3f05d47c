// Native file streams: open modes and flags, positions and extension, borrowed descriptors,
// mapping, a 100 MiB file, and asynchronous chunked requests.
#include "vfs/AsyncNativeFileStream.h"
#include "vfs/MemoryStream.h"
#include "vfs/StreamHelpers.h"
#include "vfs/StreamSettings.h"
#include "vfs/VfsTestSupport.h"

#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <unistd.h>
#include <vector>

namespace quib {
namespace {

using test::AllocationBalance;
using test::PatternBytes;
using test::ReadWholeFile;
using test::TempDir;
using test::WriteWholeFile;

namespace fs = std::filesystem;

class NativeFileStreamTest : public testing::Test {
protected:
    void TearDown() override { ResetStreamSettings(); }

    TempDir dir;
    AllocationBalance balance;
};

TEST_F(NativeFileStreamTest, ModesAndCreation) {
    const std::string path = dir.File("modes.bin");
    {
        NativeFileStream s;
        EXPECT_FALSE(s.open(path.c_str(), 'r', 0));
        EXPECT_FALSE(s.open(path.c_str(), 'w', 0)) << "w needs an existing file";
        EXPECT_FALSE(fs::exists(path));
        EXPECT_FALSE(s.open(path.c_str(), 'a', NativeFileStream::OpenCreateMissing));
        ASSERT_TRUE(s.open(path.c_str(), 'w', NativeFileStream::OpenCreateMissing));
        EXPECT_EQ(fs::file_size(path), 0u);
        EXPECT_EQ(s.accessor->write("hello", 5), 5u);
        CloseStream(s);

        ASSERT_TRUE(s.open(path.c_str(), 'r', 0));
        EXPECT_EQ(s.size(), 5u);
        EXPECT_EQ(s.accessor->write("x", 1), 0u) << "r is read-only";
        ASSERT_TRUE(s.open(path.c_str(), 'w', NativeFileStream::OpenCreateMissing));
        EXPECT_EQ(s.size(), 5u) << "w keeps an existing file";
        ASSERT_TRUE(s.create(path.c_str(), 0));
        EXPECT_EQ(s.size(), 0u) << "c empties it";
        EXPECT_EQ(s.kind(), 0u);
        EXPECT_EQ(s.capabilities, 6u);
    }
    EXPECT_EQ(balance.outstanding(), 0);
}

TEST_F(NativeFileStreamTest, BackslashesAreSeparators) {
    fs::create_directory(dir.File("music"));
    WriteWholeFile(dir.File("music/song.mod"), {1, 2, 3});
    NativeFileStream s;
    ASSERT_TRUE(s.open((dir.File("music") + "\\song.mod").c_str(), 'r', 0));
    EXPECT_EQ(s.size(), 3u);
}

TEST_F(NativeFileStreamTest, DeleteOnCloseOnlyForWritingModes) {
    const std::string created = dir.File("temp.bin");
    const std::string kept = dir.File("kept.bin");
    WriteWholeFile(kept, {1});
    {
        NativeFileStream s;
        ASSERT_TRUE(s.open(created.c_str(), 'c', NativeFileStream::OpenDeleteOnClose));
        EXPECT_TRUE(fs::exists(created));
        CloseStream(s);
        EXPECT_FALSE(fs::exists(created));
        ASSERT_TRUE(s.open(kept.c_str(), 'r', NativeFileStream::OpenDeleteOnClose));
        CloseStream(s);
        EXPECT_TRUE(fs::exists(kept));
    }
    EXPECT_EQ(balance.outstanding(), 0) << "the kept name was released";
}

TEST_F(NativeFileStreamTest, ExclusiveOpensShutOthersOutUntilClosed) {
    const std::string path = dir.File("locked.bin");
    WriteWholeFile(path, {1, 2, 3, 4});
    NativeFileStream holder;
    NativeFileStream other;
    ASSERT_TRUE(holder.open(path.c_str(), 'w', NativeFileStream::OpenExclusive));
    EXPECT_FALSE(other.open(path.c_str(), 'r', 0));
    EXPECT_FALSE(other.create(path.c_str(), 0));
    EXPECT_EQ(fs::file_size(path), 4u) << "a refused create truncates nothing";
    CloseStream(holder);
    ASSERT_TRUE(other.open(path.c_str(), 'r', 0));
    EXPECT_FALSE(holder.open(path.c_str(), 'r', NativeFileStream::OpenExclusive));
    EXPECT_TRUE(holder.open(path.c_str(), 'r', NativeFileStream::OpenUnbuffered));
}

TEST_F(NativeFileStreamTest, ReadsRunIntoTheEndAndSeeksReportIt) {
    const std::string path = dir.File("hundred.bin");
    const std::vector<uint8_t> data = PatternBytes(100);
    WriteWholeFile(path, data);
    NativeFileStream s;
    ASSERT_TRUE(s.open(path.c_str(), 'r', 0));
    std::vector<uint8_t> out(150);
    EXPECT_EQ(s.readRaw(out.data(), 150), 100u);
    EXPECT_FALSE(s.atEnd());
    EXPECT_EQ(s.readRaw(out.data(), 150), 0u);
    EXPECT_TRUE(s.atEnd());

    EXPECT_TRUE(s.seekRaw(0, 'e'));
    EXPECT_TRUE(s.atEnd());
    EXPECT_TRUE(s.seekRaw(10, 's'));
    EXPECT_FALSE(s.atEnd());
    EXPECT_FALSE(s.seekRaw(-1, 's'));
    EXPECT_FALSE(s.seekRaw(-11, 'c'));
    EXPECT_FALSE(s.seekRaw(0, '?'));
    EXPECT_EQ(s.tellRaw(), 10u);
    EXPECT_TRUE(s.seekRaw(50, 'e')) << "past the end is allowed";
    EXPECT_TRUE(s.atEnd());
    EXPECT_EQ(s.tellRaw(), 150u);
}

TEST_F(NativeFileStreamTest, WritesExtendTheFileFirstAndTruncateCuts) {
    const std::string path = dir.File("fifty.bin");
    WriteWholeFile(path, std::vector<uint8_t>(50, 0x50));
    NativeFileStream s;
    ASSERT_TRUE(s.open(path.c_str(), 'w', 0));
    std::vector<uint64_t> sizesSeen;
    s.completion = [](Stream& stream, uint32_t, uintptr_t value) {
        reinterpret_cast<std::vector<uint64_t>*>(value)->push_back(stream.size());
    };
    s.completionValue = reinterpret_cast<uintptr_t>(&sizesSeen);
    ASSERT_TRUE(s.seekRaw(100, 's'));
    EXPECT_EQ(s.writeRaw("0123456789", 10), 10u);
    EXPECT_EQ(sizesSeen, (std::vector<uint64_t>{110}));
    EXPECT_EQ(s.tellRaw(), 110u);
    ASSERT_TRUE(s.seekRaw(20, 's'));
    EXPECT_TRUE(s.truncate());
    CloseStream(s);
    const std::vector<uint8_t> bytes = ReadWholeFile(path);
    EXPECT_EQ(bytes, std::vector<uint8_t>(20, 0x50));
}

TEST_F(NativeFileStreamTest, AttachedDescriptorKeepsItsFilePointer) {
    const std::string path = dir.File("borrowed.bin");
    const std::vector<uint8_t> data = PatternBytes(64);
    WriteWholeFile(path, data);
    const int fd = ::open(path.c_str(), O_RDWR);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(lseek(fd, 7, SEEK_SET), 7);
    {
        NativeFileStream s;
        EXPECT_FALSE(s.attach(-1));
        ASSERT_TRUE(s.attach(fd));
        EXPECT_NE(s.mode & Stream::BorrowedHandle, 0u);
        EXPECT_EQ(s.tellRaw(), 7u);
        uint8_t out[5];
        ASSERT_EQ(s.readRaw(out, 5), 5u);
        EXPECT_EQ(0, std::memcmp(out, &data[7], 5));
        EXPECT_EQ(lseek(fd, 0, SEEK_CUR), 7);
        ASSERT_TRUE(s.seekRaw(62, 's'));
        EXPECT_EQ(s.writeRaw("abcd", 4), 4u) << "extends the borrowed file too";
        EXPECT_EQ(lseek(fd, 0, SEEK_CUR), 7);
        EXPECT_FALSE(SetAsyncMode(s, true)) << "a synchronous stream has no async mode";
        CloseStream(s);
        EXPECT_EQ(s.mode & Stream::BorrowedHandle, 0u);
    }
    EXPECT_NE(fcntl(fd, F_GETFD), -1) << "the owner's descriptor stays open";
    EXPECT_EQ(lseek(fd, 0, SEEK_CUR), 7);
    ::close(fd);
    EXPECT_EQ(fs::file_size(path), 66u);

    AsyncNativeFileStream async;
    EXPECT_FALSE(async.attach(0));
}

TEST_F(NativeFileStreamTest, ClonesDuplicateTheDescriptor) {
    const std::string path = dir.File("clone.bin");
    WriteWholeFile(path, PatternBytes(32));
    AsyncNativeFileStream s;
    EXPECT_EQ(s.clone(0), nullptr) << "nothing to duplicate while closed";
    ASSERT_TRUE(s.open(path.c_str(), 'r', 0));
    ASSERT_TRUE(s.seekRaw(10, 's'));
    Stream* copy = s.clone(Stream::Unbuffered);
    ASSERT_NE(copy, nullptr);
    EXPECT_NE(dynamic_cast<AsyncNativeFileStream*>(copy), nullptr);
    EXPECT_EQ(copy->tellRaw(), 0u);
    EXPECT_EQ(copy->writeRaw("x", 1), 0u) << "the clone keeps the source's access";
    const int duplicate = static_cast<NativeFileStream*>(copy)->descriptor();
    delete copy;
    EXPECT_EQ(fcntl(duplicate, F_GETFD), -1) << "the clone closed its duplicate";
    EXPECT_EQ(s.tellRaw(), 10u);
}

TEST_F(NativeFileStreamTest, MapsReadOnlyViewsAtAnyOffset) {
    const std::string path = dir.File("mapped.bin");
    const std::vector<uint8_t> data = PatternBytes(10000);
    WriteWholeFile(path, data);
    NativeFileStream s;
    EXPECT_EQ(s.map(0, 1), nullptr);
    ASSERT_TRUE(s.open(path.c_str(), 'r', 0));
    auto* view = static_cast<const uint8_t*>(s.map(5001, 100));
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(0, std::memcmp(view, &data[5001], 100));
    auto* rest = static_cast<const uint8_t*>(s.map(9000, 0));
    ASSERT_NE(rest, nullptr);
    EXPECT_EQ(rest[999], data[9999]);
    EXPECT_EQ(s.map(9990, 11), nullptr) << "past the end of the file";
    EXPECT_EQ(s.map(10000, 0), nullptr);
    s.unmap(const_cast<uint8_t*>(view + 50));
    CloseStream(s); // releases the view still mapped
}

// 100 MiB written and read back through a 32768-byte buffered accessor in odd-sized steps.
TEST_F(NativeFileStreamTest, HundredMebibytesThroughTheBufferedAccessor) {
    constexpr uint32_t Total = 100u * 1024 * 1024;
    auto byteAt = [](uint32_t i) { return static_cast<uint8_t>((i * 2654435761u) >> 24); };
    InstallBufferedAccessorFactory(32768, 32768);
    const std::string path = dir.File("large.bin");
    {
        AsyncNativeFileStream s;
        ASSERT_TRUE(s.create(path.c_str(), NativeFileStream::OpenDeleteOnClose));
        std::vector<uint8_t> block(1000);
        for (uint32_t at = 0; at < Total;) {
            const uint32_t n = std::min<uint32_t>(Total - at, at % 3 == 0 ? 1000 : 37);
            for (uint32_t i = 0; i < n; ++i) {
                block[i] = byteAt(at + i);
            }
            ASSERT_EQ(s.accessor->write(block.data(), n), n);
            at += n;
        }
        EXPECT_EQ(s.accessor->tell(), Total);
        ASSERT_TRUE(Seek(s, 0, 's'));
        EXPECT_EQ(fs::file_size(path), Total);

        std::vector<uint8_t> in(70000);
        const uint32_t steps[] = {1, 4093, 70000, 32768, 5};
        uint32_t at = 0;
        for (size_t k = 0; at < Total; ++k) {
            const uint32_t n = s.accessor->read(in.data(), steps[k % std::size(steps)]);
            ASSERT_GT(n, 0u) << "ran dry at " << at;
            for (uint32_t i = 0; i < n; ++i) {
                ASSERT_EQ(in[i], byteAt(at + i)) << "at " << at + i;
            }
            at += n;
        }
        EXPECT_EQ(at, Total);
        EXPECT_EQ(s.accessor->read(in.data(), 1), 0u);
        EXPECT_TRUE(s.accessor->atEnd());
    }
    EXPECT_FALSE(fs::exists(path));
    EXPECT_EQ(balance.outstanding(), 0);
}

TEST(AsyncChunkPlan, ChunkSizeIsASixteenthWithinItsBounds) {
    struct Case {
        uint32_t count, chunkSize, fullChunks, remainder;
    };
    const Case cases[] = {
        {1000, 65536, 0, 1000},
        {128 * 1024, 65536, 2, 0},
        {32u * 1024 * 1024, 1048576, 32, 0},
        {3000000, 187500, 16, 0},
        {3000001, 187500, 16, 1},
        {64u * 1024 * 1024 + 5, 1048576, 64, 5},
    };
    for (const Case& c : cases) {
        const auto plan = AsyncNativeFileStream::PlanChunks(c.count);
        EXPECT_EQ(plan.chunkSize, c.chunkSize) << c.count;
        EXPECT_EQ(plan.fullChunks, c.fullChunks) << c.count;
        EXPECT_EQ(plan.remainder, c.remainder) << c.count;
    }
}

class AsyncRequestTest : public NativeFileStreamTest {
protected:
    // Opens a file of `size` pattern bytes and switches the stream to asynchronous mode.
    void openAsync(uint32_t size, char mode = 'r') {
        data = PatternBytes(size);
        path = dir.File("async.bin");
        WriteWholeFile(path, data);
        ASSERT_TRUE(stream.open(path.c_str(), mode, 0));
        ASSERT_TRUE(SetAsyncMode(stream, true));
        EXPECT_EQ(stream.accessor, nullptr);
        stream.completion = [](Stream&, uint32_t count, uintptr_t value) {
            reinterpret_cast<std::vector<uint32_t>*>(value)->push_back(count);
        };
        stream.completionValue = reinterpret_cast<uintptr_t>(&completions);
    }
    void waitForIt() {
        for (int i = 0; i < 1000 && !stream.isDone(); ++i) {
        }
        ASSERT_TRUE(stream.isDone());
    }

    std::vector<uint8_t> data;
    std::string path;
    AsyncNativeFileStream stream;
    std::vector<uint32_t> completions;
};

TEST_F(AsyncRequestTest, ReadsInTheirPlannedChunks) {
    const struct {
        uint32_t fileSize, count, chunks;
    } cases[] = {{5000, 1000, 1}, {3000000, 3000000, 16}, {32u << 20, 32u << 20, 32}};
    for (const auto& c : cases) {
        completions.clear();
        openAsync(c.fileSize);
        std::vector<uint8_t> out(c.count);
        ASSERT_EQ(stream.readRaw(out.data(), c.count), 1u) << c.count;
        EXPECT_FALSE(stream.isIdle());
        EXPECT_EQ(stream.readRaw(out.data(), 10), 0u) << "one request at a time";
        waitForIt();
        EXPECT_EQ(stream.request().chunksIssued, c.chunks) << c.count;
        EXPECT_EQ(stream.bytesTransferred(), c.count);
        EXPECT_EQ(completions, (std::vector<uint32_t>{c.count}));
        EXPECT_EQ(0, std::memcmp(out.data(), data.data(), c.count)) << c.count;
        EXPECT_EQ(stream.tellRaw(), c.count);
        CloseStream(stream);
    }
}

TEST_F(AsyncRequestTest, ARequestIntoTheEndStopsThereAndOneAtTheEndIsRefused) {
    openAsync(200000);
    std::vector<uint8_t> out(300000);
    ASSERT_EQ(stream.readRaw(out.data(), 300000), 1u);
    waitForIt();
    EXPECT_EQ(stream.request().transferred, 200000u);
    EXPECT_TRUE(stream.atEnd());
    EXPECT_EQ(completions, (std::vector<uint32_t>{200000}));
    EXPECT_EQ(stream.readRaw(out.data(), 10), 0u) << "nothing left to read";
    EXPECT_EQ(completions.size(), 1u) << "a request that never started calls nobody";
}

TEST_F(AsyncRequestTest, CancelEndsTheRequestAfterTheChunkInFlight) {
    openAsync(3000000);
    std::vector<uint8_t> out(3000000);
    ASSERT_EQ(stream.readRaw(out.data(), 3000000), 1u);
    stream.cancel();
    waitForIt();
    EXPECT_EQ(stream.request().chunksIssued, 1u);
    EXPECT_EQ(stream.request().transferred, 0u);
    EXPECT_EQ(completions, (std::vector<uint32_t>{0}));
    EXPECT_EQ(stream.tellRaw(), 0u);
}

TEST_F(AsyncRequestTest, WritesExtendFirstAndLandInChunks) {
    openAsync(100, 'w');
    const std::vector<uint8_t> fresh = PatternBytes(200000, 5);
    ASSERT_TRUE(stream.seekRaw(50, 's'));
    ASSERT_EQ(stream.writeRaw(fresh.data(), 200000), 1u);
    EXPECT_EQ(fs::file_size(path), 200050u) << "extended before any chunk ran";
    waitForIt();
    EXPECT_EQ(stream.request().chunksIssued, 4u) << "three 64 KiB chunks and a short one";
    CloseStream(stream);
    const std::vector<uint8_t> bytes = ReadWholeFile(path);
    ASSERT_EQ(bytes.size(), 200050u);
    EXPECT_EQ(0, std::memcmp(bytes.data(), data.data(), 50));
    EXPECT_EQ(0, std::memcmp(&bytes[50], fresh.data(), fresh.size()));
}

TEST_F(AsyncRequestTest, SynchronousHelpersWorkInAsyncModeAndSwitchBack) {
    openAsync(100);
    uint32_t value = 0;
    EXPECT_EQ(PeekU32(stream, &value), 4u);
    EXPECT_EQ(value, static_cast<uint32_t>(data[0] | data[1] << 8 | data[2] << 16 | data[3] << 24));
    EXPECT_NE(stream.mode & Stream::AsyncMode, 0u);
    EXPECT_EQ(stream.accessor, nullptr);
    EXPECT_EQ(stream.tellRaw(), 0u);

    ASSERT_TRUE(SetAsyncMode(stream, false));
    ASSERT_NE(stream.accessor, nullptr);
    EXPECT_EQ(stream.accessor->read(&value, 4), 4u);
    EXPECT_TRUE(SetAsyncMode(stream, false));
}

TEST_F(AsyncRequestTest, ClosingInAsyncModeLeavesAUsableStream) {
    openAsync(3000000);
    std::vector<uint8_t> out(3000000);
    ASSERT_EQ(stream.readRaw(out.data(), 3000000), 1u);
    CloseStream(stream); // cancels and waits for the chunk in flight
    EXPECT_TRUE(stream.isIdle());
    EXPECT_EQ(stream.mode & Stream::AsyncMode, 0u);
    ASSERT_NE(stream.accessor, nullptr);
    ASSERT_TRUE(stream.open(path.c_str(), 'r', 0));
    uint8_t first = 0;
    ASSERT_EQ(stream.accessor->read(&first, 1), 1u);
    EXPECT_EQ(first, data[0]);
}

// A stream that offers asynchronous mode but turns every switch down.
class RefusingStream : public MemoryStream {
public:
    RefusingStream() { capabilities |= CanAsync; }
    bool setAsyncRaw(bool) override { return false; }
};

TEST(AsyncMode, ARefusedSwitchKeepsTheStreamUsable) {
    uint8_t block[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    RefusingStream stream;
    ASSERT_TRUE(OpenMemory(stream, block, sizeof(block), 'r', 0));
    stream.capabilities |= Stream::CanAsync;
    EXPECT_FALSE(SetAsyncMode(stream, true));
    EXPECT_EQ(stream.mode & Stream::AsyncMode, 0u);
    ASSERT_NE(stream.accessor, nullptr) << "the accessor was recreated";
    uint8_t b = 0;
    EXPECT_EQ(stream.accessor->read(&b, 1), 1u);
    EXPECT_EQ(b, 1);
}

} // namespace
} // namespace quib
