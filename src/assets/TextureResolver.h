// Texture look-ups of figures and characters, by name (below "Textures\")
// and by library index. The null resolver answers "absent" (−1) until the
// texture library exists.
#pragma once

#include <cstdint>
#include <string>

class TTextureResolver {
  public:
    virtual ~TTextureResolver() = default;
    // Finds or loads the texture; its library index, or −1 when absent.
    virtual int32_t FindOrLoad(const std::string& /*name*/) { return -1; }
    // Makes sure the texture at this index is loaded; −1 when there is none.
    virtual int32_t Resolve(int32_t /*index*/) { return -1; }
};
