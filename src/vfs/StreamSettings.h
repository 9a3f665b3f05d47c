// Process-wide settings of the stream layer: the accessor factory and its buffer sizes.
#pragma once

#include "vfs/StreamAccessor.h"

#include <cstdint>

namespace quib {

// Set once at start-up, before any stream exists; streams read them when they are created.
struct StreamSettings {
    // Used for every stream created without the Unbuffered mode bit; none: unbuffered.
    static inline AccessorFactory accessorFactory = nullptr;
    static inline uint32_t readBufferSize = 4096;
    static inline uint32_t writeBufferSize = 4096;
};

// Makes every new buffered stream get a BufferedAccessor with buffers of these sizes.
void InstallBufferedAccessorFactory(uint32_t readSize, uint32_t writeSize);
// Back to the initial state: no factory, 4096-byte sizes.
void ResetStreamSettings();

} // namespace quib
