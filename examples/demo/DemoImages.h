// The demo disk's pictures, drawn by a program.
#pragma once

#include <string>

namespace quib {

inline constexpr int kSpinnerFrames = 12;

// Writes every picture of the demo disk under `folder` (into its existing subfolders images/,
// buttons/ and anim/). False, with a message on stderr, when one could not be written.
bool MakeDemoImages(const std::string& folder);

} // namespace quib
