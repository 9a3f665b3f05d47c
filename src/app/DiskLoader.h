// Loads a disk into the running player: opens the archive, reads "musicdisk.cfg" in file order
// into the display, the playlist, the texture store and the page schedule.
#pragma once

#include "description/DescriptionSink.h"

#include <memory>
#include <string>
#include <vector>

namespace quib {

class Archive;
class EffectGroup;
class ImagePrefetch;
class MusicDiskApp;
class Page;
class TextureStore;

// Does the application's work as the records arrive: the display right after the header (song
// loading needs the audio output, texture loading the device), each song, each texture, then
// pages, groups, intervals and effects, each effect reading its own parameter block.
class DiskLoader final : public DescriptionSink {
public:
    explicit DiskLoader(MusicDiskApp& app);
    ~DiskLoader() override;
    DiskLoader(const DiskLoader&) = delete;
    DiskLoader& operator=(const DiskLoader&) = delete;

    // False when the disk is refused (no archive, not a ZIP archive, no description, a
    // description that stops early or names an effect this player lacks) or when the display
    // cannot be made; the user has then been told why.
    bool Load(const std::string& archivePath);
    // Puts the disk of another archive in place of the running one, on the thread that draws:
    // its textures and pages are made anew and swapped in once the description was read
    // whole. The display stays as the first disk made it, and the songs stay playing unless
    // `reloadSongs` or the playlist differs; then they are loaded anew and the song at the
    // current index (song 0 when the list got shorter) plays from its start. False, with the
    // running disk untouched and the reason in `why`, when the disk is refused as Load
    // refuses it.
    bool Reload(const std::string& archivePath, bool reloadSongs, std::string& why);

private:
    // Opens the archive and reads its description into this loader; false with the reason in
    // `why` (left empty when the display could not be made: the user has been told).
    bool Read(const std::string& archivePath, std::string& why);
    // The store the disk being read fills.
    TextureStore& Textures();

    bool Header(const DescriptionHeader& header, DescriptionReader& reader) override;
    bool Song(const SongRecord& song, DescriptionReader& reader) override;
    bool Texture(const std::string& name, DescriptionReader& reader) override;
    bool Page(DescriptionReader& reader) override;
    bool Group(DescriptionReader& reader) override;
    bool Interval(const IntervalRecord& interval, DescriptionReader& reader) override;
    bool Effect(EffectType type, DescriptionReader& reader) override;

    EffectGroup& CurrentGroup();

    MusicDiskApp& app;
    Archive* archive = nullptr;        // open while Read reads the description
    ImagePrefetch* prefetch = nullptr; // the images decoding ahead, meanwhile (first load only)
    bool displayFailed = false;        // the display could not be made: the disk is not at fault
    // A reload reads into a store of its own; a first load into the application's. Pages not
    // handed over are destroyed before the store whose textures they use (members go in
    // reverse order).
    std::unique_ptr<TextureStore> textures;
    std::vector<std::unique_ptr<quib::Page>> pages; // handed to the schedule once read whole
    bool reloading = false;
    std::vector<SongRecord> songs; // the playlist a reload read
};

} // namespace quib
