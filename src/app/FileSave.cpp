#include "app/FileSave.h"

#include "app/Log.h"
#include "app/Paths.h"

#include <cerrno>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

ssize_t (*FileWriteCall)(int fd, const void* data, size_t size) = ::write;

namespace {
std::string FolderOf(const std::string& path) {
    auto slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

bool WriteAll(int fd, const uint8_t* p, size_t n) {
    while (n > 0) {
        ssize_t w = FileWriteCall(fd, p, n);
        if (w < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        p += w;
        n -= size_t(w);
    }
    return true;
}
} // namespace

bool SaveFileAtomic(const std::string& path, const void* data, size_t size) {
    std::string folder = FolderOf(path);
    if (!MakeFolders(folder)) {
        LogLine("cannot create folder " + folder);
        return false;
    }
    std::string tmpl = path + ".tmp-XXXXXX";
    std::vector<char> name(tmpl.begin(), tmpl.end());
    name.push_back('\0');
    int fd = ::mkstemp(name.data());
    if (fd < 0) {
        LogLine("cannot write " + path + ": " + std::strerror(errno));
        return false;
    }
    ::fchmod(fd, 0644);
    bool ok = WriteAll(fd, static_cast<const uint8_t*>(data), size) && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    if (ok && ::rename(name.data(), path.c_str()) != 0) ok = false;
    if (!ok) {
        LogLine("cannot write " + path + ": " + std::strerror(errno));
        ::unlink(name.data());
        return false;
    }
    int dfd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY);
    if (dfd >= 0) {
        ::fsync(dfd);
        ::close(dfd);
    }
    return true;
}

std::optional<std::vector<uint8_t>> LoadPlainFile(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDONLY);
    if (fd < 0) return std::nullopt;
    std::vector<uint8_t> bytes;
    uint8_t buf[65536];
    for (;;) {
        ssize_t r = ::read(fd, buf, sizeof buf);
        if (r < 0) {
            if (errno == EINTR) continue;
            ::close(fd);
            return std::nullopt;
        }
        if (r == 0) break;
        bytes.insert(bytes.end(), buf, buf + r);
    }
    ::close(fd);
    return bytes;
}

std::string KeepAsideDamaged(const std::string& path) {
    char stamp[32];
    std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &tm);
    std::string target = path + ".damaged-" + stamp;
    for (int n = 1; ::access(target.c_str(), F_OK) == 0; ++n)
        target = path + ".damaged-" + stamp + "-" + std::to_string(n);
    if (::rename(path.c_str(), target.c_str()) != 0) return "";
    LogLine("kept the damaged file " + path + " as " + target);
    return target;
}
