// The header of a level file: title, the sky's top colour, and in the newer
// form (marked by 111111.0) the level's settings. The sections follow it.
#pragma once

#include "assets/ByteStream.h"
#include "physics/VecMath.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

constexpr float NewHeaderMark = 111111.0f;
constexpr int32_t GravityVersionTag = 12321;
constexpr int32_t MaxHelpBoosts = 10;

struct TLevelHeader {
    std::string LevelTitle;
    std::string LevelNote;
    std::array<uint8_t, 4> SkyTopColor{0, 0, 0, 255};
    bool NewHeader = true;
    float Unused1 = 0.0f;
    float Unused2 = 0.0f;
    int32_t TargetScore = 0;
    bool NoTurbo = false;
    bool CameraFromFile = false;
    TVec2 CameraStart;
    int32_t VersionTag = GravityVersionTag;
    float GravityFactor = 1.0f;
    bool NoPlayerControl = false;
    bool NoFaceAnimations = false;
    int32_t BonusSeconds = 0;
    std::string EditorText1;
    std::string EditorText2;
    std::vector<int32_t> HelpBoosts; // boost type numbers, at most MaxHelpBoosts

    // False when the header is cut short or a count cannot fit.
    bool Read(TByteReader& in);
    void Write(TByteWriter& out) const;
};

// The header's short string: one length byte, then the text.
std::string ReadShortString(TByteReader& in);
void WriteShortString(TByteWriter& out, const std::string& s);
