// One set of stream checks run over every stream implementation and accessor setting.
#include "platform/DeflateCodec.h"
#include "vfs/AsyncNativeFileStream.h"
#include "vfs/CodecFilter.h"
#include "vfs/FileStream.h"
#include "vfs/MemoryStream.h"
#include "vfs/StreamAccessor.h"
#include "vfs/StreamHelpers.h"
#include "vfs/StreamSettings.h"
#include "vfs/VfsTestSupport.h"
#include "vfs/ZipArchive.h"
#include "vfs/ZipBuilder.h"

#include <cstring>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

namespace quib {
namespace {

using test::AllocationBalance;
using test::PatternBytes;
using test::TempDir;

// An open stream positioned at the start of `data`, written through the stream's own write
// path, plus whatever must outlive it.
class Subject {
public:
    virtual ~Subject() = default;
    virtual Stream* open(const std::vector<uint8_t>& data) = 0;
    // Seeks, sizes, clones, rewrites and the end flag are those of the data the caller sees
    // (not so for data read through a codec: they belong to the compressed bytes).
    virtual bool positional() const { return true; }
    // Archive entries can be read and sought, but not written or cloned.
    virtual bool readOnly() const { return false; }
    // A seek before the start fails (archive entries move to the start instead).
    virtual bool refusesNegativeSeeks() const { return true; }
    // Runs the close sequence and disposes of the stream and its helpers.
    virtual void release(Stream* stream) {
        CloseStream(*stream);
        delete stream;
    }
};

void WriteAll(Stream& stream, const std::vector<uint8_t>& data) {
    ASSERT_EQ(stream.accessor->write(data.data(), static_cast<uint32_t>(data.size())), data.size());
}

class MemorySubject : public Subject {
public:
    Stream* open(const std::vector<uint8_t>& data) override {
        auto* stream = new MemoryStream();
        EXPECT_TRUE(OpenMemory(*stream, nullptr, static_cast<uint32_t>(data.size()), 'c', 0));
        WriteAll(*stream, data);
        EXPECT_TRUE(Seek(*stream, 0, 's'));
        return stream;
    }
};

template <class NativeStream>
class NativeSubject : public Subject {
public:
    Stream* open(const std::vector<uint8_t>& data) override {
        auto* stream = new NativeStream();
        EXPECT_TRUE(stream->create(dir.File("contract.bin").c_str(), 0));
        WriteAll(*stream, data);
        EXPECT_TRUE(Seek(*stream, 0, 's'));
        return stream;
    }

protected:
    TempDir dir;
};

// Writes the data compressed through a codec filter into the subject's stream, then reads it
// back through a decompressing filter.
template <class Base>
class CodecSubject : public Base {
public:
    Stream* open(const std::vector<uint8_t>& data) override {
        // Room for incompressible data in a memory block, which never grows.
        Stream* stream = Base::open(std::vector<uint8_t>(data.size() + 1024));
        EXPECT_TRUE(AttachWriteFilter(writer, *stream));
        WriteAll(*stream, data);
        DetachFilter(writer, *stream);
        EXPECT_TRUE(stream->truncate()); // a file ends with the compressed data
        EXPECT_TRUE(Seek(*stream, 0, 's'));
        EXPECT_TRUE(AttachReadFilter(reader, *stream));
        return stream;
    }
    bool positional() const override { return false; }

private:
    DeflateCodec codec{15};
    CodecFilter writer{&codec};
    CodecFilter reader{&codec};
};

// A file stream opened on a "file://" locator or on a "zqmem://" locator over a block.
class FileStreamSubject : public Subject {
public:
    explicit FileStreamSubject(bool memory) : memory(memory) {}
    Stream* open(const std::vector<uint8_t>& data) override {
        auto* stream = new FileStream();
        std::string locator = "file://" + dir.File("contract.bin");
        char memoryLocator[64];
        if (memory) {
            block.resize(data.size());
            FormatMemoryLocator(memoryLocator, sizeof memoryLocator, block.data(),
                                static_cast<uint32_t>(block.size()));
            locator = memoryLocator;
        }
        EXPECT_TRUE(stream->open(locator.c_str(), memory ? 'w' : 'c'));
        WriteAll(*stream, data);
        EXPECT_TRUE(Seek(*stream, 0, 's'));
        return stream;
    }

private:
    bool memory;
    TempDir dir;
    std::vector<uint8_t> block;
};

// The data as an entry of a ZIP archive in memory, stored or deflated, between two others.
class ZipEntrySubject : public Subject {
public:
    explicit ZipEntrySubject(uint16_t method) : method(method) {}
    Stream* open(const std::vector<uint8_t>& data) override {
        bytes = ziptest::BuildZip({{.name = "before", .content = "first entry"},
                                   {.name = "data",
                                    .content = std::string(data.begin(), data.end()),
                                    .method = method},
                                   {.name = "after", .content = "last entry"}})
                    .bytes;
        EXPECT_TRUE(archive.openMemory(bytes.data(), static_cast<uint32_t>(bytes.size()), 'r'));
        return archive.openEntry(archive.entryAt(FindEntry(archive, "data")));
    }
    bool readOnly() const override { return true; }
    bool refusesNegativeSeeks() const override { return false; }

private:
    uint16_t method;
    std::string bytes;
    ZipArchive archive;
};

struct ContractCase {
    const char* name;
    std::function<std::unique_ptr<Subject>()> make;
    bool bufferedAccessor;
};

void PrintTo(const ContractCase& c, std::ostream* os) {
    *os << c.name;
}

class StreamContract : public testing::TestWithParam<ContractCase> {
protected:
    void SetUp() override {
        if (GetParam().bufferedAccessor) {
            InstallBufferedAccessorFactory(32768, 32768);
        }
        subject = GetParam().make();
    }
    void TearDown() override {
        if (stream != nullptr) {
            subject->release(stream);
        }
        subject.reset();
        ResetStreamSettings();
        EXPECT_EQ(balance.outstanding(), 0) << "blocks left allocated";
    }
    Stream& open(const std::vector<uint8_t>& data) {
        stream = subject->open(data);
        return *stream;
    }

    AllocationBalance balance;
    std::unique_ptr<Subject> subject;
    Stream* stream = nullptr;
};

TEST_P(StreamContract, ReadsBackWhatWasWrittenInAnyStepSizes) {
    const std::vector<uint8_t> data = PatternBytes(150000);
    Stream& s = open(data);
    std::vector<uint8_t> back(data.size() + 16);
    const uint32_t steps[] = {1, 3, 4095, 4097, 10000, 40000, 7};
    size_t got = 0;
    for (size_t i = 0; got < data.size(); ++i) {
        const uint32_t n = s.accessor->read(back.data() + got, steps[i % std::size(steps)]);
        ASSERT_GT(n, 0u) << "stream ran dry at " << got;
        got += n;
    }
    ASSERT_EQ(got, data.size());
    back.resize(got);
    EXPECT_EQ(back, data);
    uint8_t extra = 0;
    EXPECT_EQ(s.accessor->read(&extra, 1), 0u);
    EXPECT_TRUE(s.accessor->atEnd() || !subject->positional());
}

TEST_P(StreamContract, ShortReadAtTheEndThenNothing) {
    const std::vector<uint8_t> data = PatternBytes(5000);
    Stream& s = open(data);
    std::vector<uint8_t> back(6000);
    EXPECT_EQ(s.accessor->read(back.data(), 6000), 5000u);
    EXPECT_EQ(0, std::memcmp(back.data(), data.data(), data.size()));
    EXPECT_EQ(s.accessor->read(back.data(), 10), 0u);
    EXPECT_TRUE(s.accessor->atEnd() || !subject->positional());
}

TEST_P(StreamContract, ValuesStringsAndLinesComeBackLittleEndian) {
    const std::vector<uint8_t> data = {0x7F, 0x34, 0x12, 0x78, 0x56, 0x34, 0x12, 0xFE, 0xFF,
                                       0xFF, 0xFF, 0x00, 0x00, 0xC0, 0x3F, 0x08, 0x07, 0x06,
                                       0x05, 0x04, 0x03, 0x02, 0x01, 'h',  'i',  0,    'o',
                                       'n',  'e',  '\r', '\n', 't',  'w',  'o'};
    Stream& s = open(data);
    uint8_t u8 = 0;
    uint16_t u16 = 0;
    uint32_t u32 = 0;
    int32_t i32 = 0;
    float f32 = 0;
    uint64_t u64 = 0;
    ASSERT_TRUE(ReadU8(s, u8));
    ASSERT_TRUE(ReadU16(s, u16));
    ASSERT_TRUE(ReadU32(s, u32));
    ASSERT_TRUE(ReadI32(s, i32));
    ASSERT_TRUE(ReadF32(s, f32));
    ASSERT_TRUE(ReadU64(s, u64));
    EXPECT_EQ(u8, 0x7F);
    EXPECT_EQ(u16, 0x1234);
    EXPECT_EQ(u32, 0x12345678u);
    EXPECT_EQ(i32, -2);
    EXPECT_EQ(f32, 1.5f);
    EXPECT_EQ(u64, 0x0102030405060708ull);
    char* text = ReadString(s);
    ASSERT_NE(text, nullptr);
    EXPECT_STREQ(text, "hi");
    EXPECT_EQ(MemBlockSize(text), 3u);
    MemFree(text);
    char line[ReadLineBufferSize];
    EXPECT_EQ(ReadLine(s, line), 3);
    EXPECT_STREQ(line, "one");
    EXPECT_EQ(ReadLine(s, line), ReadLineNoTerminator);
    EXPECT_STREQ(line, "two");
    EXPECT_EQ(ReadLine(s, line), ReadLineAtEnd);
    EXPECT_FALSE(ReadU8(s, u8));
}

TEST_P(StreamContract, SeeksSizesAndTellsConsistently) {
    if (!subject->positional()) {
        GTEST_SKIP() << "positions of a filtered stream are those of its raw data";
    }
    const std::vector<uint8_t> data = PatternBytes(70000);
    Stream& s = open(data);
    uint8_t b[8] = {};
    ASSERT_EQ(s.accessor->read(b, 5), 5u);
    EXPECT_EQ(s.size(), data.size());
    EXPECT_EQ(s.accessor->tell(), 5u) << "size() must keep the position";

    ASSERT_TRUE(Seek(s, 60000, 's'));
    EXPECT_EQ(s.accessor->tell(), 60000u);
    ASSERT_EQ(s.accessor->read(b, 8), 8u);
    EXPECT_EQ(0, std::memcmp(b, &data[60000], 8));
    ASSERT_TRUE(Seek(s, -16, 'c'));
    EXPECT_EQ(s.accessor->tell(), 59992u);
    ASSERT_EQ(s.accessor->read(b, 1), 1u);
    EXPECT_EQ(b[0], data[59992]);

    if (subject->refusesNegativeSeeks()) {
        EXPECT_FALSE(Seek(s, -1, 's'));
        EXPECT_EQ(s.accessor->tell(), 59993u) << "a refused seek keeps the position";
    }
    EXPECT_FALSE(Seek(s, 0, 'x'));

    ASSERT_TRUE(Seek(s, 0, 'e'));
    EXPECT_EQ(s.accessor->tell(), data.size());
    EXPECT_TRUE(s.atEnd());
    EXPECT_EQ(s.accessor->read(b, 1), 0u);
}

TEST_P(StreamContract, PeekLeavesThePositionAlone) {
    if (!subject->positional()) {
        GTEST_SKIP() << "peeking gives bytes back by seeking";
    }
    const std::vector<uint8_t> data = PatternBytes(100);
    Stream& s = open(data);
    ASSERT_TRUE(Seek(s, 10, 's'));
    uint8_t peeked[4] = {};
    EXPECT_EQ(PeekU32(s, peeked), 4u);
    EXPECT_EQ(0, std::memcmp(peeked, &data[10], 4));
    EXPECT_EQ(s.accessor->tell(), 10u);
    uint8_t next = 0;
    ASSERT_EQ(s.accessor->read(&next, 1), 1u);
    EXPECT_EQ(next, data[10]);
}

TEST_P(StreamContract, RewritesInPlace) {
    if (!subject->positional() || subject->readOnly()) {
        GTEST_SKIP() << "a compressed stream is written once, front to back";
    }
    std::vector<uint8_t> data = PatternBytes(9000);
    Stream& s = open(data);
    const uint8_t patch[5] = {1, 2, 3, 4, 5};
    ASSERT_TRUE(Seek(s, 4100, 's'));
    ASSERT_EQ(s.accessor->write(patch, 5), 5u);
    EXPECT_EQ(s.accessor->tell(), 4105u);
    ASSERT_TRUE(Seek(s, 0, 's'));
    std::memcpy(&data[4100], patch, 5);
    std::vector<uint8_t> back(data.size());
    ASSERT_EQ(s.accessor->read(back.data(), static_cast<uint32_t>(back.size())), data.size());
    EXPECT_EQ(back, data);
}

TEST_P(StreamContract, ClonesShareDataNotPosition) {
    if (!subject->positional() || subject->readOnly()) {
        GTEST_SKIP() << "clones read raw data";
    }
    const std::vector<uint8_t> data = PatternBytes(3000);
    Stream& s = open(data);
    ASSERT_TRUE(Seek(s, 1000, 's'));
    Stream* copy = s.clone(Stream::Unbuffered);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->kind(), s.kind());
    EXPECT_EQ(copy->accessor->tell(), 0u);
    uint8_t a = 0;
    uint8_t b = 0;
    ASSERT_EQ(copy->accessor->read(&a, 1), 1u);
    ASSERT_EQ(s.accessor->read(&b, 1), 1u);
    EXPECT_EQ(a, data[0]);
    EXPECT_EQ(b, data[1000]);
    CloseStream(*copy);
    delete copy;
    ASSERT_EQ(s.accessor->read(&b, 1), 1u) << "closing a clone leaves the original usable";
    EXPECT_EQ(b, data[1001]);
}

TEST_P(StreamContract, CloseSequenceClosesAndIsRepeatable) {
    Stream& s = open(PatternBytes(10));
    CloseStream(s);
    EXPECT_FALSE(s.isOpen());
    EXPECT_EQ(s.readFilters.Count(), 0);
    EXPECT_EQ(s.writeFilters.Count(), 0);
    CloseStream(s);
    EXPECT_FALSE(s.isOpen());
}

template <class T>
std::function<std::unique_ptr<Subject>()> Make() {
    return [] { return std::make_unique<T>(); };
}

INSTANTIATE_TEST_SUITE_P(
    AllStreams, StreamContract,
    testing::Values(
        ContractCase{"Memory", Make<MemorySubject>(), false},
        ContractCase{"MemoryWithFactory", Make<MemorySubject>(), true},
        ContractCase{"NativeUnbuffered", Make<NativeSubject<NativeFileStream>>(), false},
        ContractCase{"AsyncNativeBuffered", Make<NativeSubject<AsyncNativeFileStream>>(), true},
        ContractCase{"MemoryCodec", Make<CodecSubject<MemorySubject>>(), false},
        ContractCase{"NativeCodecUnbuffered", Make<CodecSubject<NativeSubject<NativeFileStream>>>(),
                     false},
        ContractCase{"AsyncNativeCodecBuffered",
                     Make<CodecSubject<NativeSubject<AsyncNativeFileStream>>>(), true},
        ContractCase{"FileStreamNative", [] { return std::make_unique<FileStreamSubject>(false); },
                     true},
        ContractCase{"FileStreamMemory", [] { return std::make_unique<FileStreamSubject>(true); },
                     true},
        ContractCase{"ZipStoredEntry", [] { return std::make_unique<ZipEntrySubject>(0); }, true},
        ContractCase{"ZipDeflatedEntry", [] { return std::make_unique<ZipEntrySubject>(8); }, true},
        ContractCase{"ZipDeflatedEntryUnbuffered",
                     [] { return std::make_unique<ZipEntrySubject>(8); }, false}),
    [](const testing::TestParamInfo<ContractCase>& info) { return info.param.name; });

} // namespace
} // namespace quib
