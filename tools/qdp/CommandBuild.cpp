// qdp build: compiles a disk's TOML source and packs NAME.qdp, with the songs beside it.
//
// Sections: arguments; packing the archive; copying the songs. The compiling, the finding of
// the files the source names and the checking are SourceBuild's.
#include "Command.h"
#include "ProgressBar.h"
#include "SourceBuild.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

namespace quib::qdp {
namespace {

namespace fs = std::filesystem;

// ---- Arguments -------------------------------------------------------------------------------

struct BuildArguments {
    const char* source = nullptr;
    const char* output = nullptr;
    std::vector<fs::path> assets;
    bool werror = false;
};

const char* ParseBuild(std::span<char* const> args, BuildArguments& parsed) {
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string_view arg = args[i];
        if (arg == "-o" || arg == "--output" || arg == "--assets") {
            if (i + 1 == args.size()) {
                return arg == "--assets" ? "--assets needs a folder" : "-o needs a folder";
            }
            if (arg == "--assets") {
                parsed.assets.emplace_back(args[++i]);
            } else {
                parsed.output = args[++i];
            }
        } else if (arg == "--werror") {
            parsed.werror = true;
        } else if (arg.size() > 1 && arg[0] == '-') {
            return "unknown option";
        } else if (parsed.source == nullptr) {
            parsed.source = args[i];
        } else {
            return "too many arguments";
        }
    }
    if (parsed.source == nullptr) {
        return "a source file is needed";
    }
    if (parsed.output == nullptr) {
        return "an output folder is needed (-o DIR)";
    }
    return nullptr;
}

// ---- Packing ---------------------------------------------------------------------------------

// The archive is written beside the target and renamed over it once whole.
bool Pack(const Command& self, const fs::path& target, const SourceBuild& build,
          ProgressBar& progress) {
    const fs::path temporary = target.string() + ".part";
    bool ok = WriteArchive(self, temporary.string(), build, progress);
    std::error_code error;
    if (ok) {
        fs::rename(temporary, target, error);
        if (error) {
            Failure(self, "%s: cannot write: %s", target.c_str(), error.message().c_str());
            ok = false;
        }
    }
    if (!ok) {
        fs::remove(temporary, error);
    }
    return ok;
}

// ---- Songs -----------------------------------------------------------------------------------

bool CopySongs(const Command& self, const std::vector<std::pair<std::string, fs::path>>& songs,
               const fs::path& musicFolder, ProgressBar& progress) {
    for (const auto& [name, file] : songs) {
        const fs::path target = musicFolder / name;
        std::error_code error;
        fs::create_directories(target.parent_path(), error);
        // A song found in music/ beside the source is already in place when OUT_DIR is there.
        const bool inPlace =
            !error && fs::exists(target, error) && fs::equivalent(file, target, error);
        if (!error && !inPlace) {
            fs::copy_file(file, target, fs::copy_options::overwrite_existing, error);
        }
        if (error) {
            Failure(self, "%s: cannot write: %s", target.c_str(), error.message().c_str());
            return false;
        }
        progress.Advance(fs::file_size(file, error), name);
    }
    return true;
}

int RunBuild(const Command& self, std::span<char* const> args) {
    BuildArguments arguments;
    if (const char* error = ParseBuild(args, arguments)) {
        return UsageError(self, "%s", error);
    }
    if (const int status = CheckAssetFolders(self, arguments.assets)) {
        return status;
    }
    SourceDiagnostics diagnostics(arguments.source);
    if (arguments.werror) {
        diagnostics.MakeWarningsErrors();
    }
    SourceBuild build;
    if (!BuildSource(self, arguments.source, arguments.assets, diagnostics, build)) {
        return kExitFailure;
    }
    std::fputs(diagnostics.Format().c_str(), stderr);
    if (diagnostics.HasErrors()) {
        return Failure(self, "%s: %d error%s; nothing was written", arguments.source,
                       diagnostics.ErrorCount(), diagnostics.ErrorCount() == 1 ? "" : "s");
    }

    const fs::path output(arguments.output);
    std::error_code error;
    fs::create_directories(output, error);
    if (error) {
        return Failure(self, "%s: cannot create: %s", arguments.output, error.message().c_str());
    }
    ProgressBar progress("qdp build", BuildSize(build));
    const fs::path archive = output / (build.disk.name + ".qdp");
    if (!Pack(self, archive, build, progress) ||
        !CopySongs(self, build.songs, output / "music", progress)) {
        return kExitFailure;
    }
    progress.Finish();
    std::printf("%s: %zu entries; %zu song%s in %s\n", archive.c_str(), build.items.size() + 1,
                build.songs.size(), build.songs.size() == 1 ? "" : "s", (output / "music").c_str());
    return kExitOk;
}

} // namespace

extern const Command commandBuild = {
    "build",
    "compile a TOML disk source into NAME.qdp and music/",
    "usage: qdp build SOURCE.toml -o OUT_DIR [--assets DIR]... [--werror]\n"
    "\n"
    "Compiles SOURCE.toml into the description musicdisk.cfg and packs OUT_DIR/NAME.qdp with\n"
    "it, the images of the texture list, and every animation list with its frames; copies the\n"
    "songs into OUT_DIR/music/. NAME is the source's `name`, else the source's file name.\n"
    "Files are looked up in each --assets folder in turn, then beside SOURCE.toml, and songs\n"
    "last in music/ beside SOURCE.toml (where 'qdp dump --extract' puts them); --assets\n"
    "takes a folder (give it once per folder), not a file or an archive. Errors name the\n"
    "source file, line and column; with any error nothing is written. The disk is then\n"
    "checked as `qdp check` checks it, each finding reported at the value that causes it;\n"
    "warnings do not stop the build unless --werror makes them errors. The source format is\n"
    "described in docs/disk-format.md.\n",
    RunBuild,
};

} // namespace quib::qdp
