// Start-up of a headless run, from exec to exit: `qdp render` of the demo disk's first frame at
// 1280x720 against egl_floor, the least a program does to show a frame with the same OpenGL.
// Both are started as new processes, turn about; the figures are medians of wall time.
// Usage: startup_bench [rounds, default 11]
#include "GoalComparison.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

// Runs the program to its exit; its wall time in milliseconds, or -1 when it failed.
double RunMs(std::vector<std::string> arguments) {
    std::vector<char*> argv;
    for (std::string& argument : arguments) {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);
    // What the programs print would bury the figures.
    posix_spawn_file_actions_t quiet;
    posix_spawn_file_actions_init(&quiet);
    posix_spawn_file_actions_addopen(&quiet, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&quiet, 2, "/dev/null", O_WRONLY, 0);
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, argv[0], &quiet, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&quiet);
    if (spawned != 0) {
        return -1.0;
    }
    int status = 0;
    if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        return -1.0;
    }
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

// Exits when a run failed: a failed run says nothing about start-up.
double Checked(const char* what, double ms) {
    if (ms < 0.0) {
        std::fprintf(stderr, "startup_bench: %s failed\n", what);
        std::exit(1);
    }
    return ms;
}

} // namespace

int main(int argc, char** argv) {
    const int rounds = quib::bench::RoundsFromArguments(argc, argv);
    const std::string frame = (std::filesystem::temp_directory_path() /
                               ("startup_bench-" + std::to_string(getpid()) + ".png"))
                                  .string();
    const std::vector<std::string> render = {QUIB_QDP, "render",   QUIB_DEMO_DISK, "--time", "0",
                                             "--size", "1280x720", "--out",        frame};
    const std::vector<std::string> floor = {QUIB_EGL_FLOOR, "1280", "720"};
    std::printf("exec to exit, %d rounds: qdp render of the demo disk's first frame at 1280x720\n"
                "against egl_floor (EGL surfaceless, one shader, one textured quad read back)\n\n",
                rounds);
    quib::bench::PrintGoalHeader("wall ms");
    quib::bench::CompareWithFloor(
        "qdp render --time 0 (1280x720)", 1.2, rounds,
        [&] { return Checked("qdp render", RunMs(render)); },
        [&] { return Checked("egl_floor", RunMs(floor)); });
    std::filesystem::remove(frame);
    return 0;
}
