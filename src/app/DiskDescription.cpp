// Loads "musicdisk.cfg" from the disk's archive into the application, in file order.
#include "app/DiskDescription.h"

#include "app/EffectGroup.h"
#include "app/MusicDiskApp.h"
#include "app/Page.h"
#include "effects/Effect.h"
#include "effects/TextureStore.h"
#include "vfs/Stream.h"
#include "vfs/StreamAccessor.h"
#include "vfs/StreamHelpers.h"
#include "vfs/ZipArchive.h"

#include <cerrno>
#include <cstring>
#include <memory>
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

} // namespace

bool DiskDescription::Header(const DescriptionHeader& header, DescriptionReader&) {
    app.title = header.title;
    app.windowed = header.windowed != 0;
    app.allowToggle = header.allowToggle != 0;
    app.aspect = header.aspect;
    app.previousAspect = header.aspect;
    app.windowHeight = header.windowHeight;
    displayFailed = !app.CreateDisplay();
    return !displayFailed;
}

bool DiskDescription::Song(const SongRecord& song, DescriptionReader&) {
    app.AddSong(song.fileName, song.title, song.bassFlags, song.isStream != 0);
    return true;
}

bool DiskDescription::Texture(const std::string& name, DescriptionReader&) {
    // A name the archive lacks, or an image that does not decode, takes no index.
    app.textures->LoadTexture(name, archive);
    return true;
}

bool DiskDescription::Page(DescriptionReader& reader) {
    auto page = std::unique_ptr<quib::Page>(new quib::Page(app.device.get(), &app));
    if (!page) {
        reader.Fail("memory for a page");
        return false;
    }
    app.pages.push_back(std::move(page));
    return true;
}

bool DiskDescription::Group(DescriptionReader& reader) {
    quib::Page& page = *app.pages.back();
    auto group = std::unique_ptr<EffectGroup>(new EffectGroup(page.device, &page));
    if (!group) {
        reader.Fail("memory for a group");
        return false;
    }
    page.groups.push_back(std::move(group));
    return true;
}

EffectGroup& DiskDescription::CurrentGroup() {
    return *app.pages.back()->groups.back();
}

bool DiskDescription::Interval(const IntervalRecord& interval, DescriptionReader&) {
    CurrentGroup().intervals.push_back({interval.start, interval.end});
    return true;
}

bool DiskDescription::Effect(EffectType type, DescriptionReader& reader) {
    quib::Effect* effect = CurrentGroup().CreateEffect(type);
    if (effect == nullptr) {
        // The block's length is known only to its class, so reading cannot go on.
        reader.Fail(reader.Offset() - 4, "an effect type this player can show, but " +
                                             reader.Place() + " has type " +
                                             std::to_string(static_cast<int32_t>(type)));
        return false;
    }
    effect->Load(*app.textures, reader, archive);
    return !reader.Failed();
}

bool MusicDiskApp::Init(const std::string& archivePath, const std::string& songDir) {
    songDirectory = songDir;
    const auto refuse = [&](const std::string& why) {
        host.ShowMessage("Fatal Error",
                         "The disk \"" + archivePath + "\" cannot be played: " + why);
        return false;
    };
    ZipArchive archive;
    if (::access(archivePath.c_str(), R_OK) != 0) {
        return refuse(std::string("the archive cannot be opened: ") + std::strerror(errno) + ".");
    }
    if (!archive.open(archivePath.c_str(), 'r')) {
        return refuse("the archive is not a ZIP archive that this player can read.");
    }
    const ArchiveEntry* entry = archive.entryAt(FindEntry(archive, kDescriptionEntry));
    if (entry == nullptr) {
        return refuse(std::string("the archive has no entry \"") + kDescriptionEntry + "\".");
    }
    std::unique_ptr<Stream, StreamCloser> stream(archive.openEntry(entry));
    if (!stream) {
        return refuse(std::string("its entry \"") + kDescriptionEntry + "\" cannot be read.");
    }
    StreamDescriptionReader reader(*stream);
    DiskDescription description(*this, archive);
    if (ReadDescription(reader, description)) {
        return true;
    }
    if (description.DisplayFailed()) {
        return false;
    }
    return refuse(std::string("its entry \"") + kDescriptionEntry + "\" stopped at byte " +
                  std::to_string(reader.FailOffset()) + ": expected " + reader.Expected() + ".");
}

} // namespace quib
