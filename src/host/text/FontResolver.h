// Finds the font file for a face name and style through the system's font configuration.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

// fontconfig's configuration (FcConfig).
struct _FcConfig;

namespace quib {

// The font file that a face name and style resolve to (internal to host/text).
struct ResolvedFont {
    std::string file;
    int index = 0;          // face index inside a collection file
    std::string family;     // the family of the file found
    bool nameFound = false; // the name itself, or a stand-in configured for it, was found
};

// Resolves face names through fontconfig, remembering each answer. Each resolver loads a
// configuration of its own and destroys it, leaving the library's default one alone: other
// libraries of the process use that (the window's decorations drawn through cairo on Wayland),
// and finishing the library under them aborts the exit.
class FontResolver {
public:
    FontResolver();
    ~FontResolver();
    FontResolver(const FontResolver&) = delete;
    FontResolver& operator=(const FontResolver&) = delete;

    bool IsReady() const { return config != nullptr; }

    // The best installed font for a face name and style: the name or its configured stand-ins
    // when installed, else the configuration's default for an unknown name (a sans face).
    std::optional<ResolvedFont> Resolve(const std::string& face, bool bold, bool italic);

private:
    bool IsDefaultFamily(const std::string& family);

    struct ConfigDeleter {
        void operator()(_FcConfig* config) const;
    };
    std::unique_ptr<_FcConfig, ConfigDeleter> config;
    // The families the configuration offers for any unknown name, found on first use.
    std::optional<std::vector<std::string>> defaultFamilies;
    std::map<std::tuple<std::string, bool, bool>, std::optional<ResolvedFont>> answers;
};

} // namespace quib
