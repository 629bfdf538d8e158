// How a mesh is combined with what is on the screen: blend factors, texture
// environment and lighting. Every value may be unset (−1) and then comes
// from the parent.
#pragma once

#include <cstdint>

class TByteReader;
class TByteWriter;

class TMaterial {
  public:
    TMaterial* Parent = nullptr;
    int32_t BlendSrc = -1;
    int32_t BlendDst = -1;
    int32_t TexEnv = -1;
    int32_t Lit = -1;

    // Copies the parent and all values (nothing when source is null), then FixBlend.
    void CopyFrom(const TMaterial* source);
    // int32 BlendSrc, int32 BlendDst (then FixBlend), int32 TexEnv, int32 Lit, skip(8).
    void Read(TByteReader& s);
    void Write(TByteWriter& w) const;
    // Sets blending, texture environment and lighting through the render
    // caches, taking unset values from the parent (one level deep).
    void Apply() const;
};

// Old blend pairs that read destination alpha become pairs that work on a
// frame buffer without an alpha channel.
void FixBlend(int32_t& src, int32_t& dst);

// The level's base material as a new level creates it: (770, 771), 8448, lit.
TMaterial DefaultBaseMaterial();
