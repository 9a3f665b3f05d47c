// Presentation: the back buffer stretched to the client area, and the frame-rate cap.
#include "GfxTestFixture.h"
#include "host/gfx/FramePacer.h"

#include <chrono>

namespace quib {
namespace {

TEST_F(GfxTest, EachFrameDrawsAtTheClientSize) {
    ASSERT_TRUE(context->SetClientSize(32, 16));
    device->BeginFrame();
    device->Clear();
    EXPECT_EQ(device->BackBufferWidth(), 32);
    EXPECT_EQ(device->BackBufferHeight(), 16);
    DrawQuad(0.0f, 1.0f, 1.0f, -1.0f, 0xFF0000FFu);
    device->EndFrame();
    device->Present();
    std::vector<uint32_t> back;
    std::vector<uint32_t> client;
    ASSERT_TRUE(device->ReadBackBuffer(back));
    ASSERT_TRUE(context->ReadClientArea(client));
    EXPECT_EQ(back, client);
    EXPECT_EQ(client[8 * 32 + 3], 0xFF000000u);
    EXPECT_EQ(client[8 * 32 + 20], 0xFF0000FFu);
}

TEST_F(GfxTest, PresentStretchesAFrameToAClientAreaThatChangedUnderIt) {
    // Left half red, right half blue, a green band over the top quarter.
    DrawQuad(-1.0f, 1.0f, 0.0f, -1.0f, 0xFFFF0000u);
    DrawQuad(0.0f, 1.0f, 1.0f, -1.0f, 0xFF0000FFu);
    DrawQuad(-1.0f, 1.0f, 1.0f, 0.5f, 0xFF00FF00u);
    device->EndFrame();
    ASSERT_TRUE(context->SetClientSize(32, 16));
    device->Present();

    // Half the width, a quarter of the height.
    std::vector<uint32_t> client;
    ASSERT_TRUE(context->ReadClientArea(client));
    ASSERT_EQ(client.size(), 32u * 16u);
    auto at = [&](int x, int y) { return client[static_cast<size_t>(y) * 32 + x]; };
    EXPECT_EQ(at(2, 1), 0xFF00FF00u);
    EXPECT_EQ(at(28, 2), 0xFF00FF00u);
    EXPECT_EQ(at(4, 10), 0xFFFF0000u);
    EXPECT_EQ(at(12, 14), 0xFFFF0000u);
    EXPECT_EQ(at(20, 10), 0xFF0000FFu);
    EXPECT_EQ(at(30, 14), 0xFF0000FFu);

    // The back buffer keeps its size and contents after presenting.
    EXPECT_EQ(Pixel(60, 60), 0xFF0000FFu);

    // A larger client area stretches the other way.
    ASSERT_TRUE(context->SetClientSize(128, 96));
    device->Present();
    ASSERT_TRUE(context->ReadClientArea(client));
    ASSERT_EQ(client.size(), 128u * 96u);
    EXPECT_EQ(client[10 * 128 + 60], 0xFF00FF00u);
    EXPECT_EQ(client[90 * 128 + 60], 0xFFFF0000u);
    EXPECT_EQ(client[90 * 128 + 70], 0xFF0000FFu);
}

TEST_F(GfxTest, ContextRefusesImpossibleClientAreas) {
    EXPECT_FALSE(context->SetClientSize(0, 10));
    EXPECT_FALSE(context->SetClientSize(10, 1 << 20));
    int width = 0;
    int height = 0;
    context->ClientSize(width, height);
    EXPECT_EQ(width, backWidth);
    EXPECT_EQ(height, backHeight);
}

TEST(GfxDeviceCreation, RefusesImpossibleBackBuffers) {
    std::string error;
    auto context = GfxContextEgl::Create(16, 16, error);
    ASSERT_NE(context, nullptr) << error;
    EXPECT_EQ(GfxDeviceGl::Create(*context, 0, 100, error), nullptr);
    EXPECT_NE(error.find("0x100"), std::string::npos) << error;
    error.clear();
    auto device = GfxDeviceGl::Create(*context, 1920, 1080, error);
    ASSERT_NE(device, nullptr) << error;
    EXPECT_EQ(device->BackBufferWidth(), 1920);
    EXPECT_EQ(device->BackBufferHeight(), 1080);
}

TEST(GfxDeviceCreation, NeedsTheContextCurrent) {
    std::string error;
    auto context = GfxContextEgl::Create(16, 16, error);
    ASSERT_NE(context, nullptr) << error;
    context->ReleaseCurrent();
    EXPECT_EQ(GfxDeviceGl::Create(*context, 64, 64, error), nullptr);
    EXPECT_NE(error.find("current"), std::string::npos) << error;
}

TEST(GfxDeviceCreation, TwoContextsLiveSideBySide) {
    std::string error;
    auto first = GfxContextEgl::Create(8, 8, error);
    auto second = GfxContextEgl::Create(8, 8, error);
    ASSERT_NE(first, nullptr) << error;
    ASSERT_NE(second, nullptr) << error;
    second.reset();
    ASSERT_TRUE(first->MakeCurrent());
    auto device = GfxDeviceGl::Create(*first, 8, 8, error);
    ASSERT_NE(device, nullptr) << error;
    device->BeginFrame();
    device->Clear();
    std::vector<uint32_t> argb;
    ASSERT_TRUE(device->ReadBackBuffer(argb));
    EXPECT_EQ(argb.front(), 0xFF000000u);
}

TEST(FramePacerTest, CapsTheFrameRate) {
    FramePacer pacer;
    const auto start = std::chrono::steady_clock::now();
    // The first frame starts the schedule; five more at 50 per second take at least 100 ms.
    for (int frame = 0; frame < 6; ++frame) {
        pacer.Wait(50);
    }
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_GE(elapsed, std::chrono::milliseconds(95));
}

} // namespace
} // namespace quib
