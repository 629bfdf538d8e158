#include "world/Material.h"

#include "app/SiteTrace.h"
#include "assets/ByteStream.h"

namespace {
constexpr int32_t GlOne = 1;
constexpr int32_t GlZero = 0;
constexpr int32_t GlSrcAlpha = 770;
constexpr int32_t GlDstAlpha = 772;
constexpr int32_t GlOneMinusDstAlpha = 773;
} // namespace

void FixBlend(int32_t& src, int32_t& dst) {
    RecordSite(34001);
    struct TRow {
        int32_t OldSrc, OldDst, NewSrc, NewDst;
    };
    static constexpr TRow Rows[] = {
        {770, 772, 770, 1}, {1, 772, 1, 1},     {775, 772, 775, 1},
        {772, 772, 1, 1},   {775, 773, 775, 0}, {771, 772, 771, 1},
    };
    bool replaced = false;
    for (const TRow& r : Rows) {
        if (src == r.OldSrc && dst == r.OldDst) {
            src = r.NewSrc;
            dst = r.NewDst;
            replaced = true;
            break;
        }
    }
    // A destination factor that still reads destination alpha has nothing to
    // read: alpha 1 everywhere makes it one, and its complement zero.
    if (!replaced) {
        if (dst == GlDstAlpha)
            dst = GlOne;
        else if (dst == GlOneMinusDstAlpha)
            dst = GlZero;
    }
    if (src == GlDstAlpha || src == GlOneMinusDstAlpha) src = GlSrcAlpha;
}

void TMaterial::CopyFrom(const TMaterial* source) {
    RecordSite(34002);
    if (!source) return;
    Parent = source->Parent;
    BlendSrc = source->BlendSrc;
    BlendDst = source->BlendDst;
    TexEnv = source->TexEnv;
    Lit = source->Lit;
    FixBlend(BlendSrc, BlendDst);
}

void TMaterial::Read(TByteReader& s) {
    RecordSite(34003);
    BlendSrc = s.ReadInt32();
    BlendDst = s.ReadInt32();
    FixBlend(BlendSrc, BlendDst);
    TexEnv = s.ReadInt32();
    Lit = s.ReadInt32();
    s.Skip(8);
}

void TMaterial::Write(TByteWriter& w) const {
    RecordSite(34004);
    w.WriteInt32(BlendSrc);
    w.WriteInt32(BlendDst);
    w.WriteInt32(TexEnv);
    w.WriteInt32(Lit);
    w.Pad(8);
}

TMaterial DefaultBaseMaterial() {
    TMaterial m;
    m.BlendSrc = 770;
    m.BlendDst = 771;
    m.TexEnv = 8448;
    m.Lit = 1;
    return m;
}
