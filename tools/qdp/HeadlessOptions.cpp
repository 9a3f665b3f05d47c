// The options of the commands that run a disk headless: its size, first song and input.
#include "HeadlessOptions.h"

#include "CommandLine.h"
#include "DiskInput.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

namespace quib::qdp {

namespace {

// The song to start with: a number of the disk's playlist. An unreadable description is left
// for the run to refuse.
int ParseSong(const Command& self, const char* disk, const char* text, int32_t& song) {
    uint64_t number = 0;
    if (!ParseUnsigned(text, number) || number > INT32_MAX) {
        return UsageError(self, "--song needs a song number from 0, not \"%s\"", text);
    }
    song = static_cast<int32_t>(number);
    DiskInput input;
    if (!OpenDiskInput(self, disk, input)) {
        return kExitFailure;
    }
    const ParsedDescription parsed = ParseDescription(input.description);
    const size_t songs = parsed.model.songs.size();
    if (!parsed.error && static_cast<size_t>(song) >= songs) {
        return UsageError(self, "--song %d: %s has %zu song%s, numbered from 0", song, disk, songs,
                          songs == 1 ? "" : "s");
    }
    return kExitOk;
}

} // namespace

int ApplyHeadlessOptions(const Command& self, const char* disk, const HeadlessOptions& options,
                         HeadlessRunRequest& request) {
    if (options.size != nullptr && !ParseSize(options.size, request.width, request.height)) {
        return UsageError(self, "--size needs WIDTHxHEIGHT, not \"%s\"", options.size);
    }
    if (options.song != nullptr) {
        if (const int status = ParseSong(self, disk, options.song, request.firstSong)) {
            return status;
        }
    }
    if (options.events != nullptr) {
        std::ifstream in(options.events, std::ios::binary);
        if (!in) {
            return Failure(self, "%s: cannot open: %s", options.events, std::strerror(errno));
        }
        std::ostringstream text;
        text << in.rdbuf();
        std::string error;
        if (!ParseRenderEvents(text.str(), request.events, error)) {
            return Failure(self, "%s: %s", options.events, error.c_str());
        }
    }
    return kExitOk;
}

void WarnMissingSongs(const Command& self, const char* disk,
                      const std::vector<MissingSong>& songs) {
    for (const MissingSong& song : songs) {
        std::fprintf(stderr,
                     "qdp %s: %s: warning: song %d \"%s\": %s is not found; the player "
                     "skips the song\n",
                     self.name, disk, song.index, song.title.c_str(), song.path.c_str());
    }
}

} // namespace quib::qdp
