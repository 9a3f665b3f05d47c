// Opening the archive a command names, with diagnostics that say which file and what failed.
#include "ArchiveFile.h"

#include <cerrno>
#include <cstring>

namespace quib::qdp {

std::string NativeLocator(const char* path) {
    return std::string("file://") + path;
}

bool OpenArchiveFile(const Command& command, ArchiveFile& opened, const char* path, char mode) {
    errno = 0;
    if (!opened.file.open(NativeLocator(path).c_str(), mode)) {
        const int error = errno;
        Failure(command, "%s: cannot open: %s", path,
                error != 0 ? std::strerror(error) : "unknown error");
        return false;
    }
    if (!opened.archive.openStream(opened.file)) {
        Failure(command,
                "%s: not a readable ZIP archive (damaged, cut off, or in a form qdp "
                "does not read)",
                path);
        return false;
    }
    return true;
}

const char* MethodName(int32_t method) {
    switch (method) {
    case ArchiveMethodStored:
        return "stored";
    case ArchiveMethodDeflate:
        return "deflate";
    case ArchiveMethodLzma:
        return "lzma";
    default:
        return "other";
    }
}

} // namespace quib::qdp
