#include "render/ParticleSystem.h"

#include "app/SiteTrace.h"
#include "assets/ByteStream.h"

void ReadColour(TByteReader& in, TColor4& c) {
    c.R = in.ReadByte();
    c.G = in.ReadByte();
    c.B = in.ReadByte();
    c.A = in.ReadByte();
}

void WriteColour(TByteWriter& out, TColor4 c) {
    out.WriteByte(c.R);
    out.WriteByte(c.G);
    out.WriteByte(c.B);
    out.WriteByte(c.A);
}

TParticleSystem_Emiter::TParticleSystem_Emiter(TParticleSystem* system) : System(system) {}

void TParticleSystem_Emiter::SetColours(TColor4 start, TColor4 end) {
    RecordSite(64001);
    StartColour = start;
    EndColour = end;
    ColourBase = start;
    ColourDiff = {int32_t(end.R) - start.R, int32_t(end.G) - start.G, int32_t(end.B) - start.B,
                  int32_t(end.A) - start.A};
}

TParticleSystem::TParticleSystem(int32_t capacity) : Capacity(capacity), Limit(capacity) {}

bool TParticleSystem::Load(TByteReader& in) {
    RecordSite(64002);
    in.ReadInt32();
    AliveCount = 0;
    TargetCount = in.ReadInt32();
    EndCount = TargetCount;
    StartCount = 0;
    RainKept[0] = in.ReadFloat32();
    RainKept[1] = in.ReadFloat32();
    StoredFadeStart = in.ReadInt32();
    StoredFadeLength = in.ReadInt32();
    FadeStart = StoredFadeStart;
    FadeLength = StoredFadeLength;
    ReadColour(in, Colour);
    MaterialStored = in.ReadInt32() != 0;
    if (MaterialStored) Material.Read(in);
    in.Skip(16);
    RainWind = in.ReadFloat32();
    RainWindKept = in.ReadFloat32();
    ReadColour(in, SplashColour);
    in.Skip(20);
    return !in.ShortRead;
}

void TParticleSystem::Write(TByteWriter& out) const {
    RecordSite(64003);
    out.WriteInt32(Limit);
    out.WriteInt32(TargetCount);
    out.WriteFloat32(RainKept[0]);
    out.WriteFloat32(RainKept[1]);
    out.WriteInt32(StoredFadeStart);
    out.WriteInt32(StoredFadeLength);
    WriteColour(out, Colour);
    out.WriteInt32(MaterialStored ? 1 : 0);
    if (MaterialStored) Material.Write(out);
    out.Pad(16);
    out.WriteFloat32(RainWind);
    out.WriteFloat32(RainWindKept);
    WriteColour(out, SplashColour);
    out.Pad(20);
}
