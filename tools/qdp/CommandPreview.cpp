// qdp preview: plays a disk straight from its TOML source in a window, rebuilding it whenever
// the source or a file it names changes.
#include "Command.h"
#include "DiskPreview.h"
#include "app/AppHostDesktop.h"
#include "app/MusicDiskApp.h"

#include <filesystem>
#include <string_view>
#include <vector>

namespace quib::qdp {
namespace {

namespace fs = std::filesystem;

int RunPreview(const Command& self, std::span<char* const> args) {
    const char* source = nullptr;
    std::vector<fs::path> assets;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string_view arg = args[i];
        if (arg == "--assets") {
            if (i + 1 == args.size()) {
                return UsageError(self, "--assets needs a folder");
            }
            assets.emplace_back(args[++i]);
        } else if (arg.size() > 1 && arg[0] == '-') {
            return UsageError(self, "unknown option %s", args[i]);
        } else if (source == nullptr) {
            source = args[i];
        } else {
            return UsageError(self, "too many arguments");
        }
    }
    if (source == nullptr) {
        return UsageError(self, "a source file is needed");
    }
    if (const int status = CheckAssetFolders(self, assets)) {
        return status;
    }
    // The preview goes before the application, which it drives until it is destroyed.
    DiskPreview preview(self, source, std::move(assets));
    AppHostDesktop host;
    MusicDiskApp app(host);
    if (!preview.Start(app)) {
        return Failure(self, "%s: nothing to play", source);
    }
    return app.Run();
}

} // namespace

extern const Command commandPreview = {
    "preview",
    "play a disk from its TOML source, rebuilt whenever a file changes",
    "usage: qdp preview SOURCE.toml [--assets DIR]...\n"
    "\n"
    "Builds SOURCE.toml in memory as `qdp build` builds it (files from each --assets folder,\n"
    "then beside SOURCE.toml, songs last in music/ beside it) and plays the disk in a window\n"
    "as quib plays it. The source and every file it names are looked at five times a second:\n"
    "when one changes, the disk is built again and its pages and pictures are swapped in\n"
    "while the music plays on at the same song and position. When the playlist changes, or a\n"
    "song's file, the songs are loaded again and the song at the same place in the list (the\n"
    "first when the list got shorter) plays from its start.\n"
    "\n"
    "A build with errors leaves the last good disk playing: the findings are printed as\n"
    "`qdp build` prints them (file:line:column) and the first error is drawn over the disk\n"
    "until a later build is good. Each swap prints the time from seeing the change to\n"
    "showing the new disk.\n"
    "A source with errors at the start has nothing to play: qdp preview then exits with 1.\n"
    "\n"
    "Keys:\n"
    "  F5                 build again now\n"
    "  Ctrl+Left          the previous song\n"
    "  Ctrl+Right         the next song\n"
    "  Alt+Enter          window or full screen (when the disk allows it)\n"
    "  Escape, Alt+F4     quit\n",
    RunPreview,
};

} // namespace quib::qdp
