// quib: plays the music disk named after the program, or the one given as an argument.
#include "app/AppHostDesktop.h"
#include "app/MprisService.h"
#include "app/MusicDiskApp.h"
#include "platform/OsModule.h"
#include "vfs/ArchiveNames.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr int kExitUsage = 2;

void PrintHelp() {
    std::printf("Usage: quib [DISK.qdp]\n"
                "Plays a music disk: its pages, its buttons and its songs, in a loop.\n"
                "\n"
                "Without DISK.qdp, quib plays the disk named after the program in the current\n"
                "directory (quib plays quib.qdp) and finds its songs in music/ there. With\n"
                "DISK.qdp, the songs are found in music/ beside the disk.\n"
                "\n"
                "Installed (cmake --install), quib is the desktop's player of music disks:\n"
                "files named *.qdp are of the type application/x-quib-disk, and opening one\n"
                "from the file manager runs 'quib DISK.qdp'. 'man quib' and 'man qdp' describe\n"
                "the player and the authoring tool.\n"
                "\n"
                "On a desktop session bus, quib answers media keys and \"now playing\" panels\n"
                "as the MPRIS player org.mpris.MediaPlayer2.quib (try 'playerctl -p quib next').\n"
                "\n"
                "On a Wayland desktop quib is a native Wayland client, and an X11 one when the\n"
                "compositor cannot be reached (SDL_VIDEODRIVER=x11 asks for X11 always). On a\n"
                "scaled desktop (a Wayland output's scale of 2, or GDK_SCALE=2 on X11) the window\n"
                "and its text are drawn with twice the pixels.\n"
                "\n"
                "Keys: Alt+Enter switches between window and full screen (when the disk allows\n"
                "it), Escape or Alt+F4 quits.\n"
                "\n"
                "Options:\n"
                "  --help     show this help and exit\n"
                "  --version  show the version and exit\n");
}

// "quib", "quib.exe" and "/usr/bin/quib" all name quib.qdp in the current directory.
std::string ArchiveNamedAfter(const char* programPath) {
    std::vector<char> name(std::strlen(programPath) + 8);
    quib::FileName(programPath, name.data(), name.size());
    quib::SetArchiveExtension(name.data(), name.size());
    return name.data();
}

// The folder that holds the archive, with its trailing slash; empty for the current one.
std::string FolderOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

} // namespace

int main(int argc, char** argv) {
    const char* disk = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            PrintHelp();
            return 0;
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("quib %s\n", QUIB_VERSION);
            return 0;
        }
        if (argv[i][0] == '-' && std::strcmp(argv[i], "-") != 0) {
            std::fprintf(stderr, "quib: unknown option %s\nTry 'quib --help'.\n", argv[i]);
            return kExitUsage;
        }
        if (disk != nullptr) {
            std::fprintf(stderr, "quib: only one disk can be played\nTry 'quib --help'.\n");
            return kExitUsage;
        }
        disk = argv[i];
    }
    quib::SetProcessArguments(argc, argv);
    quib::AppHostDesktop host;
    quib::MusicDiskApp app(host);
    std::string archive;
    std::string songFolder;
    if (disk != nullptr) {
        archive = disk;
        songFolder = FolderOf(archive);
    } else {
        const quib::ProcessEnvironment* environment = quib::QueryProcessEnvironment();
        archive = ArchiveNamedAfter(environment != nullptr && environment->argumentCount > 0
                                        ? environment->arguments[0]
                                        : argv[0]);
    }
    if (!app.Init(archive, songFolder)) {
        return 1;
    }
    const std::unique_ptr<quib::MprisService> mpris =
        quib::MprisService::Start(app.Display().Title());
    app.SetMediaControls(mpris.get());
    return app.Run();
}
