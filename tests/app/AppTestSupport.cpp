// Helpers of the application tests: scratch folders, generated tunes and images, a headless
// application with its display.
#include "AppTestSupport.h"

#include "host/audio/ModuleWriter.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace quib::test {

std::string ScratchDirectory(const std::string& name) {
    const auto dir =
        std::filesystem::temp_directory_path() / ("quib-app-" + std::to_string(getpid())) / name;
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    return dir.string();
}

bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

bool MakeZip(const std::string& archive,
             const std::vector<std::pair<std::string, std::vector<uint8_t>>>& entries) {
    const std::filesystem::path stage = archive + ".stage";
    std::filesystem::remove_all(stage);
    std::filesystem::remove(archive);
    std::string names;
    for (const auto& [name, bytes] : entries) {
        const auto path = stage / name;
        std::filesystem::create_directories(path.parent_path());
        if (!WriteFile(path.string(), bytes)) {
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

std::vector<uint8_t> TuneBytes(int rows) {
    ModuleWriter writer(4);
    ModuleSample square;
    square.name = "square";
    for (int i = 0; i < 32; ++i) {
        square.data.push_back(static_cast<int8_t>(i < 16 ? 96 : -96));
    }
    square.loopLength = 32;
    const int sample = writer.AddSample(square);
    const int pattern = writer.AddPattern();
    writer.SetCell(pattern, 0, 1, {0, 0, 0xF, 1}); // speed 1: one tick (882 frames) a row
    writer.SetNote(pattern, 0, 0, ModuleWriter::NoteIndex("C-2"), static_cast<uint8_t>(sample));
    writer.SetCell(pattern, rows - 1, 3, {0, 0, 0xD, 0}); // break: the song ends here
    writer.AppendOrder(pattern);
    return writer.Bytes();
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

} // namespace quib::test
