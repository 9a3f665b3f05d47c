// The user-visible error report: a message box where a display exists, standard error always.
#pragma once

#include <string>

namespace quib {

// Writes "caption: text" to standard error, then shows a modal box with an OK button when a
// display can be reached (it returns once the box is closed). UTF-8.
void ShowMessageBox(const std::string& caption, const std::string& text);

} // namespace quib
