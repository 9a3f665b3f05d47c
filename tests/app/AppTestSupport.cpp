// Helpers of the application tests: archives made by `zip` and a headless application with
// its display.
#include "AppTestSupport.h"

#include "description/DescriptionModel.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace quib::test {

bool MakeZip(const std::string& archive,
             const std::vector<std::pair<std::string, std::vector<uint8_t>>>& entries) {
    const std::filesystem::path stage = archive + ".stage";
    std::filesystem::remove_all(stage);
    std::filesystem::remove(archive);
    std::string names;
    for (const auto& [name, bytes] : entries) {
        const auto path = stage / name;
        std::filesystem::create_directories(path.parent_path());
        if (!WriteBytes(path.string(), bytes)) {
            return false;
        }
        names += " '" + name + "'";
    }
    const std::string command =
        "cd '" + stage.string() + "' && zip -q -X '" + archive + "'" + names;
    const bool made = std::system(command.c_str()) == 0;
    std::filesystem::remove_all(stage);
    return made;
}

HeadlessApp::HeadlessApp(int size) : host(HeadlessSettings{size, size, size, size}), size(size) {
    app = std::make_unique<MusicDiskApp>(host);
    displayMade = app->CreateDisplay();
}

std::vector<uint32_t> HeadlessApp::DrawFrame(const std::function<void()>& draw) {
    GfxDevice& device = *app->Display().Device();
    device.BeginFrame();
    device.Clear();
    if (draw) {
        draw();
    } else {
        app->DrawScheduledPages();
    }
    device.EndFrame();
    std::vector<uint32_t> frame;
    device.ReadBackBuffer(frame);
    return frame;
}

uint32_t HeadlessApp::Pixel(const std::vector<uint32_t>& frame, int x, int y) const {
    return frame[static_cast<size_t>(y) * size + x];
}

bool CreateWideWindow(MusicDiskApp& app) {
    DescriptionHeader header;
    header.aspect = 1.778f;
    header.windowHeight = 480;
    app.Display().Configure(header);
    return app.CreateDisplay();
}

} // namespace quib::test
