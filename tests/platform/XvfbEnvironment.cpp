#include "XvfbEnvironment.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {
std::string& WhyStore() {
    static std::string why;
    return why;
}
} // namespace

bool& TXvfbEnvironment::HaveDisplay() {
    static bool have = false;
    return have;
}

const std::string& TXvfbEnvironment::Why() {
    return WhyStore();
}

void TXvfbEnvironment::SetUp() {
    // Never a Wayland window in tests: the checks read back an X drawable.
    unsetenv("WAYLAND_DISPLAY");
    const char* display = std::getenv("DISPLAY");
    if (display && *display) {
        HaveDisplay() = true;
        return;
    }
    int fds[2];
    if (pipe(fds) != 0) {
        WhyStore() = std::string("pipe: ") + std::strerror(errno);
        return;
    }
    std::string fd = std::to_string(fds[1]);
    const char* argv[] = {"Xvfb",       "-displayfd", fd.c_str(), "-screen",  "0",
                          "640x480x24", "-nolisten",  "tcp",      "-noreset", nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    int rc = posix_spawnp(&Server, "Xvfb", &actions, nullptr, const_cast<char**>(argv), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    if (rc != 0) {
        close(fds[0]);
        Server = -1;
        WhyStore() = "Xvfb cannot be started: " + std::string(std::strerror(rc));
        return;
    }
    std::string number;
    pollfd p{fds[0], POLLIN, 0};
    while (poll(&p, 1, 15000) > 0) {
        char c;
        if (read(fds[0], &c, 1) != 1 || c == '\n') break;
        number += c;
    }
    close(fds[0]);
    if (number.empty()) {
        WhyStore() = "Xvfb did not report a display";
        TearDown();
        return;
    }
    setenv("DISPLAY", (":" + number).c_str(), 1);
    HaveDisplay() = true;
}

void TXvfbEnvironment::TearDown() {
    if (Server > 0) {
        kill(Server, SIGTERM);
        int status = 0;
        waitpid(Server, &status, 0);
        Server = -1;
    }
}
