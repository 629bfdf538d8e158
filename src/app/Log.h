// The game's log: one line per message, to standard error unless a test or
// tool replaces the sink. Logged lines are not caught errors.
#pragma once

#include <functional>
#include <string>

using TLogSink = std::function<void(const std::string& line)>;

void LogLine(const std::string& line);
// Replaces the sink; an empty function restores standard error.
void SetLogSink(TLogSink sink);
