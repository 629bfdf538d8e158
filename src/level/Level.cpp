#include "level/Level.h"

#include "app/GameState.h"
#include "app/InputState.h"
#include "app/Random.h"
#include "app/SiteTrace.h"
#include "assets/Font.h"
#include "assets/TexLib.h"
#include "render/DropEmitter.h"
#include "render/Rain.h"
#include "render/RenderContext.h"

#include <algorithm>
#include <cmath>

TLevel* CurrentLevel = nullptr;
TLevelStepProbe LevelStepProbe;
std::function<void(TLevel&)> LevelLoadedHook;

namespace {
// The level's own drop systems and the rain take part in the particle step.
constexpr int32_t RainCapacity = 300;

// The player's keys as the key tables hold them.
class TKeyTableInput : public TInputSource {
  public:
    bool KeyDown(uint16_t key) const override { return IsKeyDown(key); }
    bool KeyWasDown(uint16_t key) const override { return KeysBefore[key] != 0; }
    bool WheelDown() const override { return IsKeyDown(KeyWheelUp) || IsKeyDown(KeyWheelDown); }
    bool WheelWentDown() const override { return IsNewPress(KeyWheelUp) || IsNewPress(KeyWheelDown); }
    bool MouseLeftDown() const override { return IsKeyDown(KeyMouseLeft); }
    bool MouseRightDown() const override { return IsKeyDown(KeyMouseRight); }
};
const TKeyTableInput KeyTableInput;
} // namespace

TLevel::TLevel() {
    RecordSite(21001);
    CurrentLevel = this;
    Header.LevelTitle = DefaultLevelTitle;
    Physics.Characters = &Characters;
    Physics.Input = &KeyTableInput;
    Physics.Grid = &Fragments;
    WaterHooks.Grid = &Fragments;
    WaterHooks.Effects = WaterEffects.get();
    Physics.Waters = &WaterHooks;
    Physics.Particles = &ParticleLink;
    Physics.Sound = &SoundLink;
    Physics.Appearance = &Looks;
    Physics.Textures = &TextureLookup;
    BoostHooks.World = &BoostWorld;
    Physics.Boosts = &BoostHooks;
    ParticleMan.World = &ParticleLink;
    WaterEffects = std::make_unique<TLevelWaterEffects>(*this);
    WaterHooks.Effects = WaterEffects.get();
    Physics.GravityFactor = Header.GravityFactor;
    ObjectWorld.Materials = &Materials;
    ObjectWorld.Layers = &Layers;
    ObjectWorld.ScreenWidth = ScreenWidth;
    // A boost's light follows its object when the object is rebuilt (moved,
    // animated), and the meshes learn where it shines now.
    ObjectWorld.RefreshBoostLight = [this](TBoost* b) {
        const int32_t i = Boosts.IndexOf(b);
        if (i < 0 || size_t(i) >= BoostLights.size()) return;
        if (TLight* light = BoostLights[size_t(i)]->Light) light->MoveToBoost(true);
    };
    // The animation of an object whose boost the player carries goes on
    // however far away the object is.
    ObjectWorld.PlayerCarries = [this](const TBoost& b) {
        const TRollix* p = Player();
        return p && BoostHooks.CarriesEffectOf(*p, b);
    };

    // View: the whole screen, camera at its centre.
    ViewWidth = std::max(ScreenWidth, 1);
    ViewHeight = std::max(ScreenHeight, 1);
    CameraX = float(ViewWidth) * 0.5f;
    CameraY = float(ViewHeight) * 0.5f;
    Scale = 1024.0f / float(ViewWidth) * Zoom * 1.4f;
    View = {0.0f, 0.0f, float(ScreenWidth), float(ScreenHeight)};
    InitBorderEdges();

    // Owned members that are not plain fields.
    ScoreParticles = CreateDropSystem();
    SetupScoreParticles();
    Rain = CreateRainSystem(RainCapacity);
    for (auto& d : OwnDropSystems) {
        d = CreateDropSystem();
        d->Emitter->Position = {CameraX, CameraY};
    }
    // Water thrown by a bursting body falls back in gently.
    static_cast<TDrops_Emiter&>(*OwnDropSystems[0]->Emitter).WaterImpact = 5.0f;
    Sky.Material.Parent = &Materials.Base;
    Fog.Material.Parent = &Materials.Base;
    // The font is the program's, made once; a new level still leaves the
    // generator where making the font's wave table leaves it.
    Seed(5);
    for (int32_t i = 0; i < FontWaveDraws; ++i)
        (void)RandomFloat();
    RebuildParticleList();
    InstallLayerHooks();
}

TLevel::~TLevel() {
    RecordSite(21002);
    // Layers and the edge grid only point at members; drop those pointers
    // before the members go, then let the members go in reverse order.
    Layers.ClearMembers();
    Fragments.Destroy();
    // The lights and the boosts only point at each other.
    Lights.ForgetBoosts();
    BoostLights.clear();
    ParticleLink.ForgetCarrierCopies();
    ParticleMan.Clear();
    SelectionGroups.Clear();
    Selection.Clear();
    SelectionCopy.Clear();
    for (auto& o : SplineObjects)
        if (o) o->ClearLinks();
    SplineObjects.clear();
    if (CurrentLevel == this) CurrentLevel = nullptr;
}

void TLevel::InitBorderEdges() {
    static const TVec2 normals[4] = {{0, 1}, {-1, 0}, {0, -1}, {1, 0}};
    for (int32_t i = 0; i < 4; ++i) {
        TCollisionEdge& e = BorderEdges[size_t(i)];
        e.Normal = normals[i];
        e.PrevEdge = (i + 3) % 4 + 1;
        e.NextEdge = (i + 1) % 4 + 1;
    }
    SetBorderEdgesToView();
}

void TLevel::SetBorderEdgesToView() {
    const TVec2 tl{View.Left, View.Top}, tr{View.Right, View.Top};
    const TVec2 br{View.Right, View.Bottom}, bl{View.Left, View.Bottom};
    // Bottom, right, top and left side, each with its normal facing inward.
    const TVec2 ends[4][2] = {{br, bl}, {tr, br}, {tl, tr}, {bl, tl}};
    for (int32_t i = 0; i < 4; ++i) {
        TCollisionEdge& e = BorderEdges[size_t(i)];
        e.Start = ends[i][0];
        e.End = ends[i][1];
        const int32_t prev = e.PrevEdge, next = e.NextEdge;
        FinishEdge(e);
        e.PrevEdge = prev;
        e.NextEdge = next;
    }
}

void TLevel::SetupScoreParticles() {
    TParticleSystem& s = *ScoreParticles;
    s.TextureName = "Effects\\hvezda_4.png";
    s.Texture = TexLib.TextureByName(s.TextureName);
    s.Material.Lit = 2;
    auto* e = static_cast<TDrops_Emiter*>(s.Emitter.get());
    e->SetColours({255, 255, 255, 255}, {255, 255, 255, 100});
    e->BurstCount = 0;
    e->Interval = 0;
    e->IntervalRandom = 0;
    e->Position = {450.0f, 41.0f};
    e->Span = {40.0f, 0.0f};
    e->StartVelocity = {0.3f, 0.0f};
    e->TerrainCollision = 0;
    e->SpreadAngle = float(2.0 * Pi);
    e->SpeedSpread = 5.0f;
    e->SizeMax = 38.0f;
    e->SizeMin = 18.0f;
    e->SizeChange = -1.0f;
    e->WaterImpact = 0.0f;
    e->PushFactor = 0.0f;
    e->HitChance = 0.0f;
    e->FadeOutStep = 5;
    e->VelocityFactor = 0.97f;
    e->SteerTrack = 7;
    e->RandomSteerStart = 1;
}

void TLevel::RebuildParticleList() {
    // Stepped in this order: the score stars, the rain, the two effect
    // systems, then the placed systems in file order.
    std::vector<TParticleSystem*> listed = {ScoreParticles.get(), Rain.get(), OwnDropSystems[0].get(),
                                            OwnDropSystems[1].get()};
    for (auto& d : DropSystems)
        listed.push_back(d.get());
    ParticleMan.ReplaceListed(listed);
}

TRollix* TLevel::Player() const {
    return Characters.Items.empty() ? nullptr : Characters.Items.front().get();
}

std::string TLevel::ShortFileName() const {
    const size_t cut = FileName.find_last_of("\\/");
    return cut == std::string::npos ? FileName : FileName.substr(cut + 1);
}

void TLevel::RefreshObjectWorld() {
    ObjectWorld.AlternateTick = OddTick;
    ObjectWorld.ScreenWidth = ScreenWidth;
    const TRollix* p = Player();
    ObjectWorld.HasPlayer = p != nullptr;
    ObjectWorld.PlayerPosition = p ? p->Centre : TVec2{};
    Physics.GravityFactor = Header.GravityFactor;
    Physics.TickCounter = TickCounter;
    Physics.NoTurbo = Header.NoTurbo;
    Physics.NoPlayerControl = Header.NoPlayerControl;
    Physics.MenuPageOpen = MenuPage != 0;
    Physics.OnMenuLevel = Header.LevelTitle == "MAINMENU" || Header.LevelTitle == "GAMEMENU";
    Physics.BonusSeconds = Header.BonusSeconds;
    Physics.CameraStart = Header.CameraStart;
    Physics.CameraFromFile = Header.CameraFromFile;
    Physics.Restarting = RestartPending;
    Physics.Replay = &Replay;
}

// ---- The viewport rule and the view ----

void TLevel::SetScreenSize(int32_t width, int32_t height) {
    ViewWidth = std::max(width, 1);
    ViewHeight = std::max(height, 1);
    const int32_t tallest = int32_t(std::lround(double(ViewWidth) * 0.75));
    if (ViewHeight > tallest) ViewHeight = std::max(tallest, 1);
    const int32_t widest = int32_t(std::lround(double(ViewHeight) * 16.0 / 9.0));
    if (ViewWidth > widest)
        ViewWidth = std::max(int32_t(std::lround(double(ViewHeight) * 1.7777777777777777778)), 1);
    ViewLeft = (width - ViewWidth) / 2;
    ViewTop = (height - ViewHeight) / 2;
    ObjectWorld.ScreenWidth = width;
}

void TLevel::UpdateView() {
    if (Header.CameraFromFile) {
        CameraX = Header.CameraStart.X;
        CameraY = Header.CameraStart.Y;
    }
    const float w = float(ViewWidth), h = float(ViewHeight);
    View.Left = CameraX - w * 0.5f * Scale;
    View.Right = View.Left + w * Scale;
    View.Top = CameraY - h * 0.5f * Scale;
    View.Bottom = View.Top + h * Scale;
    for (auto& layer : Layers.Layers) {
        const float p = layer->Parallax, d = layer->DepthFactor;
        layer->LayerRect.Left = CameraX * p - w * 0.5f * Scale * d;
        layer->LayerRect.Right = layer->LayerRect.Left + d * w * Scale;
        layer->LayerRect.Top = CameraY * p - h * 0.5f * Scale * d;
        layer->LayerRect.Bottom = layer->LayerRect.Top + d * h * Scale;
    }
    SetBorderEdgesToView();
}

TVec2 TLevel::MapToPlayingLayer(TVec2 p, float parallax) const {
    if (parallax == 1.0f) return p;
    // A zero or broken factor has no rectangle to map from.
    if (!(std::fabs(parallax) > 1e-6f) || !std::isfinite(parallax)) return p;
    const float w = float(ViewWidth) / parallax, h = float(ViewHeight) / parallax;
    const float left = CameraX * parallax - float(ViewWidth) * 0.5f / parallax;
    const float top = CameraY * parallax - float(ViewHeight) * 0.5f / parallax;
    const float fx = (p.X - left) / w, fy = (p.Y - top) / h;
    const TBox2& r = Layers.Layers.empty() ? View : const_cast<TLayers&>(Layers).Playing().LayerRect;
    return {r.Left + fx * (r.Right - r.Left), r.Top + fy * (r.Bottom - r.Top)};
}

bool TLevel::IsNearMoon(TVec2 p) const {
    const TVec2 moon = MapToPlayingLayer(Sky.MoonPos, Sky.SkyParallax);
    const float dx = moon.X - p.X, dy = moon.Y - p.Y;
    return dx * dx + dy * dy <= 400.0f;
}

TWater* TLevel::FindWaterAt(TVec2 p) const {
    return static_cast<TWater*>(Fragments.WaterAt(p));
}

bool TLevel::TraceSegment(TVec2 from, TVec2& to, TRollix& c, const TCollisionEdge*& edge) {
    TVec2 hit;
    edge = nullptr;
    if (!c.FindContact(from, to, hit, edge)) return false;
    to = hit;
    return true;
}

TRollix* TLevel::FindCharacterAt(TVec2 p, const TRollix& c) const {
    for (const auto& other : Characters.Items) {
        if (other.get() == &c || other->Layer != c.Layer || other->VertexCount() < 3) continue;
        const TBox2& b = other->Bounds;
        if (p.X < b.Left || p.X > b.Right || p.Y < b.Top || p.Y > b.Bottom) continue;
        bool inside = false;
        const auto& v = other->Vertices;
        for (size_t i = 0, j = v.size() - 1; i < v.size(); j = i++) {
            const TVec2 a = v[i].Pos, q = v[j].Pos;
            if ((a.Y > p.Y) != (q.Y > p.Y) && p.X < (q.X - a.X) * (p.Y - a.Y) / (q.Y - a.Y) + a.X)
                inside = !inside;
        }
        if (inside) return other.get();
    }
    return nullptr;
}

// ---- Collision edges ----

void TLevel::BuildCollisionEdges() {
    RecordSite(21003);
    Fragments.Destroy();
    CollisionEdges = ::BuildCollisionEdges(MemberPointers(SplineObjects));
    Fragments.Build(CollisionEdges, {});
    ResetTiming = true;
}

void TLevel::PrepareWaters() {
    // The edges exist: outlines are traced and the surface's room measured.
    for (auto& w : Waters) {
        w->BodyMaterial.Parent = w->SurfaceMaterial.Parent = &Materials.Waters;
        w->BubbleMaterial.Parent = &Materials.Bubbles;
        w->Prepare(&Fragments);
    }
    const std::vector<TWater*> waters = MemberPointers(Waters);
    Fragments.Build(CollisionEdges, std::vector<TWaterArea*>(waters.begin(), waters.end()));
}

// ---- Restart ----

void TLevel::RestartLevel(bool replay, bool keepCheckpoint) {
    RecordSite(21004);
    RoundTimeLeft = RoundLength;
    RoundOver = false;
    FirstTick = false;
    PreviousFirstTick = false;
    MenuPage = 0;
    ResetTiming = true;
    RestartPending = false;
    RestartCountdown = 0;
    Finished = false;
    FinishedAtTick = 0;
    if (!keepCheckpoint) CheckpointUsed = false;
    const bool atCheckpoint = CheckpointUsed && RestartAtCheckpoint();
    for (int32_t pass = 0; pass < 2 && !atCheckpoint; ++pass) {
        FirstTick = true;
        PreviousFirstTick = false;
        OddTick = false;
        TickCounter = 0;
        FillRandomTable();
        Seed(100);
        ScoreFade = 0;
        ScoreFadeStep = 0;
        ScoreHints.clear();
        XHints.clear();
        WarnTimer = WarnPhase = 0;
        UsedLeftRight = UsedTurbo = false;
        Physics.HintCountA = Physics.HintCountB = 0;
        SoundLink.Restart();
        if (replay)
            Replay.StartPlayback();
        else
            Replay.StartRecording();
        RunTrack.Clear();
        ResetMembers();
    }
    RefreshObjectWorld();
}

// Only the characters start again: the player, alive, in the figure it had
// when it reached the newest checkpoint, at the checkpoint's centre. Quests,
// boosts and the tick counter go on. False when no checkpoint was reached.
bool TLevel::RestartAtCheckpoint() {
    const TBoost* checkpoint = BoostHooks.NewestCheckpoint();
    if (!checkpoint || !checkpoint->Shape || !Player()) return false;
    // The boosts keep their state, so the player keeps what they gave: the
    // points (without them a gate might never open) and the treasures. A
    // key item goes back to its own place, or no door could open again.
    TRollix* p = Player();
    const int32_t points = p->Points;
    const std::vector<int32_t> items = p->Items;
    if (const TBoosts* carried = BoostHooks.CarriedOf(std::as_const(*p)))
        for (const auto& e : carried->Items)
            if (e->IsKeyItem && e->Source) BoostHooks.Show(*e->Source, false, nullptr);
    Characters.Restart();
    p = Player();
    p->Points = points;
    p->Items = items;
    p->LoadFigure(checkpoint->Param2Int());
    p->ApplyFigure(true, 1.0f, true);
    p->Dead = false;
    p->Present = true;
    const TVec2 at = ShapeCentre(*checkpoint);
    p->PlaceAt(false, at.Y, at.X);
    return true;
}

void TLevel::ResetMembers() {
    int32_t k = 0;
    auto draw = [&] { ResetRandoms[size_t(k++)] = Random(1000); };
    draw();
    Characters.Restart();
    if (!EditView)
        if (TRollix* p = Player()) {
            CameraX = p->Centre.X;
            CameraY = p->Centre.Y;
        }
    draw();
    BoostHooks.Reset();
    draw(); // particle systems
    ParticleLink.PrepareWaterSplashes();
    ParticleLink.RefreshLayers();
    ParticleMan.RestartAll(true);
    draw();
    Layers.ResetAll();
    draw(); // lights
    Lights.ResetAll();
    draw(); // waters
    for (auto& w : Waters)
        w->Reset();
    draw(); // winds
    for (auto& w : Winds) {
        const int32_t link = w->LinkedShapeIndex;
        w->LinkedShape =
            link >= 0 && size_t(link) < SplineObjects.size() ? SplineObjects[size_t(link)].get() : nullptr;
        w->Reset();
    }
    draw(); // rain
    Rain->Restart(true);
    draw();
    SplineAnims.ResetAll();
    draw(); // frame animations
    draw(); // quests
    draw();
    draw(); // sky and fog
    Sky.Reset();
    Fog.Reset();
    CameraEffects.Reset();
}

// ---- Queries ----

std::vector<std::string> TLevel::ListUsedResources() const {
    std::vector<std::string> names;
    auto add = [&](const std::string& n) {
        if (!n.empty() && std::find(names.begin(), names.end(), n) == names.end()) names.push_back(n);
    };
    for (const char* n : {"Animations\\0076.gms", "Animations\\0052.gms", "Animations\\0053.gms"})
        add(n);
    for (const char* n : {"xRollix\\au.ogg", "xRollix\\glo glo - topenie sa.ogg", "xRollix\\glo glo.ogg",
                          "xRollix\\hicc.ogg", "xRollix\\ja !.ogg", "xRollix\\jach.ogg", "xRollix\\jam o.ogg",
                          "xRollix\\jau.ogg", "xRollix\\nadych 2.ogg", "xRollix\\nadych.ogg"})
        add(n);
    bool bubble = false;
    for (const auto& c : Characters.Items)
        bubble = bubble || c->MaterialKind == 5;
    if (bubble)
        for (const char* n : {"xRollix\\brrrrr.ogg", "xRollix\\jam o.ogg", "xRollix\\mmm.ogg",
                              "xRollix\\o !.ogg", "xRollix\\o.ogg"})
            add(n);
    // A boost's sounds as it plays them: "default" and " no sample" are no names.
    for (const auto& b : Boosts.Items) {
        add(BoostHooks.TakeSoundOf(*b));
        add(TLevelBoosts::ShowSoundOf(*b));
        add(b->VoiceName);
    }
    for (const auto& q : Quests.Items)
        for (const TSpeech& s : q->Speeches.Items)
            add(s.Name);
    return names;
}

void TLevel::CollectTextureNeeds(TLevelTextureNeeds& needs) const {
    auto meshes = [&](const TMultiMesh& m) {
        for (const auto& mesh : m.Meshes)
            if (mesh && mesh->Texture) needs.Textures.push_back(mesh->Texture);
    };
    for (const auto& o : SplineObjects) {
        meshes(o->Body);
        meshes(o->Border);
    }
    for (const TMyTexture* t : Sky.SpriteTextures)
        if (t) needs.Textures.push_back(const_cast<TMyTexture*>(t));
    needs.Indices.insert(needs.Indices.end(),
                         {Sky.CloudTexture, Sky.MoonTexture, Sky.GlowTexture, Sky.StarTexture});
    if (Fog.FogOn) needs.Indices.push_back(Fog.FogTexture);
    auto system = [&](const TParticleSystem* s) {
        if (s && s->Texture) needs.Textures.push_back(s->Texture);
    };
    system(ScoreParticles.get());
    system(Rain.get());
    for (const auto& d : OwnDropSystems)
        system(d.get());
    for (const auto& d : DropSystems)
        system(d.get());
    for (const std::string& name : ListUsedResources())
        needs.FrameNames.push_back(name);
}

void TLevel::AddScoreHint(const std::u16string& text, TVec2 position) {
    TScoreHint h;
    h.Text = text;
    h.Position = position;
    const TRollix* p = Player();
    const bool below = !p || p->Points < Header.TargetScore;
    if (below)
        h.Colour = Random(2) == 0 ? TColor4{255, 140, 140, 170} : TColor4{255, 120, 120, 170};
    else
        h.Colour = Random(2) == 0 ? TColor4{130, 140, 238, 255} : TColor4{117, 123, 238, 170};
    ScoreHints.push_back(h);
}

void TLevel::ScheduleRestart(int32_t ticks, bool keepCheckpoint) {
    RestartPending = true;
    RestartCountdown = ticks;
    CheckpointUsed = keepCheckpoint;
}

void TLevel::CheckRestartTimer() {
    if (RestartPending && RestartCountdown <= 0) RestartLevel(false, true);
}
