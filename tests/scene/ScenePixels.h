// Reading back what a drawing test drew: one pixel at a window position
// counted from the top left, and a list of expected colours at sampled places.
#pragma once

#include "render/RenderContext.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <vector>

namespace scene_pixels {

using TRgb = std::array<int, 3>;

// {-1, -1, -1} when the pixel cannot be read.
inline TRgb PixelAt(int32_t x, int32_t y, int32_t windowHeight) {
    std::vector<uint8_t> rgba;
    Renderer().ReadPixels(x, windowHeight - 1 - y, 1, 1, rgba);
    if (rgba.size() != 4) return {-1, -1, -1};
    return {rgba[0], rgba[1], rgba[2]};
}

struct TSample {
    int32_t X, Y;
    TRgb Expected;
    const char* What;
};

// Each channel within 24 of the expected colour.
inline void ExpectSamples(const std::vector<TSample>& samples, int32_t windowHeight) {
    for (const TSample& s : samples) {
        const TRgb got = PixelAt(s.X, s.Y, windowHeight);
        for (size_t c = 0; c < 3; ++c)
            EXPECT_NEAR(got[c], s.Expected[c], 24) << s.What << " at (" << s.X << ", " << s.Y << "): got "
                                                   << got[0] << ", " << got[1] << ", " << got[2];
    }
}

} // namespace scene_pixels
