// Opening the archive a command names, with diagnostics that say which file and what failed.
#pragma once

#include "Command.h"
#include "vfs/FileStream.h"
#include "vfs/ZipArchive.h"

#include <cstdio>
#include <string>

namespace quib::qdp {

// The archive reads through file, which must outlive it: members are destroyed in reverse
// order, so the archive closes first.
struct ArchiveFile {
    FileStream file;
    ZipArchive archive;
};

// A locator that names path as a native file whatever it looks like ("http:x" included).
std::string NativeLocator(const char* path);

// Opens path with mode 'r' (read) or 'w' (read and add). On failure reports
// "qdp CMD: PATH: reason" and answers false.
bool OpenArchiveFile(const Command& command, ArchiveFile& opened, const char* path, char mode);

// Writes the uncompressed bytes of `entry` to `out` (named `outName` in messages) and checks
// them against the archive's CRC-32. On failure reports "qdp CMD: PATH: reason" and answers
// false.
bool CopyEntry(const Command& command, ArchiveFile& opened, const char* path,
               const ArchiveEntry& entry, std::FILE* out, const char* outName);

// "stored", "deflate", "lzma" or "other".
const char* MethodName(int32_t method);

} // namespace quib::qdp
