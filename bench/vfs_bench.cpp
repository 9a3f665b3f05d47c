// Stream-layer costs side by side: buffered byte reads against raw reads, the CRC-32 sink
// against zlib's crc32, and inflate through a codec filter against zlib's inflate.
// Prints figures only; never fails on time.
//
// Usage: vfs_bench [ROUNDS [inflate]]: rounds of the inflate comparison (default 11), and
// the inflate comparison alone.
#include "GoalComparison.h"
#include "platform/Crc32Sink.h"
#include "platform/DeflateCodec.h"
#include "vfs/CodecFilter.h"
#include "vfs/MemoryStream.h"
#include "vfs/NativeFileStream.h"
#include "vfs/StreamSettings.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>
#include <zlib.h>

using namespace quib;

namespace {

// Best of a few runs, in seconds.
double Time(const std::function<void()>& run, int repeats = 3) {
    double best = 1e30;
    for (int i = 0; i < repeats; ++i) {
        const auto start = std::chrono::steady_clock::now();
        run();
        const std::chrono::duration<double> spent = std::chrono::steady_clock::now() - start;
        best = std::min(best, spent.count());
    }
    return best;
}

void Row(const char* what, double bytes, double seconds) {
    std::printf("  %-46s %10.1f MB/s %9.2f ns/byte\n", what, bytes / seconds / 1e6,
                seconds * 1e9 / bytes);
}

void Ratio(const char* what, double ours, double theirs) {
    std::printf("  %-46s %10.2fx\n", what, ours / theirs);
}

std::vector<uint8_t> Sample(size_t count) {
    std::vector<uint8_t> bytes(count);
    uint32_t state = 1;
    for (size_t i = 0; i < count; ++i) {
        state = state * 1664525u + 1013904223u;
        bytes[i] = static_cast<uint8_t>((state >> 24) % 5 == 0 ? state >> 16 : 'a' + (state >> 29));
    }
    return bytes;
}

volatile uint32_t sink; // keeps results alive

void ByteReads(const std::string& path) {
    constexpr uint32_t Buffered = 32u << 20;
    constexpr uint32_t RawBytes = 2u << 20;
    const std::vector<uint8_t> data = Sample(Buffered);
    {
        NativeFileStream out;
        out.create(path.c_str(), 0);
        out.writeRaw(data.data(), Buffered);
        CloseStream(out);
    }
    std::puts("byte-at-a-time reads of a file");
    InstallBufferedAccessorFactory(32768, 32768);
    NativeFileStream buffered;
    buffered.open(path.c_str(), 'r', 0);
    const double viaAccessor = Time([&] {
        Seek(buffered, 1, 's');
        Seek(buffered, 0, 's');
        uint32_t sum = 0;
        uint8_t b = 0;
        for (uint32_t i = 0; i < Buffered; ++i) {
            buffered.accessor->read(&b, 1);
            sum += b;
        }
        sink = sum;
    });
    CloseStream(buffered);
    ResetStreamSettings();

    NativeFileStream raw;
    raw.open(path.c_str(), 'r', 0);
    const double perByte = Time([&] {
        raw.seekRaw(0, 's');
        uint32_t sum = 0;
        uint8_t b = 0;
        for (uint32_t i = 0; i < RawBytes; ++i) {
            raw.readRaw(&b, 1);
            sum += b;
        }
        sink = sum;
    });
    std::vector<uint8_t> whole(Buffered);
    const double bulk = Time([&] {
        raw.seekRaw(0, 's');
        sink = raw.readRaw(whole.data(), Buffered);
    });
    CloseStream(raw);
    Row("BufferedAccessor (32768), 1-byte reads", Buffered, viaAccessor);
    Row("readRaw, 1-byte reads (one pread each)", RawBytes, perByte);
    Row("readRaw, one read of the whole file", Buffered, bulk);
    Ratio("1-byte reads: raw time / buffered time", perByte / RawBytes, viaAccessor / Buffered);
}

void Checksums() {
    constexpr size_t Size = 64u << 20;
    const std::vector<uint8_t> data = Sample(Size);
    std::puts("CRC-32 of 64 MiB in memory");
    const double ours = Time([&] {
        Crc32Sink crc;
        crc.begin();
        for (size_t at = 0; at < Size; at += 4096) {
            crc.update(&data[at], 4096);
        }
        sink = crc.finish();
    });
    const double theirs = Time([&] {
        uLong crc = crc32(0, Z_NULL, 0);
        for (size_t at = 0; at < Size; at += 4096) {
            crc = crc32(crc, &data[at], 4096);
        }
        sink = static_cast<uint32_t>(crc);
    });
    Row("Crc32Sink, 4096-byte updates", Size, ours);
    Row("zlib crc32, 4096-byte updates", Size, theirs);
    Ratio("Crc32Sink time / zlib time", ours, theirs);
}

// One run of each side; the loops are functions of their own so that an instruction counter
// can attribute their cost too.
[[gnu::noinline]] uint32_t InflateThroughFilter(std::vector<uint8_t>& packed,
                                                std::vector<uint8_t>& out) {
    MemoryStream stream;
    OpenMemory(stream, packed.data(), static_cast<uint32_t>(packed.size()), 'r', 0);
    DeflateCodec codec(15);
    CodecFilter filter(&codec);
    AttachReadFilter(filter, stream);
    uint32_t got = 0;
    while (got < out.size()) {
        const uint32_t n = stream.accessor->read(out.data() + got, 32768);
        if (n == 0) {
            break;
        }
        got += n;
    }
    CloseStream(stream);
    return got;
}

[[gnu::noinline]] uint32_t InflateWholeBuffer(const std::vector<uint8_t>& packed,
                                              std::vector<uint8_t>& out) {
    z_stream zs = {};
    inflateInit(&zs);
    zs.next_in = const_cast<uint8_t*>(packed.data());
    zs.avail_in = static_cast<uInt>(packed.size());
    zs.next_out = out.data();
    zs.avail_out = static_cast<uInt>(out.size());
    inflate(&zs, Z_FINISH);
    inflateEnd(&zs);
    return static_cast<uint32_t>(zs.total_out);
}

// zlib alone, fed and drained in the filter's steps (4 KiB in, 32 KiB out, no flush): the
// part of the filter's cost that comes from streaming through zlib at all.
[[gnu::noinline]] uint32_t InflateInFilterSteps(const std::vector<uint8_t>& packed,
                                                std::vector<uint8_t>& out) {
    z_stream zs = {};
    inflateInit(&zs);
    size_t inLeft = packed.size();
    size_t outLeft = out.size();
    zs.next_in = const_cast<uint8_t*>(packed.data());
    zs.next_out = out.data();
    int status = Z_OK;
    while (status == Z_OK) {
        if (zs.avail_in == 0) {
            zs.avail_in =
                static_cast<uInt>(std::min<size_t>(CodecFilter::DefaultBufferSize, inLeft));
            inLeft -= zs.avail_in;
        }
        if (zs.avail_out == 0) {
            zs.avail_out = static_cast<uInt>(std::min<size_t>(32768, outLeft));
            outLeft -= zs.avail_out;
        }
        status = inflate(&zs, Z_NO_FLUSH);
    }
    inflateEnd(&zs);
    return static_cast<uint32_t>(zs.total_out);
}

void Inflate(int rounds) {
    constexpr uint32_t Size = 32u << 20;
    const std::vector<uint8_t> data = Sample(Size);
    std::vector<uint8_t> packed(compressBound(Size));
    uLongf packedSize = packed.size();
    compress2(packed.data(), &packedSize, data.data(), Size, 6);
    packed.resize(packedSize);
    std::printf("inflate of 32 MiB (%lu bytes compressed), median of %d rounds\n",
                static_cast<unsigned long>(packedSize), rounds);
    std::vector<uint8_t> out(Size);
    bench::PrintGoalHeader("ns per output byte");
    bench::CompareWithFloor(
        "CodecFilter, 32 KiB reads / zlib whole", 1.05, rounds,
        [&] { return Time([&] { sink = InflateThroughFilter(packed, out); }, 1) * 1e9 / Size; },
        [&] { return Time([&] { sink = InflateWholeBuffer(packed, out); }, 1) * 1e9 / Size; });
    bench::CompareWithFloor(
        "zlib in the filter's steps / whole", 0, rounds,
        [&] { return Time([&] { sink = InflateInFilterSteps(packed, out); }, 1) * 1e9 / Size; },
        [&] { return Time([&] { sink = InflateWholeBuffer(packed, out); }, 1) * 1e9 / Size; });
}

} // namespace

int main(int argc, char** argv) {
    const int rounds = bench::RoundsFromArguments(argc, argv);
    if (argc > 2 && std::string(argv[2]) == "inflate") {
        Inflate(rounds);
        return 0;
    }
    namespace fs = std::filesystem;
    std::string dir = (fs::temp_directory_path() / "quib-vfs-bench-XXXXXX").string();
    if (mkdtemp(dir.data()) == nullptr) {
        std::fprintf(stderr, "vfs_bench: cannot create a temporary directory in %s\n",
                     fs::temp_directory_path().c_str());
        return 1;
    }
    ByteReads(dir + "/bytes.bin");
    Checksums();
    Inflate(rounds);
    fs::remove_all(dir);
    return 0;
}
