#include "render/Lights.h"

#include "app/Random.h"
#include "app/SiteTrace.h"
#include "assets/ByteStream.h"
#include "render/RenderContext.h"
#include "world/Layers.h"
#include "world/Mesh.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace {

// The lights meshes take their groups' lights from while a frame is drawn.
TLights* FrameLights = nullptr;

void ApplyFrameGroupLights(const TFragment_Of_Triangles& group) {
    if (FrameLights) FrameLights->ApplyGroup(group);
}

constexpr TLightColor Dark = {0.0f, 0.0f, 0.0f, 1.0f};

TLightColor Mix(const TLightColor& a, const TLightColor& b, float t) {
    TLightColor c;
    for (size_t i = 0; i < 4; ++i)
        c[i] = a[i] + (b[i] - a[i]) * t;
    return c;
}

// Stored times may be anything: sums of them stay within int32.
int32_t Saturated(int64_t v) {
    return int32_t(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
}

bool FiniteBox(const TBox2& b) {
    return std::isfinite(b.Left) && std::isfinite(b.Top) && std::isfinite(b.Right) && std::isfinite(b.Bottom);
}

constexpr uint8_t BoostLinkMarker = 0xC8;
constexpr uint8_t FlashMarker = 0xDE;

void ReadColor(TByteReader& in, TLightColor& c) {
    for (float& v : c)
        v = in.ReadFloat32();
}

void WriteColor(TByteWriter& out, const TLightColor& c) {
    for (float v : c)
        out.WriteFloat32(v);
}

// A colour channel back to the byte it was read from.
uint8_t ChannelByte(float v) {
    if (!(v > 0.0f)) return 0;
    if (v >= 1.0f) return 255;
    return uint8_t(std::lround(v * 255.0f));
}

} // namespace

TLight::TLight(TLights* owner) : Owner(owner) {
    UpdateZ();
    UpdateBox();
}

void TLight::UpdateZ() {
    RecordSite(62001);
    const double d = -std::fabs(double(Radius)) * 4.5;
    const double k = std::sin((1.0 - double(Height) / 128.0) * Pi / 2.0);
    Position[2] = float(d - k * d);
}

void TLight::UpdateBox() {
    Box = {Position[0] - Radius, Position[1] - Radius, Position[0] + Radius, Position[1] + Radius};
}

void TLight::SetRadius(float r) {
    RecordSite(62002);
    Radius = r;
    UpdateZ();
    UpdateBox();
}

bool TLight::Read(TByteReader& in) {
    RecordSite(62003);
    TLight l(Owner);
    l.Radius = in.ReadFloat32();
    ReadColor(in, l.StoredColor);
    l.Height = in.ReadFloat32();
    for (float& v : l.Position)
        v = in.ReadFloat32();
    l.LayerMin = in.ReadInt32();
    l.LayerMax = in.ReadInt32();
    l.Cycle = in.ReadByte();
    if (l.Cycle != 0) {
        l.CycleMin = in.ReadInt32();
        l.CycleRandom = in.ReadInt32();
        const int32_t n = in.ReadInt32();
        if (in.ShortRead || n < 0 || n > in.Remaining() / 4) return false;
        l.Colors.resize(size_t(n));
        for (TLightColor& c : l.Colors)
            for (float& v : c)
                v = float(in.ReadByte()) / 255.0f;
    }
    if (in.ReadByte() == BoostLinkMarker) l.BoostIndex = in.ReadInt32();
    l.Sequential = in.ReadBool();
    if (in.ReadByte() == FlashMarker) {
        l.Flash = in.ReadBool();
        for (int32_t& t : l.FlashTimes)
            t = in.ReadInt32();
        l.FlashStartPhase = in.ReadInt32();
    }
    in.Skip(4);
    if (in.ShortRead) return false;
    l.BaseColor = l.CurrentColor = l.StoredColor;
    l.UpdateBox();
    l.UpdateZ();
    *this = std::move(l);
    return true;
}

void TLight::Write(TByteWriter& out) const {
    RecordSite(62004);
    out.WriteFloat32(Radius);
    WriteColor(out, StoredColor);
    out.WriteFloat32(Height);
    for (float v : Position)
        out.WriteFloat32(v);
    out.WriteInt32(LayerMin);
    out.WriteInt32(LayerMax);
    out.WriteByte(Cycle);
    if (Cycle != 0) {
        out.WriteInt32(CycleMin);
        out.WriteInt32(CycleRandom);
        out.WriteInt32(int32_t(Colors.size()));
        for (const TLightColor& c : Colors)
            for (float v : c)
                out.WriteByte(ChannelByte(v));
    }
    if (BoostIndex != -1) {
        out.WriteByte(BoostLinkMarker);
        out.WriteInt32(BoostIndex);
    } else {
        out.WriteByte(0);
    }
    out.WriteBool(Sequential);
    out.WriteByte(FlashMarker);
    out.WriteBool(Flash);
    for (int32_t t : FlashTimes)
        out.WriteInt32(t);
    out.WriteInt32(FlashStartPhase);
    out.Pad(4);
}

void TLight::FadeToColor(const TLightColor& c, int32_t ms) {
    RecordSite(62008);
    FadeFrom = CurrentColor;
    FadeTo = c;
    FadeLeft = FadeTotal = ms;
}

void TLight::LinkBoost(TLightBoost* boost, bool refreshAll) {
    RecordSite(62009);
    if (boost == Boost) return;
    if (Boost) Boost->OwnLight(nullptr);
    Boost = boost;
    if (!Boost) return;
    Boost->OwnLight(this);
    MoveToBoost(refreshAll);
}

void TLight::MoveToBoost(bool refreshAll) {
    RecordSite(62010);
    TVec2 at;
    if (!Boost || !Boost->LightAnchor(at)) return;
    Position[0] = at.X;
    Position[1] = at.Y;
    UpdateBox();
    if (refreshAll && Owner) Owner->AssignAll();
}

bool TLight::Touches(const TBox2& box, int32_t layer) const {
    const float p = Owner && layer != 0 ? Owner->ParallaxOf(layer) : 1.0f;
    // The square and the centre mapped to the layer; the radius stays.
    const TBox2 s{std::min(Box.Left * p, Box.Right * p), std::min(Box.Top * p, Box.Bottom * p),
                  std::max(Box.Left * p, Box.Right * p), std::max(Box.Top * p, Box.Bottom * p)};
    const TVec2 m{Position[0] * p, Position[1] * p};
    const float r = std::fabs(Radius);
    // A light or a box that is no number reaches nothing.
    if (!FiniteBox(s) || !FiniteBox(box) || !std::isfinite(m.X) || !std::isfinite(m.Y)) return false;
    if (!BoxesOverlap(s, box)) return false;
    for (TVec2 q : {m, TVec2{m.X + r, m.Y}, TVec2{m.X - r, m.Y}, TVec2{m.X, m.Y + r}, TVec2{m.X, m.Y - r}})
        if (PointInBox(q, box)) return true;
    bool examined = false;
    const TVec2 corners[4] = {
        {box.Left, box.Top}, {box.Right, box.Top}, {box.Right, box.Bottom}, {box.Left, box.Bottom}};
    for (TVec2 c : corners) {
        if (c.X < s.Left || c.X > s.Right) continue;
        examined = true;
        const float dx = c.X - m.X, dy = c.Y - m.Y;
        if (dx * dx + dy * dy < r * r) return true;
    }
    return !examined;
}

void TLight::TickFlash() {
    ++FlashTicks;
    if (FlashLength != 0 && FlashTicks < FlashLength) return;
    // The phase moves on only after a phase of some length has run out.
    if (FlashLength != 0) FlashPhase = FlashPhase >= 3 ? 0 : FlashPhase + 1;
    const int32_t phase = std::clamp(FlashPhase, 0, 3);
    FlashTicks = 0;
    FlashLength =
        Saturated(int64_t(FlashTimes[size_t(phase * 2)]) + Random(FlashTimes[size_t(phase * 2 + 1)]));
    if (phase == 0) FadeToColor(Colors[0], Saturated(int64_t(FlashLength) * 10));
    if (phase == 2) FadeToColor(Colors[1], Saturated(int64_t(FlashLength) * 10));
}

void TLight::TickCycle(int32_t dt) {
    const int32_t count = int32_t(Colors.size());
    CycleElapsed = Saturated(int64_t(CycleElapsed) + dt);
    if (CycleElapsed >= CycleDuration) {
        CycleFrom = CycleTo;
        if (Sequential) {
            CycleIndex = ((CycleIndex + 1) % count + count) % count;
            CycleTo = Colors[size_t(CycleIndex)];
        } else {
            const int32_t i = Random(count);
            int32_t k = Random(count);
            if (k == i) k = i - 1 < 0 ? count - 1 : i - 1;
            CycleIndex = k;
            CycleTo = Mix(Colors[size_t(i)], Colors[size_t(k)], float(RandomFloat()));
        }
        CycleElapsed = 0;
        CycleDuration = Saturated(int64_t(CycleMin) + Random(CycleRandom));
    }
    if (CycleDuration <= 0) CycleDuration = 1;
    const double e = 0.5 - 0.5 * std::cos(Pi * double(CycleElapsed) / double(CycleDuration));
    CurrentColor = Mix(CycleFrom, CycleTo, float(e));
}

void TLight::Tick(int32_t dt) {
    // While a linked boost's shape is hidden its light's animation stands
    // still; a fade still runs, so that a hidden boost's light can go dark.
    const bool still = Boost && Boost->LightShapeHidden();
    if (!still) {
        if (Flash && Colors.size() >= 2)
            TickFlash();
        else if (Cycle == 1 && Colors.size() >= 2)
            TickCycle(dt);
    }
    if (FadeLeft > 0 && FadeTotal > 0) {
        FadeLeft = Saturated(int64_t(FadeLeft) - dt);
        // The last step may overshoot the time left: the fade ends on its colour.
        const float t = std::clamp(1.0f - float(FadeLeft) / float(FadeTotal), 0.0f, 1.0f);
        CurrentColor = Mix(FadeFrom, FadeTo, t);
    }
}

void TLight::Reset() {
    RecordSite(62011);
    BaseColor = CurrentColor = StoredColor;
    FadeLeft = 0;
    FlashPhase = FlashStartPhase;
    FlashTicks = FlashLength = 0;
    CycleElapsed = 0;
    CycleDuration = CycleMin;
    // Every restart starts the colour cycle as loading did, so that a
    // restart looks the same however long the level ran before.
    CycleIndex = 0;
    CycleFrom = CycleTo = {0.0f, 0.0f, 0.0f, 0.0f};
    // A flashing light starts from the colour of its start phase; one without
    // the two colours cannot flash and keeps its own.
    if (Flash && Colors.size() >= 2) {
        if (FlashStartPhase == 0 || FlashStartPhase == 3) CurrentColor = CycleTo;
        if (FlashStartPhase == 1 || FlashStartPhase == 2) CurrentColor = CycleFrom;
    }
    if (Boost && !Boost->LightBoostActive()) CurrentColor = Dark;
    UpdateBox();
}

void TLight::SwitchOn(int32_t k, int32_t layer) {
    if (k < 0 || k >= Gl::MaxLights) return;
    TRenderBackend& gl = Renderer();
    const uint32_t light = Gl::Light0 + uint32_t(k);
    gl.Enable(light);
    Enabled = true;
    std::array<float, 4> at = Position;
    if (layer != 0 && at[3] != 0.0f && Owner) {
        const float p = Owner->ParallaxOf(layer);
        at[0] *= p;
        at[1] *= p;
    }
    gl.Lightfv(light, Gl::Position, at);
    gl.Lightfv(light, Gl::Diffuse, CurrentColor);
    // GL takes spot exponents of 0 … 128 only and would keep the last
    // light's otherwise.
    const float exponent = std::isfinite(Height) ? std::clamp(Height, 0.0f, 128.0f) : 0.0f;
    gl.Lightf(light, Gl::SpotExponent, exponent);
}

TLights::TLights() {
    Create();
}

TLights::~TLights() {
    if (FrameLights == this) {
        FrameLights = nullptr;
        ApplyGroupLights = nullptr;
        MeshLightsOn = false;
    }
}

float TLights::ParallaxOf(int32_t layer) const {
    if (layer == 0 || !Layers || Layers->Layers.empty()) return 1.0f;
    const float p = Layers->LayerOf(layer).Parallax;
    return std::isfinite(p) ? p : 1.0f;
}

int32_t TLights::DrawnLayer() const {
    return Layers ? Layers->DrawnNumber : 0;
}

void TLights::AssignToMesh(TMesh& mesh, int32_t layer) const {
    RecordSite(62012);
    // Only the lights acting on the layer are looked at for each group.
    std::vector<int32_t> candidates;
    for (size_t i = 0; i < PointLights.size(); ++i)
        if (PointLights[i]->ActsOnLayer(layer)) candidates.push_back(int32_t(i));
    const TFragment_Of_Triangles* previous = nullptr;
    for (TFragment_Of_Triangles& g : mesh.Groups) {
        int32_t n = 0;
        for (int32_t i : candidates) {
            if (!PointLights[size_t(i)]->Touches(g.Box, layer)) continue;
            g.Lights[size_t(n++)] = i;
            if (n == MaxGroupLights) break;
        }
        g.LightCount = n;
        bool same = previous && previous->LightCount == n;
        for (int32_t j = 0; same && j < n; ++j)
            same = previous->Lights[size_t(j)] == g.Lights[size_t(j)];
        g.Joinable = same ? 1 : 0;
        previous = &g;
    }
}

void TLights::AssignAll() {
    RecordSite(62013);
    if (!VisitLitMeshes) return;
    VisitLitMeshes([this](TMesh& mesh, int32_t layer) { AssignToMesh(mesh, layer); });
}

void TLights::Prepare() {
    RecordSite(62014);
    for (auto& l : PointLights)
        if (l->Boost) l->MoveToBoost(false);
    AssignAll();
}

void TLights::Tick(int32_t dt) {
    for (auto& l : PointLights)
        l->Tick(dt);
    for (auto& l : BaseLights)
        l->Tick(dt);
}

void TLights::ResetAll() {
    RecordSite(62015);
    for (auto& l : PointLights)
        l->Reset();
    for (auto& l : BaseLights)
        l->Reset();
}

void TLights::ForgetBoosts() {
    for (auto& l : PointLights)
        l->Boost = nullptr;
}

void TLights::PrepareFrame() {
    RecordSite(62016);
    TRenderBackend& gl = Renderer();
    gl.Enable(Gl::ColorMaterial);
    Slots = {};
    for (auto& l : BaseLights)
        l->Enabled = false;
    for (auto& l : PointLights)
        l->Enabled = false;
    LightsOn = LightsSwitch;
    FrameView.LightsActive = LightsOn;
    FrameLights = this;
    ApplyGroupLights = ApplyFrameGroupLights;
    MeshLightsOn = LightsOn;
    if (!LightsOn) {
        SetLighting(false);
        return;
    }
    SetLighting(true);
    // Vertex colours are the diffuse colour the lights act on; nothing glows
    // by itself and nothing shines.
    gl.ColorMaterial(Gl::FrontAndBack, Gl::Diffuse);
    for (uint32_t pname : {Gl::Ambient, Gl::Diffuse, Gl::Specular, Gl::Emission})
        gl.Materialfv(Gl::FrontAndBack, pname, Dark);
    gl.Materialf(Gl::FrontAndBack, Gl::Shininess, 0.0f);
    const std::array<float, 4> none = {0.0f, 0.0f, 0.0f, 0.0f};
    for (int32_t k = 0; k < Gl::MaxLights; ++k) {
        const uint32_t light = Gl::Light0 + uint32_t(k);
        gl.Lightfv(light, Gl::Ambient, none);
        gl.Lightfv(light, Gl::Specular, none);
        gl.Lightfv(light, Gl::SpotDirection, {0.0f, 0.0f, 1.0f, 0.0f});
        gl.Lightf(light, Gl::SpotCutoff, 90.0f);
        gl.Disable(light);
    }
}

void TLights::MoveCharacterLight(TVec2 at) {
    if (BaseLights.empty()) return;
    TLight& c = *BaseLights[0];
    c.Position[0] = at.X;
    c.Position[1] = at.Y;
    c.Position[3] = 1.0f;
}

void TLights::SwitchOnLayer(const TLayer& layer) {
    RecordSite(62017);
    const int32_t n = std::min(int32_t(BaseLights.size()), UsedBaseLights);
    if (n > 1) BaseLights[1]->CurrentColor = layer.CurrentLight;
    if (n > 0 && layer.CharacterLight) {
        BaseLights[0]->SwitchOn(0, layer.Number);
    } else {
        Renderer().Disable(Gl::Light0);
        if (n > 0) BaseLights[0]->Enabled = false;
    }
    for (int32_t i = 1; i < n; ++i)
        BaseLights[size_t(i)]->SwitchOn(i, layer.Number);
}

void TLights::ApplyList(TLight* const* lights, int32_t n) {
    TRenderBackend& gl = Renderer();
    for (size_t i = 0; i < Slots.size(); ++i) {
        if (!Slots[i]) continue;
        Slots[i]->Enabled = false;
        gl.Disable(Gl::Light0 + uint32_t(FirstSlotLight) + uint32_t(i));
        Slots[i] = nullptr;
    }
    const int32_t layer = DrawnLayer();
    SlotLayer = layer;
    size_t slot = 0;
    for (int32_t j = 0; j < n && slot < Slots.size(); ++j) {
        TLight* l = lights[j];
        if (!l) continue;
        Slots[slot] = l;
        l->SwitchOn(FirstSlotLight + int32_t(slot), layer);
        ++slot;
    }
}

void TLights::ApplyGroup(const TFragment_Of_Triangles& group) {
    std::array<TLight*, MaxSlotLights> list{};
    int32_t n = 0;
    const int32_t count = std::clamp(group.LightCount, 0, MaxGroupLights);
    for (int32_t j = 0; j < count; ++j) {
        const int32_t i = group.Lights[size_t(j)];
        // Lists older than the light list may name lights that are gone.
        if (i >= 0 && size_t(i) < PointLights.size()) list[size_t(n++)] = PointLights[size_t(i)].get();
    }
    ApplyList(list.data(), n);
}

void TLights::ApplyForBox(const TBox2& box, int32_t layer) {
    std::array<TLight*, MaxSlotLights> list{};
    int32_t n = 0;
    for (auto& l : PointLights) {
        if (n == MaxSlotLights) break;
        if (l->ActsOnLayer(layer) && l->Touches(box, layer)) list[size_t(n++)] = l.get();
    }
    ApplyList(list.data(), n);
}

void TLights::Create() {
    RecordSite(62005);
    BaseLights.clear();
    PointLights.clear();
    auto character = std::make_unique<TLight>(this);
    character->SetRadius(300.0f);
    auto fill = std::make_unique<TLight>(this);
    fill->Position[3] = 0.0f;
    fill->StoredColor = fill->BaseColor = fill->CurrentColor = {0.3f, 0.3f, 0.3f, 1.0f};
    BaseLights.push_back(std::move(character));
    BaseLights.push_back(std::move(fill));
    Slots = {};
}

bool TLights::Read(TByteReader& in) {
    RecordSite(62006);
    StoredSwitch = in.ReadBool();
    const int32_t p = in.ReadInt32();
    in.Skip(20);
    const int32_t b = in.ReadInt32();
    if (in.ShortRead || p < 0) return false;
    if (b > 0) {
        if (b > in.Remaining() / MinLightRecordSize) return false;
        // The character and fill lights are always there, whatever the file says.
        const size_t size = size_t(std::max(b, 2));
        BaseLights.resize(size);
        for (auto& l : BaseLights)
            if (!l) l = std::make_unique<TLight>(this);
        for (int32_t i = 0; i < b; ++i)
            if (!BaseLights[size_t(i)]->Read(in)) return false;
    }
    in.Skip(28);
    if (in.ShortRead || p > in.Remaining() / MinLightRecordSize) return false;
    PointLights.clear();
    for (int32_t i = 0; i < p; ++i) {
        auto light = std::make_unique<TLight>(this);
        if (!light->Read(in)) return false;
        PointLights.push_back(std::move(light));
    }
    in.Skip(32);
    return !in.ShortRead;
}

void TLights::Write(TByteWriter& out) const {
    RecordSite(62007);
    out.WriteBool(StoredSwitch);
    const auto own = [](const std::unique_ptr<TLight>& l) { return !l->StoredWithBoost; };
    out.WriteInt32(int32_t(std::count_if(PointLights.begin(), PointLights.end(), own)));
    out.Pad(20);
    out.WriteInt32(int32_t(BaseLights.size()));
    for (const auto& l : BaseLights)
        l->Write(out);
    out.Pad(28);
    for (const auto& l : PointLights)
        if (own(l)) l->Write(out);
    out.Pad(32);
}
