// One running copy of the game per user. The first copy holds a lock in the
// runtime folder and listens on a socket beside it; a second start finds the
// lock taken, sends the wake message and ends, and the running copy shows,
// restores and raises itself. Headless runs, screenshot runs and tools never
// take part, so tests can run side by side.
#pragma once

#include <string>

// $XDG_RUNTIME_DIR, or a private folder in /tmp when it is unset; "" when
// that folder is not private to this user.
std::string RuntimeDir();

// The wake message's two numbers; anything else on the socket is ignored.
constexpr int WakeParam1 = 5555;
constexpr int WakeParam2 = 8888;

class TSingleInstance {
  public:
    TSingleInstance() = default;
    ~TSingleInstance();
    TSingleInstance(const TSingleInstance&) = delete;
    TSingleInstance& operator=(const TSingleInstance&) = delete;

    // True when this process is now the running copy. False when another
    // copy holds the lock (or the folder cannot be used, with error set).
    bool Acquire(const std::string& dir, std::string& error);
    // Sends the wake message to the running copy. True when it was delivered.
    static bool WakeRunning(const std::string& dir);
    // Sends raw text (tests use it for messages that must be ignored).
    static bool SendRaw(const std::string& dir, const std::string& text);
    // Reads pending messages without blocking; true when a valid wake arrived.
    bool PollWake();
    void Release();

  private:
    int LockFd = -1;
    int ListenFd = -1;
    std::string SocketPath;
};
