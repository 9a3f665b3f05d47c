// A private X server (Xvfb) with a window manager (openbox) beside it, for window tests.
#pragma once

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <poll.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace quib {

// Starts `Xvfb -displayfd` (the server picks a free display number and reports it once it
// accepts connections), then openbox with one key binding, Super+Up to maximise, and no others
// (so Alt+F4 reaches the window), and points DISPLAY at the server. The server never resets: one
// that resets when its last client leaves may drop openbox as it connects, right after the probe
// that waits for it has left. `error` says what failed.
class XvfbSession {
public:
    static constexpr int desktopWidth = 1280;
    static constexpr int desktopHeight = 1024;

    bool Start(std::string& error) {
        int pipeFds[2];
        if (pipe(pipeFds) != 0) {
            error = "pipe failed";
            return false;
        }
        const std::string fd = std::to_string(pipeFds[1]);
        const std::string screen =
            std::to_string(desktopWidth) + "x" + std::to_string(desktopHeight) + "x24";
        xvfb = Spawn(
            {"Xvfb", "-displayfd", fd, "-screen", "0", screen, "-nolisten", "tcp", "-noreset"});
        close(pipeFds[1]);
        if (xvfb <= 0) {
            close(pipeFds[0]);
            error = "Xvfb could not be started (is the xvfb package installed?)";
            return false;
        }
        std::string number;
        pollfd waitFor{pipeFds[0], POLLIN, 0};
        while (poll(&waitFor, 1, 15000) == 1) {
            char c = 0;
            if (read(pipeFds[0], &c, 1) != 1 || c == '\n') {
                break;
            }
            number += c;
        }
        close(pipeFds[0]);
        if (number.empty()) {
            error = "Xvfb started but reported no display within 15 s";
            return false;
        }
        display = ":" + number;
        setenv("DISPLAY", display.c_str(), 1);
        unsetenv("WAYLAND_DISPLAY");
        setenv("SDL_VIDEODRIVER", "x11", 1);

        config = "/tmp/quib-openbox-" + std::to_string(getpid()) + ".xml";
        std::ofstream(config) << "<?xml version=\"1.0\"?>\n"
                                 "<openbox_config xmlns=\"http://openbox.org/3.4/rc\">\n"
                                 "<keyboard><keybind key=\"W-Up\">"
                                 "<action name=\"Maximize\"/></keybind></keyboard>\n"
                                 "<mouse></mouse>\n"
                                 "<focus><focusNew>yes</focusNew></focus>\n"
                                 "</openbox_config>\n";
        openbox = Spawn({"openbox", "--sm-disable", "--config-file", config});
        if (openbox <= 0) {
            error = "openbox could not be started (is the openbox package installed?)";
            return false;
        }
        for (int attempt = 0; attempt < 150; ++attempt) {
            if (Output("xprop -root _NET_SUPPORTING_WM_CHECK").find("window id") !=
                std::string::npos) {
                return true;
            }
            usleep(100000);
        }
        error = "openbox did not take over display " + display + " within 15 s";
        return false;
    }

    ~XvfbSession() {
        Stop(openbox);
        Stop(xvfb);
        if (!config.empty()) {
            std::remove(config.c_str());
        }
    }

    // Runs a shell command against the session's display; its standard output.
    static std::string Output(const std::string& command) {
        std::string out;
        FILE* pipe = popen((command + " 2>/dev/null").c_str(), "r");
        if (pipe == nullptr) {
            return out;
        }
        char buffer[256];
        while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) {
            out += buffer;
        }
        pclose(pipe);
        return out;
    }

    static bool Run(const std::string& command) {
        return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
    }

    std::string display;

private:
    static pid_t Spawn(const std::vector<std::string>& arguments) {
        std::vector<char*> argv;
        for (const auto& a : arguments) {
            argv.push_back(const_cast<char*>(a.c_str()));
        }
        argv.push_back(nullptr);
        pid_t pid = 0;
        if (posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) {
            return 0;
        }
        return pid;
    }

    static void Stop(pid_t pid) {
        if (pid > 0) {
            kill(pid, SIGTERM);
            waitpid(pid, nullptr, 0);
        }
    }

    pid_t xvfb = 0;
    pid_t openbox = 0;
    std::string config;
};

} // namespace quib
