// Loads a disk into the running player: opens the archive, reads "musicdisk.cfg" in file order
// into the display, the playlist, the texture store and the page schedule.
#pragma once

#include "description/DescriptionSink.h"

#include <string>

namespace quib {

class Archive;
class EffectGroup;
class MusicDiskApp;

// Does the application's work as the records arrive: the display right after the header (song
// loading needs the audio output, texture loading the device), each song, each texture, then
// pages, groups, intervals and effects, each effect reading its own parameter block.
class DiskLoader final : public DescriptionSink {
public:
    explicit DiskLoader(MusicDiskApp& app) : app(app) {}

    // False when the disk is refused (no archive, not a ZIP archive, no description, a
    // description that stops early or names an effect this player lacks) or when the display
    // cannot be made; the user has then been told why.
    bool Load(const std::string& archivePath);

private:
    bool Header(const DescriptionHeader& header, DescriptionReader& reader) override;
    bool Song(const SongRecord& song, DescriptionReader& reader) override;
    bool Texture(const std::string& name, DescriptionReader& reader) override;
    bool Page(DescriptionReader& reader) override;
    bool Group(DescriptionReader& reader) override;
    bool Interval(const IntervalRecord& interval, DescriptionReader& reader) override;
    bool Effect(EffectType type, DescriptionReader& reader) override;

    EffectGroup& CurrentGroup();

    MusicDiskApp& app;
    Archive* archive = nullptr; // open while Load reads the description
    bool displayFailed = false; // the display could not be made: the disk is not at fault
};

} // namespace quib
