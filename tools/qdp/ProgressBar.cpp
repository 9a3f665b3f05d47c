// Drawing the progress bar on a terminal.
#include "ProgressBar.h"

#include <algorithm>
#include <cstdio>
#include <sys/ioctl.h>
#include <unistd.h>

namespace quib::qdp {
namespace {

int TerminalWidth() {
    winsize size{};
    if (ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col >= 40) {
        return size.ws_col;
    }
    return 80;
}

} // namespace

ProgressBar::ProgressBar(std::string_view label, uint64_t total, uint64_t minimumTotal)
    : label_(label), total_(total), shown_(isatty(STDERR_FILENO) == 1 && total >= minimumTotal) {}

ProgressBar::~ProgressBar() {
    Finish();
}

void ProgressBar::Advance(uint64_t amount, std::string_view item) {
    done_ = std::min(total_, done_ + amount);
    if (shown_) {
        Draw(item);
    }
}

void ProgressBar::Draw(std::string_view item) {
    const int permille = total_ > 0 ? static_cast<int>(done_ * 1000 / total_) : 1000;
    if (permille == lastPermille_) {
        return;
    }
    lastPermille_ = permille;
    constexpr int kBarWidth = 30;
    const int filled = permille * kBarWidth / 1000;
    std::string line = label_ + " [" + std::string(static_cast<size_t>(filled), '#') +
                       std::string(static_cast<size_t>(kBarWidth - filled), '.') + "] " +
                       std::to_string(permille / 10) + "% ";
    const size_t room = static_cast<size_t>(TerminalWidth() - 1);
    if (line.size() < room) {
        line += item.substr(0, room - line.size());
    }
    line.resize(std::min(line.size(), room));
    std::fprintf(stderr, "\r%s\033[K", line.c_str());
    std::fflush(stderr);
}

void ProgressBar::Finish() {
    if (shown_) {
        std::fprintf(stderr, "\r\033[K");
        std::fflush(stderr);
        shown_ = false;
    }
}

} // namespace quib::qdp
