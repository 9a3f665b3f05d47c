// The headless context: EGL on Mesa's surfaceless platform, no display and no GPU needed.
#pragma once

#include "host/gfx/GfxContext.h"

#include <memory>
#include <string>
#include <vector>

namespace quib {

// Presents into an offscreen framebuffer that stands in for a window's client area, so the
// stretched presentation can be read back. Never paces frames.
class GfxContextEgl final : public GfxContext {
public:
    // A 3.3 core context, current on the calling thread, with a client area of the given size.
    // Null with a message in `error` when EGL or the surfaceless platform is missing.
    static std::unique_ptr<GfxContextEgl> Create(int clientWidth, int clientHeight,
                                                 std::string& error);
    // Opens the display Create makes its contexts on, which stays open for the process: most
    // of Create's time, loading and starting the driver. A thread may do it ahead, as long
    // as it is done before Create is called; when it fails, Create says why.
    static void PrepareDisplay();
    ~GfxContextEgl() override;

    bool MakeCurrent() override;
    void ReleaseCurrent() override;
    uint32_t PresentFramebuffer() const override;
    void ClientSize(int& width, int& height) const override;
    void SwapBuffers() override;
    bool HasVsync() const override { return false; }
    int RefreshRate() const override { return 0; }

    // Changes the stand-in client area (its contents are lost). Needs the context current.
    bool SetClientSize(int width, int height);
    // The last presented image as ARGB words, top row first. Needs the context current.
    bool ReadClientArea(std::vector<uint32_t>& argb) const;
    // Off: clears, draws and presentation change no pixel (they are cut to an empty scissor
    // rectangle; the device never sets one of its own), while buffers, textures and their
    // mip chains are still made and filled. Frames then cost their updates, not their pixels.
    // On at creation. Needs the context current.
    void SetRasterising(bool on);

private:
    struct State;
    explicit GfxContextEgl(std::unique_ptr<State> state);
    std::unique_ptr<State> state;
};

} // namespace quib
