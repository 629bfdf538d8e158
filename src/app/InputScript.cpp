#include "app/InputScript.h"

#include "app/FileSave.h"
#include "app/InputState.h"
#include "app/SiteTrace.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdio>
#include <sstream>

namespace {
struct TKeyName {
    const char* Name;
    int32_t Key;
};

constexpr TKeyName KeyNames[] = {
    {"Backspace", Vk::Back},
    {"Tab", Vk::Tab},
    {"Enter", Vk::Return},
    {"Shift", Vk::Shift},
    {"Control", Vk::Control},
    {"Alt", Vk::Menu},
    {"Pause", Vk::Pause},
    {"Escape", Vk::Escape},
    {"Space", Vk::Space},
    {"PageUp", Vk::Prior},
    {"PageDown", Vk::Next},
    {"End", Vk::End},
    {"Home", Vk::Home},
    {"Left", Vk::Left},
    {"Up", Vk::Up},
    {"Right", Vk::Right},
    {"Down", Vk::Down},
    {"Insert", Vk::Insert},
    {"Delete", Vk::Delete},
    {"MouseLeft", KeyMouseLeft},
    {"MouseRight", KeyMouseRight},
    {"MouseMiddle", KeyMouseMiddle},
    {"WheelUp", KeyWheelUp},
    {"WheelDown", KeyWheelDown},
};

bool SameName(const std::string& a, const char* b) {
    size_t n = 0;
    for (; b[n]; ++n)
        if (n >= a.size() || std::tolower((unsigned char)a[n]) != std::tolower((unsigned char)b[n]))
            return false;
    return n == a.size();
}

// A whole number without sign, decimal or 0x-hexadecimal, up to INT32_MAX.
bool ParseCount(const std::string& s, int64_t& value) {
    if (s.empty()) return false;
    int base = 10;
    size_t i = 0;
    if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
        base = 16;
        i = 2;
    }
    value = 0;
    for (; i < s.size(); ++i) {
        int d = std::isdigit((unsigned char)s[i]) ? s[i] - '0'
                : base == 16 && std::isxdigit((unsigned char)s[i])
                    ? std::tolower((unsigned char)s[i]) - 'a' + 10
                    : -1;
        if (d < 0) return false;
        value = value * base + d;
        if (value > INT32_MAX) return false;
    }
    return true;
}
} // namespace

std::string KeyScriptName(int32_t key) {
    for (const TKeyName& k : KeyNames)
        if (k.Key == key) return k.Name;
    if ((key >= 'A' && key <= 'Z') || (key >= '0' && key <= '9')) return std::string(1, char(key));
    if (key >= Vk::F1 && key <= Vk::F12) return "F" + std::to_string(key - Vk::F1 + 1);
    // Other keys by number, in hexadecimal so that no number reads as a digit key.
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%02X", unsigned(key));
    return buf;
}

int32_t KeyFromScriptName(const std::string& name) {
    RecordSite(11001);
    for (const TKeyName& k : KeyNames)
        if (SameName(name, k.Name)) return k.Key;
    if (name.size() == 1 && std::isalpha((unsigned char)name[0])) return std::toupper((unsigned char)name[0]);
    if (name.size() >= 2 && (name[0] == 'F' || name[0] == 'f') && std::isdigit((unsigned char)name[1])) {
        int64_t n = 0;
        if (ParseCount(name.substr(1), n) && n >= 1 && n <= 12) return Vk::F1 + int32_t(n) - 1;
        return -1;
    }
    if (name.size() == 1 && std::isdigit((unsigned char)name[0])) return name[0];
    int64_t n = 0;
    // Numbers name virtual keys and pseudo keys; 0 is no key.
    if (ParseCount(name, n) && n >= 1 && n < KeyTableSize) return int32_t(n);
    return -1;
}

bool ParseInputScript(const std::string& text, const std::string& fileName, TInputScript& script,
                      std::string& error) {
    RecordSite(11002);
    script.Events.clear();
    std::istringstream in(text);
    std::string line;
    int32_t lineNo = 0;
    while (std::getline(in, line)) {
        ++lineNo;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        auto hash = line.find('#');
        if (hash != std::string::npos) line.resize(hash);
        std::istringstream words(line);
        std::string tickText, action, keyText, extra;
        if (!(words >> tickText)) continue;
        const std::string where = fileName + ":" + std::to_string(lineNo) + ": ";
        if (!(words >> action >> keyText)) {
            error = where + "expected \"TICK down|up KEY\"";
            return false;
        }
        if (words >> extra) {
            error = where + "unexpected \"" + extra + "\" after the key";
            return false;
        }
        int64_t tick = 0;
        if (!ParseCount(tickText, tick) || tick < 1) {
            error =
                where + "tick \"" + tickText + "\" is not a number from 1 to " + std::to_string(INT32_MAX);
            return false;
        }
        TInputEvent event;
        event.Tick = int32_t(tick);
        if (action == "down") {
            event.Down = true;
        } else if (action != "up") {
            error = where + "\"" + action + "\" is neither down nor up";
            return false;
        }
        event.Key = KeyFromScriptName(keyText);
        if (event.Key < 0) {
            error = where + "unknown key \"" + keyText + "\"";
            return false;
        }
        script.Events.push_back(event);
    }
    std::stable_sort(script.Events.begin(), script.Events.end(),
                     [](const TInputEvent& a, const TInputEvent& b) { return a.Tick < b.Tick; });
    return true;
}

bool LoadInputScript(const std::string& path, TInputScript& script, std::string& error) {
    RecordSite(11003);
    auto bytes = LoadPlainFile(path);
    if (!bytes) {
        error = path + ": cannot be read";
        return false;
    }
    // A script is a few lines; a huge file is a mistake, not a script.
    if (bytes->size() > 64u * 1024u * 1024u) {
        error = path + ": too large for an input script";
        return false;
    }
    return ParseInputScript(std::string(bytes->begin(), bytes->end()), path, script, error);
}

std::string WriteInputScript(const TInputScript& script) {
    std::string out;
    for (const TInputEvent& e : script.Events)
        out += std::to_string(e.Tick) + (e.Down ? " down " : " up ") + KeyScriptName(e.Key) + "\n";
    return out;
}

void ApplyScriptTick(const TInputScript& script, size_t& next, int32_t tick) {
    const std::vector<TInputEvent>& events = script.Events;
    while (next < events.size() && events[next].Tick < tick)
        ++next;
    for (; next < events.size() && events[next].Tick == tick; ++next)
        SetKey(events[next].Key, events[next].Down);
}
