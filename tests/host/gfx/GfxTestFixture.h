// A headless context and device for drawing tests, with pixel read-back helpers.
#pragma once

#include "host/gfx/GfxContextEgl.h"
#include "host/gfx/GfxDeviceGl.h"
#include "host/gfx/GfxVertex.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

namespace quib {

inline int Channel(uint32_t argb, int shift) {
    return static_cast<int>((argb >> shift) & 0xFFu);
}

// Every channel of `actual` within `tolerance` of `expected`.
inline ::testing::AssertionResult ColourNear(uint32_t actual, uint32_t expected, int tolerance) {
    for (int shift : {24, 16, 8, 0}) {
        if (std::abs(Channel(actual, shift) - Channel(expected, shift)) > tolerance) {
            char text[64];
            std::snprintf(text, sizeof text, "0x%08X, expected 0x%08X (+-%d)", actual, expected,
                          tolerance);
            return ::testing::AssertionFailure() << text;
        }
    }
    return ::testing::AssertionSuccess();
}

class GfxTest : public ::testing::Test {
protected:
    static constexpr int backWidth = 64;
    static constexpr int backHeight = 64;

    void SetUp() override {
        std::string error;
        context = GfxContextEgl::Create(backWidth, backHeight, error);
        ASSERT_NE(context, nullptr) << error;
        device = GfxDeviceGl::Create(*context, backWidth, backHeight, error);
        ASSERT_NE(device, nullptr) << error;
        device->BeginFrame();
        device->Clear();
    }

    void TearDown() override {
        quad.reset();
        device.reset();
        context.reset();
    }

    // The back buffer pixel at (x, y), y from the top.
    uint32_t Pixel(int x, int y) {
        std::vector<uint32_t> argb;
        EXPECT_TRUE(device->ReadBackBuffer(argb));
        return argb.at(static_cast<size_t>(y) * backWidth + static_cast<size_t>(x));
    }

    // A quad from (left, top) to (right, bottom) in device coordinates, one colour, texture
    // coordinates (u0, v0) at the top-left to (u1, v1) at the bottom-right, as a fan.
    void DrawQuad(float left, float top, float right, float bottom, uint32_t colour,
                  float u0 = 0.0f, float v0 = 0.0f, float u1 = 1.0f, float v1 = 1.0f) {
        if (!quad) {
            quad = device->CreateVertexBuffer(4 * sizeof(TexturedVertex));
        }
        auto* v = static_cast<TexturedVertex*>(quad->Lock());
        v[0] = {left, top, 0.0f, colour, u0, v0};
        v[1] = {right, top, 0.0f, colour, u1, v0};
        v[2] = {right, bottom, 0.0f, colour, u1, v1};
        v[3] = {left, bottom, 0.0f, colour, u0, v1};
        quad->Unlock();
        device->Draw(*quad, VertexFormat::Textured, Primitive::TriangleFan, 0, 2);
    }

    // A texture of width x height filled by `pixel(x, y)`, through a lock.
    template <typename F>
    std::unique_ptr<GfxTexture> MakeTexture(int width, int height, TextureUsage usage, F pixel) {
        auto texture = device->CreateTexture(width, height, usage);
        EXPECT_NE(texture, nullptr);
        TextureLock lock = texture->Lock();
        EXPECT_NE(lock.bits, nullptr);
        for (int y = 0; y < height; ++y) {
            auto* row = reinterpret_cast<uint32_t*>(lock.bits + y * lock.pitch);
            for (int x = 0; x < width; ++x) {
                row[x] = pixel(x, y);
            }
        }
        texture->Unlock();
        return texture;
    }

    std::unique_ptr<GfxContextEgl> context;
    std::unique_ptr<GfxDevice> device;
    std::unique_ptr<GfxVertexBuffer> quad;
};

} // namespace quib
