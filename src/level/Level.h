// One playable scene: terrain and decoration objects, water, wind, lights,
// particles, sounds, boosts, quests, the characters, sky, fog and camera,
// and the per-level game state. Everything else reaches the world through
// the current level. Menus are levels too.
#pragma once

#include "app/GameState.h"
#include "app/InputState.h"
#include "audio/LevelSound.h"
#include "audio/MusicMan.h"
#include "gameplay/Boost.h"
#include "gameplay/LevelWaters.h"
#include "gameplay/Quest.h"
#include "gameplay/Water.h"
#include "gameplay/WaterEffects.h"
#include "gameplay/Wind.h"
#include "level/GhostTrack.h"
#include "level/LevelBoostLights.h"
#include "level/LevelBoostLink.h"
#include "level/LevelHeader.h"
#include "level/LevelParticles.h"
#include "level/LevelSounds.h"
#include "level/Mechanics.h"
#include "level/ReplayFile.h"
#include "level/RollixLooks.h"
#include "physics/CharacterLevel.h"
#include "physics/ReplayTrack.h"
#include "physics/RollixsMan.h"
#include "render/CameraEffects.h"
#include "render/Fog.h"
#include "render/Lights.h"
#include "render/ParticleMan.h"
#include "render/ParticleSystem.h"
#include "render/Sky.h"
#include "world/CollisionEdges.h"
#include "world/EdgeGrid.h"
#include "world/Layers.h"
#include "world/MaterialMan.h"
#include "world/Mesh.h"
#include "world/Selection.h"
#include "world/SplineObj.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class TLevel;
class TByteReader;

// The members of an owning list, in list order.
template <typename T> std::vector<T*> MemberPointers(const std::vector<std::unique_ptr<T>>& owned) {
    std::vector<T*> out;
    out.reserve(owned.size());
    for (const auto& item : owned)
        out.push_back(item.get());
    return out;
}
class TByteWriter;
struct TLevelTextureNeeds;
class TMyTexture;

// The level that is run and drawn; creating a level makes it current.
extern TLevel* CurrentLevel;

constexpr const char* DefaultLevelTitle = "Enter level name!";
constexpr int32_t ResetRandomCount = 13;
constexpr int32_t ScoreHintLifetime = 150;
// Progress values of the loading screen run from 0 to this.
constexpr int32_t LoadingSteps = 16;

// The tags that announce the optional sections of a level file.
namespace LevelTag {
constexpr int32_t Lights = 1;
constexpr int32_t Characters = 4444;
constexpr int32_t Rain = 1010;
constexpr int32_t SplineAnims = 1515;
constexpr int32_t Fog = 1212;
constexpr int32_t Quests = 1313;
constexpr int32_t Music = 1010101;
constexpr int32_t LevelMusic = 1010102;
constexpr int32_t Sounds = 110011;
} // namespace LevelTag

struct TScoreHint {
    std::u16string Text;
    TVec2 Position;
    int32_t Age = 0;
    int32_t Lifetime = ScoreHintLifetime;
    TColor4 Colour;
};

// A growing text at a point of the playing layer; a hidden one is drawn only
// by the drop system that made it.
struct TXHint {
    std::u16string Text;
    TVec2 Position;
    int32_t Age = 0;
    int32_t Lifetime = ScoreHintLifetime;
    int32_t HoldTicks = 0;
    int32_t HoldTime = 0;
    int32_t Serial = 0;
    bool Hidden = false;
    TColor4 Colour;
};

// The sections of a level file that hold no behaviour of the level itself:
// the unused value and the editor's records, kept so that a written level
// reads back the same.
struct TLevelFileExtras {
    int32_t UnusedB7 = 0;
    // Whether the file went on after the winds.
    bool HasExtendedBody = true;
    bool HasLights = true;
    bool HasMusicTracks = false;
    // The track section as the file holds it: the music manager takes it,
    // and then the level's own music values, so the level keeps its copy.
    TMusicMan MusicTracks;
    bool HasLevelMusic = false;
    bool HasSelections = false;
};

// A named step of a tick, handed to the probe (tests watch the order and the
// generator through it).
using TLevelStepProbe = std::function<void(const char* step)>;
extern TLevelStepProbe LevelStepProbe;

// The kinds of level switch.
constexpr int32_t SwitchGate = 0;
constexpr int32_t SwitchTeleport = 1;
constexpr int32_t SwitchRotatingGate = 2;
constexpr int32_t GateFadeTicks = 100;
constexpr int32_t RotatingGateFadeTicks = 70;

// The level in the game's other slot (none without a game), and where a
// finished level is reported; the game manager sets both.
extern std::function<TLevel*(const TLevel&)> OtherSlotLevelHook;
extern std::function<void(TLevel&)> LevelFinishedHook;
// Runs once in every running play tick: the game counts the logged-in
// player's play time in the game's levels.
extern std::function<void(TLevel&)> PlayTickHook;

// Runs when a level has read its file and built its edges: the game manager
// makes the textures (and later the sounds) of both slots resident.
extern std::function<void(TLevel&)> LevelLoadedHook;

class TLevel {
  public:
    // Makes the new level current. The view starts at the screen size.
    TLevel();
    ~TLevel();
    TLevel(const TLevel&) = delete;
    TLevel& operator=(const TLevel&) = delete;

    // ---- Identity and file ----
    std::string FileName;
    bool Loading = false;
    bool AutoReplay = false;
    std::string AutoReplayName;
    TLevelFileExtras FileExtras;

    // ---- Header ----
    // The level's title and the settings it plays by (target score, bonus
    // seconds, camera start, gravity, the player-control, turbo and
    // face-animation switches, help boosts), with the values the file holds
    // only for the editor. A level read from an old-form header keeps the
    // default settings; one whose file names no title gets the default title.
    TLevelHeader Header;
    TLevelMusic Music;

    // ---- What the characters see of the level ----
    TCharacterLevel Physics;
    TObjectWorld ObjectWorld;
    // Where waters and winds send splash drops, splash sounds and the winds'
    // push on particles; the particle systems and sounds connect to it. The
    // characters reach the waters through WaterHooks, whose Effects point
    // here (a replaced WaterEffects is handed to it as well).
    std::unique_ptr<TWaterEffects> WaterEffects = std::make_unique<TWaterEffects>();
    TLevelWaters WaterHooks;
    // The particle systems' view of the level, and the characters' way to them.
    TLevelParticles ParticleLink{*this};
    // The sink the members play their sounds through, the ambient loops and
    // the placed sounds' step.
    TLevelSoundLink SoundLink{*this};

    // ---- Owned members, in construction order ----
    TRollixsMan Characters{&Physics};
    TParticleSystem_Manager ParticleMan;
    TSplineAnimMan SplineAnims;
    TMaterialMan Materials;
    // The characters' skins and looks; their meshes take materials from Materials.
    TRollixLooks Looks{&Materials};
    TLibraryTextures TextureLookup;
    TBoosts Boosts;
    // The boosts at work: the characters' hooks and the level's boost steps,
    // with what they ask of the level.
    TLevelBoosts BoostHooks{Boosts, Physics};
    TLevelBoostWorld BoostWorld{*this};
    TQuests Quests;
    std::unique_ptr<TParticleSystem> ScoreParticles;
    std::unique_ptr<TParticleSystem> Rain;
    std::array<std::unique_ptr<TParticleSystem>, 2> OwnDropSystems;
    TLights Lights;
    // Each boost's link to its light, in boost-list order (made at loading).
    std::vector<std::unique_ptr<TLevelBoostLight>> BoostLights;
    TMultiMultiSelection SelectionGroups;
    TMultiSelection Selection;
    TMultiSelection SelectionCopy;
    TMSky Sky;
    TFog Fog;
    TCameraEffects CameraEffects;
    TLayers Layers;

    // ---- Filled by loading ----
    std::vector<std::unique_ptr<TSplineObj>> SplineObjects;
    std::vector<std::unique_ptr<TWater>> Waters;
    std::vector<std::unique_ptr<TWind>> Winds;
    std::vector<std::unique_ptr<TLevelSound>> LevelSounds;
    int32_t NextSoundId = 1;
    std::vector<std::unique_ptr<TParticleSystem>> DropSystems;
    std::vector<TCollisionEdge> CollisionEdges;
    TFragments Fragments;

    // ---- HUD ----
    std::vector<TScoreHint> ScoreHints;
    std::vector<TXHint> XHints;
    int32_t NextXHintSerial = 1;
    // The low-score warning: 0 off, else the ticks it has run (1 … 250);
    // its phase goes round 0 … 49 and pulses the score and the arrows.
    int32_t WarnTimer = 0;
    int32_t WarnPhase = 0;
    // The tutorials' key pictures: whether the player has rolled and has
    // used turbo since the restart, and (never reset) whether it has once
    // got past the main level's first stretch.
    bool UsedLeftRight = false;
    bool UsedTurbo = false;
    bool FirstStepsDone = false;

    // ---- View and camera ----
    int32_t ViewWidth = 0, ViewHeight = 0;
    int32_t ViewLeft = 0, ViewTop = 0;
    float CameraX = 0.0f, CameraY = 0.0f;
    float CameraRoll = 0.0f;
    // Centres of the active camera attractors, in boost-list order. No boost
    // type attracts the camera, so nothing fills the list and the camera
    // follows the player alone; the pull stays for a level that brings one.
    std::vector<TVec2> CameraAttractors;
    float Zoom = 1.0f;
    float Scale = 1.0f;
    TBox2 View;
    std::array<TCollisionEdge, 4> BorderEdges;

    // ---- Game state ----
    bool Running = true;
    bool EditView = false;
    int32_t TickCounter = 0;
    int32_t RoundLength = 0;
    int32_t RoundTimeLeft = 0;
    bool RoundOver = false;
    bool OddTick = false;
    bool FirstTick = false;
    bool PreviousFirstTick = false;
    bool RestartPending = false;
    int32_t RestartCountdown = 0;
    // The pending restart puts the player back at the newest checkpoint it
    // reached instead of restarting the level.
    bool CheckpointUsed = false;
    int32_t ScoreFade = 0;
    int32_t ScoreFadeStep = 0;
    std::array<int32_t, ResetRandomCount> ResetRandoms{};
    bool KeyConsumed = false;
    // Menus and help arrive with their screens.
    bool GameMenuOpen = false;
    bool HelpOpen = false;
    int32_t MenuPage = 0;
    // Set when the first character passed a finishing gate, with the tick.
    bool Finished = false;
    int32_t FinishedAtTick = 0;

    // ---- Switching to another level ----
    // Requested (with a delay the game goes on through), then due (the ticks
    // stop and the next frame captures the old picture), then pending on the
    // new level (its first frame is captured), then the cross-fade between
    // the two pictures while the simulation waits.
    int32_t SwitchKind = SwitchGate;
    std::string SwitchTarget; // empty: restart the level in the other slot
    TVec2 SwitchPos;          // where a teleport puts the character and the camera
    int32_t SwitchDelay = 0;
    bool SwitchDue = false;
    bool CapturePending = false;
    int32_t FadeCounter = 0; // ticks of cross-fade left
    int32_t FadeLength = 0;
    int32_t TransitionSeed = 0;
    bool TransitionActive = false;
    // The first drawn effect frame (and the next) shows the old picture whole.
    bool FirstEffectFrame = true;
    bool SecondEffectFrame = false;
    int32_t CaptureWidth = 0, CaptureHeight = 0;
    TMesh EffectMesh{nullptr, nullptr};
    // Every play records the player's controls here; a restart with replay
    // plays them back instead of the keys.
    TReplayTrack Replay;
    // The player's path since the last restart, and the ghost drawn beside
    // the player (a best run's path; empty: none).
    TGhostTrack RunTrack;
    TGhostTrack Ghost;
    // Draws the ghost at this tick over the playing layer (when shown).
    void DrawGhost();

    // ---- Lifecycle ----
    // Reads the level file (a bare name is looked up under "Levels\") and
    // prepares the level for play. A level always ends with a player and a
    // defined state, whatever the file held.
    void LoadFromFile(const std::string& path);
    // Reads a level file image: header and sections, then the preparation
    // steps. False when the file was damaged (what was read stays).
    bool LoadFromBytes(const std::vector<uint8_t>& bytes);
    // The checksum of the level file as it was read (replay tags keep it).
    uint64_t FileChecksum = 0;

    // ---- Replays ----
    // A replay from the archives ("Gbvs\" + name, ".gbv" added when the name
    // has no extension of its own), else from the player's replay folder.
    // The next restart with replay plays it. False, and nothing changed,
    // when it is in neither place or damaged.
    bool LoadReplay(const std::string& name);
    void UseReplay(const TReplayFile& replay);
    // The level's own replay was loaded: its restarts play it.
    bool AutoReplayReady = false;
    bool PlaysAutoReplay() const { return AutoReplay && AutoReplayReady; }
    // The run recorded since the last restart, as a replay file.
    TReplayFile RecordedReplay() const;
    // Saves the recorded run into the player's replay folder, under the name
    // or, without one, the level's name with the first free "~000" ...
    // "~999"; an existing file is never replaced. The path written to.
    bool SaveReplay(const std::string& name, std::string& outPath, const TReplayTag* tag = nullptr) const;
    void RestartLevel(bool replay, bool keepCheckpoint);
    void SetScreenSize(int32_t width, int32_t height);
    void BuildCollisionEdges();
    void UpdateView();
    void DrawLoadingScreen(int32_t progress);

    // ---- Switching (LevelSwitch.cpp) ----
    // Kind 0 goes to the target (or restarts the other slot's level), kind 1
    // moves the first character to the position, kind 2 is the gate with the
    // turning picture. A delay below 1 makes the switch due at once.
    void RequestLevelSwitch(int32_t kind, TVec2 position, const std::string& target, int32_t delay);
    void SwitchNow();
    // Counts the delay, then the fade down; the transition sound at the
    // fade's first tick.
    void AdvanceTransition(int32_t ticks);
    // A level that is no longer current forgets its switch.
    void ClearTransition();
    // The cross-fade between the two captured pictures, instead of the level.
    void DrawTransition();
    // A fade is running: the level is not simulated and draws the transition.
    bool CrossFadeRunning() const { return FadeCounter > 0; }
    // The first character passed a finishing gate: noted, and handed to the game.
    void FinishLevel();
    // The view size scaled to fit the 1024 × 1024 capture textures.
    void UpdateCaptureSize();
    // The capture of a switch frame: a due switch copies the old picture
    // (and a teleport moves the character); a pending capture copies the
    // new one and starts the fade. True when the switch was due.
    bool CaptureSwitchFrame();
    // One more frame of this level with "loading..." over it, shown at once.
    void DrawSwitchLoadingPicture();

    // ---- Per tick and per frame ----
    void StepPlay(int32_t tickCount);
    void UpdateLevelSounds(bool updateListener);
    void CheckRestartTimer();
    void UpdateCamera();
    void ScheduleRestart(int32_t ticks, bool keepCheckpoint);
    void DrawLevel();
    // Fills the frame set-up's view of this level.
    void PrepareFrameView() const;
    // A textured quad of the texture's drawn size, its top-left corner (or
    // its centre) at the position, scaled, then turned by the angle (radians).
    void DrawPicture(TMyTexture* texture, TVec2 at, bool lit, bool centred, TColor4 colour, float angle,
                     float scaleX, float scaleY);

    // ---- Queries ----
    // The first character, or none in a level whose characters are all gone.
    TRollix* Player() const;
    TWater* FindWaterAt(TVec2 p) const;
    // The nearest hit of a point moving from → to against the terrain and the
    // other characters of c's layer; to becomes the hit point. A character
    // hit reports no edge.
    bool TraceSegment(TVec2 from, TVec2& to, TRollix& c, const TCollisionEdge*& edge);
    // The first character other than c, on c's layer, whose outline holds p.
    TRollix* FindCharacterAt(TVec2 p, const TRollix& c) const;
    TVec2 MapToPlayingLayer(TVec2 p, float parallax) const;
    bool IsNearMoon(TVec2 p) const;
    std::vector<std::string> ListUsedResources() const;
    void AddScoreHint(const std::u16string& text, TVec2 position);

    // ---- Status line and hints (StatusLine.cpp) ----
    // Starts the low-score warning, or keeps a running one going.
    void WarnLowScore();
    void AdvanceWarning(int32_t ticks);
    // The score grew: it flashes and a burst of stars flies from it.
    void ScoreChanged();
    // Returns the new hint's serial number.
    int32_t AddXHint(const std::u16string& text, TVec2 position, bool hidden, int32_t holdTime,
                     TColor4 colour);
    // Per tick: what the tutorials' key pictures wait for.
    void StepTutorialHints();
    void DrawStatusLine();
    void DrawScoreHints();
    void DrawXHints();
    // Draws that x-hint (hidden or not); false once it is gone.
    bool DrawXHint(int32_t serial);
    void DrawTutorialHints();
    void DrawMenuKeyHints();
    // The textures this level draws, for the residency pass.
    void CollectTextureNeeds(TLevelTextureNeeds& needs) const;
    // Name part of FileName.
    std::string ShortFileName() const;

    // Writes the whole level file: header and every section.
    void Write(TByteWriter& out) const;

  private:
    int32_t LastLoadingProgress = -1;
    void InstallLayerHooks();
    void InitBorderEdges();
    void SetBorderEdgesToView();
    void RebuildParticleList();
    void SetupScoreParticles();
    void RefreshObjectWorld();
    void PrepareWaters();
    void FinishLoading(bool readOk);
    bool ReadBody(TByteReader& in);
    bool ReadExtendedBody(TByteReader& in);
    TSelectionLists SelectionLists() const;
    void ResetMembers();
    bool RestartAtCheckpoint();
};

// How many characters of the loading line a progress step shows: an even
// share of 32 steps (16 in a performance test), at least one, at most all.
int32_t LoadingTextShown(int32_t progress, int32_t length, bool testRun);

// A camera attractor pulls the camera's target fully within 300 units,
// fading linearly to nothing at 1400.
TVec2 PullTowardAttractor(TVec2 target, TVec2 centre);

// Writes a level to bytes (tests and the content tools).
std::vector<uint8_t> WriteLevelBytes(const TLevel& level);

// The folder of the player's own replays (in the player data folder).
std::string PlayerReplayDir();

// The ghost of the best run is drawn (the --no-ghost option and the G key turn it off).
extern bool GhostShown;
