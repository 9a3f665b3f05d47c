// qdp add: append a file to an archive as a deflated entry.
#include "ArchiveFile.h"
#include "ArchiveLock.h"
#include "Command.h"
#include "EntryNameText.h"
#include "vfs/ArchiveNames.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace quib::qdp {

namespace {

struct AddArguments {
    const char* archive = nullptr;
    const char* file = nullptr;
    const char* entryName = nullptr;
    bool force = false;
};

// Fills arguments; answers an error text for the usage message, or null.
const char* ParseAdd(std::span<char* const> args, AddArguments& parsed) {
    bool optionsEnded = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const char* arg = args[i];
        if (!optionsEnded && std::strcmp(arg, "--") == 0) {
            optionsEnded = true;
        } else if (!optionsEnded && std::strcmp(arg, "--as") == 0) {
            if (i + 1 == args.size()) {
                return "--as needs an entry name";
            }
            parsed.entryName = args[++i];
        } else if (!optionsEnded && std::strcmp(arg, "--force") == 0) {
            parsed.force = true;
        } else if (!optionsEnded && arg[0] == '-' && arg[1] != 0) {
            return "unknown option";
        } else if (parsed.archive == nullptr) {
            parsed.archive = arg;
        } else if (parsed.file == nullptr) {
            parsed.file = arg;
        } else {
            return "too many arguments";
        }
    }
    if (parsed.file == nullptr) {
        return "an archive and a file are needed";
    }
    if (parsed.entryName != nullptr && parsed.entryName[0] == 0) {
        return "the entry name must not be empty";
    }
    return nullptr;
}

int RunAdd(const Command& self, std::span<char* const> args) {
    AddArguments parsed;
    if (const char* error = ParseAdd(args, parsed)) {
        return UsageError(self, "%s", error);
    }
    struct stat fileInfo {};
    if (stat(parsed.file, &fileInfo) != 0) {
        return Failure(self, "%s: cannot open: %s", parsed.file, std::strerror(errno));
    }
    if (!S_ISREG(fileInfo.st_mode)) {
        return Failure(self, "%s: not a regular file", parsed.file);
    }
    if (access(parsed.file, R_OK) != 0) {
        return Failure(self, "%s: cannot open: %s", parsed.file, std::strerror(errno));
    }
    std::string name;
    if (parsed.entryName != nullptr) {
        name = parsed.entryName;
        if (!parsed.force && !IsNameInsideArchive(name)) {
            return Failure(self,
                           "'%s' is not a relative path inside the archive (an absolute path, a "
                           "drive or a '..' part); give --force to store it anyway",
                           EscapedName(name.c_str()).c_str());
        }
    } else {
        char base[256];
        FileName(parsed.file, base, sizeof base);
        name = base;
    }

    ArchiveLock lock;
    if (!lock.Acquire(parsed.archive, [](const std::string& path) {
            std::fprintf(stderr, "qdp add: %s: busy (another command is changing it); waiting\n",
                         path.c_str());
        })) {
        const int error = errno;
        struct stat present {};
        return Failure(self, "%s: cannot %s: %s", parsed.archive,
                       stat(parsed.archive, &present) == 0 ? "open" : "create",
                       std::strerror(error));
    }
    const bool exists = !lock.Created();
    struct stat archiveInfo {};
    if (stat(parsed.archive, &archiveInfo) == 0 && archiveInfo.st_dev == fileInfo.st_dev &&
        archiveInfo.st_ino == fileInfo.st_ino) {
        return Failure(self, "%s: cannot add the archive to itself", parsed.file);
    }
    ArchiveFile opened;
    if (!OpenArchiveFile(self, opened, parsed.archive, 'w')) {
        if (!exists) {
            unlink(parsed.archive);
        }
        return kExitFailure;
    }
    const auto fail = [&](int status) {
        if (!exists) {
            opened.archive.close();
            CloseStream(opened.file);
            unlink(parsed.archive);
        }
        return status;
    };
    if (FindEntry(opened.archive, name.c_str()) >= 0) {
        return fail(Failure(self, "%s: an entry named '%s' is already present", parsed.archive,
                            EscapedName(name.c_str()).c_str()));
    }
    if (!opened.archive.addFile(NativeLocator(parsed.file).c_str(), name.c_str(),
                                ArchiveMethodDeflate, nullptr)) {
        return fail(Failure(self, "%s: cannot add '%s' (the archive is left as it was)",
                            parsed.archive, parsed.file));
    }
    return kExitOk;
}

} // namespace

extern const Command commandAdd = {
    "add",
    "append a file to an archive as a deflated entry",
    "usage: qdp add ARCHIVE FILE [--as NAME] [--force]\n"
    "\n"
    "Appends FILE to ARCHIVE as a deflated entry named NAME (by default the file name of\n"
    "FILE), creating ARCHIVE when it does not exist. Backslashes in NAME are stored as\n"
    "slashes. A name already present (compared as 'qdp cat' matches names) is refused and the\n"
    "archive is left untouched; so is an archive that a failed write would damage. A NAME\n"
    "that is not a relative path inside the archive (\"/etc/x\", \"C:/x\", \"../x\",\n"
    "\"a/../b\") is refused unless --force is given. While one add changes ARCHIVE, another\n"
    "waits for it to finish.\n",
    RunAdd,
};

} // namespace quib::qdp
