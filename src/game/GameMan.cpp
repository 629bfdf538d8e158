#include "game/GameMan.h"

#include "app/Log.h"
#include "app/LoopLevel.h"
#include "app/Paths.h"
#include "app/SiteTrace.h"
#include "assets/MassFile.h"
#include "assets/TexLib.h"
#include "audio/MusicMan.h"
#include "audio/SoundMan.h"
#include "game/CurrentLevelLoop.h"
#include "game/MubDat.h"
#include "game/ReplayRun.h"
#include "physics/Rollix.h"

#include <utility>

std::unique_ptr<TGameMan> GameMan;
std::string GameDataFile;

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

std::unique_ptr<TLevel>& TGameMan::OtherSlot() {
    return &CurrentSlot() == &LevelSlotA ? LevelSlotB : LevelSlotA;
}

bool TGameMan::LoadLevel(const std::string& path) {
    return LoadLevelInto(CurrentSlot(), path);
}

bool TGameMan::LoadLevelInOtherSlot(const std::string& path) {
    return LoadLevelInto(OtherSlot(), path);
}

bool TGameMan::LoadLevelInto(std::unique_ptr<TLevel>& slot, const std::string& path) {
    RecordSite(91001);
    std::string found = path;
    if (!MassFileExists(found)) found = AppDir + "Levels\\" + path;
    if (!MassFileExists(found)) {
        LogLine("level " + path + " is not in the archives");
        return false;
    }
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

void TGameMan::PrepareSounds() const {
    RecordSite(91006);
    if (!SoundMan) return;
    std::vector<std::vector<std::string>> names;
    for (const TLevel* level : {LevelSlotA.get(), LevelSlotB.get()})
        if (level) names.push_back(level->SoundLink.SampleNames());
    SoundMan->PrepareForLevels(names);
}

namespace {
// Level names compare as the archive compares them, without the folder.
std::string FileKey(const std::string& name) {
    const size_t cut = name.find_last_of("\\/");
    return UpperAnsi(cut == std::string::npos ? name : name.substr(cut + 1));
}
} // namespace

bool TGameMan::SwitchNeedsLoading() const {
    if (!CurrentSlotLevel || CurrentSlotLevel->SwitchTarget.empty()) return false;
    const TLevel* other = OtherLevel(CurrentSlotLevel);
    return !other || FileKey(other->FileName) != FileKey(CurrentSlotLevel->SwitchTarget);
}

TLevel* TGameMan::SwitchLevels() {
    RecordSite(91004);
    TLevel* old = CurrentSlotLevel;
    if (!old) return nullptr;
    const bool load = SwitchNeedsLoading();
    const std::string target = old->SwitchTarget;
    std::unique_ptr<TLevel>& next = OtherSlot();
    if (next) SetCurrentLevel(next.get());
    if (load && LoadLevelInto(next, target)) return CurrentSlotLevel;
    TLevel* now = CurrentSlotLevel;
    // A missing target leaves the other slot's level as it was; only a
    // switch back into a level already there restarts it.
    if (now != old && load) return now;
    now->RestartLevel(now->PlaysAutoReplay(), false);
    return now;
}

void TGameMan::Create(const std::string& gameDataPath) {
    RecordSite(91006);
    GameDataPath = gameDataPath;
    LoadGameData();
}

bool TGameMan::LoadGameData() {
    std::string notice;
    const bool read = ::LoadGameData(*this, GameDataPath, notice);
    if (!notice.empty()) DataNotice = notice;
    return read;
}

bool TGameMan::SaveGameData() {
    return ::SaveGameData(*this, GameDataPath);
}

std::string TGameMan::TakeDataNotice() {
    return std::exchange(DataNotice, std::string());
}

void TGameMan::LevelFinished(TLevel& level) {
    RecordSite(91005);
    FinishedLevel = level.ShortFileName();
    FinishedAtTick = level.TickCounter;
    // A replay's run is not the player's: watching one stores nothing.
    const TRollix* p = level.Player();
    if (!CurrentPlayer || !p || level.Replay.ReplayPlaying) return;
    NoteFinishedRun(level, CurrentPlayer->PlayerName);
    const int32_t score = p->TotalScore();
    TRunScore run;
    run.Jewels = p->Points;
    run.Secrets = p->Level && p->Level->Boosts ? p->Level->Boosts->TreasureValue(*p) : 0;
    run.Bonus = score - run.Jewels - run.Secrets;
    const std::string file = level.ShortFileName();
    CurrentPlayer->StoreRoundRecord(file, p->FinishTick, 0, &run, score, this);
    AddToRecordTables(file, CurrentPlayer->PlayerName, score, p->FinishTick);
    SaveGameData();
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

std::string GameReport() {
    std::string line;
    const TRollix* p = CurrentLevel ? CurrentLevel->Player() : nullptr;
    line += "points " + std::to_string(p ? p->Points : 0) + " items ";
    std::string items;
    if (p)
        for (int32_t item : p->Items)
            items += (items.empty() ? "" : ",") + std::to_string(item);
    line += items.empty() ? "none" : items;
    if (GameMan && !GameMan->FinishedLevel.empty())
        line += " finished " + GameMan->FinishedLevel + " at tick " + std::to_string(GameMan->FinishedAtTick);
    else
        line += " finished no";
    line += " level " + (CurrentLevel ? CurrentLevel->ShortFileName() : std::string("none"));
    return line;
}

namespace {
void EnsureGameMan() {
    if (GameMan) return;
    GameMan = std::make_unique<TGameMan>();
    GameMan->Create(GameDataFile);
}
} // namespace

void InstallGameHooks() {
    GameHooks.LoadLevel = [](const std::string& name) {
        EnsureGameMan();
        return GameMan->LoadLevel(name) && CurrentLevel != nullptr;
    };
    GameHooks.LoadLevelBehind = [](const std::string& behind, const std::string& name) {
        EnsureGameMan();
        // The level behind may be missing; the one in front must be there.
        GameMan->LoadLevel(behind);
        return GameMan->LoadLevelInOtherSlot(name) && CurrentLevel != nullptr;
    };
    GameHooks.Report = [] { return GameReport(); };
    OtherSlotLevelHook = [](const TLevel& level) { return GameMan ? GameMan->OtherLevel(&level) : nullptr; };
    LevelFinishedHook = [](TLevel& level) {
        if (GameMan) GameMan->LevelFinished(level);
    };
    PlayTickHook = [](TLevel& level) {
        if (GameMan && GameMan->CurrentPlayer && GameMan->IsListed(level.ShortFileName()))
            ++GameMan->CurrentPlayer->PlayTicks;
    };
    GameHooks.HashState = [](TStateHash& hash) {
        if (CurrentLevel) HashLevelState(*CurrentLevel, hash);
    };
    LevelLoadedHook = [](TLevel& level) {
        if (!GameMan) return;
        if (GameMan->CurrentPlayer) LoadBestGhost(level, GameMan->CurrentPlayer->PlayerName);
        GameMan->PrepareTextures();
        GameMan->PrepareSounds();
    };
    GameHooks.LoadReplay = PlayReplayFile;
    GameHooks.SaveReplay = SaveCurrentReplay;
}

void ResetGame() {
    GameMan.reset();
    CurrentLevel = nullptr;
    if (LoopLevel == &CurrentLevelLoop) LoopLevel = nullptr;
    GameHooks.LoadLevel = nullptr;
    GameHooks.LoadLevelBehind = nullptr;
    GameHooks.HashState = nullptr;
    GameHooks.LoadReplay = nullptr;
    GameHooks.SaveReplay = nullptr;
    GameHooks.Report = nullptr;
    LevelLoadedHook = nullptr;
    OtherSlotLevelHook = nullptr;
    LevelFinishedHook = nullptr;
    PlayTickHook = nullptr;
}
