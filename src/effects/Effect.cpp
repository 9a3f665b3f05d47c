// The base of every on-screen element: seven operations, the parameter head, quad and fade.
#include "effects/Effect.h"

#include "effects/EffectHost.h"

#include <algorithm>

namespace quib {

Effect::Effect(GfxDevice* device, EffectHost* host) : device(device), host(host) {}

Effect::~Effect() = default;

void Effect::OnAspectChange(float previousAspect, float newAspect) {
    const float r = previousAspect / newAspect;
    if (firstAspectChange) {
        firstRatio = r;
    }
    if (firstRatio < 1.0f) {
        x *= r;
        width *= r;
    } else if (firstRatio > 1.0f) {
        y /= r;
        height /= r;
    }
    firstAspectChange = false;
    RebuildMarked();
}

void Effect::Load(TextureStore&, DescriptionReader& reader, Archive&) {
    EffectHead head;
    ReadOwnFields(reader, head);
    x = head.x;
    y = head.y;
    width = head.width;
    height = head.height;
    fadeIn = head.fadeIn;
    fadeOut = head.fadeOut;
}

uint32_t Effect::FadeColour(int32_t elapsed, int32_t remaining, int32_t fadeIn, int32_t fadeOut) {
    double alpha = 255.0;
    // A fade of length 0 (or less) is no fade, whatever the times.
    if (fadeIn > 0 && elapsed < fadeIn) {
        alpha = 255.0 * elapsed / fadeIn;
    } else if (fadeOut > 0 && remaining < fadeOut) {
        alpha = 255.0 * remaining / fadeOut;
    }
    return AlphaOverWhite(alpha);
}

uint32_t Effect::AlphaOverWhite(double alpha) {
    // Times inside an interval are never negative, so alpha lies in 0..255; the clamp keeps
    // times that ran backwards (a new song under a toggled image) from wrapping around.
    const auto a = static_cast<uint32_t>(std::clamp(alpha, 0.0, 255.0));
    return a << 24 | 0xFFFFFFu;
}

bool Effect::ContainsPointer() const {
    const float px = host->MouseX();
    const float py = host->MouseY();
    return x <= px && px <= x + width && y - height <= py && py <= y;
}

void Effect::WriteQuad(GfxVertexBuffer& quad, uint32_t colour, float s, float t, float spanS,
                       float spanT) const {
    WriteRect(quad, x, y, x + width, y - height, colour, s, t, spanS, spanT);
}

void Effect::WriteRect(GfxVertexBuffer& quad, float left, float top, float right, float bottom,
                       uint32_t colour, float s, float t, float spanS, float spanT) {
    auto* v = static_cast<TexturedVertex*>(quad.Lock());
    v[0] = {left, top, 0.0f, colour, s, t};
    v[1] = {right, top, 0.0f, colour, s + spanS, t};
    v[2] = {right, bottom, 0.0f, colour, s + spanS, t + spanT};
    v[3] = {left, bottom, 0.0f, colour, s, t + spanT};
    quad.Unlock();
}

void Effect::DrawQuad(const GfxVertexBuffer& quad, const GfxTexture& texture, AlphaSource alpha) {
    device->SetAlphaSource(alpha);
    device->SetTexture(&texture);
    device->Draw(quad, VertexFormat::Textured, Primitive::TriangleFan, 0, 2);
}

void Effect::RebuildMarked() {
    busy.store(true, std::memory_order_release);
    Rebuild();
    busy.store(false, std::memory_order_release);
}

} // namespace quib
