// Receives a disk description as it is read in file order; the one walk over its layout.
#pragma once

#include "description/DescriptionModel.h"

namespace quib {

// The player and the parser read descriptions through the same walk, so they agree on every
// byte; each does its own work as the records arrive. A callback returns false to stop the
// walk (after recording why on the reader, when the reason belongs in the error).
class DescriptionSink {
public:
    virtual ~DescriptionSink() = default;

    virtual bool Header(const DescriptionHeader& header, DescriptionReader& reader) = 0;
    virtual bool Song(const SongRecord& song, DescriptionReader& reader) = 0;
    virtual bool Texture(const std::string& name, DescriptionReader& reader) = 0;
    virtual bool Page(DescriptionReader& reader) = 0;
    virtual bool Group(DescriptionReader& reader) = 0;
    virtual bool Interval(const IntervalRecord& interval, DescriptionReader& reader) = 0;
    // Reads the effect's parameter block (the type id is already read and lies in 0..10).
    virtual bool Effect(EffectType type, DescriptionReader& reader) = 0;
};

// Reads header, songs, textures and pages, calling the sink for each; stops after the last
// page without reading further. True when every page was read.
bool ReadDescription(DescriptionReader& reader, DescriptionSink& sink);

} // namespace quib
