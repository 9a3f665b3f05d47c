// The device on OpenGL 3.3 core, drawing into a framebuffer object the size of the client area.
#pragma once

#include "host/gfx/GfxContext.h"
#include "host/gfx/GfxDevice.h"

#include <memory>
#include <string>

namespace quib {

class GfxDeviceGl final : public GfxDevice {
public:
    // Needs `context` current on the calling thread; the device keeps a plain pointer to it,
    // so the context outlives the device. The back buffer is made width x height pixels (the
    // largest it will need, the desktop, so that a size the device cannot draw is refused at
    // once); each frame then draws at the context's client size, so a frame costs the pixels
    // shown. Null with a message in `error` when the context lacks what the device needs.
    static std::unique_ptr<GfxDeviceGl> Create(GfxContext& context, int width, int height,
                                               std::string& error);
    ~GfxDeviceGl() override;

    std::unique_ptr<GfxVertexBuffer> CreateVertexBuffer(uint32_t bytes) override;
    std::unique_ptr<GfxTexture> CreateTextureFromImage(const void* data, size_t size) override;
    std::unique_ptr<GfxTexture> CreateTextureFromPixels(const DecodedImage& image) override;
    std::unique_ptr<GfxTexture> CreateTexture(int width, int height, TextureUsage usage) override;
    bool UpdateTexture(const GfxTexture& staging, GfxTexture& target) override;

    void SetTexture(const GfxTexture* texture) override;
    void SetAlphaSource(AlphaSource source) override;
    void SetSamplerFilters(TextureFilter min, TextureFilter mag, TextureFilter mip) override;
    void SetWorldTransform(const Matrix4& world) override;
    void Draw(const GfxVertexBuffer& buffer, VertexFormat format, Primitive primitive,
              uint32_t startVertex, uint32_t primitiveCount) override;

    void BeginFrame() override;
    void Clear() override;
    void EndFrame() override;
    void Present() override;

    int BackBufferWidth() const override;
    int BackBufferHeight() const override;
    bool ReadBackBuffer(std::vector<uint32_t>& argb) override;

private:
    // Gives the back buffer the client area's size when that changed and is drawable.
    void FollowClientSize();

    struct State;
    explicit GfxDeviceGl(std::unique_ptr<State> state);
    std::unique_ptr<State> state;
};

} // namespace quib
