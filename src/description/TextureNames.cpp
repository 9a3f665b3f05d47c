// The texture list's naming rule, shared by the player's texture store and the tools.
#include "description/TextureNames.h"

#include "platform/StringPrimitives.h"

#include <set>

namespace quib {

bool SameTextureName(std::string_view a, std::string_view b) {
    return EqualIgnoringCase(a, b);
}

std::string TextureNameKey(std::string_view name) {
    return LowerAscii(name);
}

std::vector<std::string> DistinctTextureNames(const std::vector<std::string>& names) {
    std::vector<std::string> distinct;
    std::set<std::string> seen;
    for (const std::string& name : names) {
        if (seen.insert(TextureNameKey(name)).second) {
            distinct.push_back(name);
        }
    }
    return distinct;
}

} // namespace quib
