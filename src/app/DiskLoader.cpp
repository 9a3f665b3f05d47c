// Loads a disk into the running player: opens the archive, reads "musicdisk.cfg" in file order
// into the display, the playlist, the texture store and the page schedule.
#include "app/DiskLoader.h"

#include "app/EffectGroup.h"
#include "app/ImagePrefetch.h"
#include "app/MusicDiskApp.h"
#include "app/Page.h"
#include "app/StartupTimings.h"
#include "effects/Effect.h"
#include "effects/TextureStore.h"
#include "vfs/Stream.h"
#include "vfs/StreamAccessor.h"
#include "vfs/StreamHelpers.h"
#include "vfs/ZipArchive.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <thread>
#include <unistd.h>

namespace quib {
namespace {

// Description fields through the entry stream's accessor.
class StreamDescriptionReader final : public DescriptionReader {
public:
    explicit StreamDescriptionReader(Stream& stream) : stream(stream), size(stream.size()) {}

protected:
    size_t Fetch(void* destination, size_t count) override {
        return stream.accessor->read(destination, static_cast<uint32_t>(count));
    }
    uint64_t Remaining() const override { return size > Offset() ? size - Offset() : 0; }

private:
    Stream& stream;
    uint64_t size;
};

// The texture names of a description: the walk stops at the first page, which follows them.
class TextureNameList final : public DescriptionSink {
public:
    std::vector<std::string> names;

private:
    bool Header(const DescriptionHeader&, DescriptionReader&) override { return true; }
    bool Song(const SongRecord&, DescriptionReader&) override { return true; }
    bool Texture(const std::string& name, DescriptionReader&) override {
        names.push_back(name);
        return true;
    }
    bool Page(DescriptionReader&) override { return false; }
    bool Group(DescriptionReader&) override { return false; }
    bool Interval(const IntervalRecord&, DescriptionReader&) override { return false; }
    bool Effect(EffectType, DescriptionReader&) override { return false; }
};

// Starts decoding the images the description names, so that they decode while the display
// is made and the songs load. The walk is a second read of the entry; the loader's own walk
// reports whatever is wrong with the description.
void PrefetchImages(Archive& archive, const ArchiveEntry& description, ImagePrefetch& prefetch) {
    const std::unique_ptr<Stream, StreamCloser> stream(archive.openEntry(&description));
    if (!stream) {
        return;
    }
    StreamDescriptionReader reader(*stream);
    TextureNameList list;
    ReadDescription(reader, list);
    // One core stays with the loading thread, which decodes too while it waits for an image.
    const unsigned cores = std::max(std::thread::hardware_concurrency(), 2u);
    prefetch.Start(archive, list.names, std::min(cores - 1, 4u));
}

} // namespace

DiskLoader::DiskLoader(MusicDiskApp& app) : app(app) {}

DiskLoader::~DiskLoader() = default;

TextureStore& DiskLoader::Textures() {
    return textures ? *textures : app.Textures();
}

bool DiskLoader::Header(const DescriptionHeader& header, DescriptionReader&) {
    if (reloading) {
        return true;
    }
    app.Display().Configure(header);
    displayFailed = !app.CreateDisplay();
    return !displayFailed;
}

bool DiskLoader::Song(const SongRecord& song, DescriptionReader&) {
    if (reloading) {
        songs.push_back(song);
        return true;
    }
    const StartupTimings::Step step("songs (module loading)");
    app.Songs().AddSong(song.fileName, song.title, song.bassFlags, song.isStream != 0);
    return true;
}

bool DiskLoader::Texture(const std::string& name, DescriptionReader&) {
    // A name the archive lacks, or an image that does not decode, takes no index.
    const StartupTimings::Step step("images (decode and upload)");
    DecodedImage image;
    const bool decoded = prefetch != nullptr && prefetch->Take(name, image);
    Textures().LoadTexture(name, *archive, reloading ? &app.Textures() : nullptr,
                           decoded ? &image : nullptr);
    return true;
}

bool DiskLoader::Page(DescriptionReader& reader) {
    auto page = std::unique_ptr<quib::Page>(new quib::Page(app.Display().Device(), &app));
    if (!page) {
        reader.Fail("memory for a page");
        return false;
    }
    pages.push_back(std::move(page));
    return true;
}

bool DiskLoader::Group(DescriptionReader& reader) {
    quib::Page& page = *pages.back();
    auto group = std::unique_ptr<EffectGroup>(new EffectGroup(page.device, &page));
    if (!group) {
        reader.Fail("memory for a group");
        return false;
    }
    page.groups.push_back(std::move(group));
    return true;
}

EffectGroup& DiskLoader::CurrentGroup() {
    return *pages.back()->groups.back();
}

bool DiskLoader::Interval(const IntervalRecord& interval, DescriptionReader&) {
    CurrentGroup().intervals.push_back({interval.start, interval.end});
    return true;
}

bool DiskLoader::Effect(EffectType type, DescriptionReader& reader) {
    quib::Effect* effect = CurrentGroup().CreateEffect(type);
    if (effect == nullptr) {
        // The block's length is known only to its class, so reading cannot go on.
        reader.Fail(reader.Offset() - 4, "an effect type this player can show, but " +
                                             reader.Place() + " has type " +
                                             std::to_string(static_cast<int32_t>(type)));
        return false;
    }
    const StartupTimings::Step step("effects (their images)");
    effect->Load(Textures(), reader, *archive);
    return !reader.Failed();
}

bool DiskLoader::Load(const std::string& archivePath) {
    std::string why;
    if (!Read(archivePath, why)) {
        if (!displayFailed) {
            app.Host().ShowMessage("Fatal Error",
                                   "The disk \"" + archivePath + "\" cannot be played: " + why);
        }
        return false;
    }
    app.Schedule().ReplacePages(std::move(pages));
    return true;
}

bool DiskLoader::Reload(const std::string& archivePath, bool reloadSongs, std::string& why) {
    reloading = true;
    textures = std::make_unique<TextureStore>(app.Display().Device());
    if (!Read(archivePath, why)) {
        return false;
    }
    if (reloadSongs || !app.Songs().Holds(songs)) {
        app.Songs().ReplaceSongs(songs);
    }
    // The new effects are laid out for the description's aspect; in full-desktop mode they
    // hear of the switch the running ones heard of.
    const DisplayMode& display = app.Display();
    if (display.Aspect() != display.WindowedAspect()) {
        for (const auto& page : pages) {
            page->AspectChanged(display.WindowedAspect(), display.Aspect());
        }
    }
    app.Schedule().ReplacePages(std::move(pages));
    app.ReplaceTextures(std::move(textures));
    return true;
}

bool DiskLoader::Read(const std::string& archivePath, std::string& why) {
    const StartupTimings::Step step("archive open and close");
    const auto refuse = [&](const std::string& reason) {
        why = reason;
        return false;
    };
    ZipArchive zip;
    if (::access(archivePath.c_str(), R_OK) != 0) {
        return refuse(std::string("the archive cannot be opened: ") + std::strerror(errno) + ".");
    }
    if (!zip.open(archivePath.c_str(), 'r')) {
        return refuse("the archive is not a ZIP archive that this player can read.");
    }
    const ArchiveEntry* entry = zip.entryAt(FindEntry(zip, kDescriptionEntry));
    if (entry == nullptr) {
        return refuse(std::string("the archive has no entry \"") + kDescriptionEntry + "\".");
    }
    std::unique_ptr<Stream, StreamCloser> stream(zip.openEntry(entry));
    if (!stream) {
        return refuse(std::string("its entry \"") + kDescriptionEntry + "\" cannot be read.");
    }
    // A reload shares the textures whose entries did not change, so it decodes as it goes.
    ImagePrefetch images;
    if (!reloading) {
        const StartupTimings::Step reading("images read ahead");
        PrefetchImages(zip, *entry, images);
        prefetch = &images;
    }
    StreamDescriptionReader reader(*stream);
    archive = &zip;
    bool read = false;
    {
        const StartupTimings::Step reading("description read");
        read = ReadDescription(reader, *this);
    }
    archive = nullptr;
    prefetch = nullptr;
    if (read || displayFailed) {
        return read;
    }
    return refuse(std::string("its entry \"") + kDescriptionEntry + "\" stopped at byte " +
                  std::to_string(reader.FailOffset()) + ": expected " + reader.Expected() + ".");
}

} // namespace quib
