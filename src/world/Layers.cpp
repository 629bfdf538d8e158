#include "world/Layers.h"

#include "app/Random.h"
#include "app/SiteTrace.h"
#include "render/RenderContext.h"

#include <algorithm>
#include <cmath>

void TLayer::SetParallax(float p) {
    Parallax = p;
    if (!std::isfinite(p)) {
        DepthFactor = 1.0f;
        return;
    }
    // A factor near zero would make the layer endlessly large: divide by at
    // least 0.001 in size, keeping the sign.
    float divisor = std::fabs(p) < 0.001f ? std::copysign(0.001f, p) : p;
    DepthFactor = 1.0f / divisor;
}

void TLayer::UpdateRect(TVec2 camera, float viewWidth, float viewHeight) {
    float cx = camera.X * Parallax, cy = camera.Y * Parallax;
    float w = viewWidth * DepthFactor, h = viewHeight * DepthFactor;
    LayerRect = {cx - w / 2, cy - h / 2, cx + w / 2, cy + h / 2};
}

void TLayer::TickFlicker(int32_t dt) {
    if (!Flicker) {
        CurrentLight = LightColor;
        return;
    }
    FlickerElapsed += dt;
    if (FlickerElapsed >= FlickerDuration || FlickerDuration <= 0) {
        FlickerElapsed = 0;
        FlickerDuration = FlickerMin + Random(FlickerRandom);
        FromLight = ToLight;
        float r = float(RandomFloat());
        for (size_t c = 0; c < 4; ++c)
            ToLight[c] = LightColor[c] + (LightColor2[c] - LightColor[c]) * r;
    }
    if (FlickerDuration <= 0) FlickerDuration = 1;
    float t = float(FlickerElapsed) / float(FlickerDuration);
    for (size_t c = 0; c < 4; ++c)
        CurrentLight[c] = FromLight[c] + (ToLight[c] - FromLight[c]) * t;
}

void TLayer::Reset() {
    CurrentLight = FromLight = ToLight = LightColor;
    FlickerElapsed = FlickerDuration = 0;
    Visible = VisibleAsLoaded;
}

void TLayer::ClearMembers() {
    SplineObjects.clear();
    Waters.clear();
    Winds.clear();
    ParticleSystems.clear();
}

TLayers::TLayers() {
    CreateDefault();
}

void TLayers::CreateDefault() {
    Layers.clear();
    auto layer = std::make_unique<TLayer>();
    layer->Owner = this;
    layer->CharacterLight = true;
    Layers.push_back(std::move(layer));
    MinNumber = MaxNumber = 0;
}

void TLayers::Read(TByteReader& in, const TLightColor& skyAmbient) {
    RecordSite(35001);
    int32_t m = in.ReadInt32();
    int32_t n = in.ReadInt32();
    // The playing layer must exist: a lowest number above 0 or a count that
    // stops short of 0 is widened; records beyond the bytes left are not read.
    int32_t stored = std::max(n, 0);
    int32_t readable = std::min(stored, in.Remaining() / LayerRecordSize);
    std::vector<TLayerRecord> records(static_cast<size_t>(readable));
    for (TLayerRecord& r : records) {
        r.Parallax = in.ReadFloat32();
        r.ColorSource = in.ReadInt32();
        for (float& c : r.LightColor)
            c = in.ReadFloat32();
        r.CharacterLight = in.ReadBool();
        r.Flicker = in.ReadBool();
        for (float& c : r.LightColor2)
            c = in.ReadFloat32();
        r.FlickerMin = in.ReadInt32();
        r.FlickerRandom = in.ReadInt32();
        r.Hidden = in.ReadBool();
        in.Skip(53);
    }
    if (m > 0) m = 0;
    if (m < -100000) m = -100000;
    int32_t count = std::max(readable, 1 - m);
    Layers.clear();
    for (int32_t i = 0; i < count; ++i) {
        auto layer = std::make_unique<TLayer>();
        layer->Owner = this;
        layer->Number = m + i;
        layer->CharacterLight = layer->Number == 0;
        if (i < readable) {
            const TLayerRecord& r = records[size_t(i)];
            layer->SetParallax(r.Parallax);
            layer->LightColor = r.ColorSource == 0 ? skyAmbient : r.LightColor;
            layer->CharacterLight = r.CharacterLight;
            layer->Flicker = r.Flicker;
            layer->LightColor2 = r.LightColor2;
            layer->FlickerMin = r.FlickerMin;
            layer->FlickerRandom = r.FlickerRandom;
            layer->VisibleAsLoaded = layer->Visible = !r.Hidden;
        }
        layer->Reset();
        Layers.push_back(std::move(layer));
    }
    MinNumber = m;
    MaxNumber = m + count - 1;
    SelectedNumber = 0;
}

void TLayers::Create(int32_t lowest, const std::vector<float>& parallaxes) {
    TByteWriter w;
    w.WriteInt32(lowest);
    w.WriteInt32(0);
    TByteReader none(std::move(w.Bytes));
    Read(none, {}); // the layers up to 0 with defaults
    const int32_t count = std::max(int32_t(parallaxes.size()), MaxNumber - MinNumber + 1);
    for (int32_t i = int32_t(Layers.size()); i < count; ++i) {
        auto layer = std::make_unique<TLayer>();
        layer->Owner = this;
        layer->Number = MinNumber + i;
        Layers.push_back(std::move(layer));
    }
    MaxNumber = MinNumber + count - 1;
    for (size_t i = 0; i < parallaxes.size(); ++i)
        Layers[i]->SetParallax(parallaxes[i]);
}

void TLayers::Write(TByteWriter& out) const {
    out.WriteInt32(MinNumber);
    out.WriteInt32(int32_t(Layers.size()));
    for (const auto& l : Layers) {
        out.WriteFloat32(l->Parallax);
        out.WriteInt32(1);
        for (float c : l->LightColor)
            out.WriteFloat32(c);
        out.WriteBool(l->CharacterLight);
        out.WriteBool(l->Flicker);
        for (float c : l->LightColor2)
            out.WriteFloat32(c);
        out.WriteInt32(l->FlickerMin);
        out.WriteInt32(l->FlickerRandom);
        out.WriteBool(!l->VisibleAsLoaded);
        out.Pad(53);
    }
}

void TLayers::ClearMembers() {
    for (auto& l : Layers)
        l->ClearMembers();
}

int32_t TLayers::ClampNumber(int32_t number) const {
    return std::clamp(number, MinNumber, MaxNumber);
}

TLayer& TLayers::LayerOf(int32_t number) {
    return *Layers[size_t(ClampNumber(number) - MinNumber)];
}

void TLayers::Tick(int32_t dt) {
    for (auto& l : Layers)
        l->TickFlicker(dt);
}

void TLayers::ResetAll() {
    for (auto& l : Layers)
        l->Reset();
}

void TLayers::SetView(TLayer& layer, float cameraRoll) {
    const TBox2& r = layer.LayerRect;
    SetProjection(r.Left, r.Top, r.Right, r.Bottom, cameraRoll);
}

bool TLayers::AnySolo() const {
    return std::any_of(Layers.begin(), Layers.end(), [](const auto& l) { return l->Solo; });
}

void TLayers::DrawLayer(TLayer& layer, float cameraRoll, bool editView) {
    RecordSite(35002);
    DrawnNumber = layer.Number;
    SetView(layer, cameraRoll);
    if (AnySolo() && !layer.Solo) return;
    SetLighting(true);
    if (Hooks.SwitchOnLights) Hooks.SwitchOnLights(layer);
    if (Hooks.DrawAssignedFigures && Hooks.DrawAssignedFigures(layer)) SetView(layer, cameraRoll);
    if (Hooks.ApplyFigureMaterial) Hooks.ApplyFigureMaterial();
    if (layer.Number == 0 && Hooks.DrawCharacters) Hooks.DrawCharacters();
    if (Hooks.ApplyWaterMaterial) Hooks.ApplyWaterMaterial();
    if (Hooks.DrawWater)
        for (TWater* w : layer.Waters)
            Hooks.DrawWater(w);
    if (Hooks.DrawParticles) Hooks.DrawParticles(layer);
    if (Hooks.ApplySplineObjectMaterial) Hooks.ApplySplineObjectMaterial();
    if (Hooks.DrawSplineObject)
        for (TSplineObj* o : layer.SplineObjects)
            Hooks.DrawSplineObject(o);
    if (layer.Number == 0 && Hooks.DrawCharacterFronts) Hooks.DrawCharacterFronts();
    if (!editView && Hooks.DrawFog) Hooks.DrawFog(layer);
}

void TLayers::BeginPlayingLayerOverlay(float cameraRoll) {
    DrawnNumber = 0;
    TLayer& playing = Playing();
    SetView(playing, cameraRoll);
    SetLighting(true);
    if (Hooks.SwitchOnLights) Hooks.SwitchOnLights(playing);
}
