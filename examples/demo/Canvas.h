// An RGBA picture in floating point that shapes, gradients and text are painted onto, saved
// as a PNG: the demo disk draws all its pictures with it.
#pragma once

#include "host/text/FontDescription.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quib {

class TextRenderer;

// A straight (not premultiplied) colour, each channel 0..1.
struct Rgba {
    float r = 0, g = 0, b = 0, a = 1;
};

Rgba Mix(const Rgba& a, const Rgba& b, float t);
Rgba WithAlpha(Rgba colour, float alpha);
// 0xRRGGBB to an opaque colour.
Rgba Hex(uint32_t rgb);

class Canvas {
public:
    Canvas(int width, int height);

    int Width() const { return width_; }
    int Height() const { return height_; }

    // Paints `colour`, as much as `coverage` says (0..1), over the pixel.
    void Blend(int x, int y, const Rgba& colour, float coverage = 1.0f);

    // Paints shader(x, y) over every pixel, x and y at pixel centres.
    template <class Shader>
    void Fill(Shader shader) {
        for (int y = 0; y < height_; ++y) {
            for (int x = 0; x < width_; ++x) {
                Blend(x, y, shader(x + 0.5f, y + 0.5f));
            }
        }
    }

    // Paints a shape given by its signed distance (negative inside, in pixels), antialiased
    // over one pixel, with the colour shader(x, y).
    template <class Distance, class Shader>
    void Shape(Distance distance, Shader shader) {
        for (int y = 0; y < height_; ++y) {
            for (int x = 0; x < width_; ++x) {
                const float px = x + 0.5f;
                const float py = y + 0.5f;
                const float coverage = std::clamp(0.5f - distance(px, py), 0.0f, 1.0f);
                if (coverage > 0.0f) {
                    Blend(x, y, shader(px, py), coverage);
                }
            }
        }
    }

    // A soft glow around a shape: opacity falls from `colour`'s alpha at the edge to 0 at
    // `radius` pixels outside it.
    template <class Distance>
    void Glow(Distance distance, const Rgba& colour, float radius) {
        Shape([&](float x, float y) { return distance(x, y) - radius; },
              [&](float x, float y) {
                  const float d = std::max(distance(x, y), 0.0f) / radius;
                  const float falloff = (1.0f - d) * (1.0f - d);
                  return WithAlpha(colour, colour.a * falloff);
              });
    }

    // Draws text centred in the rectangle, coloured by shader(x, y), with the font given.
    template <class Shader>
    bool Text(TextRenderer& renderer, const FontDescription& font, std::string_view text, int left,
              int top, int right, int bottom, uint32_t format, Shader shader) {
        std::vector<uint32_t> coverage;
        if (!RenderText(renderer, font, text, left, top, right, bottom, format, coverage)) {
            return false;
        }
        for (int y = 0; y < height_; ++y) {
            for (int x = 0; x < width_; ++x) {
                const uint32_t c = coverage[static_cast<size_t>(y * width_ + x)] & 0xFF;
                if (c != 0) {
                    Blend(x, y, shader(x + 0.5f, y + 0.5f), c / 255.0f);
                }
            }
        }
        return true;
    }

    // The straight colour at a point, interpolated between pixel centres and clamped to the
    // edges.
    Rgba Sample(float x, float y) const;

    // Writes the picture as an 8-bit RGBA PNG; false on failure.
    bool Save(const std::string& path) const;

private:
    bool RenderText(TextRenderer& renderer, const FontDescription& font, std::string_view text,
                    int left, int top, int right, int bottom, uint32_t format,
                    std::vector<uint32_t>& coverage) const;

    int width_;
    int height_;
    std::vector<Rgba> pixels_; // premultiplied by alpha while painting
};

} // namespace quib
