// qdp check: loads a disk as the player does and reports what would fail or draw nothing.
#include "Command.h"
#include "DiskChecker.h"
#include "DiskInput.h"

#include <cinttypes>
#include <cstdio>
#include <string_view>

namespace quib::qdp {
namespace {

std::string JsonString(std::string_view text) {
    std::string out = "\"";
    for (unsigned char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", c);
            out += escape;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

const char* SeverityName(CheckFinding::Severity severity) {
    return severity == CheckFinding::Severity::Error ? "error" : "warning";
}

int RunCheck(const Command& self, std::span<char* const> args) {
    bool json = false;
    const char* path = nullptr;
    for (char* arg : args) {
        if (std::string_view(arg) == "--json") {
            json = true;
        } else if (arg[0] == '-' && arg[1] != 0) {
            return UsageError(self, "unknown option '%s'", arg);
        } else if (path == nullptr) {
            path = arg;
        } else {
            return UsageError(self, "too many arguments");
        }
    }
    if (path == nullptr) {
        return UsageError(self, "a disk is needed");
    }
    DiskInput disk;
    if (!OpenDiskInput(self, path, disk)) {
        return kExitFailure;
    }
    std::vector<CheckFinding> findings;
    const ParsedDescription parsed = ParseDescription(disk.description);
    if (parsed.error) {
        CheckFinding& refused = findings.emplace_back();
        refused.severity = CheckFinding::Severity::Error;
        refused.where = std::string(disk.isArchive ? kDescriptionEntry : "description") +
                        " at byte " + std::to_string(parsed.error->offset);
        refused.message = "the player refuses the disk: expected " + parsed.error->expected;
    } else {
        DiskChecker checker(
            parsed.model,
            BuiltDiskFiles(disk.isArchive ? &disk.archive.archive : nullptr, disk.musicFolder));
        findings = checker.Run();
        for (size_t n = 0; n < parsed.model.songs.size() && !json; ++n) {
            const SongFile& song = checker.Songs()[n];
            if (song.plays) {
                std::printf(
                    "%s: song %zu \"%s\": %s%s\n", path, n, parsed.model.songs[n].title.c_str(),
                    song.frames > 0 ? FormatSongLength(song.frames).c_str() : "length unknown",
                    song.loops ? ", looping forever" : "");
            }
        }
    }

    int errors = 0;
    for (const CheckFinding& finding : findings) {
        errors += finding.severity == CheckFinding::Severity::Error ? 1 : 0;
    }
    const int warnings = static_cast<int>(findings.size()) - errors;
    if (json) {
        std::printf("[");
        for (size_t i = 0; i < findings.size(); ++i) {
            std::printf("%s\n  {\"severity\": \"%s\", \"where\": %s, \"message\": %s}",
                        i > 0 ? "," : "", SeverityName(findings[i].severity),
                        JsonString(findings[i].where).c_str(),
                        JsonString(findings[i].message).c_str());
        }
        std::printf("%s]\n", findings.empty() ? "" : "\n");
    } else {
        for (const CheckFinding& finding : findings) {
            std::printf("%s: %s: %s: %s\n", path, SeverityName(finding.severity),
                        finding.where.c_str(), finding.message.c_str());
        }
        std::printf("%s: %d error%s, %d warning%s\n", path, errors, errors == 1 ? "" : "s",
                    warnings, warnings == 1 ? "" : "s");
    }
    return errors > 0 ? kExitFailure : kExitOk;
}

} // namespace

extern const Command commandCheck = {
    "check",
    "report what in a disk would fail or silently draw nothing",
    "usage: qdp check [--json] DISK\n"
    "\n"
    "Loads DISK (a .qdp archive with its songs in music/ beside it, or a bare musicdisk.cfg)\n"
    "as the player does, lists each song's length and reports each finding with its severity\n"
    "and place: songs missing or not decodable, images that do not decode and the texture\n"
    "indices they shift, indices past the end, rectangles off screen, intervals that start\n"
    "after they end or last less than a frame, groups without intervals, fades longer than\n"
    "their interval or that begin after their song has ended, an intro longer than the first\n"
    "song, a disk without songs, event flags raised but never waited on (and the reverse),\n"
    "sliders as wide as their knob, a clip level of 0, too few bands for the plasma or the\n"
    "flowers, a frame duration or scroll speed of 0. `qdp build` runs the same checks.\n"
    "--json prints the findings as a JSON array of {severity, where, message} objects.\n"
    "The exit status is 1 when there is an error, else 0.\n",
    RunCheck,
};

} // namespace quib::qdp
