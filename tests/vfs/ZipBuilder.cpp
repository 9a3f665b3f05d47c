// Hand-made ZIP bytes for the archive tests: shapes that the tools do not write on request
// (descriptors without signatures, method 14, odd extra fields) and exact layouts to check.
#include "vfs/ZipBuilder.h"

#include "platform/Crc32Sink.h"
#include "platform/DeflateCodec.h"

namespace quib::ziptest {

namespace {

void Put16(std::string& out, uint32_t v) {
    out += static_cast<char>(v & 0xFF);
    out += static_cast<char>((v >> 8) & 0xFF);
}

void Put32(std::string& out, uint32_t v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

} // namespace

uint32_t Crc32(const std::string& content) {
    Crc32Sink sink;
    sink.begin();
    sink.update(reinterpret_cast<const uint8_t*>(content.data()),
                static_cast<uint32_t>(content.size()));
    return sink.finish();
}

std::string Deflate(const std::string& content) {
    DeflateCodec codec(-15);
    std::string out(content.size() + content.size() / 8 + 64, '\0');
    uint32_t outSize = static_cast<uint32_t>(out.size());
    codec.compressBuffer(reinterpret_cast<uint8_t*>(out.data()), outSize,
                         reinterpret_cast<const uint8_t*>(content.data()),
                         static_cast<uint32_t>(content.size()), nullptr, 9, 0);
    out.resize(outSize);
    return out;
}

BuiltZip BuildZip(const std::vector<BuildEntry>& entries, const std::string& archiveComment) {
    BuiltZip zip;
    std::string central;
    for (const BuildEntry& entry : entries) {
        const std::string data = entry.method == 8 ? Deflate(entry.content) : entry.content;
        const uint32_t crc = Crc32(entry.content);
        const uint16_t flags = (entry.descriptor ? 8 : 0) | (entry.encrypted ? 1 : 0);
        zip.localOffsets.push_back(zip.bytes.size());
        std::string& out = zip.bytes;
        Put32(out, 0x04034b50);
        Put16(out, 20);
        Put16(out, flags);
        Put16(out, entry.method);
        Put32(out, 0); // time and date
        Put32(out, entry.descriptor ? 0 : crc);
        Put32(out, entry.descriptor ? 0 : static_cast<uint32_t>(data.size()));
        Put32(out, entry.descriptor ? 0 : static_cast<uint32_t>(entry.content.size()));
        Put16(out, static_cast<uint32_t>(entry.name.size()));
        Put16(out, static_cast<uint32_t>(entry.localExtra.size()));
        out += entry.name + entry.localExtra;
        zip.dataOffsets.push_back(out.size());
        out += data;
        if (entry.descriptor) {
            if (entry.descriptorSignature) {
                Put32(out, 0x08074b50);
            }
            Put32(out, crc);
            Put32(out, static_cast<uint32_t>(data.size()));
            Put32(out, static_cast<uint32_t>(entry.content.size()));
        }
        Put32(central, 0x02014b50);
        Put16(central, 0x031E);
        Put16(central, 20);
        Put16(central, flags);
        Put16(central, entry.method);
        Put32(central, 0);
        Put32(central, crc);
        Put32(central, static_cast<uint32_t>(data.size()));
        Put32(central, static_cast<uint32_t>(entry.content.size()));
        Put16(central, static_cast<uint32_t>(entry.name.size()));
        Put16(central, static_cast<uint32_t>(entry.centralExtra.size()));
        Put16(central, static_cast<uint32_t>(entry.comment.size()));
        Put16(central, 0);
        Put16(central, 0);
        Put32(central, 0x81A40000);
        Put32(central, static_cast<uint32_t>(zip.localOffsets.back()));
        central += entry.name + entry.centralExtra + entry.comment;
    }
    zip.directoryOffset = zip.bytes.size();
    zip.bytes += central;
    Put32(zip.bytes, 0x06054b50);
    Put32(zip.bytes, 0);
    Put16(zip.bytes, static_cast<uint32_t>(entries.size()));
    Put16(zip.bytes, static_cast<uint32_t>(entries.size()));
    Put32(zip.bytes, static_cast<uint32_t>(central.size()));
    Put32(zip.bytes, static_cast<uint32_t>(zip.directoryOffset));
    Put16(zip.bytes, static_cast<uint32_t>(archiveComment.size()));
    zip.bytes += archiveComment;
    return zip;
}

} // namespace quib::ziptest
