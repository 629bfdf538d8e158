// The headless runner's input: a small text script of key downs and ups by
// tick, so that tests and benchmarks can drive the player.
//
//   # comment lines and blank lines are skipped
//   1 down Right        key goes down before tick 1
//   250 up Right
//   300 down Control    keys by name (Left, Space, A, 7, F1, MouseLeft …)
//   301 down 0x26       or by virtual-key number
//
// Events of one tick apply in the order written; ticks may come in any order.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct TInputEvent {
    int32_t Tick = 0; // 1 = before the first tick
    int32_t Key = 0;  // virtual key or mouse pseudo key
    bool Down = false;
    friend bool operator==(const TInputEvent&, const TInputEvent&) = default;
};

struct TInputScript {
    std::vector<TInputEvent> Events; // sorted by tick, stable
};

// The key's name in scripts: its name when it has one, else its number.
std::string KeyScriptName(int32_t key);
// A name or a decimal or 0x-hexadecimal number; -1 when it is no key.
int32_t KeyFromScriptName(const std::string& name);

// False with "FILE:LINE: what is wrong" in error.
bool ParseInputScript(const std::string& text, const std::string& fileName, TInputScript& script,
                      std::string& error);
bool LoadInputScript(const std::string& path, TInputScript& script, std::string& error);
std::string WriteInputScript(const TInputScript& script);
// Presses and releases the keys of the given tick (ticks counted from 1);
// next is where the previous call stopped in the script, 0 at the start.
void ApplyScriptTick(const TInputScript& script, size_t& next, int32_t tick);
