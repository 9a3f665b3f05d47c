// Writing a description as TOML source.
#include "SourceWriter.h"

#include "SourceCompiler.h"
#include "SourceFields.h"
#include "SourceValues.h"
#include "description/PlayerCommand.h"
#include "platform/TextDecoding.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace quib {
namespace {

std::string SwitchText(uint8_t value) {
    return value == 0 ? "false" : value == 1 ? "true" : std::to_string(value);
}

// Runs the block field lists over a record and keeps "key = value" pairs in order.
class FieldWriter {
public:
    FieldWriter(const TextureIndex& textures, const FlagNames& flags)
        : textures_(textures), flags_(flags) {}

    void Float(std::string_view key, const float& value, Presence presence = Presence::Optional) {
        if (presence == Presence::Quiet && FloatBits(value) == FloatBits(1.0f)) {
            return;
        }
        Add(key, FormatFloat(value));
    }
    void Int(std::string_view key, const int32_t& value) { Add(key, std::to_string(value)); }
    void Time(std::string_view key, const int32_t& value) { Add(key, FormatTime(value)); }
    void Colour(std::string_view key, const uint32_t& value, Alpha = Alpha::Used) {
        Add(key, FormatColour(value));
    }
    void Switch(std::string_view key, const uint8_t& value) { Add(key, SwitchText(value)); }
    void Text(std::string_view key, const std::string& value, Presence = Presence::Optional) {
        Add(key, FormatText(value));
    }
    void Flags(std::string_view key, const uint32_t& value, std::span<const NamedValue> names) {
        Add(key, FormatFlags(names, value));
    }
    void Command(std::string_view key, const int32_t& value, Presence = Presence::Optional) {
        const std::string_view name = NameOf(CommandNames(), static_cast<uint32_t>(value));
        Add(key, name.empty() ? std::to_string(value) : "\"" + std::string(name) + "\"");
    }
    void CommandArgument(std::string_view key, const int32_t& value, int32_t command) {
        if (command == static_cast<int32_t>(PlayerCommand::RaiseEventFlag)) {
            EventFlag(key, value);
        } else {
            Int(key, value);
        }
    }
    // A flag by the name the disk's source gave it, where the disk keeps its names.
    void EventFlag(std::string_view key, const int32_t& value) {
        const auto name = flags_.find(value);
        Add(key, name != flags_.end() ? FormatText(name->second) : std::to_string(value));
    }

    // A texture by its file name when the index names one; names that are not UTF-8 cannot be
    // written as a plain string and keep their index.
    void Texture(std::string_view key, const int32_t& value, Presence) {
        const std::string* name = textures_.Name(value);
        Add(key, name != nullptr && IsValidUtf8(*name) ? FormatText(*name) : std::to_string(value));
    }

    template <class Record, class Write>
    void Nested(std::string_view key, const Record& record, Presence, Write write) {
        FieldWriter inner(textures_, flags_);
        write(inner, record);
        Add(key, inner.Inline());
    }

    void Floats(std::string_view key, const std::array<float, 3>& values) {
        Add(key, "[" + FormatFloat(values[0]) + ", " + FormatFloat(values[1]) + ", " +
                     FormatFloat(values[2]) + "]");
    }
    void Colours(std::string_view key, const std::array<uint32_t, 3>& values) {
        Add(key, "[" + FormatColour(values[0]) + ", " + FormatColour(values[1]) + ", " +
                     FormatColour(values[2]) + "]");
    }

    std::string Lines() const {
        std::string out;
        for (const auto& [key, value] : entries_) {
            out += key + " = " + value + "\n";
        }
        return out;
    }

    std::string Inline() const {
        std::string out = "{ ";
        for (size_t i = 0; i < entries_.size(); ++i) {
            out += (i > 0 ? ", " : "") + entries_[i].first + " = " + entries_[i].second;
        }
        return out + " }";
    }

private:
    void Add(std::string_view key, std::string value) {
        entries_.emplace_back(std::string(key), std::move(value));
    }

    const TextureIndex& textures_;
    const FlagNames& flags_;
    std::vector<std::pair<std::string, std::string>> entries_;
};

// `frames = [...]` for an animation whose list is at hand and whose names a source can hold.
std::string FramesLine(const EffectRecord& effect, const AnimationFrameLister& frames) {
    const auto* animation = std::get_if<AnimationEffectBlock>(&effect.block);
    if (animation == nullptr || !frames) {
        return {};
    }
    const std::optional<std::vector<std::string>> names = frames(animation->listName);
    if (!names || !std::all_of(names->begin(), names->end(), IsValidUtf8)) {
        return {};
    }
    std::string line = "frames = [";
    for (size_t i = 0; i < names->size(); ++i) {
        line += (i > 0 ? ", " : "") + FormatText((*names)[i]);
    }
    return line + "]\n";
}

void WritePage(const PageRecord& page, const std::string& path, const TextureIndex& textures,
               const FlagNames& flags, const AnimationFrameLister& frames, std::string& out) {
    for (const GroupRecord& group : page.groups) {
        out += "\n[[" + path + ".groups]]\nintervals = [";
        for (size_t i = 0; i < group.intervals.size(); ++i) {
            out += (i > 0 ? ", [" : "[") + FormatTime(group.intervals[i].start) + ", " +
                   FormatTime(group.intervals[i].end) + "]";
        }
        out += "]\n";
        for (const EffectRecord& effect : group.effects) {
            FieldWriter fields(textures, flags);
            std::visit([&](const auto& block) { SourceFields(fields, block); }, effect.block);
            out += "\n[[" + path + ".groups.effects]]\ntype = \"" +
                   EffectTypeName(static_cast<int32_t>(effect.Type())) + "\"\n" + fields.Lines() +
                   FramesLine(effect, frames);
        }
    }
}

} // namespace

std::string WriteSource(const DescriptionModel& model, std::string_view diskName,
                        const AnimationFrameLister& frames, const FlagNames& flags) {
    const TextureIndex textures(model.textures);
    const DescriptionHeader& header = model.header;
    std::string out = "name = " + FormatText(diskName) + "\ntitle = " + FormatText(header.title) +
                      "\nwindowed = " + SwitchText(header.windowed) +
                      "\nallowToggle = " + SwitchText(header.allowToggle) +
                      "\naspect = " + FormatFloat(header.aspect) +
                      "\nwindowHeight = " + std::to_string(header.windowHeight) + "\ntextures = [";
    for (size_t i = 0; i < model.textures.size(); ++i) {
        out += (i > 0 ? ",\n    " : "\n    ") + FormatText(model.textures[i]);
    }
    out += model.textures.empty() ? "]\n" : ",\n]\n";
    if (!flags.empty()) {
        out += "flags = {";
        for (const auto& [number, name] : flags) {
            out += (number == flags.begin()->first ? " " : ", ") + FormatText(name) + " = " +
                   std::to_string(number);
        }
        out += " }\n";
    }

    for (size_t n = 0; n < model.songs.size(); ++n) {
        const SongRecord& song = model.songs[n];
        out += "\n# song " + std::to_string(n) +
               "\n[[songs]]\nfile = " + FormatText(song.fileName) +
               "\ntitle = " + FormatText(song.title) + "\nisStream = " + SwitchText(song.isStream) +
               "\n";
        if (song.isStream == 0) {
            out += "moduleFlags = " + FormatFlags(ModuleFlagNames(), song.bassFlags) + "\n";
        }
        if (2 + n < model.pages.size()) {
            out += "\n# page " + std::to_string(2 + n) + ": the page of song " + std::to_string(n) +
                   "\n[songs.page]\n";
            WritePage(model.pages[2 + n], "songs.page", textures, flags, frames, out);
        }
    }
    static constexpr const char* kFixedPages[] = {"intro", "overlay"};
    for (size_t i = 0; i < 2 && i < model.pages.size(); ++i) {
        out += "\n# page " + std::to_string(i) + "\n[" + kFixedPages[i] + "]\n";
        WritePage(model.pages[i], kFixedPages[i], textures, flags, frames, out);
    }
    for (size_t i = 2 + model.songs.size(); i < model.pages.size(); ++i) {
        out += "\n# page " + std::to_string(i) + ", after the last song's page\n[[pages]]\n";
        WritePage(model.pages[i], "pages", textures, flags, frames, out);
    }
    return out;
}

} // namespace quib
