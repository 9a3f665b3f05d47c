// A graphics device without GL for effect tests: vertex buffers and textures live in memory,
// and every draw is recorded with the state it was made in and a copy of its vertices.
#pragma once

#include "host/gfx/GfxDevice.h"
#include "host/gfx/GfxVertex.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace quib::test {

class MemoryTexture final : public GfxTexture {
public:
    MemoryTexture(int width, int height, TextureUsage usage);
    int Width() const override { return width; }
    int Height() const override { return height; }
    int Levels() const override { return levels; }
    TextureLock Lock() override;
    void Unlock() override { ++uploads; }

    int width;
    int height;
    int levels;
    TextureUsage usage;
    std::vector<uint32_t> argb; // level 0, row 0 first
    int uploads = 0;            // unlocks and updates from staging
};

struct RecordedDraw {
    const GfxTexture* texture;
    AlphaSource alpha;
    VertexFormat format;
    Primitive primitive;
    Matrix4 world;
    TextureFilter minFilter, magFilter, mipFilter;
    std::vector<TexturedVertex> textured; // the drawn vertices, when the format is Textured
    std::vector<ColouredVertex> coloured; // the drawn vertices, when the format is Coloured
};

class RecordingGfxDevice final : public GfxDevice {
public:
    std::unique_ptr<GfxVertexBuffer> CreateVertexBuffer(uint32_t bytes) override;
    // Decodes the image (the textures' pixels are the image's); null when it does not decode.
    std::unique_ptr<GfxTexture> CreateTextureFromImage(const void* data, size_t size) override;
    std::unique_ptr<GfxTexture> CreateTextureFromPixels(const DecodedImage& image) override;
    std::unique_ptr<GfxTexture> CreateTexture(int width, int height, TextureUsage usage) override;
    bool UpdateTexture(const GfxTexture& staging, GfxTexture& target) override;
    void SetTexture(const GfxTexture* texture) override { state.texture = texture; }
    void SetAlphaSource(AlphaSource source) override { state.alpha = source; }
    void SetSamplerFilters(TextureFilter min, TextureFilter mag, TextureFilter mip) override;
    void SetWorldTransform(const Matrix4& world) override { state.world = world; }
    void Draw(const GfxVertexBuffer& buffer, VertexFormat format, Primitive primitive,
              uint32_t startVertex, uint32_t primitiveCount) override;
    void BeginFrame() override {}
    void Clear() override { draws.clear(); }
    void EndFrame() override {}
    void Present() override {}
    int BackBufferWidth() const override { return 0; }
    int BackBufferHeight() const override { return 0; }
    bool ReadBackBuffer(std::vector<uint32_t>&) override { return false; }

    // The state that later draws are recorded with.
    RecordedDraw state{nullptr,
                       AlphaSource::Vertex,
                       VertexFormat::Textured,
                       Primitive::TriangleFan,
                       Matrix4::Identity(),
                       TextureFilter::Anisotropic,
                       TextureFilter::Anisotropic,
                       TextureFilter::Anisotropic,
                       {},
                       {}};
    std::vector<RecordedDraw> draws; // since the last Clear
    int createdTextures = 0;         // by CreateTexture, ever
};

} // namespace quib::test
