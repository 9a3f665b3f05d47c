// A one-line progress bar on standard error, for work long enough to wait for.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace quib::qdp {

class ProgressBar {
public:
    // Work below this many bytes finishes too quickly for a bar to help.
    static constexpr uint64_t kMinimumTotal = 8u << 20;

    // Shows a bar only when standard error is a terminal and total is at least minimumTotal.
    ProgressBar(std::string_view label, uint64_t total, uint64_t minimumTotal = kMinimumTotal);
    ~ProgressBar();
    ProgressBar(const ProgressBar&) = delete;
    ProgressBar& operator=(const ProgressBar&) = delete;

    // Counts `amount` more bytes done; `item` names what is being worked on.
    void Advance(uint64_t amount, std::string_view item);
    // Clears the bar's line; also done by the destructor.
    void Finish();

private:
    void Draw(std::string_view item);

    std::string label_;
    uint64_t total_;
    uint64_t done_ = 0;
    bool shown_;
    int lastPermille_ = -1;
};

} // namespace quib::qdp
