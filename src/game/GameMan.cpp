#include "game/GameMan.h"

#include "app/Log.h"
#include "app/LoopLevel.h"
#include "app/Paths.h"
#include "app/SiteTrace.h"
#include "assets/MassFile.h"
#include "assets/TexLib.h"
#include "audio/MusicMan.h"
#include "game/CurrentLevelLoop.h"

std::unique_ptr<TGameMan> GameMan;

TGameMan::TGameMan() = default;

TGameMan::~TGameMan() {
    // The current level goes last, so CurrentLevel never names a freed level.
    if (LoopLevel == &CurrentLevelLoop) LoopLevel = nullptr;
    LevelSlotB.reset();
    LevelSlotA.reset();
    CurrentLevel = nullptr;
}

std::unique_ptr<TLevel>& TGameMan::SlotOf(const TLevel* level) {
    return LevelSlotB && LevelSlotB.get() == level ? LevelSlotB : LevelSlotA;
}

std::unique_ptr<TLevel>& TGameMan::CurrentSlot() {
    if (!CurrentSlotLevel) return LevelSlotA;
    return SlotOf(CurrentSlotLevel);
}

bool TGameMan::LoadLevel(const std::string& path) {
    RecordSite(91001);
    std::string found = path;
    if (!MassFileExists(found)) found = AppDir + "Levels\\" + path;
    if (!MassFileExists(found)) {
        LogLine("level " + path + " is not in the archives");
        return false;
    }
    std::unique_ptr<TLevel>& slot = CurrentSlot();
    if (CurrentLevel == slot.get()) CurrentLevel = nullptr;
    CurrentSlotLevel = nullptr;
    slot.reset();
    slot = std::make_unique<TLevel>();
    SetCurrentLevel(slot.get());
    slot->LoadFromFile(found);
    return true;
}

void TGameMan::SetCurrentLevel(TLevel* level) {
    RecordSite(91002);
    if (!level || (level != LevelSlotA.get() && level != LevelSlotB.get())) return;
    CurrentSlotLevel = level;
    CurrentLevel = level;
    OtherSlotLevel = OtherLevel(level);
    LoopLevel = &CurrentLevelLoop;
    MusicMan.ApplyLevel(level->Music);
}

void TGameMan::SwapLevels() {
    TLevel* other = OtherLevel(CurrentSlotLevel);
    if (other) SetCurrentLevel(other);
}

TLevel* TGameMan::OtherLevel(const TLevel* level) const {
    if (level && level == LevelSlotA.get()) return LevelSlotB.get();
    if (level && level == LevelSlotB.get()) return LevelSlotA.get();
    return nullptr;
}

void TGameMan::PrepareTextures() const {
    RecordSite(91003);
    TLevelTextureNeeds a, b;
    if (LevelSlotA) LevelSlotA->CollectTextureNeeds(a);
    if (LevelSlotB) LevelSlotB->CollectTextureNeeds(b);
    TexLib.PrepareForLevels({LevelSlotA ? &a : nullptr, LevelSlotB ? &b : nullptr});
}

void HashLevelState(const TLevel& level, TStateHash& hash) {
    hash.AddInt32(level.TickCounter);
    hash.AddInt32(level.RestartPending ? level.RestartCountdown : -1);
    hash.AddFloat(level.CameraX);
    hash.AddFloat(level.CameraY);
    hash.AddInt32(level.Characters.Count());
    for (const auto& c : level.Characters.Items) {
        hash.AddInt32(c->Dead ? 1 : 0);
        hash.AddInt32(c->Points);
        hash.AddInt32(c->MaterialKind);
        for (const TRollixVertex& v : c->Vertices) {
            hash.AddFloat(v.Pos.X);
            hash.AddFloat(v.Pos.Y);
            hash.AddFloat(v.Vel.X);
            hash.AddFloat(v.Vel.Y);
        }
    }
}

void InstallGameHooks() {
    GameHooks.LoadLevel = [](const std::string& name) {
        if (!GameMan) GameMan = std::make_unique<TGameMan>();
        return GameMan->LoadLevel(name) && CurrentLevel != nullptr;
    };
    GameHooks.HashState = [](TStateHash& hash) {
        if (CurrentLevel) HashLevelState(*CurrentLevel, hash);
    };
    LevelLoadedHook = [](TLevel&) {
        if (GameMan) GameMan->PrepareTextures();
    };
}

void ResetGame() {
    GameMan.reset();
    CurrentLevel = nullptr;
    if (LoopLevel == &CurrentLevelLoop) LoopLevel = nullptr;
    GameHooks.LoadLevel = nullptr;
    GameHooks.HashState = nullptr;
    LevelLoadedHook = nullptr;
}
