// One play tick of a level, the camera that follows the player, and one
// frame of the level from back to front. The generator is re-seeded from the
// tick counter and advanced at fixed points, so that the same inputs give
// the same game; a member that has nothing to do in its step still keeps its
// place, and its draws, in the order.
#include "level/Level.h"

#include "app/GameState.h"
#include "app/InputState.h"
#include "app/Random.h"
#include "app/SiteTrace.h"
#include "physics/SoundSink.h"
#include "render/RenderContext.h"

#include <algorithm>
#include <cmath>

std::function<void(TLevel&)> PlayTickHook;

namespace {
// A discarded float draw of the generator.
void Draw() {
    (void)RandomFloat();
}

void Probe(const char* step) {
    if (LevelStepProbe) LevelStepProbe(step);
}

constexpr const char* MenuTickSound = "FX\\Menu tick.ogg";

// ---- Steps of one play tick, in the order StepPlay runs them ----

// The transition to another level runs instead of play while it lasts: true
// when the tick ends here (the fade goes on, or the switch has just become due).
bool StepTransition(TLevel& lv, int32_t tickCount) {
    if (lv.FadeCounter <= 0 && lv.SwitchDelay <= 0) return false;
    Probe("transition");
    lv.AdvanceTransition(tickCount);
    return lv.FadeCounter > 0 || lv.SwitchDue;
}

// The player's finishing time runs while it is not being swallowed.
void StepFinishTime(TLevel& lv) {
    if (TRollix* p = lv.Player())
        if (p->SwallowLeft <= 0) p->FinishTick = lv.TickCounter;
}

void StepSkyAndFog(TLevel& lv, int32_t tickCount) {
    Probe("sky");
    lv.Sky.Tick(tickCount * TickLengthMs);
    Probe("fog");
    lv.Fog.Tick(tickCount * TickLengthMs);
}

void StepQuests(TLevel& lv) {
    Seed(uint32_t(lv.TickCounter));
    Draw();
    Probe("quests");
    if (lv.PreviousFirstTick) Probe("quests-first-tick");
    Draw();
}

// Every second tick is odd: the particles, and the winds' push on the drops, run then.
void ToggleOddTick(TLevel& lv) {
    Seed(uint32_t(lv.TickCounter));
    lv.OddTick = !lv.OddTick;
    lv.ObjectWorld.AlternateTick = lv.OddTick;
}

// The score hints, the low-score warning and the x-hints grow older; a hint
// at the end of its life goes.
void AgeHints(TLevel& lv, int32_t tickCount) {
    for (TScoreHint& h : lv.ScoreHints)
        h.Age += tickCount;
    std::erase_if(lv.ScoreHints, [](const TScoreHint& h) { return h.Age >= h.Lifetime; });
    lv.AdvanceWarning(tickCount);
    for (int32_t i = int32_t(lv.XHints.size()) - 1; i >= 0; --i) {
        TXHint& h = lv.XHints[size_t(i)];
        if (h.Age <= h.Lifetime / 4 || h.HoldTicks >= h.HoldTime)
            h.Age += tickCount;
        else
            h.HoldTicks += tickCount;
        if (h.Age >= h.Lifetime) lv.XHints.erase(lv.XHints.begin() + i);
    }
}

void StepFrameAnimations(TLevel& lv) {
    Seed(uint32_t(lv.TickCounter));
    Probe("frame-animations");
    Draw();
}

// Particles every second tick, with a doubled step.
void StepParticles(TLevel& lv) {
    if (lv.OddTick) {
        Probe("particles");
        lv.ParticleMan.TickAll(20);
        Probe("rain");
        lv.Rain->Tick(TickMs);
        Probe("drops");
        lv.OwnDropSystems[0]->Tick(TickMs);
    }
    Draw();
}

void StepLayers(TLevel& lv, int32_t tickCount) {
    Probe("layers");
    lv.Layers.Tick(tickCount);
    Draw();
}

void StepBoosts(TLevel& lv, int32_t tickCount) {
    Probe("boosts");
    lv.BoostHooks.AdvancePlaced(tickCount);
    Draw();
}

// Who died is settled first (a death asks for a restart), then the physics.
void StepCharacters(TLevel& lv) {
    Probe("characters-pre");
    lv.Physics.RestartDelay = 0;
    lv.Characters.CheckDeaths();
    if (lv.Physics.RestartDelay > 0 && !lv.RestartPending) lv.ScheduleRestart(lv.Physics.RestartDelay, true);
    Draw();
    Probe("characters");
    lv.Characters.TickAll();
    Draw();
}

// The boosts the player touches, then whether it drops its key item.
void StepBoostPickups(TLevel& lv) {
    Probe("boost-touch");
    if (TRollix* p = lv.Player()) lv.BoostHooks.PickUp(*p);
    Draw();
    Probe("boost-second");
    if (TRollix* p = lv.Player()) lv.BoostHooks.DropKey(*p);
    Draw();
}

// Particles that carry a boost give it to the player they lie in.
void StepCollectibles(TLevel& lv) {
    Probe("collectibles");
    lv.ParticleLink.CollectParticles();
    Draw();
}

void StepSplineAnimations(TLevel& lv) {
    Probe("spline-animations");
    lv.SplineAnims.TickAll(10);
    Draw();
}

// The quests see this tick's state, except in the first tick after a restart.
void StepQuestsUpdate(TLevel& lv) {
    if (!lv.FirstTick) Probe("quests-update");
    Draw();
}

// What the winds ask of the level's boosts: whether a gate is open and
// whether the player carries an effect taken from a boost.
class TLevelWindLinks : public TWindLinks {
  public:
    explicit TLevelWindLinks(const TLevel& level) : Level(level) {}
    bool GateOpen(const TBoost& gate) const override { return gate.Switch('A'); }
    bool CarriesEffectOf(const TRollix& player, const TBoost& boost) const override {
        return Level.BoostHooks.CarriesEffectOf(player, boost);
    }
    const TLevel& Level;
};

// Winds in list order, each on the waters, the characters and (every second
// tick) the drops.
void StepWinds(TLevel& lv) {
    Probe("winds");
    const TLevelWindLinks links(lv);
    TWindTick wind;
    wind.Links = &links;
    wind.Player = lv.Player();
    wind.Characters = lv.Characters.Items;
    wind.Waters = lv.Waters;
    wind.Effects = lv.WaterEffects.get();
    wind.PushParticles = lv.OddTick;
    for (auto& w : lv.Winds)
        w->Tick(wind);
    Draw();
}

void StepWaters(TLevel& lv) {
    Probe("waters");
    for (auto& w : lv.Waters)
        w->Tick(lv.Characters.Items);
    Draw();
}

void StepLights(TLevel& lv) {
    Probe("lights");
    lv.Lights.Tick(10);
    Draw();
    Draw();
}

// The score's flash rises to 55, then falls back to nothing.
void StepScoreFade(TLevel& lv, int32_t tickCount) {
    if (lv.ScoreFadeStep == 0) return;
    lv.ScoreFade += lv.ScoreFadeStep * tickCount;
    if (lv.ScoreFade > 55) {
        lv.ScoreFade = 55;
        lv.ScoreFadeStep = -lv.ScoreFadeStep;
    }
    if (lv.ScoreFade <= 0) lv.ScoreFade = lv.ScoreFadeStep = 0;
}

void StepCameraEffects(TLevel& lv, int32_t tickCount) {
    Probe("camera-effects");
    lv.CameraEffects.Tick(float(tickCount) * 0.01f);
    Draw();
}

void StepRestartCountdown(TLevel& lv, int32_t tickCount) {
    Seed(uint32_t(lv.TickCounter));
    if (lv.RestartPending) lv.RestartCountdown -= tickCount;
    Draw();
}

void StepMenuLevel() {
    Probe("menu-level");
    Draw();
}

// The last ten seconds of a round tick once a second; at 0 the round is over.
void StepRoundCountdown(TLevel& lv) {
    if (lv.RoundTimeLeft <= 0) return;
    --lv.RoundTimeLeft;
    if (lv.RoundTimeLeft >= 1 && lv.RoundTimeLeft <= 1000 && lv.RoundTimeLeft % 100 == 0) {
        Probe("round-tick");
        if (lv.Physics.Sound) {
            const TRollix* p = lv.Player();
            lv.Physics.Sound->PlayAt(MenuTickSound, p ? p->Centre : TVec2{}, 1.0f, -1);
        }
    }
    if (lv.RoundTimeLeft == 0) lv.RoundOver = true;
}
} // namespace

void TLevel::StepPlay(int32_t tickCount) {
    RecordSite(21201);
    if (StepTransition(*this, tickCount)) return;
    TickCounter += tickCount;
    Seed(uint32_t(TickCounter));
    SetScreenSize(ScreenWidth, ScreenHeight);
    if (!Running) return;
    RefreshObjectWorld();
    StepFinishTime(*this);
    if (PlayTickHook) PlayTickHook(*this);
    StepSkyAndFog(*this, tickCount);
    StepQuests(*this);
    ToggleOddTick(*this);
    AgeHints(*this, tickCount);
    StepFrameAnimations(*this);
    StepParticles(*this);
    StepLayers(*this, tickCount);
    StepBoosts(*this, tickCount);
    Probe("camera");
    UpdateCamera();
    StepCharacters(*this);
    StepTutorialHints();
    StepBoostPickups(*this);
    StepCollectibles(*this);
    StepSplineAnimations(*this);
    StepQuestsUpdate(*this);
    StepWinds(*this);
    StepWaters(*this);
    StepLights(*this);
    StepScoreFade(*this, tickCount);
    StepCameraEffects(*this, tickCount);
    StepRestartCountdown(*this, tickCount);
    StepMenuLevel();
    PreviousFirstTick = FirstTick;
    FirstTick = false;
    StepRoundCountdown(*this);
    // The run's path, for a ghost of it later; nothing reads it in play.
    if (const TRollix* p = Player()) RunTrack.Record(TickCounter, *p);
    Probe("end");
}

void TLevel::UpdateLevelSounds(bool updateListener) {
    // The listener at the first character, the placed sounds, the rain's
    // volume, then every playing sound.
    SoundLink.Update(updateListener);
    Probe("level-sounds");
}

TVec2 PullTowardAttractor(TVec2 target, TVec2 centre) {
    const float dx = target.X - centre.X, dy = target.Y - centre.Y;
    const float d = std::sqrt(dx * dx + dy * dy);
    if (!(d < 1400.0f)) return target;
    const float w = 1.0f - std::max(0.0f, (d - 300.0f) / 1100.0f);
    return {target.X - dx * w, target.Y - dy * w};
}

void TLevel::UpdateCamera() {
    Scale = 1024.0f / float(std::max(ViewWidth, 1)) * Zoom * 1.4f;
    const TVec2 old{CameraX, CameraY};
    const TRollix* p = Player();
    TVec2 target = p ? p->Centre : old;
    for (TVec2 centre : CameraAttractors)
        target = PullTowardAttractor(target, centre);
    CameraX = old.X + (target.X - old.X) * 0.13f;
    CameraY = old.Y + (target.Y - old.Y) * 0.16f;
    if (Scale != 0.0f) {
        CameraX = std::round(CameraX / Scale) * Scale;
        CameraY = std::round(CameraY / Scale) * Scale;
    }
    CameraRoll = p ? p->CameraAngle.Value : 0.0f;
    // Let the camera effects adjust the view.
    CameraEffects.Apply(Scale);
    UpdateView();
}
