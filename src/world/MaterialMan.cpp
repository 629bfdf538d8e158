#include "world/MaterialMan.h"

#include "app/SiteTrace.h"
#include "assets/ByteStream.h"
#include "render/RenderContext.h"

#include <algorithm>

void TMaterial::Apply() const {
    RecordSite(34010);
    int32_t env, src, dst;
    bool lit;
    if (Parent) {
        env = TexEnv != -1 ? TexEnv : Parent->TexEnv;
        bool own = BlendSrc != -1 && BlendDst != -1;
        src = own ? BlendSrc : Parent->BlendSrc;
        dst = own ? BlendDst : Parent->BlendDst;
        lit = Lit == 1 || (Lit == -1 && Parent->Lit == 1);
    } else {
        env = TexEnv != -1 ? TexEnv : int32_t(Gl::Modulate);
        bool own = BlendSrc != -1 && BlendDst != -1;
        src = own ? BlendSrc : int32_t(Gl::SrcAlpha);
        dst = own ? BlendDst : int32_t(Gl::OneMinusSrcAlpha);
        lit = Lit == -1 || Lit == 1;
    }
    // A parent with unset values leaves nothing sensible to send: keep the
    // defaults a material without a parent would use.
    if (env == -1) env = int32_t(Gl::Modulate);
    if (src == -1 || dst == -1) {
        src = int32_t(Gl::SrcAlpha);
        dst = int32_t(Gl::OneMinusSrcAlpha);
    }
    SetTexEnv(uint32_t(env));
    SetBlend(uint32_t(src), uint32_t(dst));
    SetLighting(lit);
}

TMaterialMan::TMaterialMan() {
    Base = DefaultBaseMaterial();
    Waters.CopyFrom(&Base);
    Drops.CopyFrom(&Base);
    Drops.Lit = 0;
    Bubbles.CopyFrom(&Base);
    Bubbles.Lit = 0;
    SplineObjects.CopyFrom(&Base);
    Figures.CopyFrom(&Base);
}

TMaterial* TMaterialMan::NewMaterial() {
    if (Materials.capacity() == Materials.size()) Materials.reserve(Materials.size() + 512);
    Materials.push_back(std::make_unique<TMaterial>());
    return Materials.back().get();
}

TMaterial* TMaterialMan::NewChild(TMaterial* parent) {
    TMaterial* m = NewMaterial();
    m->Parent = parent;
    return m;
}

bool TMaterialMan::FreeMaterial(TMaterial*& material) {
    auto it =
        std::find_if(Materials.begin(), Materials.end(), [&](const auto& m) { return m.get() == material; });
    material = nullptr;
    if (it == Materials.end()) return false;
    if (it != Materials.end() - 1) std::swap(*it, Materials.back());
    Materials.pop_back();
    return true;
}

void TMaterialMan::ReadDefaults(TByteReader& in) {
    RecordSite(34011);
    int32_t k = in.ReadInt32();
    TMaterial* slots[6] = {&Base, &Waters, &SplineObjects, &Figures, &Drops, &Bubbles};
    // A section with more than six records still has them in the file: they
    // are read past so that the sections after it stay in step.
    int32_t records = std::clamp(k, 0, in.Remaining() / 24);
    for (int32_t i = 0; i < records; ++i) {
        TMaterial scratch;
        (i < 6 ? *slots[i] : scratch).Read(in);
    }
    Drops.Lit = 0;
    Bubbles.Lit = 0;
}

void TMaterialMan::WriteDefaults(TByteWriter& out) const {
    const TMaterial* slots[6] = {&Base, &Waters, &SplineObjects, &Figures, &Drops, &Bubbles};
    out.WriteInt32(6);
    for (const TMaterial* m : slots)
        m->Write(out);
}
