// The level file: the header the level reads itself, then each section read
// by the object type that owns it, and the preparation that follows.
#include "level/Level.h"

#include "app/InputState.h"
#include "app/Log.h"
#include "app/Paths.h"
#include "app/SiteTrace.h"
#include "assets/ByteStream.h"
#include "assets/MassFile.h"
#include "render/DropEmitter.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr int32_t ReservedE21 = 24;
constexpr int32_t ReservedE26 = 27;

// The smallest a stored record can be; a count that the bytes left cannot
// hold at that size is a damaged record.
constexpr int32_t MinSplineObjectBytes = 16;
constexpr int32_t MinWaterBytes = 16;
constexpr int32_t MinWindBytes = 16;

bool HasFolder(const std::string& path) {
    return path.find_first_of("\\/") != std::string::npos;
}
} // namespace

TSelectionLists TLevel::SelectionLists() const {
    TSelectionLists lists;
    lists.SplineObjects = MemberPointers(SplineObjects);
    lists.Waters = MemberPointers(Waters);
    lists.Winds = MemberPointers(Winds);
    lists.Boosts = MemberPointers(Boosts.Items);
    lists.Sky = const_cast<TMSky*>(&Sky);
    return lists;
}

void TLevel::LoadFromFile(const std::string& given) {
    RecordSite(21101);
    std::string path = HasFolder(given) ? given : AppDir + "Levels\\" + given;
    if (!MassFileExists(path)) path = AppDir + "Levels\\" + given;
    std::vector<uint8_t> bytes;
    if (!MassFileExists(path) || !MassFile.ReadFile(path, bytes)) {
        // Nothing to read; the level still gets its player and a defined state.
        LogLine("level " + given + " is not in the archives");
        FinishLoading(false);
        return;
    }
    Loading = true;
    DrawLoadingScreen(0);
    FileName = path;
    const bool ok = LoadFromBytes(bytes);
    if (!ok) LogLine("level " + given + " is damaged; what was read before the damage is kept");
}

bool TLevel::LoadFromBytes(const std::vector<uint8_t>& bytes) {
    RecordSite(21102);
    Loading = true;
    FileChecksum = LevelFileChecksum(bytes);
    TByteReader in(bytes);
    bool ok = false;
    GuardErrors([&] { ok = ReadBody(in); });
    FinishLoading(ok);
    return ok;
}

bool TLevel::ReadBody(TByteReader& in) {
    RecordSite(21103);
    // An old-form header leaves the settings at their defaults.
    const bool headerOk = Header.Read(in);
    if (Header.LevelTitle.empty()) Header.LevelTitle = DefaultLevelTitle;
    const std::array<uint8_t, 4>& top = Header.SkyTopColor;
    Sky.TopColor = {top[0], top[1], top[2], top[3]};
    if (!headerOk) return false;

    // B1–B2: the sky, then the layers (which may take the sky's moon colour).
    if (!Sky.Read(in)) return false;
    Sky.Rebuild();
    const TLightColor skyAmbient{Sky.MoonColor.R / 255.0f, Sky.MoonColor.G / 255.0f, Sky.MoonColor.B / 255.0f,
                                 Sky.MoonColor.A / 255.0f};
    Layers.Read(in, skyAmbient);
    if (in.ShortRead) return false;

    // B3–B4: the spline objects. A failed record ends the list and the file.
    const int32_t c = in.ReadCount(MinSplineObjectBytes);
    if (c < 0) return false;
    SplineObjects.reserve(size_t(c));
    for (int32_t i = 0; i < c; ++i) {
        DrawLoadingScreen(int32_t(std::lround(9.0 * i / c)));
        auto object = std::make_unique<TSplineObj>(&ObjectWorld);
        if (!object->ReadSplineObj(in) || in.ShortRead) return false;
        SplineObjects.push_back(std::move(object));
    }
    DrawLoadingScreen(10);

    // B5–B9: waters, an unused value, winds.
    const int32_t w = in.ReadCount(MinWaterBytes);
    if (w < 0) return false;
    for (int32_t i = 0; i < w; ++i) {
        auto water = std::make_unique<TWater>();
        if (!water->Read(in) || in.ShortRead) return false;
        Waters.push_back(std::move(water));
    }
    FileExtras.UnusedB7 = in.ReadInt32();
    const int32_t v = in.ReadCount(MinWindBytes);
    if (v < 0) return false;
    for (int32_t i = 0; i < v; ++i) {
        auto wind = std::make_unique<TWind>();
        if (!wind->Read(in) || in.ShortRead) return false;
        Winds.push_back(std::move(wind));
    }

    FileExtras.HasExtendedBody = !in.AtEnd();
    if (!FileExtras.HasExtendedBody) return true;
    return ReadExtendedBody(in);
}

bool TLevel::ReadExtendedBody(TByteReader& in) {
    RecordSite(21104);
    TLevelFileExtras& x = FileExtras;
    // E1: boosts, referring to the spline objects by index.
    if (!Boosts.Read(in) || in.ShortRead) return false;
    // E2–E3: lights.
    x.HasLights = in.ReadInt32() == LevelTag::Lights;
    if (x.HasLights && !Lights.Read(in)) return false;
    // E4: materials, always there.
    Materials.ReadDefaults(in);
    if (in.ShortRead) return false;
    DrawLoadingScreen(11);
    // E5–E6: characters.
    if (in.ReadInt32() == LevelTag::Characters) {
        Characters.Load(in);
        if (in.ShortRead) return false;
    }
    // E7–E8: the rain.
    if (in.ReadInt32() == LevelTag::Rain && !Rain->Load(in)) return false;
    // E9–E10: spline animations.
    if (in.ReadInt32() == LevelTag::SplineAnims) {
        SplineAnims.Read(in, MemberPointers(SplineObjects));
        if (in.ShortRead) return false;
    }
    // E11–E12: fog.
    if (in.ReadInt32() == LevelTag::Fog) {
        if (!Fog.Read(in)) return false;
        Fog.Rebuild();
    }
    // E13–E14: the placed drop systems, linked among themselves.
    const bool dropsOk = ReadDropSystems(in, DropSystems);
    RebuildParticleList();
    if (!dropsOk || in.ShortRead) return false;
    // E15–E16: quests.
    if (in.ReadInt32() == LevelTag::Quests && !Quests.Read(in, Boosts.Count())) return false;
    // E17–E18: the music tracks go to the music manager.
    x.HasMusicTracks = in.ReadInt32() == LevelTag::Music;
    if (x.HasMusicTracks) {
        if (!x.MusicTracks.LoadTracks(in)) return false;
        MusicMan.Tracks = x.MusicTracks.Tracks;
    }
    // E19–E20: the level's music values.
    x.HasLevelMusic = in.ReadInt32() == LevelTag::LevelMusic;
    if (x.HasLevelMusic && !Music.Read(in)) return false;
    in.Skip(ReservedE21);
    // E22–E23: placed sounds.
    if (in.ReadInt32() == LevelTag::Sounds && !ReadLevelSounds(in, LevelSounds, NextSoundId)) return false;
    // E24–E26.
    AutoReplayName = in.ReadString();
    AutoReplay = in.ReadBool();
    in.Skip(ReservedE26);
    if (in.ShortRead) return false;
    DrawLoadingScreen(12);
    // E27–E28: the editor's selections.
    x.HasSelections = in.ReadInt32() != 0;
    if (x.HasSelections) {
        const TSelectionLists lists = SelectionLists();
        Selection.Read(in, lists);
        SelectionGroups.Read(in, lists);
    }
    return !in.ShortRead;
}

void TLevel::FinishLoading(bool readOk) {
    RecordSite(21105);
    (void)readOk;
    // Whatever the file held, the level ends prepared, with a player and
    // restarted; an error in one step leaves the rest to run.
    GuardErrors([&] {
        Layers.ClearMembers();
        Layers.AssignList(MemberPointers(Waters), &TLayer::Waters);
        Layers.AssignList(MemberPointers(SplineObjects), &TLayer::SplineObjects);
        Layers.AssignList(MemberPointers(Winds), &TLayer::Winds);
        // Only the placed systems belong to layers; the playing layer draws
        // the level's own systems itself.
        Layers.AssignList(MemberPointers(DropSystems), &TLayer::ParticleSystems);
    });
    DrawLoadingScreen(13);
    // The boosts' objects first (bodies pass through some of them), then the
    // edges: the waters look at them when they prepare.
    GuardErrors([&] { Boosts.LinkShapes(MemberPointers(SplineObjects)); });
    GuardErrors([&] {
        Lights.ForgetBoosts();
        BoostLights = LinkBoostLights(MemberPointers(Boosts.Items), Lights);
    });
    GuardErrors([&] { BuildCollisionEdges(); });
    GuardErrors([&] { PrepareWaters(); });
    GuardErrors([&] {
        if (Characters.Count() == 0) Characters.AddDefaultCharacter();
        if (TRollix* p = Player()) {
            p->KeyLeft = uint16_t(BoundKey(KeyBindings.Left, DefaultKeyBindings.Left));
            p->KeyRight = uint16_t(BoundKey(KeyBindings.Right, DefaultKeyBindings.Right));
            p->KeyTurbo = uint16_t(BoundKey(KeyBindings.Turbo, DefaultKeyBindings.Turbo));
            p->KeyJump = uint16_t(BoundKey(KeyBindings.Jump, DefaultKeyBindings.Jump));
            p->KeyAction = 0;
        }
    });
    GuardErrors([&] {
        RefreshObjectWorld();
        UpdateView();
        UpdateCamera();
        Lights.Prepare();
    });
    DrawLoadingScreen(14);
    if (LevelLoadedHook) GuardErrors([&] { LevelLoadedHook(*this); });
    DrawLoadingScreen(15);
    // A replay that is missing or damaged would hold the player still: the
    // level is played instead.
    AutoReplayReady = false;
    if (AutoReplay) GuardErrors([&] { AutoReplayReady = LoadReplay(AutoReplayName); });
    GuardErrors([&] { RestartLevel(PlaysAutoReplay(), false); });
    GuardErrors([&] { MusicMan.ApplyLevel(Music); });
    DrawLoadingScreen(16);
    Loading = false;
}

// ---- Writing ----

void TLevel::Write(TByteWriter& out) const {
    RecordSite(21106);
    const TLevelFileExtras& x = FileExtras;
    Header.Write(out);
    Sky.Write(out);
    Layers.Write(out);
    out.WriteInt32(int32_t(SplineObjects.size()));
    for (const auto& o : SplineObjects)
        o->WriteSplineObj(out);
    out.WriteInt32(int32_t(Waters.size()));
    for (const auto& w : Waters)
        w->Write(out);
    out.WriteInt32(x.UnusedB7);
    out.WriteInt32(int32_t(Winds.size()));
    for (const auto& w : Winds)
        w->Write(out);
    if (!x.HasExtendedBody) return;

    Boosts.Write(out);
    out.WriteInt32(x.HasLights ? LevelTag::Lights : 0);
    if (x.HasLights) Lights.Write(out);
    Materials.WriteDefaults(out);
    out.WriteInt32(LevelTag::Characters);
    Characters.Write(out);
    out.WriteInt32(LevelTag::Rain);
    Rain->Write(out);
    out.WriteInt32(LevelTag::SplineAnims);
    SplineAnims.Write(out, MemberPointers(SplineObjects));
    out.WriteInt32(LevelTag::Fog);
    Fog.Write(out);
    WriteDropSystems(out, DropSystems);
    out.WriteInt32(LevelTag::Quests);
    Quests.Write(out);
    out.WriteInt32(x.HasMusicTracks ? LevelTag::Music : 0);
    if (x.HasMusicTracks) x.MusicTracks.WriteTracks(out);
    out.WriteInt32(x.HasLevelMusic ? LevelTag::LevelMusic : 0);
    if (x.HasLevelMusic) Music.Write(out);
    out.Pad(ReservedE21);
    out.WriteInt32(LevelTag::Sounds);
    WriteLevelSounds(out, LevelSounds);
    out.WriteString(AutoReplayName);
    out.WriteBool(AutoReplay);
    out.Pad(ReservedE26);
    out.WriteInt32(x.HasSelections ? 1 : 0);
    if (x.HasSelections) {
        const TSelectionLists lists = SelectionLists();
        Selection.Write(out, lists);
        SelectionGroups.Write(out, lists);
    }
}

std::vector<uint8_t> WriteLevelBytes(const TLevel& level) {
    TByteWriter out;
    level.Write(out);
    return out.Bytes;
}
