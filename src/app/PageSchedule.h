// The page schedule: the intro page on the first song's position, the overlay page on the wall
// clock, and each song's own page while that song is current.
#pragma once

#include "app/Page.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

namespace quib {

class AppHost;
class EffectHost;

// Page 0 is the intro, page 1 the overlay, page 2 + n belongs to song n. Pages are added on
// the main thread while the disk loads and drawn on the render thread.
class PageSchedule {
public:
    enum class IntroState { Intro, Main };

    // `clock` gives the overlay's wall clock; `player` the current song, read afresh for each
    // song page because an effect drawn earlier in the frame may have changed it.
    PageSchedule(AppHost& clock, const EffectHost& player) : clock(clock), player(player) {}
    PageSchedule(const PageSchedule&) = delete;
    PageSchedule& operator=(const PageSchedule&) = delete;

    void AddPage(std::unique_ptr<Page> page) { pages.push_back(std::move(page)); }
    // Puts these pages in place of the schedule's, which are destroyed; the intro's state and
    // the clocks go on.
    void ReplacePages(std::vector<std::unique_ptr<Page>> replacement) { pages.swap(replacement); }
    size_t PageCount() const { return pages.size(); }
    Page& PageAt(size_t index) { return *pages[index]; }
    // Destroys every page with its groups and effects.
    void Clear() { pages.clear(); }

    // Draws the pages due at this frame; `songPosition` is the low 32 bits of the current
    // song's byte position.
    void Draw(int32_t songPosition);
    // Tells every effect that the display's aspect changed from `previous` to `now`.
    void NotifyAspectChange(float previous, float now);

    IntroState State() const { return introState.load(); }
    // The wall clock (milliseconds) when the intro ended.
    int32_t IntroEndClock() const { return introEndClock; }

private:
    AppHost& clock;
    const EffectHost& player;
    std::vector<std::unique_ptr<Page>> pages;
    std::atomic<IntroState> introState{IntroState::Intro};
    int32_t introEndClock = 0;
};

} // namespace quib
