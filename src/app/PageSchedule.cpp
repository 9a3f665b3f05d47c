// The page schedule: the intro page on the first song's position, the overlay page on the wall
// clock, and each song's own page while that song is current.
#include "app/PageSchedule.h"

#include "app/AppHost.h"
#include "effects/EffectHost.h"

#include <algorithm>

namespace quib {
namespace {

// Page times wrap on the page's duration; a time below zero shows the page's start.
int32_t PageTime(int64_t raw, int32_t duration) {
    const int64_t t = duration > 0 ? raw % duration : raw;
    return static_cast<int32_t>(std::clamp<int64_t>(t, 0, INT32_MAX));
}

} // namespace

void PageSchedule::Draw(int32_t songPosition) {
    const int32_t p = songPosition / 4;
    int32_t introDuration = 0;
    for (size_t k = 0; k < pages.size(); ++k) {
        Page& page = *pages[k];
        if (k == 0) {
            introDuration = page.Duration();
            if (introState.load() == IntroState::Intro) {
                if (introDuration < p) {
                    introState = IntroState::Main;
                    introEndClock = clock.ClockMs();
                } else {
                    page.Draw(std::max(p, 0), p);
                    return;
                }
            }
            continue;
        }
        if (k == 1) {
            // Milliseconds to clock units in 64 bits, so the overlay keeps looping however
            // long the disk runs.
            const int64_t ms = static_cast<int64_t>(clock.ClockMs()) - introEndClock;
            const auto c = static_cast<int64_t>(ms / 1000.0 * 44100.0);
            page.Draw(PageTime(c, page.Duration()), static_cast<int32_t>(c));
            continue;
        }
        const auto n = static_cast<int32_t>(k - 2);
        const int32_t current = player.CurrentSong();
        if (current != -1 && current != n) {
            continue;
        }
        const int64_t raw = n == 0 ? int64_t{p} - introDuration : p;
        page.Draw(PageTime(raw, page.Duration()), p);
    }
}

void PageSchedule::NotifyAspectChange(float previous, float now) {
    for (const auto& page : pages) {
        page->AspectChanged(previous, now);
    }
}

} // namespace quib
