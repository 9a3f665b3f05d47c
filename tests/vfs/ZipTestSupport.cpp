// Reading whole entries and archives for the archive tests.
#include "vfs/ZipTestSupport.h"

#include "vfs/StreamAccessor.h"

namespace quib::ziptest {

std::string ReadAll(Stream& stream) {
    std::string out;
    char buffer[7000]; // not a power of two, so reads straddle buffer and block boundaries
    uint32_t got = 0;
    while ((got = stream.accessor->read(buffer, sizeof buffer)) > 0) {
        out.append(buffer, got);
    }
    return out;
}

void Dispose(Stream* stream) {
    if (stream != nullptr) {
        CloseStream(*stream);
        delete stream;
    }
}

std::string ReadEntry(Archive& archive, const char* name) {
    Stream* stream = archive.openEntry(archive.entryAt(FindEntry(archive, name)));
    if (stream == nullptr) {
        return {};
    }
    std::string content = ReadAll(*stream);
    Dispose(stream);
    return content;
}

} // namespace quib::ziptest
