// The level compiler's core: a readable level source (JSON) becomes a TLevel
// that the level writer turns into a .map file. Texture names are looked up
// in the texture library, which must be loaded before compiling.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class TLevel;

struct TCompileResult {
    std::unique_ptr<TLevel> Level;
    // Empty on success; otherwise "source: object: field: what is wrong".
    std::string Error;
};

// Builds the level from the source text. sourceName only labels messages.
TCompileResult CompileLevelSource(const std::string& text, const std::string& sourceName);

// The .map bytes of a compiled source, through the level writer.
bool CompileLevelBytes(const std::string& text, const std::string& sourceName, std::vector<uint8_t>& bytes,
                       std::string& error);
