// Loads "musicdisk.cfg" from the disk's archive into the application, in file order.
#pragma once

#include "description/DescriptionSink.h"

#include <string>

namespace quib {

class Archive;
class EffectGroup;
class MusicDiskApp;

// Does the application's work as the records arrive: the display right after the header (song
// loading needs the audio output, texture loading the device), each song, each texture, then
// pages, groups, intervals and effects, each effect reading its own parameter block. Used by
// MusicDiskApp::Init, which also reports why a disk is refused.
class DiskDescription final : public DescriptionSink {
public:
    DiskDescription(MusicDiskApp& app, Archive& archive) : app(app), archive(archive) {}

    bool Header(const DescriptionHeader& header, DescriptionReader& reader) override;
    bool Song(const SongRecord& song, DescriptionReader& reader) override;
    bool Texture(const std::string& name, DescriptionReader& reader) override;
    bool Page(DescriptionReader& reader) override;
    bool Group(DescriptionReader& reader) override;
    bool Interval(const IntervalRecord& interval, DescriptionReader& reader) override;
    bool Effect(EffectType type, DescriptionReader& reader) override;

    // The display could not be made (the user has been told); the description is not at fault.
    bool DisplayFailed() const { return displayFailed; }

private:
    EffectGroup& CurrentGroup();

    MusicDiskApp& app;
    Archive& archive;
    bool displayFailed = false;
};

} // namespace quib
