// Decodes a disk's images ahead of their turn, on worker threads, while the player starts up.
#include "app/ImagePrefetch.h"

#include "description/TextureNames.h"
#include "platform/ThreadPriority.h"
#include "vfs/ArchiveEntryData.h"

#include <system_error>

namespace quib {
namespace {

constexpr uint64_t kFileBytesAhead = uint64_t(64) << 20;
constexpr uint64_t kPixelBytesAhead = uint64_t(256) << 20;

} // namespace

ImagePrefetch::~ImagePrefetch() {
    {
        const std::lock_guard<std::mutex> lock(mutex);
        stopping = true;
    }
    changed.notify_all();
    for (std::thread& thread : threads) {
        thread.join();
    }
}

void ImagePrefetch::Start(Archive& archive, const std::vector<std::string>& names,
                          unsigned workers) {
    const std::vector<std::string> distinct = DistinctTextureNames(names);
    // Items are added while the workers run; they must not move.
    items.reserve(distinct.size());
    try {
        for (unsigned i = 0; i < workers && i < distinct.size(); ++i) {
            threads.emplace_back([this] { Work(); });
        }
    } catch (const std::system_error&) {
        // Fewer workers, or none: Take decodes what they leave.
    }
    uint64_t fileBytes = 0;
    for (const std::string& name : distinct) {
        if (fileBytes >= kFileBytesAhead) {
            break;
        }
        Item item;
        item.name = name;
        if (ReadArchiveEntry(archive, name, item.bytes) != EntryRead::Ok) {
            item.bytes.clear();
        }
        fileBytes += item.bytes.size();
        const std::lock_guard<std::mutex> lock(mutex);
        items.push_back(std::move(item));
        changed.notify_all();
    }
    const std::lock_guard<std::mutex> lock(mutex);
    allRead = true;
    changed.notify_all();
}

void ImagePrefetch::Work() {
    // Decoding ahead gives way to the threads the start-up waits for.
    LowerCurrentThreadPriority();
    std::unique_lock<std::mutex> lock(mutex);
    for (;;) {
        changed.wait(lock, [&] {
            return stopping || (next >= items.size() && allRead) ||
                   (next < items.size() && pixelBytes < kPixelBytesAhead);
        });
        if (stopping || next >= items.size()) {
            return;
        }
        Decode(next++, lock);
    }
}

void ImagePrefetch::Decode(size_t index, std::unique_lock<std::mutex>& lock) {
    Item& item = items[index];
    lock.unlock();
    DecodedImage image;
    const bool decoded =
        !item.bytes.empty() && DecodeImage(item.bytes.data(), item.bytes.size(), image);
    std::vector<uint8_t>().swap(item.bytes);
    lock.lock();
    item.image = std::move(image);
    item.decoded = decoded;
    item.done = true;
    pixelBytes += item.image.argb.size() * sizeof(uint32_t);
    changed.notify_all();
}

bool ImagePrefetch::Take(const std::string& name, DecodedImage& image) {
    std::unique_lock<std::mutex> lock(mutex);
    if (taken >= items.size() || items[taken].name != name) {
        return false;
    }
    const size_t index = taken++;
    if (next == index) {
        Decode(next++, lock);
    }
    changed.wait(lock, [&] { return items[index].done; });
    Item& item = items[index];
    pixelBytes -= item.image.argb.size() * sizeof(uint32_t);
    image = std::move(item.image);
    changed.notify_all();
    return item.decoded;
}

} // namespace quib
