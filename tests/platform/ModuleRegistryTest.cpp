// Registration order, start-up and shut-down of platform modules.
#include "platform/ModuleRegistry.h"

#include <gtest/gtest.h>
#include <string>

namespace quib {
namespace {

class RecordingModule : public PlatformModule {
public:
    RecordingModule(uint8_t priority, const char* name, std::string& log, bool startAnswer = true)
        : PlatformModule(priority, name), log(log), startAnswer(startAnswer) {}
    bool Startup() override {
        log += std::string("+") + Name();
        return startAnswer;
    }
    bool Shutdown() override {
        log += std::string("-") + Name();
        return true;
    }

private:
    std::string& log;
    bool startAnswer;
};

TEST(ModuleRegistry, StartsInPriorityOrderAndStopsInReverse) {
    std::string log;
    RecordingModule two(2, "2", log);
    RecordingModule one(1, "1", log);
    RecordingModule oneLater(1, "1b", log);
    ModuleRegistry registry;
    ASSERT_TRUE(registry.Register(&two));
    ASSERT_TRUE(registry.Register(&one));
    ASSERT_TRUE(registry.Register(&oneLater));
    EXPECT_FALSE(registry.Register(&one)) << "registered once only";
    EXPECT_FALSE(registry.Register(nullptr));
    ASSERT_EQ(registry.Count(), 3);

    EXPECT_EQ(registry.StartAll(), 3u);
    EXPECT_TRUE(registry.IsStarted());
    EXPECT_EQ(log, "+1+1b+2");
    EXPECT_TRUE(one.IsStarted() && oneLater.IsStarted() && two.IsStarted());
    EXPECT_EQ(registry.StartAll(), 3u) << "a started module is not started again";
    EXPECT_EQ(log, "+1+1b+2");

    log.clear();
    registry.StopAll();
    EXPECT_FALSE(registry.IsStarted());
    EXPECT_EQ(log, "-2-1b-1");
    EXPECT_FALSE(one.IsStarted() || oneLater.IsStarted() || two.IsStarted());
}

TEST(ModuleRegistry, AModuleThatFailsToStartIsNotStopped) {
    std::string log;
    RecordingModule good(1, "good", log);
    RecordingModule bad(2, "bad", log, false);
    ModuleRegistry registry;
    registry.Register(&good);
    registry.Register(&bad);
    EXPECT_EQ(registry.StartAll(), 1u);
    EXPECT_FALSE(bad.IsStarted());
    EXPECT_EQ(registry.Count(), 2) << "it stays registered";
    log.clear();
    registry.StopAll();
    EXPECT_EQ(log, "-good");
}

TEST(ModuleRegistry, TheOsModuleIsRegisteredAtStaticInitialisation) {
    ModuleRegistry& global = ModuleRegistry::Global();
    ASSERT_GE(global.Count(), 1);
    EXPECT_STREQ(global.Module(0)->Name(), "ZQOS");
    EXPECT_EQ(global.Module(0)->Priority(), 1);
}

} // namespace
} // namespace quib
