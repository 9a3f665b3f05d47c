// Shared helpers of the file-system tests: allocation balance, temporary directories, data.
#pragma once

#include "platform/MemAllocator.h"

#include <cstdint>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace quib::test {

// Blocks allocated minus blocks freed since construction.
class AllocationBalance {
public:
    AllocationBalance() : start(MemGetCounters()) {}
    int64_t outstanding() const {
        const MemCounters now = MemGetCounters();
        return (static_cast<int64_t>(now.allocations) - start.allocations) -
               (static_cast<int64_t>(now.frees) - start.frees);
    }

private:
    MemCounters start;
};

// A fresh directory under the system's temporary directory, removed with its contents.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& Path() const { return root; }
    std::string File(const std::string& name) const { return root + "/" + name; }

private:
    std::string root;
};

// Deterministic bytes that do not repeat with any short period and compress moderately.
std::vector<uint8_t> PatternBytes(size_t count, uint32_t seed = 1);

std::vector<uint8_t> ReadWholeFile(const std::string& path);
void WriteWholeFile(const std::string& path, const std::vector<uint8_t>& bytes);

} // namespace quib::test
