// Compiling the TOML source of a disk.
//
// Sections: texture indices; the first pass (texture names and event flag names in source
// order); the field reader that runs the block field lists over TOML; pages, groups, effects;
// songs and the header.
#include "SourceCompiler.h"

#include "SourceFields.h"
#include "SourceTable.h"
#include "description/PlayerCommand.h"
#include "description/TextureNames.h"
#include "platform/StringPrimitives.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <map>
#include <set>
#include <utility>

namespace quib {
namespace {

bool Before(SourcePosition a, SourcePosition b) {
    return a.line != b.line ? a.line < b.line : a.column < b.column;
}

} // namespace

// ---- Texture indices -------------------------------------------------------------------------

TextureIndex::TextureIndex(const std::vector<std::string>& names) {
    distinct_ = DistinctTextureNames(names);
}

int32_t TextureIndex::Find(std::string_view name) const {
    for (size_t i = 0; i < distinct_.size(); ++i) {
        if (SameTextureName(distinct_[i], name)) {
            return static_cast<int32_t>(i);
        }
    }
    return -1;
}

const std::string* TextureIndex::Name(int32_t index) const {
    return index >= 0 && index < Count() ? &distinct_[static_cast<size_t>(index)] : nullptr;
}

bool IsModuleFileName(std::string_view fileName) {
    static constexpr std::array<std::string_view, 17> kExtensions = {
        ".mod", ".xm",  ".s3m", ".it",  ".mptm", ".mtm", ".669", ".med", ".okt",
        ".stm", ".ult", ".far", ".dbm", ".psm",  ".amf", ".dsm", ".umx"};
    const size_t dot = fileName.rfind('.');
    if (dot == std::string_view::npos) {
        return false;
    }
    const std::string extension = LowerAscii(fileName.substr(dot));
    return std::find(kExtensions.begin(), kExtensions.end(), extension) != kExtensions.end();
}

namespace {

constexpr auto kRaiseCommand = static_cast<int32_t>(PlayerCommand::RaiseEventFlag);

// ---- First pass ------------------------------------------------------------------------------
// Texture indices and event flag numbers depend on the order in which names first appear in
// the source, but TOML tables do not keep their keys in order: the names are gathered with
// their positions first and sorted.

struct NameUse {
    SourcePosition position;
    std::string name;
    bool raises = false; // for an event flag: a button raises it, rather than an effect waiting
};

struct FirstPass {
    std::vector<NameUse> textures;
    std::vector<NameUse> flagNames;
    std::set<int64_t> flagNumbers; // flags given as numbers; named flags avoid them
};

bool RaisesFlag(const toml::table& table) {
    const toml::node* command = table.get("command");
    if (command == nullptr) {
        return false;
    }
    if (const auto* name = command->as_string()) {
        return LookUpName(CommandNames(), name->get()) == uint32_t{kRaiseCommand};
    }
    const auto* number = command->as_integer();
    return number != nullptr && number->get() == kRaiseCommand;
}

void NoteFlag(const toml::node& node, bool raises, FirstPass& pass) {
    if (const auto* name = node.as_string()) {
        pass.flagNames.push_back({PositionOf(node), name->get(), raises});
    } else if (const auto* number = node.as_integer(); number != nullptr && number->get() >= 0) {
        pass.flagNumbers.insert(number->get());
    }
}

void Gather(const toml::node& node, FirstPass& pass) {
    if (const toml::table* table = node.as_table()) {
        for (const auto& [key, value] : *table) {
            if (key.str() == "texture" && value.is_string()) {
                pass.textures.push_back({PositionOf(value), value.as_string()->get()});
            } else if (key.str() == "eventFlag") {
                NoteFlag(value, false, pass);
            } else if (key.str() == "commandArgument" && RaisesFlag(*table)) {
                NoteFlag(value, true, pass);
            }
            Gather(value, pass);
        }
    } else if (const toml::array* array = node.as_array()) {
        for (const toml::node& item : *array) {
            Gather(item, pass);
        }
    }
}

struct Context {
    TextureIndex textures;
    std::map<std::string, int32_t> flags;
    std::vector<AnimationList>& animations;
    SourceMap& sourceMap;
    std::vector<DescriptionPlace>& songEnds;
};

// Notes where each key of a table (and of the tables inside it, as "outer.inner") was written.
void NoteFields(SourceMap& map, const DescriptionPlace& place, const toml::table& table,
                const std::string& prefix = {}) {
    map.Note(place, PositionOf(table));
    for (const auto& [key, value] : table) {
        const std::string field = prefix + std::string(key.str());
        map.Note(place.Field(field), PositionOf(value));
        if (const toml::table* inner = value.as_table()) {
            NoteFields(map, place, *inner, field + ".");
        }
    }
}

// ---- Field reader ----------------------------------------------------------------------------

class FieldReader {
public:
    FieldReader(SourceTable& table, Context& context) : table_(table), context_(context) {}

    void Float(std::string_view key, float& out, Presence presence = Presence::Optional) {
        table_.Float(key, out, presence == Presence::Required);
    }
    void Int(std::string_view key, int32_t& out) { table_.Int(key, out); }
    void Time(std::string_view key, int32_t& out) { table_.Time(key, out); }
    void Colour(std::string_view key, uint32_t& out, Alpha alpha = Alpha::Used) {
        table_.Colour(key, out, alpha);
    }
    void Switch(std::string_view key, uint8_t& out) { table_.Switch(key, out); }
    void Text(std::string_view key, std::string& out, Presence presence = Presence::Optional) {
        table_.Text(key, out, presence == Presence::Required);
    }
    void Flags(std::string_view key, uint32_t& out, std::span<const NamedValue> names) {
        table_.Flags(key, names, out);
    }
    void Command(std::string_view key, int32_t& out, Presence presence = Presence::Optional) {
        table_.Named(key, CommandNames(), "command", out, presence == Presence::Required);
    }

    void Texture(std::string_view key, int32_t& out, Presence presence) {
        const toml::node* node = table_.Take(key, presence == Presence::Required);
        if (node == nullptr) {
            return;
        }
        if (const auto* name = node->as_string()) {
            out = context_.textures.Find(name->get());
            return;
        }
        table_.ReadInt(*node, key, out);
    }

    void EventFlag(std::string_view key, int32_t& out) {
        if (const toml::node* node = table_.Take(key)) {
            ReadFlag(*node, key, out);
        }
    }

    void CommandArgument(std::string_view key, int32_t& out, int32_t command) {
        const toml::node* node = table_.Take(key);
        if (node == nullptr) {
            return;
        }
        if (node->is_string() && command != kRaiseCommand) {
            table_.Diagnostics().Error(PositionOf(*node),
                                       "`" + std::string(key) +
                                           "`: a name here is an event flag, and only the "
                                           "command \"raise\" takes one");
            return;
        }
        ReadFlag(*node, key, out);
    }

    template <class Record, class Read>
    void Nested(std::string_view key, Record& record, Presence presence, Read read) {
        const toml::node* node = table_.Take(key, presence == Presence::Required);
        if (node == nullptr) {
            return;
        }
        const toml::table* table = node->as_table();
        if (table == nullptr) {
            table_.Diagnostics().Error(PositionOf(*node),
                                       "`" + std::string(key) + "`: expected a table");
            return;
        }
        SourceTable inner(*table, table_.Diagnostics());
        FieldReader reader(inner, context_);
        read(reader, record);
        inner.ReportUnknownKeys("`" + std::string(key) + "`");
    }

    void Floats(std::string_view key, std::array<float, 3>& out) {
        if (const toml::array* items = Triple(key)) {
            for (size_t i = 0; i < 3; ++i) {
                table_.ReadFloat(*items->get(i), key, out[i]);
            }
        }
    }

    // The flowers' layer colours, whose alpha the flowers do not draw.
    void Colours(std::string_view key, std::array<uint32_t, 3>& out) {
        if (const toml::array* items = Triple(key)) {
            for (size_t i = 0; i < 3; ++i) {
                table_.ReadColour(*items->get(i), key, out[i], Alpha::Ignored);
            }
        }
    }

private:
    void ReadFlag(const toml::node& node, std::string_view key, int32_t& out) {
        if (const auto* name = node.as_string()) {
            out = context_.flags.at(name->get());
            return;
        }
        table_.ReadInt(node, key, out);
    }

    const toml::array* Triple(std::string_view key) {
        const toml::node* node = table_.Take(key);
        if (node == nullptr) {
            return nullptr;
        }
        const toml::array* items = node->as_array();
        if (items == nullptr || items->size() != 3) {
            table_.Diagnostics().Error(PositionOf(*node), "`" + std::string(key) +
                                                              "`: expected an array of three "
                                                              "values, one per flower");
            return nullptr;
        }
        return items;
    }

    SourceTable& table_;
    Context& context_;
};

// ---- Pages, groups, effects ------------------------------------------------------------------

template <size_t I = 0>
EffectBlock MakeBlock(size_t type) {
    if constexpr (I + 1 < std::variant_size_v<EffectBlock>) {
        if (type != I) {
            return MakeBlock<I + 1>(type);
        }
    }
    return EffectBlock(std::in_place_index<I>);
}

// An array of tables under `key`; null (and an error) when the key holds something else.
const toml::array* TableArray(SourceTable& table, std::string_view key) {
    const toml::node* node = table.Take(key);
    if (node == nullptr) {
        return nullptr;
    }
    const toml::array* array = node->as_array();
    if (array == nullptr || !array->is_array_of_tables()) {
        table.Diagnostics().Error(PositionOf(*node),
                                  "`" + std::string(key) + "`: expected an array of tables");
        return nullptr;
    }
    return array;
}

void ReadFrames(SourceTable& table, const AnimationEffectBlock& block, SourcePosition position,
                Context& context) {
    AnimationList list{{block.listName, position}, std::nullopt};
    if (const toml::node* node = table.Take("frames")) {
        const toml::array* names = node->as_array();
        if (names == nullptr) {
            table.Diagnostics().Error(PositionOf(*node),
                                      "`frames`: expected an array of file names");
            return;
        }
        list.frames.emplace();
        for (const toml::node& item : *names) {
            std::string name;
            if (!table.ReadText(item, "frames", name)) {
                continue;
            }
            // The player reads list lines into 80 bytes and splits lines at CR and LF.
            if (name.empty() || name.size() > 79 || name.find_first_of("\r\n") != name.npos) {
                table.Diagnostics().Error(PositionOf(item),
                                          "`frames`: a frame name must be 1 to 79 characters "
                                          "on one line");
                continue;
            }
            list.frames->push_back({name, PositionOf(item)});
        }
    }
    context.animations.push_back(std::move(list));
}

bool CompileEffect(const toml::table& source, Context& context, SourceDiagnostics& diagnostics,
                   EffectRecord& record, const DescriptionPlace& place) {
    SourceTable table(source, diagnostics);
    int32_t type = -1;
    if (!table.Named("type", EffectTypeNames(), "effect type", type, true)) {
        return false;
    }
    if (type < 0 || type >= kEffectTypeCount) {
        diagnostics.Error(PositionOf(*source.get("type")),
                          "`type`: " + std::to_string(type) + " is not an effect type (0..10)");
        return false;
    }
    const int errorsBefore = diagnostics.ErrorCount();
    record.block = MakeBlock(static_cast<size_t>(type));
    FieldReader reader(table, context);
    std::visit([&](auto& block) { SourceFields(reader, block); }, record.block);
    if (auto* animation = std::get_if<AnimationEffectBlock>(&record.block)) {
        ReadFrames(table, *animation, table.Position(), context);
    }
    table.ReportUnknownKeys(WithArticle(EffectTypeName(type)));
    NoteFields(context.sourceMap, place, source);
    return diagnostics.ErrorCount() == errorsBefore;
}

bool IsSongEnd(const toml::node& node) {
    const auto* text = node.as_string();
    return text != nullptr && text->get() == "end";
}

bool ReadIntervalTime(SourceTable& table, const toml::node& node, int32_t& out) {
    if (IsSongEnd(node)) {
        out = kSongEndUnknown;
        return true;
    }
    return table.ReadTime(node, "intervals", out);
}

void CompileGroup(const toml::table& source, Context& context, SourceDiagnostics& diagnostics,
                  GroupRecord& group, const DescriptionPlace& place) {
    SourceTable table(source, diagnostics);
    NoteFields(context.sourceMap, place, source);
    if (const toml::node* node = table.Take("intervals")) {
        const toml::array* intervals = node->as_array();
        if (intervals == nullptr) {
            diagnostics.Error(PositionOf(*node), "`intervals`: expected an array of [start, end]");
        } else {
            for (const toml::node& item : *intervals) {
                const toml::array* pair = item.as_array();
                if (pair == nullptr || pair->size() != 2) {
                    diagnostics.Error(PositionOf(item),
                                      "`intervals`: each interval is a pair [start, end]");
                    continue;
                }
                const DescriptionPlace at = place.Interval(group.intervals.size());
                IntervalRecord interval;
                const bool start = ReadIntervalTime(table, *pair->get(0), interval.start);
                if (ReadIntervalTime(table, *pair->get(1), interval.end) && start) {
                    context.sourceMap.Note(at, PositionOf(item));
                    static constexpr std::array<const char*, 2> kEnds = {"start", "end"};
                    for (size_t i = 0; i < kEnds.size(); ++i) {
                        const toml::node& end = *pair->get(i);
                        context.sourceMap.Note(at.Field(kEnds[i]), PositionOf(end));
                        if (IsSongEnd(end)) {
                            context.songEnds.push_back(at.Field(kEnds[i]));
                        }
                    }
                    group.intervals.push_back(interval);
                }
            }
        }
    }
    if (const toml::array* effects = TableArray(table, "effects")) {
        for (const toml::node& effect : *effects) {
            EffectRecord record;
            if (CompileEffect(*effect.as_table(), context, diagnostics, record,
                              place.Effect(group.effects.size()))) {
                group.effects.push_back(std::move(record));
            }
        }
    }
    table.ReportUnknownKeys("a group");
}

void CompilePage(const toml::node& node, Context& context, SourceDiagnostics& diagnostics,
                 PageRecord& page, size_t index) {
    const toml::table* source = node.as_table();
    if (source == nullptr) {
        diagnostics.Error(PositionOf(node), "a page must be a table");
        return;
    }
    SourceTable table(*source, diagnostics);
    const DescriptionPlace place = DescriptionPlace::Page(index);
    context.sourceMap.Note(place, PositionOf(*source));
    if (const toml::array* groups = TableArray(table, "groups")) {
        for (const toml::node& group : *groups) {
            page.groups.emplace_back();
            CompileGroup(*group.as_table(), context, diagnostics, page.groups.back(),
                         place.Group(page.groups.size() - 1));
        }
    }
    table.ReportUnknownKeys("a page");
}

// ---- Songs and the header --------------------------------------------------------------------

std::string DefaultDiskName(const std::string& fileName) {
    std::string name = fileName.substr(fileName.find_last_of('/') + 1);
    if (name.size() > 5 && name.ends_with(".toml")) {
        name.resize(name.size() - 5);
    }
    return name;
}

void CompileHeader(SourceTable& table, CompiledDisk& disk) {
    DescriptionHeader& header = disk.model.header;
    header.allowToggle = 1;
    header.aspect = 16.0f / 9.0f;
    disk.name = DefaultDiskName(table.Diagnostics().FileName());
    if (const toml::node* node = table.Take("name");
        node != nullptr && table.ReadText(*node, "name", disk.name)) {
        if (disk.name.empty() || disk.name.find_first_of("/\\") != std::string::npos) {
            table.Diagnostics().Error(PositionOf(*node),
                                      "`name`: the disk's name is a file name without folders");
        }
    }
    table.Text("title", header.title);
    table.Switch("windowed", header.windowed);
    table.Switch("allowToggle", header.allowToggle);
    if (const toml::node* node = table.Take("aspect")) {
        if (const auto* ratio = node->as_string()) {
            const std::string& text = ratio->get();
            const char* end = text.data() + text.size();
            double width = 0;
            double height = 0;
            const auto first = std::from_chars(text.data(), end, width);
            const bool colon = first.ec == std::errc() && first.ptr != end && *first.ptr == ':';
            const auto second = colon ? std::from_chars(first.ptr + 1, end, height)
                                      : std::from_chars_result{end, std::errc::invalid_argument};
            if (second.ec != std::errc() || second.ptr != end || !(width > 0) || !(height > 0)) {
                table.Diagnostics().Error(PositionOf(*node),
                                          "`aspect`: expected a number or a ratio \"W:H\"");
            } else {
                header.aspect = static_cast<float>(width / height);
            }
        } else {
            table.ReadFloat(*node, "aspect", header.aspect);
        }
    }
    table.Int("windowHeight", header.windowHeight);
}

void CompileSong(const toml::table& source, Context& context, SourceDiagnostics& diagnostics,
                 CompiledDisk& disk, std::map<size_t, PageRecord>& pages) {
    SourceTable table(source, diagnostics);
    SongRecord song;
    if (!table.Text("file", song.fileName, true)) {
        return;
    }
    song.title = song.fileName;
    table.Text("title", song.title);
    song.isStream = IsModuleFileName(song.fileName) ? 0 : 1;
    table.Switch("isStream", song.isStream);
    if (const toml::node* flags = table.Take("moduleFlags")) {
        if (song.isStream != 0) {
            diagnostics.Error(PositionOf(*flags),
                              "`moduleFlags`: a sampled stream has no module flags");
        }
    }
    table.Flags("moduleFlags", ModuleFlagNames(), song.bassFlags);
    if (song.isStream != 0) {
        song.bassFlags = 0;
    }
    const size_t index = disk.model.songs.size();
    if (const toml::node* page = table.Take("page")) {
        CompilePage(*page, context, diagnostics, pages[2 + index], 2 + index);
    }
    table.ReportUnknownKeys("a song");
    NoteFields(context.sourceMap, DescriptionPlace::Song(index), source);
    disk.songs.push_back({song.fileName, PositionOf(*source.get("file"))});
    disk.model.songs.push_back(std::move(song));
}

void AssignTextures(SourceTable& table, FirstPass& pass, CompiledDisk& disk) {
    if (const toml::node* node = table.Take("textures")) {
        if (const toml::array* names = node->as_array()) {
            for (const toml::node& item : *names) {
                std::string name;
                if (table.ReadText(item, "textures", name)) {
                    disk.textures.push_back({name, PositionOf(item)});
                }
            }
        } else {
            table.Diagnostics().Error(PositionOf(*node),
                                      "`textures`: expected an array of file names");
        }
    }
    std::stable_sort(
        pass.textures.begin(), pass.textures.end(),
        [](const NameUse& a, const NameUse& b) { return Before(a.position, b.position); });
    std::set<std::string> known;
    for (const SourceFile& file : disk.textures) {
        known.insert(TextureNameKey(file.name));
    }
    for (const NameUse& use : pass.textures) {
        if (known.insert(TextureNameKey(use.name)).second) {
            disk.textures.push_back({use.name, use.position});
        }
    }
    for (const SourceFile& file : disk.textures) {
        disk.model.textures.push_back(file.name);
    }
}

// `flags = { name = number, ... }` gives names fixed numbers (qdp dump writes it, so that a
// disk's flags come back with the numbers they had); other names avoid those numbers.
std::map<std::string, int32_t> DeclaredFlags(SourceTable& table, FirstPass& pass,
                                             SourceDiagnostics& diagnostics) {
    std::map<std::string, int32_t> declared;
    const toml::node* node = table.Take("flags");
    if (node == nullptr) {
        return declared;
    }
    const toml::table* flags = node->as_table();
    if (flags == nullptr) {
        diagnostics.Error(PositionOf(*node),
                          "`flags`: expected names with their numbers, such as { about = 0 }");
        return declared;
    }
    std::map<int64_t, std::string> byNumber;
    for (const auto& [key, value] : *flags) {
        const std::string name(key.str());
        const auto* number = value.as_integer();
        if (number == nullptr || number->get() < 0 || number->get() >= kMaxEventFlags) {
            diagnostics.Error(PositionOf(value), "`flags`: \"" + name +
                                                     "\" needs a flag number from 0 to " +
                                                     std::to_string(kMaxEventFlags - 1));
        } else if (const auto [other, added] = byNumber.emplace(number->get(), name); !added) {
            diagnostics.Error(PositionOf(value), "`flags`: \"" + name + "\" and \"" +
                                                     other->second + "\" have the same number");
        } else {
            declared[name] = static_cast<int32_t>(number->get());
            pass.flagNumbers.insert(number->get());
        }
    }
    return declared;
}

std::map<std::string, int32_t> AssignFlags(FirstPass& pass, std::map<std::string, int32_t> flags) {
    std::stable_sort(
        pass.flagNames.begin(), pass.flagNames.end(),
        [](const NameUse& a, const NameUse& b) { return Before(a.position, b.position); });
    int32_t next = 0;
    for (const NameUse& use : pass.flagNames) {
        if (flags.contains(use.name)) {
            continue;
        }
        while (pass.flagNumbers.contains(next)) {
            ++next;
        }
        flags[use.name] = next++;
    }
    return flags;
}

// ---- Syntax errors ---------------------------------------------------------------------------
// The TOML parser words its errors for people who know the grammar; the two slips a newcomer
// makes most are said here in plain words.

// The bytes of a 1-based line, and the byte offset of a 1-based column counted in code points.
std::pair<std::string_view, size_t> LineAt(std::string_view text, SourcePosition position) {
    size_t begin = 0;
    for (int line = 1; line < position.line && begin != std::string_view::npos; ++line) {
        begin = text.find('\n', begin);
        begin = begin == std::string_view::npos ? begin : begin + 1;
    }
    if (begin == std::string_view::npos) {
        return {{}, 0};
    }
    const std::string_view line = text.substr(begin, text.find('\n', begin) - begin);
    size_t offset = 0;
    for (int column = 1; column < position.column && offset < line.size(); ++column) {
        do {
            ++offset;
        } while (offset < line.size() && (static_cast<uint8_t>(line[offset]) & 0xC0) == 0x80);
    }
    return {line, offset};
}

// Columns count code points: every byte but the continuation bytes of UTF-8.
int CodePoints(std::string_view bytes) {
    return static_cast<int>(std::count_if(bytes.begin(), bytes.end(), [](char c) {
        return (static_cast<uint8_t>(c) & 0xC0) != 0x80;
    }));
}

// The offset of the quote that opens a string still open at the end of the line, or npos.
size_t OpenStringAt(std::string_view line) {
    size_t opening = std::string_view::npos;
    for (size_t i = 0; i < line.size(); ++i) {
        if (opening == std::string_view::npos) {
            if (line[i] == '#') {
                break;
            }
            opening = line[i] == '"' || line[i] == '\'' ? i : opening;
        } else if (line[i] == line[opening]) {
            opening = std::string_view::npos;
        } else if (line[i] == '\\' && line[opening] == '"') {
            ++i;
        }
    }
    return opening;
}

void ReportSyntaxError(const toml::parse_error& error, std::string_view text,
                       SourceDiagnostics& diagnostics) {
    const std::string_view description = error.description();
    SourcePosition position{static_cast<int>(error.source().begin.line),
                            static_cast<int>(error.source().begin.column)};
    const auto [line, offset] = LineAt(text, position);
    // The word around the error, as far as the delimiters of a value.
    const size_t start = line.find_last_of(" \t=[,{", offset == 0 ? 0 : offset - 1) + 1;
    const std::string_view word =
        line.substr(start, line.find_first_of(" \t,]}#\r", start) - start);
    std::string unused;
    const bool clockTime = ParseClockTime(word, unused).has_value();
    if (description.starts_with("Error while parsing time") || clockTime) {
        const std::string time = clockTime ? std::string(word) : "0:20";
        position.column -= CodePoints(line.substr(start, offset - std::min(start, offset)));
        diagnostics.Error(position, "a time such as " + time + " must be written in quotes: \"" +
                                        time + "\"");
        return;
    }
    const bool inString = description.starts_with("Error while parsing string") ||
                          description.starts_with("Error while parsing literal string");
    const bool atFileEnd = description.ends_with("end-of-file");
    if (inString && (atFileEnd || offset >= line.size() || line[offset] == '\r')) {
        // Point at the quote that opened the string, when it is on this line.
        const size_t opening = OpenStringAt(line);
        const char quote = opening != std::string_view::npos ? line[opening] : '"';
        if (opening != std::string_view::npos) {
            position.column -= CodePoints(line.substr(opening, offset - opening));
        }
        diagnostics.Error(position, std::string("string not closed before the end of the ") +
                                        (atFileEnd ? "file" : "line") + ": end it with " + quote +
                                        " (text of several lines goes between " +
                                        std::string(3, quote) + ")");
        return;
    }
    // The parser quotes what it saw, line breaks included; keep the message on one line.
    std::string message;
    for (char c : description) {
        message += c == '\n' ? std::string("\\n") : std::string(1, c);
    }
    diagnostics.Error(position, message);
}

// A flag name that is only raised, or only waited on, is most likely a misspelling when a name
// close to it is used the other way. One warning per pair, at the later use: the one more likely
// misspelt.
void WarnOfMisspeltFlags(const std::vector<NameUse>& uses, SourceDiagnostics& diagnostics) {
    std::set<std::string_view> raised;
    std::set<std::string_view> waited;
    for (const NameUse& use : uses) {
        (use.raises ? raised : waited).insert(use.name);
    }
    std::set<std::string_view> reported;
    for (auto later = uses.rbegin(); later != uses.rend(); ++later) {
        const NameUse& use = *later;
        const std::set<std::string_view>& other = use.raises ? waited : raised;
        if (other.contains(use.name) || !reported.insert(use.name).second) {
            continue;
        }
        const std::string_view nearest =
            NearestName(use.name, std::vector<std::string_view>(other.begin(), other.end()));
        if (!nearest.empty()) {
            reported.insert(nearest);
            diagnostics.Warning(use.position, "event flag \"" + use.name + "\" is " +
                                                  (use.raises ? "raised but nothing waits on it"
                                                              : "waited on but nothing raises it") +
                                                  "; did you mean \"" + std::string(nearest) +
                                                  "\"?");
        }
    }
}

} // namespace

CompiledDisk CompileSource(std::string_view text, const std::string& fileName,
                           SourceDiagnostics& diagnostics) {
    CompiledDisk disk;
    toml::table root;
    try {
        root = toml::parse(text, std::string_view(fileName));
    } catch (const toml::parse_error& error) {
        ReportSyntaxError(error, text, diagnostics);
        return disk;
    }

    FirstPass pass;
    Gather(root, pass);
    SourceTable table(root, diagnostics);
    CompileHeader(table, disk);
    AssignTextures(table, pass, disk);
    Context context{TextureIndex(disk.model.textures),
                    AssignFlags(pass, DeclaredFlags(table, pass, diagnostics)), disk.animations,
                    disk.sourceMap, disk.songEnds};
    NoteFields(disk.sourceMap, DescriptionPlace::Header(), root);
    for (const SourceFile& texture : disk.textures) {
        disk.sourceMap.Note(
            DescriptionPlace::Texture(static_cast<size_t>(context.textures.Find(texture.name))),
            texture.position);
    }
    for (const auto& [name, flag] : context.flags) {
        disk.flagNames[flag] = name;
    }
    WarnOfMisspeltFlags(pass.flagNames, diagnostics);

    std::map<size_t, PageRecord> pages;
    if (const toml::array* songs = TableArray(table, "songs")) {
        for (const toml::node& song : *songs) {
            CompileSong(*song.as_table(), context, diagnostics, disk, pages);
        }
    }
    static constexpr std::array<std::string_view, 2> kFixedPages = {"intro", "overlay"};
    for (size_t i = 0; i < kFixedPages.size(); ++i) {
        if (const toml::node* page = table.Take(kFixedPages[i])) {
            CompilePage(*page, context, diagnostics, pages[i], i);
        }
    }
    if (const toml::array* extra = TableArray(table, "pages")) {
        for (size_t i = 0; i < extra->size(); ++i) {
            const size_t index = 2 + disk.model.songs.size() + i;
            CompilePage(*extra->get(i), context, diagnostics, pages[index], index);
        }
    }
    table.ReportUnknownKeys("the disk header");

    // Pages that are left out below the last one given are stored empty.
    if (!pages.empty()) {
        disk.model.pages.resize(pages.rbegin()->first + 1);
        for (auto& [index, page] : pages) {
            disk.model.pages[index] = std::move(page);
        }
    }
    return disk;
}

} // namespace quib
