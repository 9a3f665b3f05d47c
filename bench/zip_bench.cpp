// Reads the same archives with quib's ZIP reader and with libzip, side by side, and prints the
// times and their ratios: many small entries, a few large deflated ones, the same stored.
//
// Usage: zip_bench [MEGABYTES]  (content of the large archives, default 200). The archives
// are written by libzip into a temporary directory that is removed afterwards.
#include "vfs/StreamAccessor.h"
#include "vfs/StreamSettings.h"
#include "vfs/ZipArchive.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>
#include <zip.h>

namespace {

constexpr int kRepeats = 3;
constexpr uint32_t kBlock = 65536;

// Text-like bytes that deflate to roughly half their size.
std::string MakeContent(size_t size, uint32_t seed) {
    static const char* const kWords[] = {"music ", "disk ", "page ", "song ", "effect\n"};
    std::string bytes;
    bytes.reserve(size + 16);
    uint32_t state = seed * 2654435761u + 7;
    while (bytes.size() < size) {
        state = state * 1664525u + 1013904223u;
        if ((state >> 29) < 3) {
            bytes += kWords[(state >> 8) % 5];
        } else {
            bytes += static_cast<char>('a' + (state >> 16) % 26);
            bytes += static_cast<char>(state >> 24);
        }
    }
    bytes.resize(size);
    return bytes;
}

struct Content {
    std::string name;
    std::string bytes;
};

bool WriteWithLibzip(const std::string& path, const std::vector<Content>& contents, bool store) {
    int error = 0;
    zip_t* archive = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (archive == nullptr) {
        return false;
    }
    for (const Content& c : contents) {
        zip_source_t* source = zip_source_buffer(archive, c.bytes.data(), c.bytes.size(), 0);
        const zip_int64_t index =
            source != nullptr ? zip_file_add(archive, c.name.c_str(), source, 0) : -1;
        if (index < 0) {
            zip_source_free(source);
            zip_discard(archive);
            return false;
        }
        zip_set_file_compression(archive, static_cast<zip_uint64_t>(index),
                                 store ? ZIP_CM_STORE : ZIP_CM_DEFLATE, 0);
    }
    return zip_close(archive) == 0;
}

// Both readers fold every byte into this so that no read can be optimised away.
struct Totals {
    uint64_t bytes = 0;
    uint64_t sum = 0;
    void add(const uint8_t* data, uint32_t count) {
        bytes += count;
        for (uint32_t i = 0; i < count; i += 64) {
            sum += data[i];
        }
    }
};

bool ReadWithQuib(const std::string& path, bool readEntries, Totals& totals) {
    quib::ZipArchive archive;
    if (!archive.open(("file://" + path).c_str(), 'r')) {
        return false;
    }
    static uint8_t block[kBlock];
    for (int32_t i = 0; readEntries && i < archive.entries.Count(); ++i) {
        quib::Stream* stream = archive.openEntry(archive.entryAt(i));
        if (stream == nullptr) {
            return false;
        }
        uint32_t got = 0;
        while ((got = stream->accessor->read(block, kBlock)) > 0) {
            totals.add(block, got);
        }
        quib::CloseStream(*stream);
        delete stream;
    }
    totals.bytes += static_cast<uint64_t>(archive.entries.Count());
    return true;
}

bool ReadWithLibzip(const std::string& path, bool readEntries, Totals& totals) {
    int error = 0;
    zip_t* archive = zip_open(path.c_str(), ZIP_RDONLY, &error);
    if (archive == nullptr) {
        return false;
    }
    static uint8_t block[kBlock];
    const zip_int64_t count = zip_get_num_entries(archive, 0);
    bool ok = true;
    for (zip_int64_t i = 0; readEntries && ok && i < count; ++i) {
        zip_file_t* file = zip_fopen_index(archive, static_cast<zip_uint64_t>(i), 0);
        ok = file != nullptr;
        zip_int64_t got = 0;
        while (ok && (got = zip_fread(file, block, kBlock)) > 0) {
            totals.add(block, static_cast<uint32_t>(got));
        }
        ok = ok && got == 0;
        if (file != nullptr) {
            zip_fclose(file);
        }
    }
    totals.bytes += static_cast<uint64_t>(count);
    zip_close(archive);
    return ok;
}

// The best of kRepeats runs, in milliseconds; negative when a run failed.
double Best(const std::function<bool(Totals&)>& run, Totals& totals) {
    double best = -1;
    for (int i = 0; i < kRepeats; ++i) {
        Totals t;
        const auto start = std::chrono::steady_clock::now();
        const bool ok = run(t);
        const auto end = std::chrono::steady_clock::now();
        if (!ok) {
            return -1;
        }
        const double ms = std::chrono::duration<double, std::milli>(end - start).count();
        best = best < 0 ? ms : std::min(best, ms);
        totals = t;
    }
    return best;
}

void Compare(const char* label, const std::string& path, bool readEntries) {
    Totals ours, theirs;
    const double quibMs = Best([&](Totals& t) { return ReadWithQuib(path, readEntries, t); }, ours);
    const double libzipMs =
        Best([&](Totals& t) { return ReadWithLibzip(path, readEntries, t); }, theirs);
    if (quibMs < 0 || libzipMs < 0) {
        std::printf("%-44s  %s failed to read %s\n", label, quibMs < 0 ? "quib" : "libzip",
                    path.c_str());
        return;
    }
    const char* agree = ours.bytes == theirs.bytes && ours.sum == theirs.sum ? "" : "  MISMATCH";
    std::printf("%-44s %10.1f %10.1f %8.2f%s\n", label, quibMs, libzipMs, quibMs / libzipMs, agree);
}

double SizeMb(const std::string& path) {
    std::error_code ignored;
    return static_cast<double>(std::filesystem::file_size(path, ignored)) / 1e6;
}

} // namespace

int main(int argc, char** argv) {
    const size_t megabytes = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 200;
    quib::InstallBufferedAccessorFactory(32768, 32768); // as the player sets it up
    char pattern[] = "/tmp/quib-zip-bench-XXXXXX";
    if (mkdtemp(pattern) == nullptr) {
        std::perror("zip_bench: cannot make a temporary directory");
        return 1;
    }
    const std::string dir = pattern;

    std::printf("writing the archives with libzip in %s ...\n", dir.c_str());
    std::vector<Content> small;
    for (int i = 0; i < 10000; ++i) {
        small.push_back({"entries/" + std::to_string(i) + ".txt",
                         MakeContent(100 + (static_cast<size_t>(i) * 7919) % 1900, i)});
    }
    std::vector<Content> large;
    const size_t pieces = 4;
    for (size_t i = 0; i < pieces; ++i) {
        large.push_back({"large" + std::to_string(i) + ".bin",
                         MakeContent(megabytes * 1000000 / pieces, 100 + i)});
    }
    const std::string smallPath = dir + "/small.zip";
    const std::string deflatedPath = dir + "/large-deflated.zip";
    const std::string storedPath = dir + "/large-stored.zip";
    const bool written = WriteWithLibzip(smallPath, small, false) &&
                         WriteWithLibzip(deflatedPath, large, false) &&
                         WriteWithLibzip(storedPath, large, true);
    small.clear();
    large.clear();
    if (written) {
        std::printf("archives: %.1f MB (10,000 entries), %.1f MB deflated and %.1f MB stored "
                    "(%zu entries, %zu MB of content in all)\n\n",
                    SizeMb(smallPath), SizeMb(deflatedPath), SizeMb(storedPath), pieces, megabytes);
        std::printf("best of %d runs, warm page cache; ratio = quib / libzip (below 1: quib "
                    "faster)\nlibzip checks each entry's CRC-32 as it reads; quib does not\n\n",
                    kRepeats);
        std::printf("%-44s %10s %10s %8s\n", "case", "quib ms", "libzip ms", "ratio");
        Compare("(a) 10,000 small entries: open only", smallPath, false);
        Compare("(a) 10,000 small entries: open + read all", smallPath, true);
        Compare("(b) large deflated entries: open + read all", deflatedPath, true);
        Compare("(c) large stored entries: open + read all", storedPath, true);
    } else {
        std::fprintf(stderr, "zip_bench: libzip could not write the archives in %s\n", dir.c_str());
    }
    std::error_code ignored;
    std::filesystem::remove_all(dir, ignored);
    return written ? 0 : 1;
}
