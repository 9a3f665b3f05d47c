// The texture list's naming rule, shared by the player's texture store and the tools.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quib {

// Two names are the same texture when they are equal ignoring ASCII case; the first spelling
// of each distinct name takes the next index, and a repeated name takes none.
bool SameTextureName(std::string_view a, std::string_view b);
// The key under which names are the same texture exactly when their keys are equal.
std::string TextureNameKey(std::string_view name);
// The distinct names in list order, each in its first spelling.
std::vector<std::string> DistinctTextureNames(const std::vector<std::string>& names);

} // namespace quib
