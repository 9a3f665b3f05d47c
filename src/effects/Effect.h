// The base of every on-screen element: seven operations, the parameter head, quad and fade.
#pragma once

#include "description/DescriptionModel.h"
#include "host/gfx/GfxDevice.h"
#include "host/gfx/GfxVertex.h"
#include "platform/MemAllocator.h"

#include <atomic>
#include <cstdint>

namespace quib {

class Archive;
class DescriptionReader;
class EffectHost;
class TextureStore;

// Coordinates are normalised device coordinates: the rectangle spans x .. x + width and
// y - height .. y. Times are clock units (sample frames, 1/44100 s).
class Effect : public MemObject {
public:
    Effect(GfxDevice* device, EffectHost* host);
    Effect(const Effect&) = delete;
    Effect& operator=(const Effect&) = delete;

    // The seven operations, in their fixed slot order.

    // elapsed: time since the group's interval began; remaining: time until it ends;
    // position: the page's position value for this frame.
    virtual void Draw(int32_t elapsed, int32_t remaining, int32_t position) = 0;
    // Rebuilds what depends on the rectangle and the display size.
    virtual void Rebuild() = 0;
    // Releases the device objects the effect made (never textures of the TextureStore).
    virtual void ReleaseResources() = 0;
    virtual int32_t GetType() const = 0;
    // Rescales the rectangle for a new display aspect (width / height). The first change picks
    // the axis (x and width when the display became wider, y and height when it became
    // narrower) and every later change scales that axis by its own ratio, so a change and its
    // reverse cancel.
    virtual void OnAspectChange(float previousAspect, float newAspect) final;
    virtual ~Effect();
    // Reads the parameter block: overrides call the base (the common head) first, then read
    // their own fields, then Rebuild.
    virtual void Load(TextureStore& textures, DescriptionReader& reader, Archive& archive);

    // The vertex colour of a fade: alpha ramps up over fadeIn from the interval's start and
    // down over fadeOut to its end (truncated), over white.
    static uint32_t FadeColour(int32_t elapsed, int32_t remaining, int32_t fadeIn, int32_t fadeOut);
    // Alpha (truncated toward zero, kept within 0..255) in the top byte over white.
    static uint32_t AlphaOverWhite(double alpha);
    // Writes the four corners of the rectangle left .. right, top .. bottom (a fan: top-left,
    // top-right, bottom-right, bottom-left) with texture coordinates over (s, t) .. (s + spanS,
    // t + spanT).
    static void WriteRect(GfxVertexBuffer& quad, float left, float top, float right, float bottom,
                          uint32_t colour, float s, float t, float spanS, float spanT);

    bool firstAspectChange = true;
    float firstRatio = 1.0f;
    GfxDevice* device;
    EffectHost* host; // the running disk, not owned
    float x = -1.0f;
    float y = 1.0f;
    float width = 2.0f;
    float height = 2.0f;
    int32_t fadeIn = 0;
    int32_t fadeOut = 0;
    // Runs Rebuild with busy set.
    void RebuildMarked();

    // Set while Rebuild runs outside a draw; the draw fan-out waits for it to clear.
    std::atomic<bool> busy{false};

protected:
    // Whether the host's pointer lies in the rectangle, every bound inclusive.
    bool ContainsPointer() const;
    // WriteRect over the effect's own rectangle.
    void WriteQuad(GfxVertexBuffer& quad, uint32_t colour, float s, float t, float spanS,
                   float spanT) const;
    // Draws a written quad with the texture as colour and alpha from `alpha`.
    void DrawQuad(const GfxVertexBuffer& quad, const GfxTexture& texture, AlphaSource alpha);
};

// 96 bytes: the four textured vertices of one quad.
inline constexpr uint32_t kQuadBytes = 4 * sizeof(TexturedVertex);

} // namespace quib
