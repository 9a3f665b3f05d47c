// demo_assets OUT_DIR: makes every asset of the demo disk (pictures, animation frames, the
// tracker tune and the sampled stream) under OUT_DIR, for `qdp build --assets OUT_DIR`.
#include "DemoImages.h"
#include "DemoStream.h"
#include "DemoTune.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string_view>
#include <system_error>

int main(int argc, char** argv) {
    if (argc != 2 || argv[1][0] == '-') {
        std::fprintf(stderr, "usage: demo_assets OUT_DIR\n");
        return argc == 2 && std::string_view(argv[1]) == "--help" ? 0 : 2;
    }
    const std::filesystem::path folder = argv[1];
    std::error_code error;
    for (const char* sub : {"images", "buttons", "anim"}) {
        std::filesystem::create_directories(folder / sub, error);
        if (error) {
            std::fprintf(stderr, "demo_assets: cannot create %s: %s\n", (folder / sub).c_str(),
                         error.message().c_str());
            return 1;
        }
    }
    bool ok = quib::MakeDemoImages(folder.string());

    const std::vector<uint8_t> tune = quib::ComposeDemoTune();
    std::ofstream module(folder / "lantern-lights.mod", std::ios::binary);
    module.write(reinterpret_cast<const char*>(tune.data()),
                 static_cast<std::streamsize>(tune.size()));
    module.close();
    if (tune.empty() || !module) {
        std::fprintf(stderr, "demo_assets: cannot write %s\n",
                     (folder / "lantern-lights.mod").c_str());
        ok = false;
    }
    ok = quib::WriteDemoStream((folder / "slow-tide.ogg").string()) && ok;
    if (!ok) {
        return 1;
    }
    // The build tracks this file to know that every asset above is complete.
    std::ofstream(folder / "assets.stamp") << "demo assets\n";
    return 0;
}
