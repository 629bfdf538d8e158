// The character's look and voice (skin, faces, voice lines, roll sounds) as
// the simulation calls into it. The null hooks draw and say nothing.
#pragma once

#include <cstdint>
#include <string>

class TRollix;

class TAppearanceHooks {
  public:
    virtual ~TAppearanceHooks() = default;
    virtual void RebuildSkin(TRollix& /*c*/) {}
    virtual void VoiceTick(TRollix& /*c*/) {}
    virtual void TickSounds(TRollix& /*c*/) {}
    virtual void BeanVoices(TRollix& /*c*/) {}
    virtual void BumpVoices(TRollix& /*c*/, TRollix& /*other*/) {}
    virtual void Ouch(TRollix& /*c*/) {}
    virtual void PlayFace(TRollix& /*c*/, int32_t /*animation*/) {}
    virtual void StopFace(TRollix& /*c*/) {}
    // A voice line by its archive name below "Sounds\".
    virtual void Voice(TRollix& /*c*/, const std::string& /*name*/) {}
    // Texture of the current face, for the morph fade (−1 none).
    virtual int32_t FaceTexture(const TRollix& /*c*/) const { return -1; }
};
