#include "platform/SingleInstance.h"

#include "app/SiteTrace.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {
std::string WithSlash(std::string s) {
    if (!s.empty() && s.back() != '/') s += '/';
    return s;
}

bool FillAddress(const std::string& path, sockaddr_un& addr) {
    std::memset(&addr, 0, sizeof addr);
    addr.sun_family = AF_UNIX;
    if (path.size() + 1 > sizeof addr.sun_path) return false;
    std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
    return true;
}
} // namespace

std::string RuntimeDir() {
    const char* dir = std::getenv("XDG_RUNTIME_DIR");
    if (dir && *dir) return WithSlash(dir);
    std::string fallback = "/tmp/rollix-" + std::to_string(getuid()) + "/";
    mkdir(fallback.c_str(), 0700);
    // A folder someone else made (or a link planted there) is not ours to use.
    struct stat st;
    if (lstat(fallback.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != getuid() ||
        (st.st_mode & 077) != 0)
        return "";
    return fallback;
}

TSingleInstance::~TSingleInstance() {
    Release();
}

bool TSingleInstance::Acquire(const std::string& dir, std::string& error) {
    RecordSite(14101);
    Release();
    if (dir.empty()) {
        error = "no private runtime folder";
        return false;
    }
    const std::string base = WithSlash(dir);
    const std::string lockPath = base + "rollix.lock";
    LockFd = open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (LockFd < 0) {
        error = "cannot open " + lockPath + ": " + std::strerror(errno);
        return false;
    }
    if (flock(LockFd, LOCK_EX | LOCK_NB) != 0) {
        close(LockFd);
        LockFd = -1;
        if (errno != EWOULDBLOCK) error = "cannot lock " + lockPath + ": " + std::strerror(errno);
        return false;
    }
    // The lock is ours, so a socket file left behind by a crashed copy is stale.
    SocketPath = base + "rollix.sock";
    sockaddr_un addr;
    if (!FillAddress(SocketPath, addr)) {
        // Too long a path for a socket: we still run as the only copy, just unwakeable.
        SocketPath.clear();
        return true;
    }
    unlink(SocketPath.c_str());
    ListenFd = socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (ListenFd >= 0 &&
        (bind(ListenFd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || listen(ListenFd, 4) != 0)) {
        close(ListenFd);
        ListenFd = -1;
    }
    return true;
}

bool TSingleInstance::SendRaw(const std::string& dir, const std::string& text) {
    RecordSite(14102);
    sockaddr_un addr;
    if (!FillAddress(WithSlash(dir) + "rollix.sock", addr)) return false;
    int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    bool ok = connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 &&
              send(fd, text.data(), text.size(), MSG_NOSIGNAL) == ssize_t(text.size());
    close(fd);
    return ok;
}

bool TSingleInstance::WakeRunning(const std::string& dir) {
    return SendRaw(dir, std::to_string(WakeParam1) + " " + std::to_string(WakeParam2) + "\n");
}

bool TSingleInstance::PollWake() {
    RecordSite(14103);
    if (ListenFd < 0) return false;
    bool woken = false;
    for (int n = 0; n < 16; ++n) {
        int fd = accept4(ListenFd, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) break;
        // The sender writes its short message before closing; read what is there.
        char buf[64];
        ssize_t got = 0;
        for (int tries = 0; tries < 50 && got < ssize_t(sizeof buf - 1); ++tries) {
            ssize_t r = recv(fd, buf + got, sizeof buf - 1 - size_t(got), MSG_DONTWAIT);
            if (r > 0) {
                got += r;
                if (buf[got - 1] == '\n') break;
            } else if (r == 0) {
                break;
            } else if (errno == EAGAIN || errno == EWOULDBLOCK) {
                usleep(1000);
            } else {
                break;
            }
        }
        close(fd);
        buf[got] = '\0';
        int a = 0, b = 0;
        char tail = 0;
        if (std::sscanf(buf, "%d %d%c", &a, &b, &tail) == 3 && tail == '\n' && a == WakeParam1 &&
            b == WakeParam2)
            woken = true;
    }
    return woken;
}

void TSingleInstance::Release() {
    if (ListenFd >= 0) {
        close(ListenFd);
        ListenFd = -1;
        if (!SocketPath.empty()) unlink(SocketPath.c_str());
    }
    SocketPath.clear();
    if (LockFd >= 0) {
        close(LockFd);
        LockFd = -1;
    }
}
