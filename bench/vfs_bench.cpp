// Stream-layer costs side by side: buffered byte reads against raw reads, the CRC-32 sink
// against zlib's crc32, and inflate through a codec filter against zlib's inflate.
// Prints figures only; never fails on time.
#include "platform/Crc32Sink.h"
#include "platform/DeflateCodec.h"
#include "vfs/CodecFilter.h"
#include "vfs/MemoryStream.h"
#include "vfs/NativeFileStream.h"
#include "vfs/StreamSettings.h"

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

void Inflate() {
    constexpr uint32_t Size = 32u << 20;
    const std::vector<uint8_t> data = Sample(Size);
    std::vector<uint8_t> packed(compressBound(Size));
    uLongf packedSize = packed.size();
    compress2(packed.data(), &packedSize, data.data(), Size, 6);
    std::printf("inflate of 32 MiB (%lu bytes compressed)\n",
                static_cast<unsigned long>(packedSize));
    std::vector<uint8_t> out(Size);
    const double viaFilter = Time([&] {
        MemoryStream stream;
        OpenMemory(stream, packed.data(), static_cast<uint32_t>(packedSize), 'r', 0);
        DeflateCodec codec(15);
        CodecFilter filter(&codec);
        AttachReadFilter(filter, stream);
        uint32_t got = 0;
        while (got < Size) {
            const uint32_t n = stream.accessor->read(out.data() + got, 32768);
            if (n == 0) {
                break;
            }
            got += n;
        }
        sink = got;
        CloseStream(stream);
    });
    const double direct = Time([&] {
        z_stream zs = {};
        inflateInit(&zs);
        zs.next_in = packed.data();
        zs.avail_in = static_cast<uInt>(packedSize);
        zs.next_out = out.data();
        zs.avail_out = Size;
        inflate(&zs, Z_FINISH);
        sink = static_cast<uint32_t>(zs.total_out);
        inflateEnd(&zs);
    });
    Row("CodecFilter over a MemoryStream, 32 KiB reads", Size, viaFilter);
    Row("zlib inflate, whole buffer", Size, direct);
    Ratio("CodecFilter time / zlib time", viaFilter, direct);
}

} // namespace

int main() {
    namespace fs = std::filesystem;
    std::string dir = (fs::temp_directory_path() / "quib-vfs-bench-XXXXXX").string();
    if (mkdtemp(dir.data()) == nullptr) {
        std::fprintf(stderr, "vfs_bench: cannot create a temporary directory in %s\n",
                     fs::temp_directory_path().c_str());
        return 1;
    }
    ByteReads(dir + "/bytes.bin");
    Checksums();
    Inflate();
    fs::remove_all(dir);
    return 0;
}
