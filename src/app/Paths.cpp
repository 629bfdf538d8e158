#include "app/Paths.h"

#include "app/Log.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <unistd.h>

std::string AppDir;

namespace {
std::string WithSlash(std::string s) {
    if (s.empty() || s.back() != '/') s += '/';
    return s;
}

std::string EnvOr(const char* name) {
    const char* v = std::getenv(name);
    return v && *v ? std::string(v) : std::string();
}

std::string HomeDir() {
    std::string home = EnvOr("HOME");
    return home.empty() ? std::string("/tmp") : home;
}
} // namespace

void InitAppDir(const std::string& dataDir) {
    if (!dataDir.empty()) {
        std::error_code ec;
        auto abs = std::filesystem::absolute(dataDir, ec);
        AppDir = WithSlash(ec ? dataDir : abs.string());
        return;
    }
    char buf[4096];
    ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) {
        AppDir = "./";
        return;
    }
    std::string exe(buf, size_t(n));
    auto slash = exe.rfind('/');
    AppDir = slash == std::string::npos ? std::string("./") : exe.substr(0, slash + 1);
}

std::string UserConfigDir() {
    std::string home = EnvOr("ROLLIX_HOME");
    if (!home.empty()) return WithSlash(home);
    std::string base = EnvOr("XDG_CONFIG_HOME");
    if (base.empty()) base = HomeDir() + "/.config";
    return WithSlash(base) + "rollix/";
}

std::string UserDataDir() {
    std::string home = EnvOr("ROLLIX_HOME");
    if (!home.empty()) return WithSlash(home);
    std::string base = EnvOr("XDG_DATA_HOME");
    if (base.empty()) base = HomeDir() + "/.local/share";
    return WithSlash(base) + "rollix/";
}

void LogFolders() {
    LogLine("program folder: " + AppDir);
    LogLine("settings folder: " + UserConfigDir());
    LogLine("player data folder: " + UserDataDir());
}

bool MakeFolders(const std::string& path) {
    std::error_code ec;
    std::filesystem::create_directories(path, ec);
    return std::filesystem::is_directory(path, ec);
}
