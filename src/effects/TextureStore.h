// The disk's images, loaded once from the archive and named by their order of loading.
#pragma once

#include "platform/MemAllocator.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace quib {

struct DecodedImage;
class Archive;
class GfxDevice;
class GfxTexture;

enum class TextureLoad {
    Added,
    Duplicate,  // the name (ignoring ASCII case) is already present; nothing added
    NoEntry,    // the archive has no entry of that name
    ReadFailed, // the entry could not be read whole
    NotAnImage, // the bytes do not decode as an image
};

// Effects borrow textures by index: index n is the n-th texture added; names that repeat an
// earlier one or fail to load take no index.
class TextureStore : public MemObject {
public:
    explicit TextureStore(GfxDevice* device);
    ~TextureStore();
    TextureStore(const TextureStore&) = delete;
    TextureStore& operator=(const TextureStore&) = delete;

    // Reads the archive entry of that name whole and adds its image. With `earlier`, an image
    // that store took from an entry of the same name, size and checksum is shared instead of
    // decoded again (a disk reloaded with most of its pictures unchanged); a shared texture
    // lives as long as either store. With `decoded`, the entry's image decoded already
    // (DecodeImage) is used instead of reading the entry.
    TextureLoad LoadTexture(const std::string& name, Archive& archive,
                            const TextureStore* earlier = nullptr,
                            const DecodedImage* decoded = nullptr);
    // Adds an image from its file bytes under a name.
    TextureLoad AddImage(const std::string& name, const void* data, size_t size);

    // The texture of the first name equal to `name` ignoring ASCII case, or null.
    const GfxTexture* Find(const std::string& name) const;
    // Steps `index` times from the first texture, stopping at the end: 0 or below gives the
    // first, at or past the count gives null, as does an empty store.
    const GfxTexture* GetByIndex(int32_t index) const;
    size_t Count() const { return ordered.size(); }

private:
    // Keeps texture under name; NotAnImage when there is none.
    TextureLoad Add(const std::string& name, std::shared_ptr<GfxTexture> texture);

    struct Entry {
        std::string name;
        std::shared_ptr<GfxTexture> texture;
        bool fromArchive = false; // size and checksum are those of its archive entry
        uint64_t size = 0;
        uint32_t checksum = 0;
    };

    std::vector<Entry> entries;
    std::vector<const GfxTexture*> ordered;
    GfxDevice* device;
};

} // namespace quib
