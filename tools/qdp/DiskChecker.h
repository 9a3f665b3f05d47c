// Finds what in a disk would fail or silently draw nothing when the player loads it: songs
// that do not decode, images that do not (and the texture indices they shift), indices past
// the end, rectangles off screen, unmatched event flags, divisions by zero, font faces this
// machine lacks, scroller lines cut off at the box, fades and intervals that are never seen
// for the song's length, and the like.
#pragma once

#include "SourceCompiler.h"
#include "SourceMap.h"
#include "description/DescriptionModel.h"
#include "host/text/TextRenderer.h"
#include "vfs/ArchiveEntryData.h"

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace quib {

class Archive;

struct CheckFinding {
    enum class Severity { Warning, Error };
    Severity severity = Severity::Warning;
    DescriptionPlace place; // the record and field that cause the finding
    std::string where;      // "page 2 (song 0), group 1, effect 3 (ButtonEffect)", or a file
    std::string message;
};

// What the checker reads besides the description: the archive's entries (before the archive is
// packed, `qdp build` answers from the files it is about to pack) and the songs.
struct DiskFiles {
    // An entry looked up as the player looks it up; empty for a bare description, whose images
    // and animation lists are then not looked at.
    std::function<EntryRead(const std::string& name, std::vector<uint8_t>& bytes)> readEntry;
    // The native path of a song's file as the description names it.
    std::function<std::string(const std::string& fileName)> songPath;
    // Names the source gave event flags, for messages.
    std::map<int32_t, std::string> flagNames;
    // How a message names another place of the disk (the source's line, when there is a
    // source); empty to name it as findings name their place.
    std::function<std::string(const DescriptionPlace& place)> placeName;
};

// A song's file as the player opens it.
struct SongFile {
    std::string path;
    bool exists = false;
    bool plays = false;  // it decodes
    uint64_t frames = 0; // one pass at the output rate; 0 when the file does not tell
    bool loops = false;  // a module flagged to loop forever: it never ends
};

// The files of a built disk: its archive (null for a bare description) with the flag names
// `qdp build` stored in it, and its music folder (`musicFolder` ends in '/').
DiskFiles BuiltDiskFiles(Archive* archive, std::string musicFolder);

class DiskChecker {
public:
    DiskChecker(const DescriptionModel& model, DiskFiles files);

    std::vector<CheckFinding> Run();

    // Each song's file, opened once.
    const std::vector<SongFile>& Songs();
    // The time on song n's page (its clock starts when the intro ends for song 0) when the song
    // ends; nothing when it never ends or its file does not tell.
    std::optional<int64_t> SongEnd(size_t n);

private:
    void CheckWindowSize();
    void CheckSongs();
    void CheckTextures();
    void CheckPages();
    void CheckEffect(const EffectRecord& effect, const DescriptionPlace& place);
    // `field` names the texture's key in the effect ("texture", "hover.texture").
    void CheckTexture(int32_t index, const DescriptionPlace& place, const char* field,
                      const char* what, bool fallback);
    void CheckCommand(int32_t command, std::optional<int32_t> argument,
                      const DescriptionPlace& place);
    void CheckBands(const VisualizerHead& head, const DescriptionPlace& place);
    void CheckAnimation(const AnimationEffectBlock& block, const DescriptionPlace& place);
    void CheckFontFace(const std::string& face, uint8_t bold, uint8_t italic,
                       const DescriptionPlace& place);
    void CheckScrollerFits(const VerticalScrollerEffectBlock& block, const DescriptionPlace& place);
    void CheckEventFlags();
    void CheckTiming();
    void CheckIntervals(const GroupRecord& group, const DescriptionPlace& place);
    void CheckSongTiming(const GroupRecord& group, const DescriptionPlace& place, size_t song);
    bool Decodes(const std::string& entry, std::string& problem, bool& opaque);
    void CheckOverlayHidden(const EffectRecord& effect, const DescriptionPlace& place);

    // "page 2 (song 0), group 1, effect 3 (ButtonEffect)", "song 0 \"Title\"", "header".
    std::string Describe(const DescriptionPlace& place) const;
    // "event flag \"credits\"" for a flag the source named, else "event flag 3".
    std::string Flag(int32_t flag) const;
    void Error(DescriptionPlace place, std::string message);
    void Warning(DescriptionPlace place, std::string message);

    const DescriptionModel& model_;
    DiskFiles files_;
    std::optional<std::vector<SongFile>> songs_;
    std::vector<std::string> textureNames_; // by the texture store's index
    int32_t loadedTextures_ = 0;
    std::vector<bool> opaqueTextures_; // by the texture store's index: no pixel lets through
    // Event flag numbers with the effects that raise them and that wait on them.
    std::vector<std::pair<int32_t, DescriptionPlace>> raised_;
    std::vector<std::pair<int32_t, DescriptionPlace>> awaited_;
    std::vector<CheckFinding> findings_;
    TextRenderer text_; // the fonts this machine draws titles and scrollers with
};

// The checks of a disk just compiled, before it is packed: each finding is reported at the
// source value that causes it (`files.flagNames` is taken from the disk). First the songs are
// measured and each interval end written "end" is set to the end of its page's song.
void CheckCompiledDisk(CompiledDisk& disk, DiskFiles files, SourceDiagnostics& diagnostics);

// One pass of a song as "m:ss.t".
std::string FormatSongLength(uint64_t frames);

} // namespace quib
