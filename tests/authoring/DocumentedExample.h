// The complete example of docs/disk-format.md: the first TOML block of the page.
#pragma once

#include <fstream>
#include <sstream>
#include <string>

namespace quib::test {

inline std::string DocumentedExample() {
    std::ifstream file(QUIB_SOURCE_DIR "/docs/disk-format.md");
    std::stringstream text;
    text << file.rdbuf();
    const std::string document = text.str();
    const size_t begin = document.find("```toml\n");
    const size_t end = document.find("```\n", begin + 8);
    return begin == std::string::npos ? std::string() : document.substr(begin + 8, end - begin - 8);
}

} // namespace quib::test
