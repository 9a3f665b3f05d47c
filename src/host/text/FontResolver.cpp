// fontconfig lookups of face names.
#include "host/text/FontResolver.h"

#include "platform/TextDecoding.h"

#include <fontconfig/fontconfig.h>
#include <memory>

namespace quib {

namespace {

struct PatternDeleter {
    void operator()(FcPattern* pattern) const { FcPatternDestroy(pattern); }
};
using Pattern = std::unique_ptr<FcPattern, PatternDeleter>;

// A request for a family and style, with the configuration's substitutions applied: its family
// list then holds the name, the stand-ins configured for it, and the general defaults.
Pattern Request(FcConfig* config, const std::string& face, bool bold, bool italic) {
    // Built field by field rather than parsed, so that a face name with ':' or '-' stays a name.
    Pattern request(FcPatternCreate());
    if (request) {
        FcPatternAddString(request.get(), FC_FAMILY,
                           reinterpret_cast<const FcChar8*>(face.c_str()));
        FcPatternAddInteger(request.get(), FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
        FcPatternAddInteger(request.get(), FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
        FcPatternAddBool(request.get(), FC_SCALABLE, FcTrue);
        FcConfigSubstitute(config, request.get(), FcMatchPattern);
        FcDefaultSubstitute(request.get());
    }
    return request;
}

std::vector<std::string> Families(FcPattern* pattern, int first) {
    std::vector<std::string> families;
    FcChar8* family = nullptr;
    for (int i = first; FcPatternGetString(pattern, FC_FAMILY, i, &family) == FcResultMatch; ++i) {
        families.emplace_back(reinterpret_cast<const char*>(family));
    }
    return families;
}

bool SameFamily(const std::string& a, const std::string& b) {
    return FcStrCmpIgnoreCase(reinterpret_cast<const FcChar8*>(a.c_str()),
                              reinterpret_cast<const FcChar8*>(b.c_str())) == 0;
}

} // namespace

void FontResolver::ConfigDeleter::operator()(FcConfig* config) const {
    FcConfigDestroy(config);
}

FontResolver::FontResolver() : config(FcInitLoadConfigAndFonts()) {}

FontResolver::~FontResolver() = default;

bool FontResolver::IsDefaultFamily(const std::string& family) {
    if (!defaultFamilies) {
        // A name no font carries, so that its list is nothing but the defaults.
        const Pattern unknown = Request(config.get(), "quib unknown face \x01", false, false);
        defaultFamilies = unknown ? Families(unknown.get(), 1) : std::vector<std::string>{};
    }
    for (const std::string& known : *defaultFamilies) {
        if (SameFamily(known, family)) {
            return true;
        }
    }
    return false;
}

std::optional<ResolvedFont> FontResolver::Resolve(const std::string& face, bool bold, bool italic) {
    if (!config) {
        return std::nullopt;
    }
    const auto key = std::make_tuple(face, bold, italic);
    if (const auto known = answers.find(key); known != answers.end()) {
        return known->second;
    }
    std::optional<ResolvedFont> answer;
    // Face names are description text: UTF-8 when valid, else Windows-1252.
    const Pattern request = Request(config.get(), DecodeTextToUtf8(face), bold, italic);
    FcResult result = FcResultNoMatch;
    const Pattern match(request ? FcFontMatch(config.get(), request.get(), &result) : nullptr);
    FcChar8* file = nullptr;
    if (match && FcPatternGetString(match.get(), FC_FILE, 0, &file) == FcResultMatch) {
        ResolvedFont font;
        font.file = reinterpret_cast<const char*>(file);
        FcPatternGetInteger(match.get(), FC_INDEX, 0, &font.index);
        const std::vector<std::string> matched = Families(match.get(), 0);
        font.family = matched.empty() ? std::string() : matched.front();
        // Found when the match carries the name itself or a family the configuration lists
        // for this name but not for any unknown name ("Liberation Sans" for "Arial").
        const std::vector<std::string> asked = Families(request.get(), 0);
        for (std::size_t i = 0; i < asked.size() && !font.nameFound; ++i) {
            if (i > 0 && IsDefaultFamily(asked[i])) {
                continue;
            }
            for (const std::string& family : matched) {
                font.nameFound = font.nameFound || SameFamily(asked[i], family);
            }
        }
        answer = std::move(font);
    }
    answers.emplace(key, answer);
    return answer;
}

} // namespace quib
