// What the drawing tests share: plain pictures for their archives, the
// layers drawn one pixel a world unit, and reading back what was drawn (one
// pixel at a window position counted from the top left, and a list of
// expected colours at sampled places).
#pragma once

#include "assets/PictureWrite.h"
#include "render/RenderContext.h"
#include "world/Layers.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <vector>

namespace scene_pixels {

using TRgb = std::array<int, 3>;

// An opaque side × side picture in one colour (the writer takes blue first).
inline std::vector<uint8_t> SolidPng(int32_t side, TRgb colour) {
    std::vector<uint8_t> px(size_t(side) * size_t(side) * 4);
    for (size_t i = 0; i < px.size(); i += 4)
        px[i] = uint8_t(colour[2]), px[i + 1] = uint8_t(colour[1]), px[i + 2] = uint8_t(colour[0]),
        px[i + 3] = 255;
    std::vector<uint8_t> out;
    EncodePng(px.data(), side, side, 4, out);
    return out;
}

// Every layer drawn over the background with the view the window's size in
// world units from (0, 0): one pixel a unit.
inline void DrawLayersPixelPerUnit(TLayers& layers, int32_t width, int32_t height, TRgb background) {
    FrameView.HasLevel = true;
    FrameView.ViewWidth = width;
    FrameView.ViewHeight = height;
    FrameView.View = {0, 0, float(width), float(height)};
    BeginFrame();
    Renderer().ClearColor(background[0] / 255.0f, background[1] / 255.0f, background[2] / 255.0f, 1);
    Renderer().Clear(Gl::ColorBufferBit);
    for (auto& layer : layers.Layers) {
        layer->UpdateRect({width / 2.0f, height / 2.0f}, float(width), float(height));
        layers.DrawLayer(*layer, 0.0f, false);
    }
    Renderer().Finish();
}

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
