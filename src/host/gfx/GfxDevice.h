// The drawing contract the effects rely on: vertex buffers, textures, stage 0, world, frames.
#pragma once

#include "host/gfx/GfxTexture.h"
#include "host/gfx/GfxVertexBuffer.h"
#include "host/gfx/Matrix4.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace quib {

struct DecodedImage;

enum class VertexFormat : uint8_t {
    Textured, // TexturedVertex, stride 24
    Coloured, // ColouredVertex, stride 16
};

enum class Primitive : uint8_t {
    TriangleFan,  // primitiveCount triangles from primitiveCount + 2 vertices
    TriangleList, // primitiveCount triangles from 3 * primitiveCount vertices
};

// Where stage 0 takes alpha from while a texture is set. Colour always comes from the texture
// then; with no texture set, colour and alpha both come from the vertex.
enum class AlphaSource : uint8_t {
    Vertex,  // the argument pair diffuse-then-texture: the vertex alpha, the texture's ignored
    Texture, // the argument pair texture-then-diffuse: the texture's alpha
};

enum class TextureFilter : uint8_t {
    None, // as a mip filter: sample level 0 only; as min/mag filter: same as Point
    Point,
    Linear,
    Anisotropic, // linear with the device's anisotropy (plain linear on software rasterisers)
};

enum class TextureUsage : uint8_t {
    Plain,      // one level, drawable, lockable
    AutoMipmap, // full chain, rebuilt from level 0 whenever level 0 changes
    Staging,    // memory only: lockable, a source for UpdateTexture, never drawn
};

// One device per context. Every call, and the destruction of every object it made, happens on
// the thread that currently holds the context. Failures return null or false; nothing throws.
//
// Fixed state: blending source alpha over inverse source alpha, no culling, no depth buffer,
// repeat addressing, identity view and projection (vertex positions are normalised device
// coordinates). Sampler filters start as Anisotropic for min, mag and mip.
class GfxDevice {
public:
    virtual ~GfxDevice() = default;

    // Resources
    virtual std::unique_ptr<GfxVertexBuffer> CreateVertexBuffer(uint32_t bytes) = 0;
    // Decodes PNG, JPEG, BMP, TGA, GIF (first frame), PSD, PNM and HDR; the texture has the
    // image's own size and a full mip chain. Null when the bytes are not a readable image.
    virtual std::unique_ptr<GfxTexture> CreateTextureFromImage(const void* data, size_t size) = 0;
    // The same from pixels decoded already (DecodeImage); null for an empty image or one larger
    // than the device takes.
    virtual std::unique_ptr<GfxTexture> CreateTextureFromPixels(const DecodedImage& image) = 0;
    // An empty texture of exactly width x height, all pixels 0.
    virtual std::unique_ptr<GfxTexture> CreateTexture(int width, int height,
                                                      TextureUsage usage) = 0;
    // Copies level 0 of a staging texture into a drawable texture of the same size (and
    // rebuilds the target's chain when it has AutoMipmap usage). False on a size mismatch or
    // when the source is not a staging texture or the target is one.
    virtual bool UpdateTexture(const GfxTexture& staging, GfxTexture& target) = 0;

    // Stage 0 and samplers; they stay in force until changed.
    virtual void SetTexture(const GfxTexture* texture) = 0;
    virtual void SetAlphaSource(AlphaSource source) = 0;
    virtual void SetSamplerFilters(TextureFilter min, TextureFilter mag, TextureFilter mip) = 0;

    // Applies to the following draws until set again; callers restore Matrix4::Identity().
    virtual void SetWorldTransform(const Matrix4& world) = 0;

    // Draws primitiveCount triangles starting at vertex startVertex of the buffer. A range that
    // runs past the end of the buffer draws nothing.
    virtual void Draw(const GfxVertexBuffer& buffer, VertexFormat format, Primitive primitive,
                      uint32_t startVertex, uint32_t primitiveCount) = 0;

    // Frames: BeginFrame, Clear (opaque black), draws, EndFrame, Present. The back buffer has a
    // fixed size (the desktop's, or the size given headless) and Present shows it stretched to
    // the client area, waiting for vertical sync or, where there is none, capping the rate at
    // the display's refresh rate.
    virtual void BeginFrame() = 0;
    virtual void Clear() = 0;
    virtual void EndFrame() = 0;
    virtual void Present() = 0;

    virtual int BackBufferWidth() const = 0;
    virtual int BackBufferHeight() const = 0;
    // The back buffer as ARGB words, top row first, BackBufferWidth() x BackBufferHeight().
    virtual bool ReadBackBuffer(std::vector<uint32_t>& argb) = 0;
};

} // namespace quib
