// Where a run's start-up time goes: named steps timed with the steady clock, for
// `qdp render --timings`.
#include "app/StartupTimings.h"

#include <cstdio>

namespace quib {
namespace {

StartupTimings* installed = nullptr;

} // namespace

StartupTimings::StartupTimings() : last(Clock::now()), previous(installed) {
    installed = this;
}

StartupTimings::~StartupTimings() {
    installed = previous;
}

StartupTimings::Step::Step(const char* name) : log(name != nullptr ? installed : nullptr) {
    if (log != nullptr) {
        log->Charge();
        log->open.push_back(log->IndexOf(name));
        ++log->entries[log->open.back()].count;
    }
}

StartupTimings::Step::~Step() {
    if (log != nullptr) {
        log->Charge();
        log->open.pop_back();
    }
}

void StartupTimings::Charge() {
    const Clock::time_point now = Clock::now();
    const size_t index = open.empty() ? IndexOf("other") : open.back();
    entries[index].seconds += std::chrono::duration<double>(now - last).count();
    last = now;
}

size_t StartupTimings::IndexOf(const char* name) {
    for (size_t i = 0; i < entries.size(); ++i) {
        if (entries[i].name == name) {
            return i;
        }
    }
    entries.push_back({name});
    return entries.size() - 1;
}

const std::vector<StartupTimings::Entry>& StartupTimings::Entries() {
    Charge();
    return entries;
}

void StartupTimings::Print() {
    double total = 0.0;
    for (const Entry& entry : Entries()) {
        const std::string name =
            entry.count > 1 ? entry.name + " (" + std::to_string(entry.count) + ")" : entry.name;
        std::fprintf(stderr, "  %-34s %9.1f ms\n", name.c_str(), entry.seconds * 1000.0);
        total += entry.seconds;
    }
    std::fprintf(stderr, "  %-34s %9.1f ms\n", "total", total * 1000.0);
}

} // namespace quib
