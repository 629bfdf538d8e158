#include "platform/OpenUrl.h"

#include "app/SiteTrace.h"

#include <spawn.h>
#include <sys/wait.h>
#include <vector>

extern char** environ;

namespace {
std::vector<pid_t> Openers;
}

bool IsOpenableAddress(const std::string& url) {
    RecordSite(14201);
    const bool http = url.rfind("http://", 0) == 0;
    const bool https = url.rfind("https://", 0) == 0;
    if (!http && !https) return false;
    if (url.size() <= (https ? 8u : 7u) || url.size() > 4096) return false;
    for (unsigned char c : url)
        if (c <= 32 || c == 127) return false;
    return true;
}

bool OpenWebAddress(const std::string& url) {
    RecordSite(14202);
    if (!IsOpenableAddress(url)) return false;
    ReapOpeners();
    std::string program = "xdg-open";
    std::vector<char*> argv{program.data(), const_cast<char*>(url.c_str()), nullptr};
    pid_t pid = 0;
    if (posix_spawnp(&pid, program.c_str(), nullptr, nullptr, argv.data(), environ) != 0) return false;
    Openers.push_back(pid);
    return true;
}

void ReapOpeners() {
    for (size_t i = 0; i < Openers.size();) {
        int status = 0;
        pid_t r = waitpid(Openers[i], &status, WNOHANG);
        if (r == Openers[i] || r < 0) {
            Openers[i] = Openers.back();
            Openers.pop_back();
        } else {
            ++i;
        }
    }
}
