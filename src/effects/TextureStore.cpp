// The disk's images, loaded once from the archive and named by their order of loading.
#include "effects/TextureStore.h"

#include "description/TextureNames.h"
#include "host/gfx/GfxDevice.h"
#include "vfs/Archive.h"
#include "vfs/ArchiveEntryData.h"

#include <algorithm>

namespace quib {

TextureStore::TextureStore(GfxDevice* device) : device(device) {}

TextureStore::~TextureStore() = default;

TextureLoad TextureStore::LoadTexture(const std::string& name, Archive& archive,
                                      const TextureStore* earlier, const DecodedImage* decoded) {
    if (Find(name) != nullptr) {
        return TextureLoad::Duplicate;
    }
    const ArchiveEntry* entry = archive.entryAt(FindEntry(archive, name.c_str()));
    if (entry == nullptr) {
        return TextureLoad::NoEntry;
    }
    if (earlier != nullptr) {
        for (const Entry& known : earlier->entries) {
            if (known.fromArchive && known.name == name && known.size == entry->uncompressedSize &&
                known.checksum == entry->checksum) {
                ordered.push_back(known.texture.get());
                entries.push_back(known);
                return TextureLoad::Added;
            }
        }
    }
    TextureLoad added = TextureLoad::NoEntry;
    if (decoded != nullptr) {
        added = Add(name, device->CreateTextureFromPixels(*decoded));
    } else {
        std::vector<uint8_t> bytes;
        if (ReadArchiveEntry(archive, *entry, bytes) != EntryRead::Ok) {
            return TextureLoad::ReadFailed;
        }
        added = AddImage(name, bytes.data(), bytes.size());
    }
    if (added == TextureLoad::Added) {
        entries.back().fromArchive = true;
        entries.back().size = entry->uncompressedSize;
        entries.back().checksum = entry->checksum;
    }
    return added;
}

TextureLoad TextureStore::AddImage(const std::string& name, const void* data, size_t size) {
    if (Find(name) != nullptr) {
        return TextureLoad::Duplicate;
    }
    return Add(name, device->CreateTextureFromImage(data, size));
}

TextureLoad TextureStore::Add(const std::string& name, std::shared_ptr<GfxTexture> texture) {
    if (!texture) {
        return TextureLoad::NotAnImage;
    }
    ordered.push_back(texture.get());
    entries.push_back({name, std::move(texture)});
    return TextureLoad::Added;
}

const GfxTexture* TextureStore::Find(const std::string& name) const {
    const auto found = std::find_if(entries.begin(), entries.end(), [&](const Entry& entry) {
        return SameTextureName(entry.name, name);
    });
    return found == entries.end() ? nullptr : found->texture.get();
}

const GfxTexture* TextureStore::GetByIndex(int32_t index) const {
    if (ordered.empty() || index >= static_cast<int64_t>(ordered.size())) {
        return nullptr;
    }
    return ordered[std::max(index, 0)];
}

} // namespace quib
