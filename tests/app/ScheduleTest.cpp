// The page schedule: intro, overlay on the wall clock, song pages, intervals and durations.
#include "app/AppHostHeadless.h"
#include "app/EffectGroup.h"
#include "app/PageSchedule.h"
#include "effects/Effect.h"
#include "effects/FakeEffectHost.h"

#include <gtest/gtest.h>

namespace quib {
namespace {

struct DrawCall {
    int32_t elapsed, remaining, position;
    bool operator==(const DrawCall&) const = default;
};

// An effect that records its draws; it needs no device.
class RecordingEffect final : public Effect {
public:
    using Effect::Effect;
    void Draw(int32_t elapsed, int32_t remaining, int32_t position) override {
        calls.push_back({elapsed, remaining, position});
    }
    void Rebuild() override {}
    void ReleaseResources() override {}
    int32_t GetType() const override { return 0; }

    std::vector<DrawCall> calls;
};

class Schedule : public ::testing::Test {
protected:
    Schedule() { player.currentSong = -1; }

    // A page of one group with the given intervals and one recording effect.
    RecordingEffect& AddPage(std::vector<ActiveInterval> intervals) {
        schedule.AddPage(std::make_unique<Page>(nullptr, &player));
        Page& page = schedule.PageAt(schedule.PageCount() - 1);
        page.groups.push_back(std::make_unique<EffectGroup>(nullptr, &page));
        EffectGroup& group = *page.groups.back();
        group.intervals = std::move(intervals);
        group.effects.push_back(std::make_unique<RecordingEffect>(nullptr, page.host));
        return static_cast<RecordingEffect&>(*group.effects.back());
    }

    // Draws one frame with the song at `frames` (4 bytes a frame).
    void Frame(int32_t frames) { schedule.Draw(frames * 4); }

    AppHostHeadless host;
    test::FakeEffectHost player{nullptr};
    PageSchedule schedule{host, player};
};

TEST_F(Schedule, NoPagesDrawsNothingAndStaysInIntro) {
    Frame(100000);
    EXPECT_EQ(schedule.State(), PageSchedule::IntroState::Intro);
}

TEST_F(Schedule, IntroRunsUntilThePositionPassesItsDuration) {
    RecordingEffect& intro = AddPage({{0, 1000}});
    RecordingEffect& overlay = AddPage({{0, 100000}});
    Frame(400);
    Frame(1000); // equal to the duration: still the intro
    EXPECT_EQ(intro.calls, (std::vector<DrawCall>{{400, 600, 400}, {1000, 0, 1000}}));
    EXPECT_TRUE(overlay.calls.empty());

    host.SetClockMs(5000);
    Frame(1001);
    EXPECT_EQ(schedule.State(), PageSchedule::IntroState::Main);
    EXPECT_EQ(schedule.IntroEndClock(), 5000);
    EXPECT_EQ(intro.calls.size(), 2u);
    EXPECT_EQ(overlay.calls, (std::vector<DrawCall>{{0, 100000, 0}}));

    Frame(0); // the intro never returns
    EXPECT_EQ(intro.calls.size(), 2u);
}

TEST_F(Schedule, EmptyIntroEndsOnFirstPositiveFrame) {
    AddPage({});
    Frame(0);
    EXPECT_EQ(schedule.State(), PageSchedule::IntroState::Intro);
    Frame(1);
    EXPECT_EQ(schedule.State(), PageSchedule::IntroState::Main);
}

TEST_F(Schedule, OverlayLoopsOnTheWallClock) {
    AddPage({{0, 10}});
    RecordingEffect& overlay = AddPage({{0, 44100}});
    host.SetClockMs(2000);
    Frame(11);
    host.SetClockMs(2000 + 1500); // 66150 units: 22050 into the second loop
    Frame(5000);
    ASSERT_EQ(overlay.calls.size(), 2u);
    EXPECT_EQ(overlay.calls[1], (DrawCall{22050, 22050, 66150}));
}

TEST_F(Schedule, SongZeroPageStartsWhereTheIntroEnded) {
    AddPage({{0, 1000}});
    AddPage({});
    RecordingEffect& song0 = AddPage({{0, 500}});
    RecordingEffect& song1 = AddPage({{0, 500}});
    player.currentSong = 0;
    Frame(1001);
    Frame(1600); // raw 600 wraps on the page's duration 500
    EXPECT_EQ(song0.calls, (std::vector<DrawCall>{{1, 499, 1001}, {100, 400, 1600}}));
    EXPECT_TRUE(song1.calls.empty());

    player.currentSong = 0;
    Frame(10); // song 0 restarted: below the intro's length its page stays at time 0
    EXPECT_EQ(song0.calls.back(), (DrawCall{0, 500, 10}));

    player.currentSong = 1;
    Frame(450); // other songs run on their own position
    EXPECT_EQ(song1.calls, (std::vector<DrawCall>{{450, 50, 450}}));
}

TEST_F(Schedule, WithoutCurrentSongEverySongPageIsDrawn) {
    AddPage({});
    AddPage({});
    RecordingEffect& song0 = AddPage({{0, 100}});
    RecordingEffect& song1 = AddPage({{0, 100}});
    Frame(1);
    Frame(30);
    EXPECT_EQ(song0.calls.size(), 2u);
    EXPECT_EQ(song1.calls, (std::vector<DrawCall>{{1, 99, 1}, {30, 70, 30}}));
}

TEST_F(Schedule, EmptyPlaylistShowsTheIntroAtTimeZero) {
    RecordingEffect& intro = AddPage({{0, 100}});
    schedule.Draw(0);
    schedule.Draw(0);
    EXPECT_EQ(intro.calls, (std::vector<DrawCall>{{0, 100, 0}, {0, 100, 0}}));
    EXPECT_EQ(player.currentSong, -1);
}

TEST_F(Schedule, FirstMatchingIntervalWinsAndEndsAreInclusive) {
    RecordingEffect& intro = AddPage({{50, 40}, {10, 20}, {15, 200}, {0, 300}});
    for (int32_t t : {9, 10, 20, 21, 200, 300}) {
        Frame(t);
    }
    EXPECT_EQ(
        intro.calls,
        (std::vector<DrawCall>{
            {9, 291, 9}, {0, 10, 10}, {10, 0, 20}, {6, 179, 21}, {185, 0, 200}, {300, 0, 300}}));
}

TEST_F(Schedule, GroupOutsideItsIntervalsDrawsNothing) {
    RecordingEffect& intro = AddPage({{100, 200}, {300, 400}});
    Frame(50);
    Frame(250);
    EXPECT_TRUE(intro.calls.empty());
    Frame(300);
    EXPECT_EQ(intro.calls.size(), 1u);
}

TEST_F(Schedule, DurationsAreLargestEndOrZero) {
    AddPage({{-50, -10}});
    EXPECT_EQ(schedule.PageAt(0).Duration(), 0);
    AddPage({{0, 10}, {5, 700}, {800, 20}});
    EXPECT_EQ(schedule.PageAt(1).Duration(), 700);
    schedule.PageAt(1).groups.push_back(
        std::make_unique<EffectGroup>(nullptr, &schedule.PageAt(1)));
    EXPECT_EQ(schedule.PageAt(1).groups.back()->Duration(), 0);
    EXPECT_EQ(schedule.PageAt(1).Duration(), 700);
}

} // namespace
} // namespace quib
