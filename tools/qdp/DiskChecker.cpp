// Checking a disk the way the player would load it.
//
// Sections: songs; the texture store's indices; pages, groups and effects; event flags;
// timing; checking a compiled disk.
#include "DiskChecker.h"

#include "DiskInput.h"
#include "SourceValues.h"
#include "app/Player.h"
#include "description/PlayerCommand.h"
#include "description/TextureNames.h"
#include "effects/EffectFactory.h"
#include "effects/TextTexture.h"
#include "host/audio/AudioOutputOffline.h"
#include "host/gfx/ImageCodec.h"
#include "visualizers/Visualizer.h"

#include <algorithm>
#include <filesystem>
#include <map>

namespace quib {
namespace {

std::string Quoted(const std::string& text) {
    return "\"" + text + "\"";
}

constexpr auto kRaiseCommand = static_cast<int32_t>(PlayerCommand::RaiseEventFlag);

// A page lasts until the largest end of its intervals, as the player times pages.
int32_t PageDuration(const PageRecord& page) {
    int32_t duration = 0;
    for (const GroupRecord& group : page.groups) {
        for (const IntervalRecord& interval : group.intervals) {
            duration = std::max(duration, interval.end);
        }
    }
    return duration;
}

const EffectHead& Head(const EffectRecord& effect) {
    return std::visit([](const auto& b) -> const EffectHead& { return b; }, effect.block);
}

// The screen span of an effect's rectangle, whichever way its width and height point.
struct Extent {
    float left;
    float right;
    float bottom;
    float top;
};

Extent ExtentOf(const EffectHead& head) {
    return {std::min(head.x, head.x + head.width), std::max(head.x, head.x + head.width),
            std::min(head.y - head.height, head.y), std::max(head.y - head.height, head.y)};
}

std::string Interval(const IntervalRecord& interval) {
    // Appended piece by piece: GCC 12 warns wrongly of overlapping copies in "[" + string.
    std::string text = "[";
    text += FormatTime(interval.start);
    text += ", ";
    text += FormatTime(interval.end);
    text += "]";
    return text;
}

} // namespace

DiskFiles BuiltDiskFiles(Archive* archive, std::string musicFolder) {
    DiskFiles files;
    if (archive != nullptr) {
        files.readEntry = [archive](const std::string& name, std::vector<uint8_t>& bytes) {
            return ReadArchiveEntry(*archive, name, bytes);
        };
        files.flagNames = qdp::ReadFlagNames(*archive);
    }
    files.songPath = [folder = std::move(musicFolder)](const std::string& fileName) {
        std::string name = fileName;
        std::replace(name.begin(), name.end(), '\\', '/');
        return PathIgnoringCase(folder, name);
    };
    return files;
}

DiskChecker::DiskChecker(const DescriptionModel& model, DiskFiles files)
    : model_(model), files_(std::move(files)) {}

std::string DiskChecker::Describe(const DescriptionPlace& place) const {
    const auto index = static_cast<size_t>(place.index);
    switch (place.kind) {
    case DescriptionPlace::Kind::Disk:
        return "disk";
    case DescriptionPlace::Kind::Header:
        return "header";
    case DescriptionPlace::Kind::Song:
        return "song " + std::to_string(index) + " " + Quoted(model_.songs[index].title);
    case DescriptionPlace::Kind::Texture:
        return "texture " + std::to_string(index);
    case DescriptionPlace::Kind::Page:
        break;
    }
    std::string text = "page " + std::to_string(index);
    if (index == 0) {
        text += " (intro)";
    } else if (index == 1) {
        text += " (overlay)";
    } else if (index - 2 < model_.songs.size()) {
        text += " (song " + std::to_string(index - 2) + ")";
    } else {
        text += " (after the last song's page, never shown)";
    }
    if (place.group < 0) {
        return text;
    }
    const GroupRecord& group = model_.pages[index].groups[static_cast<size_t>(place.group)];
    text += ", group " + std::to_string(place.group);
    if (place.effect >= 0) {
        const EffectRecord& effect = group.effects[static_cast<size_t>(place.effect)];
        text += ", effect " + std::to_string(place.effect) + " (" +
                EffectTypeName(static_cast<int32_t>(effect.Type())) + ")";
    }
    return text;
}

std::string DiskChecker::Flag(int32_t flag) const {
    const auto name = files_.flagNames.find(flag);
    return "event flag " +
           (name != files_.flagNames.end() ? Quoted(name->second) : std::to_string(flag));
}

void DiskChecker::Error(DescriptionPlace place, std::string message) {
    std::string where = Describe(place);
    findings_.push_back(
        {CheckFinding::Severity::Error, std::move(place), std::move(where), std::move(message)});
}

void DiskChecker::Warning(DescriptionPlace place, std::string message) {
    std::string where = Describe(place);
    findings_.push_back(
        {CheckFinding::Severity::Warning, std::move(place), std::move(where), std::move(message)});
}

std::vector<CheckFinding> DiskChecker::Run() {
    findings_.clear();
    CheckWindowSize();
    CheckSongs();
    CheckTextures();
    CheckPages();
    CheckEventFlags();
    CheckTiming();
    return findings_;
}

// ---- Header ---------------------------------------------------------------------------------

void DiskChecker::CheckWindowSize() {
    const DescriptionHeader& header = model_.header;
    if (WindowHasArea(header.windowHeight, header.aspect)) {
        return;
    }
    const std::string size = "windowHeight " + std::to_string(header.windowHeight) + " by aspect " +
                             FormatFloat(header.aspect) + " gives the window no size; ";
    const std::string fallback =
        std::to_string(kFallbackWindowWidth) + " x " + std::to_string(kFallbackWindowHeight);
    Warning(DescriptionPlace::Header().Field("windowHeight"),
            size + (header.windowed != 0 ? "the window opens at " + fallback + " instead"
                                         : "Alt+Enter back to a window opens one of " + fallback));
}

// ---- Songs -----------------------------------------------------------------------------------

const std::vector<SongFile>& DiskChecker::Songs() {
    if (songs_) {
        return *songs_;
    }
    songs_.emplace();
    AudioOutputOffline output;
    for (const SongRecord& song : model_.songs) {
        SongFile& file = songs_->emplace_back();
        file.path = files_.songPath(song.fileName);
        std::error_code error;
        file.exists = std::filesystem::is_regular_file(file.path, error);
        const bool stream = song.isStream != 0;
        const AudioHandle handle = !file.exists ? 0
                                   : stream     ? output.CreateStream(file.path.c_str(), 0)
                                            : output.LoadModule(file.path.c_str(), song.bassFlags);
        if (handle == 0) {
            continue;
        }
        file.plays = true;
        file.frames = output.GetLength(handle) / 4;
        file.loops = !stream && (song.bassFlags & kAudioLoop) != 0;
        if (stream) {
            output.FreeStream(handle);
        } else {
            output.FreeModule(handle);
        }
    }
    return *songs_;
}

std::optional<int64_t> DiskChecker::SongEnd(size_t n) {
    const SongFile& file = Songs()[n];
    if (!file.plays || file.frames == 0 || file.loops) {
        return std::nullopt;
    }
    const int32_t intro = n == 0 && !model_.pages.empty() ? PageDuration(model_.pages[0]) : 0;
    return static_cast<int64_t>(file.frames) - intro;
}

void DiskChecker::CheckSongs() {
    for (size_t n = 0; n < model_.songs.size(); ++n) {
        const SongFile& file = Songs()[n];
        const DescriptionPlace where = DescriptionPlace::Song(n).Field("file");
        if (!file.exists) {
            Error(where, Quoted(file.path) + " is missing; the player skips the song");
        } else if (!file.plays) {
            Error(where, Quoted(file.path) + " does not decode as a " +
                             (model_.songs[n].isStream != 0 ? "sampled stream" : "tracker module") +
                             "; the player skips the song");
        }
    }
}

// ---- Textures --------------------------------------------------------------------------------

bool DiskChecker::Decodes(const std::string& entry, std::string& problem, bool& opaque) {
    std::vector<uint8_t> bytes;
    if (files_.readEntry(entry, bytes) != EntryRead::Ok) {
        problem = "the archive has no readable entry of that name";
        return false;
    }
    DecodedImage image;
    if (!DecodeImage(bytes.data(), bytes.size(), image)) {
        problem = "it is not an image the player can decode";
        return false;
    }
    opaque = std::all_of(image.argb.begin(), image.argb.end(),
                         [](uint32_t pixel) { return (pixel >> 24) == 0xFF; });
    return true;
}

// The store gives each distinct name (ignoring case) the next index, but a name whose image
// cannot be loaded takes none: every texture after it moves up by one and effects show the
// wrong pictures.
void DiskChecker::CheckTextures() {
    textureNames_ = DistinctTextureNames(model_.textures);
    const std::vector<std::string>& distinct = textureNames_;
    loadedTextures_ = static_cast<int32_t>(distinct.size());
    if (!files_.readEntry) {
        return;
    }
    int32_t skipped = 0;
    for (size_t i = 0; i < distinct.size(); ++i) {
        std::string problem;
        bool opaque = false;
        if (Decodes(distinct[i], problem, opaque)) {
            opaqueTextures_.push_back(opaque);
            continue;
        }
        ++skipped;
        std::string message = Quoted(distinct[i]) + ": " + problem + ". It takes no index";
        const size_t after = distinct.size() - i - 1;
        if (after > 0) {
            message += after == 1 ? ", so the texture after it moves up by one ("
                                  : ", so the " + std::to_string(after) +
                                        " textures after it move up by one (";
            message += Quoted(distinct[i + 1]) + " gets index " +
                       std::to_string(i + 1 - static_cast<size_t>(skipped)) + " instead of " +
                       std::to_string(i + 1) + ") and effects show the wrong images";
        }
        Error(DescriptionPlace::Texture(i), message);
    }
    loadedTextures_ -= skipped;
}

void DiskChecker::CheckTexture(int32_t index, const DescriptionPlace& place, const char* field,
                               const char* what, bool fallback) {
    if (index < loadedTextures_) {
        return;
    }
    const DescriptionPlace where = place.Field(field);
    const auto named = static_cast<size_t>(index);
    const std::string texture = named < textureNames_.size()
                                    ? std::string(what) + " " + Quoted(textureNames_[named]) +
                                          " (index " + std::to_string(index) + ")"
                                    : std::string(what) + " index " + std::to_string(index);
    const std::string message =
        texture + " is past the end: " +
        (loadedTextures_ == 1 ? std::string("only 1 texture loads")
                              : "only " + std::to_string(loadedTextures_) + " textures load");
    if (fallback) {
        Warning(where, message + "; the look falls back to the normal one");
    } else {
        Error(where, message + "; the effect draws nothing");
    }
}

// ---- Pages, groups and effects ---------------------------------------------------------------

void DiskChecker::CheckPages() {
    const bool overlayDraws =
        model_.pages.size() > 1 &&
        std::any_of(model_.pages[1].groups.begin(), model_.pages[1].groups.end(),
                    [](const GroupRecord& g) { return !g.effects.empty(); });
    for (size_t p = 0; p < model_.pages.size(); ++p) {
        const auto& groups = model_.pages[p].groups;
        for (size_t g = 0; g < groups.size(); ++g) {
            const DescriptionPlace group = DescriptionPlace::Page(p).Group(g);
            CheckIntervals(groups[g], group);
            const auto& effects = groups[g].effects;
            for (size_t e = 0; e < effects.size(); ++e) {
                CheckEffect(effects[e], group.Effect(e));
                if (p >= 2 && overlayDraws) {
                    CheckOverlayHidden(effects[e], group.Effect(e));
                }
            }
        }
    }
}

// The overlay page is drawn first and each song's page over it: an opaque picture over the
// whole screen on a song page hides the overlay (when it has something to draw) for as long
// as it shows.
void DiskChecker::CheckOverlayHidden(const EffectRecord& effect, const DescriptionPlace& where) {
    const auto* image = std::get_if<ImageEffectBlock>(&effect.block);
    if (image == nullptr || image->texture < 0 ||
        static_cast<size_t>(image->texture) >= opaqueTextures_.size() ||
        !opaqueTextures_[static_cast<size_t>(image->texture)]) {
        return;
    }
    const Extent extent = ExtentOf(*image);
    if (extent.left <= -1.0f && extent.right >= 1.0f && extent.bottom <= -1.0f &&
        extent.top >= 1.0f) {
        Warning(where, "an opaque picture over the whole screen on a song page hides the overlay "
                       "page, which is drawn under the song pages; give the picture transparent "
                       "parts, or put it on the overlay page");
    }
}

void DiskChecker::CheckEffect(const EffectRecord& effect, const DescriptionPlace& where) {
    if (!IsEffectTypeAvailable(effect.Type())) {
        Error(where.Field("type"), std::string("this player has no ") +
                                       EffectTypeName(static_cast<int32_t>(effect.Type())) +
                                       " yet and refuses the disk");
    }
    const EffectHead& head = Head(effect);
    const Extent extent = ExtentOf(head);
    if (extent.left > 1.0f || extent.right < -1.0f || extent.bottom > 1.0f || extent.top < -1.0f) {
        // At the value that puts it there (the rectangle itself when that is a default).
        const bool across = extent.left > 1.0f || extent.right < -1.0f;
        Warning(where.Field(across ? (head.x > 1.0f || head.x < -1.0f ? "x" : "width")
                                   : (head.y > 1.0f || head.y < -1.0f ? "y" : "height")),
                "the rectangle lies entirely off screen (the screen spans -1..1 both ways)");
    }
    std::visit(
        [&](const auto& block) {
            using Block = std::decay_t<decltype(block)>;
            if constexpr (std::is_base_of_v<ImageEffectBlock, Block>) {
                CheckTexture(block.texture, where, "texture", "texture", false);
            }
            if constexpr (std::is_same_v<Block, ToggledImageEffectBlock>) {
                if (block.eventFlag != -1) {
                    awaited_.emplace_back(block.eventFlag, where.Field("eventFlag"));
                }
            }
            if constexpr (std::is_same_v<Block, ButtonEffectBlock>) {
                static constexpr const char* kFields[] = {"normal.texture", "hover.texture",
                                                          "pressed.texture"};
                static constexpr const char* kLooks[] = {"normal texture", "hover texture",
                                                         "pressed texture"};
                for (size_t i = 0; i < 3; ++i) {
                    CheckTexture(block.looks[i].texture, where, kFields[i], kLooks[i], i > 0);
                }
                CheckCommand(block.command, block.commandArgument, where);
                const DescriptionPlace argument = where.Field("commandArgument");
                if (block.command == kRaiseCommand) {
                    if (block.commandArgument < 0) {
                        Warning(argument, "raises event flag " +
                                              std::to_string(block.commandArgument) +
                                              ", a negative number, which the player ignores");
                    } else if (block.commandArgument >= kMaxEventFlags) {
                        Warning(argument, "raises event flag " +
                                              std::to_string(block.commandArgument) +
                                              ", which the player ignores (flags go up to " +
                                              std::to_string(kMaxEventFlags - 1) + ")");
                    } else {
                        raised_.emplace_back(block.commandArgument, argument);
                    }
                }
            }
            if constexpr (std::is_same_v<Block, SliderBarEffectBlock>) {
                CheckTexture(block.texture, where, "texture", "texture", false);
                CheckCommand(block.command, std::nullopt, where);
                if (block.knobAspectHeight == 0) {
                    Error(where.Field("knobAspectHeight"),
                          "knobAspectHeight is 0: the knob has no width and the slider "
                          "is never drawn");
                } else {
                    const float knob = static_cast<float>(block.knobAspectWidth) /
                                       static_cast<float>(block.knobAspectHeight) * block.height *
                                       0.5f;
                    if (block.width == knob) {
                        Error(where.Field("width"),
                              "the slider is exactly as wide as its knob: the knob "
                              "cannot move, rests flush left and a drag sends 0");
                    }
                }
            }
            if constexpr (std::is_same_v<Block, SongNameEffectBlock> ||
                          std::is_same_v<Block, VerticalScrollerEffectBlock>) {
                if (block.scrollSpeed <= 0) {
                    Error(where.Field("scrollSpeed"),
                          "scrollSpeed " + std::to_string(block.scrollSpeed) +
                              " must be above 0 (clock units per pixel)");
                }
            }
            if constexpr (std::is_same_v<Block, SongNameEffectBlock> ||
                          std::is_same_v<Block, VerticalScrollerEffectBlock>) {
                CheckFontFace(block.fontFace, block.bold, block.italic, where);
            }
            if constexpr (std::is_same_v<Block, VerticalScrollerEffectBlock>) {
                if (block.eventFlag != -1) {
                    awaited_.emplace_back(block.eventFlag, where.Field("eventFlag"));
                }
                CheckScrollerFits(block, where);
            }
            if constexpr (std::is_same_v<Block, AnimationEffectBlock>) {
                CheckAnimation(block, where);
            }
            if constexpr (std::is_base_of_v<VisualizerHead, Block>) {
                CheckBands(block, where);
            }
            if constexpr (std::is_same_v<Block, PlasmaVisualizerBlock>) {
                if (block.beatBandCount < 6) {
                    Warning(where.Field("beatBandCount"),
                            "the plasma reads 6 beat bands but beatBandCount is " +
                                std::to_string(block.beatBandCount) +
                                "; the missing bands never beat");
                }
            }
            if constexpr (std::is_same_v<Block, BeatFlowerVisualizerBlock>) {
                if (block.bandCount < 18 || block.beatBandCount < 5) {
                    Warning(where.Field(block.bandCount < 18 ? "bandCount" : "beatBandCount"),
                            "the flowers read 18 bands and 5 beat bands but bandCount is " +
                                std::to_string(block.bandCount) + " and beatBandCount " +
                                std::to_string(block.beatBandCount) +
                                "; the missing ones stay dark and still");
                }
            }
        },
        effect.block);
}

// The player ignores codes outside its commands and songs outside the playlist, and keeps the
// volume within 0..100 percent. A slider's argument is its knob's place, so it has none here.
void DiskChecker::CheckCommand(int32_t command, std::optional<int32_t> argument,
                               const DescriptionPlace& place) {
    if (command < 0 || command >= kPlayerCommandCount) {
        Warning(place.Field("command"), "command " + std::to_string(command) +
                                            " is not a player command (0..8); " +
                                            "it does nothing");
        return;
    }
    if (!argument) {
        return;
    }
    const auto songs = static_cast<int32_t>(model_.songs.size());
    const DescriptionPlace where = place.Field("commandArgument");
    if (command == static_cast<int32_t>(PlayerCommand::SelectSong) &&
        (*argument < 0 || *argument >= songs)) {
        Warning(where, "selects song " + std::to_string(*argument) + " but the playlist has " +
                           std::to_string(songs) + " songs (0.." + std::to_string(songs - 1) +
                           "); the press does nothing");
    }
    if (command == static_cast<int32_t>(PlayerCommand::SetVolume) &&
        (*argument < 0 || *argument > 100)) {
        Warning(where, "sets the volume to " + std::to_string(*argument) +
                           " percent, outside 0..100; the player keeps it within 0..100");
    }
}

// The player keeps every band inside the spectrum's 256 bins and reads a band left without
// bins as 0; a clip level of 0 or below reads every band as 0; too many bands draw nothing.
void DiskChecker::CheckBands(const VisualizerHead& head, const DescriptionPlace& place) {
    if (!(head.clipLevel > 0.0f)) {
        Error(place.Field("clipLevel"),
              "clipLevel is " + FormatFloat(head.clipLevel) + ", not above 0: every band reads 0");
    }
    for (const auto& [name, count] :
         {std::pair{"bandCount", head.bandCount}, std::pair{"beatBandCount", head.beatBandCount}}) {
        if (count > Visualizer::kMaxBands) {
            Error(place.Field(name), std::string(name) + " is " + std::to_string(count) +
                                         ", above " + std::to_string(Visualizer::kMaxBands) +
                                         ": the visualizer draws nothing");
        }
    }
    int32_t start = 0;
    for (int32_t i = 0; i < head.bandCount; ++i) {
        const double end = Visualizer::UnboundedBandEdge(i, start, head.bandCount, head.bandFactor,
                                                         head.linearBands != 0);
        if (end > kSpectrumBins) {
            Warning(place.Field("bandFactor"),
                    "band " + std::to_string(i) + " of " + std::to_string(head.bandCount) +
                        " would end at bin " +
                        std::to_string(static_cast<int64_t>(std::min(end, 1e18))) +
                        ", past the spectrum's " + std::to_string(kSpectrumBins) +
                        " bins (bandFactor " + FormatFloat(head.bandFactor) +
                        "): the bands from there on are cut short or read 0");
            return;
        }
        start = static_cast<int32_t>(end);
    }
}

void DiskChecker::CheckAnimation(const AnimationEffectBlock& block, const DescriptionPlace& place) {
    if (block.frameDuration <= 0) {
        Error(place.Field("frameDuration"), "frameDuration " + std::to_string(block.frameDuration) +
                                                " must be above 0 (clock units per frame)");
    }
    if (!files_.readEntry) {
        return;
    }
    const DescriptionPlace where = place.Field("listName");
    std::vector<uint8_t> list;
    if (files_.readEntry(block.listName, list) != EntryRead::Ok) {
        Error(where, "the frame list " + Quoted(block.listName) +
                         " is not in the archive; the animation draws nothing");
        return;
    }
    const std::vector<std::string> frames = qdp::AnimationFrameNames(list);
    if (frames.empty()) {
        Error(where, "the frame list " + Quoted(block.listName) +
                         " names no frames; the animation draws nothing");
    }
    for (const std::string& frame : frames) {
        std::string problem;
        bool opaque = false;
        if (!Decodes(frame, problem, opaque)) {
            Error(where,
                  "frame " + Quoted(frame) + " of " + Quoted(block.listName) + ": " + problem);
        }
    }
}

// A face name the machine lacks still draws, in the fallback face, so it is only a warning.
void DiskChecker::CheckFontFace(const std::string& face, uint8_t bold, uint8_t italic,
                                const DescriptionPlace& place) {
    const FontDescription font = TextFont(face, 16, bold, italic, 0, 0);
    if (!text_.IsReady() || text_.HasFace(font)) {
        return;
    }
    Warning(place.Field("fontFace"),
            "font face " + Quoted(face) + " is not installed on this machine; the text " +
                "is drawn in " + Quoted(text_.ResolvedFamily(font)) + " instead");
}

// The scroller lays its text out between margins of one font height in a box measured in
// window pixels; without the word-break flag a longer line is cut off at the box.
void DiskChecker::CheckScrollerFits(const VerticalScrollerEffectBlock& block,
                                    const DescriptionPlace& place) {
    if ((block.textFormat & DT_WORDBREAK) != 0 || !text_.IsReady()) {
        return;
    }
    const auto windowHeight = static_cast<float>(model_.header.windowHeight);
    const auto boxWidth =
        static_cast<int32_t>(model_.header.aspect * windowHeight * block.width * 0.5f);
    const int room = boxWidth - 2 * block.fontHeight;
    const FontDescription font = TextFont(block.fontFace, block.fontHeight, block.bold,
                                          block.italic, block.strikeOut, block.underline);
    TextRect measured{block.fontHeight, 0, boxWidth - block.fontHeight, 1};
    if (!text_.MeasureText(font, block.text, measured,
                           block.textFormat | DT_CALCRECT | DT_NOPREFIX) ||
        measured.Width() <= room) {
        return;
    }
    Warning(place.Field("text"),
            "the text's widest line is " + std::to_string(measured.Width()) +
                " window pixels wide but the box has room for " + std::to_string(room) +
                " between its margins of one font height; without \"wordbreak\" in " +
                "textFormat the line is cut off");
}

// ---- Event flags -----------------------------------------------------------------------------

void DiskChecker::CheckEventFlags() {
    std::map<int32_t, std::vector<const DescriptionPlace*>> raisers;
    std::map<int32_t, std::vector<const DescriptionPlace*>> waiters;
    for (const auto& [flag, place] : raised_) {
        raisers[flag].push_back(&place);
    }
    for (const auto& [flag, place] : awaited_) {
        waiters[flag].push_back(&place);
    }
    for (const auto& [flag, places] : raisers) {
        if (!waiters.contains(flag)) {
            Warning(*places.front(), "raises " + Flag(flag) + ", which no effect waits on");
        }
    }
    // Only the current song's page draws, so waiters on two song pages never compete.
    const auto compete = [](const DescriptionPlace& a, const DescriptionPlace& b) {
        return a.index == b.index || a.index < 2 || b.index < 2;
    };
    for (const auto& [flag, places] : waiters) {
        if (!raisers.contains(flag)) {
            Warning(*places.front(),
                    "waits on " + Flag(flag) + ", which no button raises; it is never shown");
            continue;
        }
        for (size_t i = 1; i < places.size(); ++i) {
            const DescriptionPlace& waiter = *places[i];
            const auto rival =
                std::find_if(places.begin(), places.begin() + i,
                             [&](const DescriptionPlace* w) { return compete(*w, waiter); });
            if (rival != places.begin() + i) {
                Warning(waiter,
                        "waits on " + Flag(flag) + " like " +
                            (files_.placeName ? files_.placeName(**rival) : Describe(**rival)) +
                            "; a raised flag is taken by one of them only");
                break;
            }
        }
    }
}

// ---- Timing ---------------------------------------------------------------------------------

namespace {

// The shortest interval every frame sees, at 60 frames a second.
constexpr int32_t kFrameUnits = kUnitsPerSecond / 60;

// A toggled image and a scroller fade from the raising of their flag, a slider not at all.
bool FadesWithInterval(EffectType type) {
    return type == EffectType::Image || type == EffectType::Button ||
           type == EffectType::Animation || type == EffectType::SongName;
}

} // namespace

std::string FormatSongLength(uint64_t frames) {
    const uint64_t tenths = (frames * 10 + kUnitsPerSecond / 2) / kUnitsPerSecond;
    const uint64_t seconds = tenths / 10 % 60;
    return std::to_string(tenths / 600) + ":" + (seconds < 10 ? "0" : "") +
           std::to_string(seconds) + "." + std::to_string(tenths % 10);
}

void DiskChecker::CheckTiming() {
    if (model_.songs.empty()) {
        Warning(DescriptionPlace::Header().Field("songs"),
                "the disk has no songs: nothing plays and the player never gets past the "
                "intro, so no other page shows");
    } else if (const std::optional<int64_t> end = SongEnd(0); end && *end < 0) {
        // The intro's longest interval sets its length.
        DescriptionPlace longest = DescriptionPlace::Page(0);
        const auto& groups = model_.pages[0].groups;
        const int32_t intro = PageDuration(model_.pages[0]);
        for (size_t g = 0; g < groups.size(); ++g) {
            for (size_t i = 0; i < groups[g].intervals.size(); ++i) {
                if (groups[g].intervals[i].end == intro) {
                    longest = DescriptionPlace::Page(0).Group(g).Interval(i).Field("end");
                }
            }
        }
        Warning(longest,
                "the intro lasts " + FormatSongLength(static_cast<uint64_t>(intro)) +
                    ", longer than song 0 " + Quoted(model_.songs[0].title) + " (" +
                    FormatSongLength(Songs()[0].frames) +
                    ") whose position times it: the song ends first, and the intro starts over on "
                    "the next song's position");
    }
    for (size_t n = 0; n < model_.songs.size() && n + 2 < model_.pages.size(); ++n) {
        const auto& groups = model_.pages[n + 2].groups;
        for (size_t g = 0; g < groups.size(); ++g) {
            CheckSongTiming(groups[g], DescriptionPlace::Page(n + 2).Group(g), n);
        }
    }
}

void DiskChecker::CheckIntervals(const GroupRecord& group, const DescriptionPlace& place) {
    if (group.intervals.empty()) {
        Warning(place, "the group has no intervals, so it is never drawn");
    }
    for (size_t i = 0; i < group.intervals.size(); ++i) {
        const IntervalRecord& interval = group.intervals[i];
        const int64_t length = int64_t{interval.end} - interval.start;
        if (length < 0) {
            Warning(place.Interval(i), "the interval " + Interval(interval) +
                                           " starts after it ends and never matches");
        } else if (length < kFrameUnits) {
            Warning(place.Interval(i), "the interval " + Interval(interval) +
                                           " is shorter than one frame (1/60 s): it may never "
                                           "be drawn");
        }
    }
    for (size_t e = 0; e < group.effects.size(); ++e) {
        const EffectHead& head = Head(group.effects[e]);
        if (!FadesWithInterval(group.effects[e].Type())) {
            continue;
        }
        const std::pair<const char*, int32_t> fades[] = {{"fadeIn", head.fadeIn},
                                                         {"fadeOut", head.fadeOut}};
        for (const auto& [name, fade] : fades) {
            const int64_t length = fade; // a plain name: structured bindings are not captured
            const auto shorter = std::find_if(
                group.intervals.begin(), group.intervals.end(), [length](const IntervalRecord& i) {
                    return i.start <= i.end && int64_t{i.end} - i.start < length;
                });
            if (shorter != group.intervals.end()) {
                Warning(place.Effect(e).Field(name), std::string(name) + " " + FormatTime(fade) +
                                                         " is longer than the interval " +
                                                         Interval(*shorter) +
                                                         ": the fade never completes");
            }
        }
    }
}

// Fades on a song's page that begin after the song has ended are never seen (an interval that
// merely outlasts its song is common and fine).
void DiskChecker::CheckSongTiming(const GroupRecord& group, const DescriptionPlace& place,
                                  size_t song) {
    const std::optional<int64_t> end = SongEnd(song);
    if (!end) {
        return;
    }
    const bool afterIntro = song == 0 && PageDuration(model_.pages[0]) > 0;
    const std::string ended =
        "song " + std::to_string(song) + " " + Quoted(model_.songs[song].title) + " ends at " +
        FormatSongLength(static_cast<uint64_t>(std::max<int64_t>(*end, 0))) +
        (afterIntro ? " on its page's clock, which starts after the intro" : "");
    for (size_t e = 0; e < group.effects.size(); ++e) {
        const EffectHead& head = Head(group.effects[e]);
        if (!FadesWithInterval(group.effects[e].Type())) {
            continue;
        }
        for (const IntervalRecord& interval : group.intervals) {
            if (interval.start > interval.end) {
                continue;
            }
            if (head.fadeIn > 0 && interval.start > *end) {
                Warning(place.Effect(e).Field("fadeIn"), "the fade-in at the start of " +
                                                             Interval(interval) + " begins after " +
                                                             ended + ": it is never seen");
                break;
            }
            if (head.fadeOut > 0 && int64_t{interval.end} - head.fadeOut > *end) {
                Warning(place.Effect(e).Field("fadeOut"),
                        "the fade-out at the end of " + Interval(interval) + " begins after " +
                            ended + ": it is never seen");
                break;
            }
        }
    }
}

// ---- Checking a compiled disk ----------------------------------------------------------------

namespace {

// Sets each interval end written "end" to the end of its page's song; false (and reported)
// when one has no song or the song's end is unknown.
bool ResolveSongEnds(CompiledDisk& disk, DiskChecker& checker, SourceDiagnostics& diagnostics) {
    bool resolved = true;
    for (const DescriptionPlace& use : disk.songEnds) {
        const SourcePosition position = disk.sourceMap.Find(use);
        const auto page = static_cast<size_t>(use.index);
        if (page < 2 || page - 2 >= disk.model.songs.size()) {
            diagnostics.Error(position, std::string("\"end\" is the end of the page's song, but ") +
                                            (page == 0   ? "the intro"
                                             : page == 1 ? "the overlay"
                                                         : "a page after the last song's") +
                                            " has no song of its own");
            resolved = false;
            continue;
        }
        const size_t n = page - 2;
        const SongFile& file = checker.Songs()[n];
        const std::optional<int64_t> end = checker.SongEnd(n);
        if (!end) {
            const std::string song =
                "song " + std::to_string(n) + " " + Quoted(disk.model.songs[n].title);
            diagnostics.Error(
                position, "\"end\": " +
                              (!file.plays  ? song + " does not play"
                               : file.loops ? song + " loops forever"
                                            : "the file of " + song + " does not tell its length") +
                              ", so when it ends is unknown");
            resolved = false;
            continue;
        }
        IntervalRecord& interval = disk.model.pages[page]
                                       .groups[static_cast<size_t>(use.group)]
                                       .intervals[static_cast<size_t>(use.interval)];
        (use.field == "start" ? interval.start : interval.end) =
            static_cast<int32_t>(std::clamp<int64_t>(*end, 0, INT32_MAX));
    }
    return resolved;
}

} // namespace

void CheckCompiledDisk(CompiledDisk& disk, DiskFiles files, SourceDiagnostics& diagnostics) {
    files.flagNames = disk.flagNames;
    files.placeName = [&](const DescriptionPlace& place) {
        const SourcePosition position = disk.sourceMap.Find(place);
        return "the one at " + diagnostics.FileName() + ":" + std::to_string(position.line) + ":" +
               std::to_string(position.column);
    };
    DiskChecker checker(disk.model, std::move(files));
    if (!ResolveSongEnds(disk, checker, diagnostics)) {
        return;
    }
    for (const CheckFinding& finding : checker.Run()) {
        const SourcePosition position = disk.sourceMap.Find(finding.place);
        // Where the source wrote nothing for the place, the place itself says where.
        std::string message =
            position.line > 0 ? finding.message : finding.where + ": " + finding.message;
        if (finding.severity == CheckFinding::Severity::Error) {
            diagnostics.Error(position, std::move(message));
        } else {
            diagnostics.Warning(position, std::move(message));
        }
    }
}

} // namespace quib
