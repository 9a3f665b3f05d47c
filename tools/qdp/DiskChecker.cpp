// Checking a disk the way the player would load it.
//
// Sections: songs; the texture store's indices; pages, groups and effects; event flags.
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
#include "vfs/ArchiveEntryData.h"
#include "vfs/ZipArchive.h"
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

} // namespace

DiskChecker::DiskChecker(const DescriptionModel& model, ZipArchive* archive,
                         std::string musicFolder)
    : model_(model), archive_(archive), musicFolder_(std::move(musicFolder)) {}

void DiskChecker::Error(std::string where, std::string message) {
    findings_.push_back({CheckFinding::Severity::Error, std::move(where), std::move(message)});
}

void DiskChecker::Warning(std::string where, std::string message) {
    findings_.push_back({CheckFinding::Severity::Warning, std::move(where), std::move(message)});
}

std::vector<CheckFinding> DiskChecker::Run() {
    findings_.clear();
    CheckWindowSize();
    CheckSongs();
    CheckTextures();
    CheckPages();
    CheckEventFlags();
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
    Warning("header",
            size + (header.windowed != 0 ? "the window opens at " + fallback + " instead"
                                         : "Alt+Enter back to a window opens one of " + fallback));
}

// ---- Songs -----------------------------------------------------------------------------------

void DiskChecker::CheckSongs() {
    AudioOutputOffline output;
    for (size_t n = 0; n < model_.songs.size(); ++n) {
        const SongRecord& song = model_.songs[n];
        std::string name = song.fileName;
        std::replace(name.begin(), name.end(), '\\', '/');
        const std::string path = PathIgnoringCase(musicFolder_, name);
        const std::string where = "song " + std::to_string(n) + " " + Quoted(song.title);
        std::error_code error;
        if (!std::filesystem::is_regular_file(path, error)) {
            Error(where, Quoted(path) + " is missing; the player skips the song");
            continue;
        }
        const bool stream = song.isStream != 0;
        const AudioHandle handle = stream ? output.CreateStream(path.c_str(), 0)
                                          : output.LoadModule(path.c_str(), song.bassFlags);
        if (handle == 0) {
            Error(where, Quoted(path) + " does not decode as a " +
                             (stream ? "sampled stream" : "tracker module") +
                             "; the player skips the song");
        } else if (stream) {
            output.FreeStream(handle);
        } else {
            output.FreeModule(handle);
        }
    }
}

// ---- Textures --------------------------------------------------------------------------------

bool DiskChecker::Decodes(const std::string& entry, std::string& problem) {
    std::vector<uint8_t> bytes;
    if (ReadArchiveEntry(*archive_, entry, bytes) != EntryRead::Ok) {
        problem = "the archive has no readable entry of that name";
        return false;
    }
    DecodedImage image;
    if (!DecodeImage(bytes.data(), bytes.size(), image)) {
        problem = "it is not an image the player can decode";
        return false;
    }
    return true;
}

// The store gives each distinct name (ignoring case) the next index, but a name whose image
// cannot be loaded takes none: every texture after it moves up by one and effects show the
// wrong pictures.
void DiskChecker::CheckTextures() {
    const std::vector<std::string> distinct = DistinctTextureNames(model_.textures);
    loadedTextures_ = static_cast<int32_t>(distinct.size());
    if (archive_ == nullptr) {
        return;
    }
    int32_t skipped = 0;
    for (size_t i = 0; i < distinct.size(); ++i) {
        std::string problem;
        if (Decodes(distinct[i], problem)) {
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
        Error("texture " + std::to_string(i), message);
    }
    loadedTextures_ -= skipped;
}

void DiskChecker::CheckTexture(int32_t index, const std::string& where, const char* what,
                               bool fallback) {
    if (index < loadedTextures_) {
        return;
    }
    const std::string message =
        std::string(what) + " index " + std::to_string(index) + " is past the end: " +
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
    for (size_t p = 0; p < model_.pages.size(); ++p) {
        page_ = p;
        std::string page = "page " + std::to_string(p);
        if (p == 0) {
            page += " (intro)";
        } else if (p == 1) {
            page += " (overlay)";
        } else if (p - 2 < model_.songs.size()) {
            page += " (song " + std::to_string(p - 2) + ")";
        } else {
            page += " (after the last song's page, never shown)";
        }
        const auto& groups = model_.pages[p].groups;
        for (size_t g = 0; g < groups.size(); ++g) {
            const std::string group = page + ", group " + std::to_string(g);
            for (const IntervalRecord& interval : groups[g].intervals) {
                if (interval.start > interval.end) {
                    Warning(group, "the interval [" + FormatTime(interval.start) + ", " +
                                       FormatTime(interval.end) +
                                       "] starts after it ends and never matches");
                }
            }
            const auto& effects = groups[g].effects;
            for (size_t e = 0; e < effects.size(); ++e) {
                CheckEffect(effects[e],
                            group + ", effect " + std::to_string(e) + " (" +
                                EffectTypeName(static_cast<int32_t>(effects[e].Type())) + ")");
            }
        }
    }
}

void DiskChecker::CheckEffect(const EffectRecord& effect, const std::string& where) {
    if (!IsEffectTypeAvailable(effect.Type())) {
        Error(where, std::string("this player has no ") +
                         EffectTypeName(static_cast<int32_t>(effect.Type())) +
                         " yet and refuses the disk");
    }
    const EffectHead& head =
        std::visit([](const auto& b) -> const EffectHead& { return b; }, effect.block);
    const float left = std::min(head.x, head.x + head.width);
    const float right = std::max(head.x, head.x + head.width);
    const float bottom = std::min(head.y - head.height, head.y);
    const float top = std::max(head.y - head.height, head.y);
    if (left > 1.0f || right < -1.0f || bottom > 1.0f || top < -1.0f) {
        Warning(where, "the rectangle lies entirely off screen (the screen spans -1..1 both ways)");
    }
    std::visit(
        [&](const auto& block) {
            using Block = std::decay_t<decltype(block)>;
            if constexpr (std::is_base_of_v<ImageEffectBlock, Block>) {
                CheckTexture(block.texture, where, "texture", false);
            }
            if constexpr (std::is_same_v<Block, ToggledImageEffectBlock>) {
                if (block.eventFlag != -1) {
                    awaited_.push_back({block.eventFlag, where, page_});
                }
            }
            if constexpr (std::is_same_v<Block, ButtonEffectBlock>) {
                static constexpr const char* kLooks[] = {"normal texture", "hover texture",
                                                         "pressed texture"};
                for (size_t i = 0; i < 3; ++i) {
                    CheckTexture(block.looks[i].texture, where, kLooks[i], i > 0);
                }
                CheckCommand(block.command, block.commandArgument, where);
                if (block.command == kRaiseCommand) {
                    if (block.commandArgument < 0) {
                        Warning(where, "raises event flag " +
                                           std::to_string(block.commandArgument) +
                                           ", a negative number, which the player ignores");
                    } else if (block.commandArgument >= kMaxEventFlags) {
                        Warning(where, "raises event flag " +
                                           std::to_string(block.commandArgument) +
                                           ", which the player ignores (flags go up to " +
                                           std::to_string(kMaxEventFlags - 1) + ")");
                    } else {
                        raised_.emplace_back(block.commandArgument, where);
                    }
                }
            }
            if constexpr (std::is_same_v<Block, SliderBarEffectBlock>) {
                CheckTexture(block.texture, where, "texture", false);
                CheckCommand(block.command, std::nullopt, where);
                if (block.knobAspectHeight == 0) {
                    Error(where, "knobAspectHeight is 0: the knob has no width and the slider "
                                 "is never drawn");
                } else {
                    const float knob = static_cast<float>(block.knobAspectWidth) /
                                       static_cast<float>(block.knobAspectHeight) * block.height *
                                       0.5f;
                    if (block.width == knob) {
                        Error(where, "the slider is exactly as wide as its knob: the knob "
                                     "cannot move, rests flush left and a drag sends 0");
                    }
                }
            }
            if constexpr (std::is_same_v<Block, SongNameEffectBlock> ||
                          std::is_same_v<Block, VerticalScrollerEffectBlock>) {
                if (block.scrollSpeed <= 0) {
                    Error(where, "scrollSpeed " + std::to_string(block.scrollSpeed) +
                                     " must be above 0 (clock units per pixel)");
                }
            }
            if constexpr (std::is_same_v<Block, SongNameEffectBlock> ||
                          std::is_same_v<Block, VerticalScrollerEffectBlock>) {
                CheckFontFace(block.fontFace, block.bold, block.italic, where);
            }
            if constexpr (std::is_same_v<Block, VerticalScrollerEffectBlock>) {
                if (block.eventFlag != -1) {
                    awaited_.push_back({block.eventFlag, where, page_});
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
                    Warning(where, "the plasma reads 6 beat bands but beatBandCount is " +
                                       std::to_string(block.beatBandCount) +
                                       "; the missing bands never beat");
                }
            }
            if constexpr (std::is_same_v<Block, BeatFlowerVisualizerBlock>) {
                if (block.bandCount < 18 || block.beatBandCount < 5) {
                    Warning(where, "the flowers read 18 bands and 5 beat bands but bandCount is " +
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
                               const std::string& where) {
    if (command < 0 || command >= kPlayerCommandCount) {
        Warning(where, "command " + std::to_string(command) + " is not a player command (0..8); " +
                           "it does nothing");
        return;
    }
    if (!argument) {
        return;
    }
    const auto songs = static_cast<int32_t>(model_.songs.size());
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
void DiskChecker::CheckBands(const VisualizerHead& head, const std::string& where) {
    if (!(head.clipLevel > 0.0f)) {
        Error(where,
              "clipLevel is " + FormatFloat(head.clipLevel) + ", not above 0: every band reads 0");
    }
    for (const auto& [name, count] :
         {std::pair{"bandCount", head.bandCount}, std::pair{"beatBandCount", head.beatBandCount}}) {
        if (count > Visualizer::kMaxBands) {
            Error(where, std::string(name) + " is " + std::to_string(count) + ", above " +
                             std::to_string(Visualizer::kMaxBands) +
                             ": the visualizer draws nothing");
        }
    }
    int32_t start = 0;
    for (int32_t i = 0; i < head.bandCount; ++i) {
        const double end = Visualizer::UnboundedBandEdge(i, start, head.bandCount, head.bandFactor,
                                                         head.linearBands != 0);
        if (end > kSpectrumBins) {
            Warning(where, "band " + std::to_string(i) + " of " + std::to_string(head.bandCount) +
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

void DiskChecker::CheckAnimation(const AnimationEffectBlock& block, const std::string& where) {
    if (block.frameDuration <= 0) {
        Error(where, "frameDuration " + std::to_string(block.frameDuration) +
                         " must be above 0 (clock units per frame)");
    }
    if (archive_ == nullptr) {
        return;
    }
    std::vector<uint8_t> list;
    if (ReadArchiveEntry(*archive_, block.listName, list) != EntryRead::Ok) {
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
        if (!Decodes(frame, problem)) {
            Error(where,
                  "frame " + Quoted(frame) + " of " + Quoted(block.listName) + ": " + problem);
        }
    }
}

// A face name the machine lacks still draws, in the fallback face, so it is only a warning.
void DiskChecker::CheckFontFace(const std::string& face, uint8_t bold, uint8_t italic,
                                const std::string& where) {
    const FontDescription font = TextFont(face, 16, bold, italic, 0, 0);
    if (!text_.IsReady() || text_.HasFace(font)) {
        return;
    }
    Warning(where, "font face " + Quoted(face) + " is not installed on this machine; the text " +
                       "is drawn in " + Quoted(text_.ResolvedFamily(font)) + " instead");
}

// The scroller lays its text out between margins of one font height in a box measured in
// window pixels; without the word-break flag a longer line is cut off at the box.
void DiskChecker::CheckScrollerFits(const VerticalScrollerEffectBlock& block,
                                    const std::string& where) {
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
    Warning(where, "the text's widest line is " + std::to_string(measured.Width()) +
                       " window pixels wide but the box has room for " + std::to_string(room) +
                       " between its margins of one font height; without \"wordbreak\" in " +
                       "textFormat the line is cut off");
}

// ---- Event flags -----------------------------------------------------------------------------

void DiskChecker::CheckEventFlags() {
    std::map<int32_t, std::vector<std::string>> raisers;
    std::map<int32_t, std::vector<const Waiter*>> waiters;
    for (const auto& [flag, where] : raised_) {
        raisers[flag].push_back(where);
    }
    for (const Waiter& waiter : awaited_) {
        waiters[waiter.flag].push_back(&waiter);
    }
    for (const auto& [flag, places] : raisers) {
        if (!waiters.contains(flag)) {
            Warning(places.front(),
                    "raises event flag " + std::to_string(flag) + ", which no effect waits on");
        }
    }
    // Only the current song's page draws, so waiters on two song pages never compete.
    const auto compete = [](const Waiter& a, const Waiter& b) {
        return a.page == b.page || a.page < 2 || b.page < 2;
    };
    for (const auto& [flag, places] : waiters) {
        if (!raisers.contains(flag)) {
            Warning(places.front()->where, "waits on event flag " + std::to_string(flag) +
                                               ", which no button raises; it is never shown");
            continue;
        }
        for (size_t i = 1; i < places.size(); ++i) {
            const Waiter& waiter = *places[i];
            const auto rival = std::find_if(places.begin(), places.begin() + i,
                                            [&](const Waiter* w) { return compete(*w, waiter); });
            if (rival != places.begin() + i) {
                Warning(waiter.where, "waits on event flag " + std::to_string(flag) + " like " +
                                          (*rival)->where +
                                          "; a raised flag is taken by one of them only");
                break;
            }
        }
    }
}

} // namespace quib
