// --screenshot: run the level's first N ticks, draw that tick's frame in a
// real window and save it as a PNG file.
#pragma once

#include "app/CommandLine.h"

#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

// Saves GL's read-back (RGBA rows bottom-up) as an RGB PNG, rows top-down.
// False when the size does not match the pixels or the file cannot be written.
bool SaveScreenshot(const std::string& path, int32_t width, int32_t height,
                    const std::vector<uint8_t>& rgbaBottomUp);
// Reads the drawn frame (width × height from the bottom left) and saves it the same way.
bool SaveFramePicture(const std::string& path, int32_t width, int32_t height);

// The whole run. Exit code: 0 saved, 1 no window or file, 2 bad input script,
// 3 the level cannot be loaded.
int RunScreenshot(const TCommandLine& options, std::ostream& out, std::ostream& err);
