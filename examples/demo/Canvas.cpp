// Painting and saving the demo disk's pictures.
#include "Canvas.h"

#include "host/gfx/ImageCodec.h"
#include "host/text/TextRenderer.h"

#include <cmath>

namespace quib {

Rgba Mix(const Rgba& a, const Rgba& b, float t) {
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t,
            a.a + (b.a - a.a) * t};
}

Rgba WithAlpha(Rgba colour, float alpha) {
    colour.a = alpha;
    return colour;
}

Rgba Hex(uint32_t rgb) {
    return {((rgb >> 16) & 0xFF) / 255.0f, ((rgb >> 8) & 0xFF) / 255.0f, (rgb & 0xFF) / 255.0f,
            1.0f};
}

Canvas::Canvas(int width, int height)
    : width_(width), height_(height),
      pixels_(static_cast<size_t>(width * height), Rgba{0, 0, 0, 0}) {}

void Canvas::Blend(int x, int y, const Rgba& colour, float coverage) {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) {
        return;
    }
    const float a = std::clamp(colour.a * coverage, 0.0f, 1.0f);
    Rgba& pixel = pixels_[static_cast<size_t>(y * width_ + x)];
    pixel.r = colour.r * a + pixel.r * (1 - a);
    pixel.g = colour.g * a + pixel.g * (1 - a);
    pixel.b = colour.b * a + pixel.b * (1 - a);
    pixel.a = a + pixel.a * (1 - a);
}

bool Canvas::RenderText(TextRenderer& renderer, const FontDescription& font, std::string_view text,
                        int left, int top, int right, int bottom, uint32_t format,
                        std::vector<uint32_t>& coverage) const {
    coverage.assign(static_cast<size_t>(width_ * height_), 0);
    const TextSurface surface{coverage.data(), width_, height_, width_ * 4, RowOrder::TopDown};
    return renderer.DrawText(font, text, {left, top, right, bottom}, format, surface);
}

Rgba Canvas::Sample(float x, float y) const {
    const float fx = std::clamp(x - 0.5f, 0.0f, static_cast<float>(width_ - 1));
    const float fy = std::clamp(y - 0.5f, 0.0f, static_cast<float>(height_ - 1));
    const int x0 = static_cast<int>(fx);
    const int y0 = static_cast<int>(fy);
    const int x1 = std::min(x0 + 1, width_ - 1);
    const int y1 = std::min(y0 + 1, height_ - 1);
    auto at = [&](int px, int py) { return pixels_[static_cast<size_t>(py * width_ + px)]; };
    const Rgba top = Mix(at(x0, y0), at(x1, y0), fx - x0);
    const Rgba bottom = Mix(at(x0, y1), at(x1, y1), fx - x0);
    const Rgba premultiplied = Mix(top, bottom, fy - y0);
    if (premultiplied.a <= 0) {
        return {0, 0, 0, 0};
    }
    return {premultiplied.r / premultiplied.a, premultiplied.g / premultiplied.a,
            premultiplied.b / premultiplied.a, premultiplied.a};
}

bool Canvas::Save(const std::string& path) const {
    std::vector<uint32_t> argb(pixels_.size());
    for (size_t i = 0; i < pixels_.size(); ++i) {
        const Rgba& p = pixels_[i];
        auto byte = [](float v) {
            return static_cast<uint32_t>(std::lround(std::clamp(v, 0.0f, 1.0f) * 255.0f));
        };
        const float inverse = p.a > 0 ? 1.0f / p.a : 0.0f;
        argb[i] = byte(p.a) << 24 | byte(p.r * inverse) << 16 | byte(p.g * inverse) << 8 |
                  byte(p.b * inverse);
    }
    return WritePng(path, width_, height_, argb.data());
}

} // namespace quib
