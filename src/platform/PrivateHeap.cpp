// The private heap over the C library's malloc family.
#include "platform/PrivateHeap.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <malloc.h>
#include <sys/sysinfo.h>

namespace quib {

// The C library's heap needs no setup.
void PrivateHeap::Create() {}

// The C library heap cannot be destroyed; blocks still live at this point stay with it.
void PrivateHeap::Destroy() {}

// Shrinking keeps the block as it is: the C library may move a block on any realloc.
void* PrivateHeap::ReallocInPlace(void* block, std::size_t bytes) {
    return malloc_usable_size(block) >= bytes ? block : nullptr;
}

void* PrivateHeap::Realloc(void* block, std::size_t bytes, bool mayMove, uint32_t) {
    if (!mayMove) {
        return ReallocInPlace(block, bytes);
    }
    return std::realloc(block, bytes);
}

HeapCheck PrivateHeap::Validate() {
    return HeapCheck::Unsupported;
}

bool PrivateHeap::Compact() {
    return malloc_trim(0) != 0;
}

bool PrivateHeap::Walk(HeapVisitor, void*) {
    return false;
}

// /proc/meminfo knows what the kernel could hand out without swapping (MemAvailable);
// sysinfo's free memory is the fallback on kernels that lack that line.
bool PrivateHeap::MemoryStatus(uint64_t& total, uint64_t& available) {
    struct sysinfo info {};
    if (sysinfo(&info) != 0) {
        return false;
    }
    total = uint64_t(info.totalram) * info.mem_unit;
    available = uint64_t(info.freeram + info.bufferram) * info.mem_unit;
    if (FILE* file = std::fopen("/proc/meminfo", "r")) {
        char line[128];
        unsigned long long kib = 0;
        while (std::fgets(line, sizeof line, file)) {
            if (std::sscanf(line, "MemAvailable: %llu kB", &kib) == 1) {
                available = uint64_t(kib) * 1024;
                break;
            }
        }
        std::fclose(file);
    }
    return true;
}

} // namespace quib
