// A graphics device without GL for effect tests.
#include "RecordingGfxDevice.h"

#include "host/gfx/ImageCodec.h"

#include <bit>
#include <cstring>

namespace quib::test {
namespace {

class MemoryVertexBuffer final : public GfxVertexBuffer {
public:
    explicit MemoryVertexBuffer(uint32_t bytes) : bytes(bytes) {}
    void* Lock() override { return bytes.data(); }
    void Unlock() override {}
    uint32_t Size() const override { return static_cast<uint32_t>(bytes.size()); }

    std::vector<uint8_t> bytes;
};

template <class Vertex>
std::vector<Vertex> VerticesOf(const GfxVertexBuffer& buffer, uint32_t first, uint32_t count) {
    const auto& memory = static_cast<const MemoryVertexBuffer&>(buffer).bytes;
    std::vector<Vertex> vertices(count);
    std::memcpy(vertices.data(), memory.data() + first * sizeof(Vertex), count * sizeof(Vertex));
    return vertices;
}

} // namespace

MemoryTexture::MemoryTexture(int width, int height, TextureUsage usage)
    : width(width), height(height),
      levels(usage == TextureUsage::AutoMipmap
                 ? std::bit_width(static_cast<unsigned>(std::max(width, height)))
                 : 1),
      usage(usage), argb(static_cast<size_t>(width) * height, 0u) {}

TextureLock MemoryTexture::Lock() {
    return {reinterpret_cast<uint8_t*>(argb.data()), width * 4};
}

std::unique_ptr<GfxVertexBuffer> RecordingGfxDevice::CreateVertexBuffer(uint32_t bytes) {
    return std::make_unique<MemoryVertexBuffer>(bytes);
}

std::unique_ptr<GfxTexture> RecordingGfxDevice::CreateTextureFromImage(const void* data,
                                                                       size_t size) {
    DecodedImage image;
    if (!DecodeImage(data, size, image)) {
        return nullptr;
    }
    return CreateTextureFromPixels(image);
}

std::unique_ptr<GfxTexture> RecordingGfxDevice::CreateTextureFromPixels(const DecodedImage& image) {
    if (image.width <= 0 || image.height <= 0) {
        return nullptr;
    }
    auto texture =
        std::make_unique<MemoryTexture>(image.width, image.height, TextureUsage::AutoMipmap);
    texture->argb = image.argb;
    return texture;
}

std::unique_ptr<GfxTexture> RecordingGfxDevice::CreateTexture(int width, int height,
                                                              TextureUsage usage) {
    if (width <= 0 || height <= 0) {
        return nullptr;
    }
    ++createdTextures;
    return std::make_unique<MemoryTexture>(width, height, usage);
}

bool RecordingGfxDevice::UpdateTexture(const GfxTexture& staging, GfxTexture& target) {
    const auto& from = static_cast<const MemoryTexture&>(staging);
    auto& to = static_cast<MemoryTexture&>(target);
    if (from.usage != TextureUsage::Staging || to.usage == TextureUsage::Staging ||
        from.width != to.width || from.height != to.height) {
        return false;
    }
    to.argb = from.argb;
    ++to.uploads;
    return true;
}

void RecordingGfxDevice::SetSamplerFilters(TextureFilter min, TextureFilter mag,
                                           TextureFilter mip) {
    state.minFilter = min;
    state.magFilter = mag;
    state.mipFilter = mip;
}

void RecordingGfxDevice::Draw(const GfxVertexBuffer& buffer, VertexFormat format,
                              Primitive primitive, uint32_t startVertex, uint32_t primitiveCount) {
    const uint32_t count =
        primitive == Primitive::TriangleFan ? primitiveCount + 2 : 3 * primitiveCount;
    const uint32_t stride =
        format == VertexFormat::Textured ? sizeof(TexturedVertex) : sizeof(ColouredVertex);
    if (primitiveCount == 0 || uint64_t{startVertex + count} * stride > buffer.Size()) {
        return;
    }
    RecordedDraw draw = state;
    draw.format = format;
    draw.primitive = primitive;
    if (format == VertexFormat::Textured) {
        draw.textured = VerticesOf<TexturedVertex>(buffer, startVertex, count);
    } else {
        draw.coloured = VerticesOf<ColouredVertex>(buffer, startVertex, count);
    }
    draws.push_back(std::move(draw));
}

} // namespace quib::test
