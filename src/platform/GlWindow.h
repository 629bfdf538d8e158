// A window with the game's GL render context, for the drawing tests and the
// benchmarks: it opens on the X display when there is one and otherwise says
// why it could not.
#pragma once

#include "platform/GameWindow.h"

#include <cstdint>
#include <memory>
#include <string>

class TGlWindow {
  public:
    TGlWindow(const std::string& title, int32_t width, int32_t height);
    // The textures' GL objects go while their context still exists.
    ~TGlWindow();
    TGlWindow(const TGlWindow&) = delete;
    TGlWindow& operator=(const TGlWindow&) = delete;

    bool Ready() const { return Window.IsOpen() && WhyNot.empty(); }
    const std::string& Why() const { return WhyNot; }

    TGameWindow Window;
    int32_t DrawnWidth = 0, DrawnHeight = 0;

  private:
    std::unique_ptr<TSdlVideo> Video;
    std::string WhyNot;
};
