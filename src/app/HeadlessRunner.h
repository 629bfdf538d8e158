// Runs a level with no window, GL or audio, as fast as it can: the scripted
// keys go into the key tables before their tick, and a hash of the
// simulation state is printed every 100 ticks and at the end; the last line
// adds what the game came to (GameHooks.Report).
#pragma once

#include "app/CommandLine.h"
#include "app/InputScript.h"

#include <functional>
#include <iosfwd>
#include <string>

// The hash of the state after `tick` ticks: the tick, the generator and what
// the simulation adds through GameHooks.HashState.
std::string StateHashText(int32_t tick);
uint64_t StateHashValue(int32_t tick);

// Runs up to `ticks` ticks of LoopLevel with the script's keys, calling
// afterTick after each. Stops early when the game asks to quit or the level
// goes away. The number of ticks run.
int32_t RunScriptedTicks(int32_t ticks, const TInputScript& script,
                         const std::function<void(int32_t)>& afterTick);

// Loads the level named by --level through GameHooks.LoadLevel. False with
// a message when it cannot.
bool LoadRunLevel(const std::string& name, std::string& error);
// Loads a replay file (a path on disk) through GameHooks.LoadReplay: its
// level becomes current and plays it back. False with a message when it cannot.
bool LoadRunReplay(const std::string& path, std::string& error);

// The whole --headless run. The exit code: 0 done, 2 bad input script,
// 3 the level (or the replay) cannot be loaded, 4 the run's replay cannot be saved.
int RunHeadless(const TCommandLine& options, std::ostream& out, std::ostream& err);
