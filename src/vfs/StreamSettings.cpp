// Stream settings: installing the buffered accessor factory.
#include "vfs/StreamSettings.h"

#include "vfs/BufferedAccessor.h"

namespace quib {

namespace {

StreamAccessor* CreateBufferedAccessor() {
    return BufferedAccessor::Create(StreamSettings::readBufferSize,
                                    StreamSettings::writeBufferSize);
}

} // namespace

void InstallBufferedAccessorFactory(uint32_t readSize, uint32_t writeSize) {
    StreamSettings::readBufferSize = readSize;
    StreamSettings::writeBufferSize = writeSize;
    StreamSettings::accessorFactory = CreateBufferedAccessor;
}

void ResetStreamSettings() {
    StreamSettings::accessorFactory = nullptr;
    StreamSettings::readBufferSize = 4096;
    StreamSettings::writeBufferSize = 4096;
}

} // namespace quib
