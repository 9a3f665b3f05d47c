// The start-up work done ahead on a thread of its own.
#include "app/StartupAhead.h"

#include "host/text/TextRenderer.h"

#include <gtest/gtest.h>

namespace quib {
namespace {

TEST(StartupAhead, HandsOverAReadyTextRendererOnce) {
    StartupAhead ahead;
    const std::unique_ptr<TextRenderer> text = ahead.TakeText();
    ASSERT_NE(text, nullptr);
    EXPECT_TRUE(text->IsReady());
    EXPECT_EQ(ahead.TakeText(), nullptr);
    // One left alone is waited for when it goes.
    const StartupAhead untaken;
}

} // namespace
} // namespace quib
