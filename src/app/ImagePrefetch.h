// Decodes a disk's images ahead of their turn, on worker threads, while the player starts up.
#pragma once

#include "host/gfx/ImageCodec.h"

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace quib {

class Archive;

// The entries are read on the thread that starts the prefetch (the archive is not shared with
// the workers), each handed to the workers as soon as it is read; only the decoding runs on
// the workers, at a lower priority. Images are taken in the order they were named; one that
// no worker has begun is decoded by the thread that takes it.
//
// What is held ahead is bounded: the file bytes read ahead (the names past the bound are not
// prefetched) and the pixels decoded but not yet taken (workers wait while they exceed it).
class ImagePrefetch {
public:
    ImagePrefetch() = default;
    // Stops the workers once their current image is done.
    ~ImagePrefetch();
    ImagePrefetch(const ImagePrefetch&) = delete;
    ImagePrefetch& operator=(const ImagePrefetch&) = delete;

    // Starts `workers` threads decoding (none: each image is decoded as it is taken) and
    // reads the entries of the distinct names, in their order, for them. Call once.
    void Start(Archive& archive, const std::vector<std::string>& names, unsigned workers);
    // When name is the next distinct name given to Start, waits for its image and moves it into
    // image. False for any other name (nothing is taken then) and for an entry that is missing
    // or does not decode: the caller loads that one itself and reports what is wrong with it.
    bool Take(const std::string& name, DecodedImage& image);

private:
    struct Item {
        std::string name;
        std::vector<uint8_t> bytes; // released once decoded
        DecodedImage image;
        bool decoded = false;
        bool done = false;
    };

    void Work();
    // Decodes items[index], unlocking meanwhile; the caller has claimed it.
    void Decode(size_t index, std::unique_lock<std::mutex>& lock);

    std::vector<Item> items; // added by Start under the mutex, never moved
    std::vector<std::thread> threads;
    std::mutex mutex;
    std::condition_variable changed;
    // Guarded by mutex:
    size_t next = 0;         // the first item no thread has claimed
    size_t taken = 0;        // items handed out by Take
    uint64_t pixelBytes = 0; // of the images decoded and not yet taken
    bool allRead = false;    // Start has added every item
    bool stopping = false;
};

} // namespace quib
