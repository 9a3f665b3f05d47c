// External tools (zip, unzip, python3, qdp) and file helpers for the
// archive tests.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace quib::ziptest {

struct CommandResult {
    int status;         // the exit status, or -1 when the command could not run or was killed
    std::string output; // standard output
};

// Runs command with /bin/sh in directory dir; standard error goes to the test's own.
CommandResult RunShell(const std::string& dir, const std::string& command);
std::string Quote(const std::string& text);

bool WriteFile(const std::string& path, const std::string& bytes);
// The whole file, or an empty text when it cannot be read.
std::string ReadFile(const std::string& path);

// Deterministic bytes: runs of repeated words mixed with pseudo-random bytes, so that deflate
// has work to do and nothing compresses to almost nothing.
std::string MakeBytes(size_t size, uint32_t seed);

// The qdp program built beside the tests.
std::string QdpPath();

} // namespace quib::ziptest
