// Times an operation of ours against its floor in the C library, in rounds taken turn about.
#pragma once

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

namespace quib::bench {

// Rounds per comparison: the program's first argument, else 11. One round is enough under
// an instruction counter, where the figures do not vary.
inline int RoundsFromArguments(int argc, char** argv) {
    const int rounds = argc > 1 ? std::atoi(argv[1]) : 11;
    return rounds > 0 ? rounds : 11;
}

inline double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

inline void PrintGoalHeader(const char* unit) {
    std::printf("%-36s %10s %10s %8s %8s\n", unit, "quib", "floor", "ratio", "goal");
}

// One row under the header: the median costs, the median ratio and the goal (0: none).
inline void PrintGoalRow(const char* what, double ours, double floor, double ratio, double goal) {
    std::printf("%-36s %10.2f %10.2f %7.2fx", what, ours, floor, ratio);
    if (goal > 0) {
        std::printf(" %7.2fx", goal);
    }
    std::printf("\n");
}

// Runs ours and floor alternately; each returns its cost in the unit of the header. Prints
// the median costs and the median of the rounds' ratios: load from other programs that comes
// and goes hits the two sides of a round alike. A goal of 0 prints no goal.
inline void CompareWithFloor(const char* what, double goal, int rounds,
                             const std::function<double()>& ours,
                             const std::function<double()>& floor) {
    std::vector<double> oursCosts;
    std::vector<double> floorCosts;
    std::vector<double> ratios;
    for (int round = 0; round < rounds; ++round) {
        oursCosts.push_back(ours());
        floorCosts.push_back(floor());
        ratios.push_back(oursCosts.back() / floorCosts.back());
    }
    PrintGoalRow(what, Median(oursCosts), Median(floorCosts), Median(ratios), goal);
}

} // namespace quib::bench
