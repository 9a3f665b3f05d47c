// Frames per second and CPU time per frame of the headless device on two typical scenes.
//
// Scenes: 1,000 textured quads, each with its own vertex buffer rewritten every frame as the
// image effects do, and a 32x32 grid of coloured cells (2,048 triangles) recoloured every
// frame as the plasma does; each at 1280x720 and 1920x1080, presented 1:1.
// Usage: gfx_bench [seconds per case, default 2]
#include "host/gfx/GfxContextEgl.h"
#include "host/gfx/GfxDeviceGl.h"
#include "host/gfx/GfxVertex.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace quib;

double CpuSeconds(clockid_t clock) {
    timespec t{};
    clock_gettime(clock, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// One scene: made once on a device, then drawn once per frame (frame number given).
struct Scene {
    std::function<void(GfxDevice&)> build;
    std::function<void(GfxDevice&, int)> draw;
};

Scene TexturedQuads() {
    struct State {
        std::unique_ptr<GfxTexture> texture;
        std::vector<std::unique_ptr<GfxVertexBuffer>> quads;
    };
    auto state = std::make_shared<State>();
    Scene scene;
    scene.build = [state](GfxDevice& device) {
        const int size = 256;
        state->texture = device.CreateTexture(size, size, TextureUsage::AutoMipmap);
        TextureLock lock = state->texture->Lock();
        for (int y = 0; y < size; ++y) {
            auto* row = reinterpret_cast<uint32_t*>(lock.bits + y * lock.pitch);
            for (int x = 0; x < size; ++x) {
                row[x] = static_cast<uint32_t>(x ^ y) << 24 | static_cast<uint32_t>(x) << 16 |
                         static_cast<uint32_t>(y) << 8 | 0x80u;
            }
        }
        state->texture->Unlock();
        for (int i = 0; i < 1000; ++i) {
            state->quads.push_back(device.CreateVertexBuffer(4 * sizeof(TexturedVertex)));
        }
    };
    scene.draw = [state](GfxDevice& device, int frame) {
        device.SetTexture(state->texture.get());
        // 40 x 25 quads tile the screen, each a little larger than its cell so they overlap.
        for (int i = 0; i < 1000; ++i) {
            const float w = 2.0f / 40.0f;
            const float h = 2.0f / 25.0f;
            const float x = -1.0f + w * static_cast<float>(i % 40);
            const float y = 1.0f - h * static_cast<float>(i / 40);
            const uint32_t colour = static_cast<uint32_t>((frame + i) & 0xFF) << 24 | 0xFFFFFFu;
            auto* v = static_cast<TexturedVertex*>(state->quads[i]->Lock());
            v[0] = {x, y, 0.0f, colour, 0.0f, 0.0f};
            v[1] = {x + w * 1.5f, y, 0.0f, colour, 1.0f, 0.0f};
            v[2] = {x + w * 1.5f, y - h * 1.5f, 0.0f, colour, 1.0f, 1.0f};
            v[3] = {x, y - h * 1.5f, 0.0f, colour, 0.0f, 1.0f};
            state->quads[i]->Unlock();
            device.SetAlphaSource((i & 1) != 0 ? AlphaSource::Vertex : AlphaSource::Texture);
            device.Draw(*state->quads[i], VertexFormat::Textured, Primitive::TriangleFan, 0, 2);
        }
    };
    return scene;
}

Scene ColouredCells() {
    struct State {
        std::unique_ptr<GfxVertexBuffer> cells;
    };
    auto state = std::make_shared<State>();
    constexpr int columns = 32;
    constexpr int rows = 32;
    Scene scene;
    scene.build = [state](GfxDevice& device) {
        state->cells = device.CreateVertexBuffer(columns * rows * 6 * sizeof(ColouredVertex));
    };
    scene.draw = [state](GfxDevice& device, int frame) {
        auto* v = static_cast<ColouredVertex*>(state->cells->Lock());
        const float w = 2.0f / columns;
        const float h = 2.0f / rows;
        for (int r = 0; r < rows; ++r) {
            for (int c = 0; c < columns; ++c) {
                const float left = -1.0f + w * static_cast<float>(c);
                const float top = 1.0f - h * static_cast<float>(r);
                const uint32_t colour = 0xC0000000u | static_cast<uint32_t>(r * 8 + frame) << 16 |
                                        static_cast<uint32_t>(c * 8) << 8 |
                                        static_cast<uint32_t>(frame & 0xFF);
                *v++ = {left, top, 0.0f, colour};
                *v++ = {left + w, top, 0.0f, colour};
                *v++ = {left, top - h, 0.0f, colour};
                *v++ = {left + w, top, 0.0f, colour};
                *v++ = {left + w, top - h, 0.0f, colour};
                *v++ = {left, top - h, 0.0f, colour};
            }
        }
        state->cells->Unlock();
        device.SetTexture(nullptr);
        device.Draw(*state->cells, VertexFormat::Coloured, Primitive::TriangleList, 0,
                    columns * rows * 2);
    };
    return scene;
}

bool RunCase(const char* name, Scene scene, int width, int height, double seconds) {
    std::string error;
    auto context = GfxContextEgl::Create(width, height, error);
    if (!context) {
        std::fprintf(stderr, "gfx_bench: %s\n", error.c_str());
        return false;
    }
    auto device = GfxDeviceGl::Create(*context, width, height, error);
    if (!device) {
        std::fprintf(stderr, "gfx_bench: %s\n", error.c_str());
        return false;
    }
    scene.build(*device);
    std::vector<uint32_t> pixels;
    auto frameOnce = [&](int frame) {
        device->BeginFrame();
        device->Clear();
        scene.draw(*device, frame);
        device->EndFrame();
        device->Present();
    };
    for (int frame = 0; frame < 5; ++frame) {
        frameOnce(frame);
    }
    device->ReadBackBuffer(pixels);

    const auto start = std::chrono::steady_clock::now();
    const double processStart = CpuSeconds(CLOCK_PROCESS_CPUTIME_ID);
    const double threadStart = CpuSeconds(CLOCK_THREAD_CPUTIME_ID);
    int frames = 0;
    double wall = 0.0;
    while (frames < 10 || wall < seconds) {
        frameOnce(frames++);
        wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
    // The read-back waits for the rasteriser to finish every frame queued so far.
    device->ReadBackBuffer(pixels);
    wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const double process = CpuSeconds(CLOCK_PROCESS_CPUTIME_ID) - processStart;
    const double thread = CpuSeconds(CLOCK_THREAD_CPUTIME_ID) - threadStart;

    std::printf("%-22s %4dx%-5d %7d %9.1f %12.2f %13.2f %13.2f\n", name, width, height, frames,
                frames / wall, 1000.0 * wall / frames, 1000.0 * process / frames,
                1000.0 * thread / frames);
    std::fflush(stdout);
    // The scene's textures and buffers go while the device and its context still exist.
    scene = Scene{};
    return true;
}

} // namespace

int main(int argc, char** argv) {
    const double seconds = argc > 1 ? std::atof(argv[1]) : 2.0;
    if (argc > 2 || seconds <= 0.0) {
        std::fprintf(stderr, "usage: gfx_bench [seconds per case]\n");
        return 2;
    }
    std::printf("headless OpenGL (EGL surfaceless); CPU time: the whole process (the software\n"
                "rasteriser's threads included) and the drawing thread alone\n\n");
    std::printf("%-22s %-10s %7s %9s %12s %13s %13s\n", "scene", "size", "frames", "fps",
                "ms/frame", "cpu ms/frame", "thread ms/fr");
    const int sizes[2][2] = {{1280, 720}, {1920, 1080}};
    bool ok = true;
    for (const auto& size : sizes) {
        ok = RunCase("1000 textured quads", TexturedQuads(), size[0], size[1], seconds) && ok;
        ok = RunCase("32x32 coloured cells", ColouredCells(), size[0], size[1], seconds) && ok;
    }
    return ok ? 0 : 1;
}
