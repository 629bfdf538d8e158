// What the boosts do: the player takes the level's boosts and drops key
// items, taken boosts hide and come back, and the effects a character
// carries run out, slide their icons and act at their end (teleports and
// gates). The characters reach it through the boost hooks; the level reaches
// it once a tick for its own list and hands it what it needs of the level.
#pragma once

#include "gameplay/Boost.h"
#include "physics/BoostHooks.h"
#include "physics/VecMath.h"

#include <array>
#include <cstdint>
#include <string>

class TRollix;
class TSplineObj;
struct TCharacterLevel;

// Boost types by their place in the type table.
namespace BoostType {
constexpr int32_t Morpher = 1;
constexpr int32_t MagicPower = 2;
constexpr int32_t Scaler = 3;
constexpr int32_t RollixLight = 4;
constexpr int32_t CatWalk = 5;
constexpr int32_t Regenerator = 6;
constexpr int32_t Graviter = 7;
constexpr int32_t Diver = 8;
constexpr int32_t AcidCoat = 9;
constexpr int32_t SlowerFaster = 10;
constexpr int32_t Magnetizer = 11;
constexpr int32_t Buck = 12;
constexpr int32_t Star = 13;
constexpr int32_t Diamond = 14;
constexpr int32_t Stopper = 15;
constexpr int32_t SkidStick = 16;
constexpr int32_t RainWind = 17;
constexpr int32_t Teleport = 18;
constexpr int32_t Gate = 19;
constexpr int32_t Shard = 20;
constexpr int32_t Secret = 21;
constexpr int32_t Invisible = 22;
constexpr int32_t Hiccup = 23;
constexpr int32_t CheckPoint = 24;
} // namespace BoostType

// Where the icons of carried effects sit in the status display (a view
// 1024 wide): key items in the key slot, shards and secrets in a slot of
// their own, the timed effects in a row from the left, one place apart.
constexpr TVec2 HudKeySlot{960.0f, 40.0f};
constexpr TVec2 HudShardSlot{900.0f, 40.0f};
constexpr TVec2 HudRowStart{60.0f, 90.0f};
constexpr float HudRowStep = 60.0f;
constexpr int32_t HudSlideTicks = 50;

// What the boosts tell the quests and ask them. The defaults answer as a
// level without quests does: every quest is done, key items may be taken,
// no star quest runs and nothing may be dropped by itself.
class TBoostQuests {
  public:
    virtual ~TBoostQuests() = default;
    // A level boost's quest countdown ran out, or a star was put into a slot.
    virtual void BoostTaken(int32_t /*index*/) {}
    virtual void KeyDropped(int32_t /*index*/) {}
    virtual bool KeyItemAllowed(int32_t /*index*/) const { return true; }
    // An auto-use key item may leave the player.
    virtual bool DropAllowed() const { return false; }
    virtual bool AllQuestsDone() const { return true; }
    virtual void CompleteStarQuest() {}
    virtual bool StarQuestRunning() const { return false; }
};

// What the boosts ask of the level they lie in. The defaults leave the
// level as it is.
class TBoostWorld {
  public:
    virtual ~TBoostWorld() = default;
    virtual int32_t TargetScore() const { return 0; }
    virtual std::string LevelTitle() const { return {}; }
    // The main light moves toward the colour by the blend factor, then fades
    // in over the ticks.
    virtual void BlendMainLight(const std::array<uint8_t, 4>& /*colour*/, float /*blend*/,
                                int32_t /*ticks*/) {}
    virtual void FlashMainLight(const std::array<uint8_t, 4>& /*colour*/, int32_t /*ticks*/) {}
    virtual void RestoreMainLight(int32_t /*ticks*/) {}
    // The boost's own light fades to its colour (lit) or to black.
    virtual void FadeBoostLight(const TBoost& /*b*/, bool /*lit*/, int32_t /*ticks*/) {}
    // New settings of the level's weather.
    virtual void SetWeather(int32_t /*target*/, int32_t /*length*/) {}
    virtual void AddScoreHint(int32_t /*points*/, TVec2 /*at*/) {}
    virtual void ScoreChanged() {}
    // Kind 0 gate, 1 teleport (the player and the camera move to pos), 2
    // rotating gate; an empty target restarts the level in the other slot.
    virtual void RequestLevelSwitch(int32_t /*kind*/, TVec2 /*pos*/, const std::string& /*target*/,
                                    int32_t /*delay*/) {}
    // A switch is on its way: no gate is taken until it has run.
    virtual bool SwitchPending() const { return false; }
    virtual void OpenMenuPage(int32_t /*page*/) {}
    // The round is finished: the finishing time is taken and the result stored.
    virtual void FinishRound() {}
    // A world point in the status display's units.
    virtual TVec2 ScreenPosition(TVec2 p) const { return p; }
    // The placed level sound with this id lets a boost sound play now.
    virtual bool SoundSlotAllows(int32_t /*slot*/) const { return true; }
    // The emitters of the source's object that follow their carrier go with
    // c, as copies that belong to the carried effect.
    virtual void AttachFollowers(const TBoost& /*source*/, const TRollix& /*c*/, const TBoost& /*effect*/) {}
    // The carried effect ends: the copies it took along go.
    virtual void DetachFollowers(const TBoost& /*effect*/) {}
};

// The effects one character carries.
class TCarriedBoosts : public TCarriedEffects {
  public:
    TCarriedBoosts() {
        List.IsLevelList = false;
        List.IsCharacterList = true;
    }
    TBoosts List;
};

// The level's boosts at work. Placed is the level's list; the carried lists
// live with the characters.
class TLevelBoosts : public TBoostHooks {
  public:
    TLevelBoosts(TBoosts& placed, TCharacterLevel& level);

    TBoosts& Placed;
    TCharacterLevel& Level;
    TBoostWorld* World = nullptr;
    TBoostQuests* Quests = nullptr;

    // Back to the level's own answers.
    void UseDefaultLinks();

    // ---- The boost hooks the characters call ----
    bool Carries(const TRollix& c, int32_t kind) const override;
    bool ControlledHiccup(const TRollix& c) const override;
    float StrongestGrip(const TRollix& c) const override;
    float StrongestGlue(const TRollix& c) const override;
    // The carried effects count down and slide their icons.
    void TickEffects(TRollix& c) override;
    // Teleports and gates act, spent effects go.
    void EndTickEffects(TRollix& c) override;
    void ClearEffects(TRollix& c) override;
    int32_t TreasureValue(const TRollix& c) const override;
    void EdgeTouched(TRollix& c, TSplineObj* owner) override;
    float NearestGateDistance(TVec2 p) const override;

    // ---- Operations of the level ----
    // The level-start state of every placed boost.
    void Reset();
    // The placed boosts: respawns, gates, teleports of creatures.
    void AdvancePlaced(int32_t ticks);
    // Which placed boosts the player takes this tick.
    void PickUp(TRollix& player);
    // The player lets go of its key item.
    void DropKey(TRollix& player);
    void Take(TBoost& b, TRollix& c);
    void Apply(TBoost& b, TRollix& c);
    // resetting: the level-start visibility, silently.
    void Show(TBoost& b, bool resetting, const TVec2* at);
    void Hide(TBoost& b);

    // ---- Queries ----
    // The effects c carries (made on first use).
    TBoosts& CarriedOf(TRollix& c);
    const TBoosts* CarriedOf(const TRollix& c) const;
    // c carries an effect that came from the level boost source.
    bool CarriesEffectOf(const TRollix& c, const TBoost& source) const;
    // The first key item c carries.
    TBoost* FirstKeyItem(const TRollix& c) const;
    // The checkpoint reached last (the largest tick), none before one is reached.
    TBoost* NewestCheckpoint() const;
    // The take sound a boost plays (empty: none).
    std::string TakeSoundOf(const TBoost& b) const;
    // The sound a boost plays when it shows again (a gate has one of its own).
    static std::string ShowSoundOf(const TBoost& b);

  private:
    void Points(TBoost& b, TRollix& c);
    void AddCarried(TBoost& b, TRollix& c);
    void Effect(TBoost& b, TRollix& c);
    void RemoveCarried(TRollix& c, TBoosts& list, int32_t index);
    void PlaySound(const std::string& name, TVec2 at, float pitch, int32_t slot);
    bool Candidate(const TBoost& b, const TRollix& player) const;
    bool KeyFits(const TBoost& b, const TRollix& c) const;
    void GateEffect(TBoost& e, TRollix& c);
};

// The first boost of that type in the list, or none.
TBoost* FindByType(const TBoosts& list, int32_t type);
// Distance from p to the centre of the nearest boost of that type with a
// shape; −1 when there is none.
float NearestDistance(const TBoosts& list, TVec2 p, int32_t type);
// Centre of the boost's shape (the origin without one).
TVec2 ShapeCentre(const TBoost& b);
// The level a gate leads to: its own target, the menu when it names none
// (except from the game menu itself), the main game level for the main menu.
std::string GateTarget(const std::string& target, const std::string& levelTitle);
