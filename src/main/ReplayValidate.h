// The --validate run: a replay re-simulated headless and compared with its tag.
#pragma once

#include <iosfwd>
#include <string>

// Re-simulates the replay headless up to its tag's tick. 0 when the level
// file and the end state match the tag; 1, with a message naming what
// differs, when they do not or the replay cannot be played.
int ValidateReplay(const std::string& path, std::ostream& out, std::ostream& err);
