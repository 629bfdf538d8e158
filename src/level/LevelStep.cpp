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

namespace {
// A discarded float draw of the generator.
void Draw() {
    (void)RandomFloat();
}

void Probe(const char* step) {
    if (LevelStepProbe) LevelStepProbe(step);
}

constexpr const char* MenuTickSound = "FX\\Menu tick.ogg";
} // namespace

void TLevel::StepPlay(int32_t tickCount) {
    RecordSite(21201);
    // 1. The transition to another level.
    if (CrossFadeCounter > 0 || SwitchDelay > 0) {
        Probe("transition");
        if (CrossFadeCounter > 0) --CrossFadeCounter;
        if (SwitchDelay > 0) --SwitchDelay;
        if (CrossFadeCounter > 0 || SwitchDelay == 0) return;
    }
    // 2–4.
    TickCounter += tickCount;
    Seed(uint32_t(TickCounter));
    SetScreenSize(ScreenWidth, ScreenHeight);
    if (!Running) return;
    RefreshObjectWorld();
    // 5. The player's finishing time runs while it is not being swallowed.
    if (TRollix* p = Player())
        if (p->SwallowLeft <= 0) p->FinishTick = TickCounter;
    // 6. Play time of the logged-in player comes with the profiles.
    // 7.
    Probe("sky");
    Sky.Tick(tickCount * TickLengthMs);
    Probe("fog");
    Fog.Tick(tickCount * TickLengthMs);
    // 8.
    Seed(uint32_t(TickCounter));
    Draw();
    Probe("quests");
    if (PreviousFirstTick) Probe("quests-first-tick");
    Draw();
    // 9.
    Seed(uint32_t(TickCounter));
    OddTick = !OddTick;
    ObjectWorld.AlternateTick = OddTick;
    // 10. Hints age.
    for (TScoreHint& h : ScoreHints)
        h.Age += tickCount;
    std::erase_if(ScoreHints, [](const TScoreHint& h) { return h.Age >= h.Lifetime; });
    LowScoreWarning += tickCount;
    for (int32_t i = int32_t(XHints.size()) - 1; i >= 0; --i) {
        TXHint& h = XHints[size_t(i)];
        if (h.Age <= h.Lifetime / 4 || h.HoldTicks >= h.HoldTime)
            h.Age += tickCount;
        else
            h.HoldTicks += tickCount;
        if (h.Age >= h.Lifetime) XHints.erase(XHints.begin() + i);
    }
    // 11.
    Seed(uint32_t(TickCounter));
    Probe("frame-animations");
    Draw();
    // 12. Particles every second tick, with a doubled step.
    if (OddTick) {
        Probe("particles");
        ParticleMan.TickAll(20);
        Probe("rain");
        Rain->Tick(TickMs);
        Probe("drops");
        OwnDropSystems[0]->Tick(TickMs);
    }
    Draw();
    // 13.
    Probe("layers");
    Layers.Tick(tickCount);
    Draw();
    // 14.
    Probe("boosts");
    Draw();
    // 15.
    Probe("camera");
    UpdateCamera();
    // 16. Characters: who died, then the physics.
    Probe("characters-pre");
    Physics.RestartDelay = 0;
    Characters.CheckDeaths();
    if (Physics.RestartDelay > 0 && !RestartPending) ScheduleRestart(Physics.RestartDelay, true);
    Draw();
    Probe("characters");
    Characters.TickAll();
    Draw();
    // 17. Boost pick-ups of the player.
    Probe("boost-touch");
    Draw();
    Probe("boost-second");
    Draw();
    // 18. Collectible particles.
    Probe("collectibles");
    Draw();
    // 19.
    Probe("spline-animations");
    SplineAnims.TickAll(10);
    Draw();
    // 20.
    if (!FirstTick) Probe("quests-update");
    Draw();
    // 21. Winds in list order.
    Probe("winds");
    {
        TWindTick wind;
        wind.Player = Player();
        wind.Characters = Characters.Items;
        wind.Waters = Waters;
        wind.Effects = WaterEffects.get();
        wind.PushParticles = OddTick;
        for (auto& w : Winds)
            w->Tick(wind);
    }
    Draw();
    // 22.
    Probe("waters");
    for (auto& w : Waters)
        w->Tick(Characters.Items);
    Draw();
    // 23.
    Probe("lights");
    Lights.Tick(10);
    Draw();
    Draw();
    // 24. Score fade.
    if (ScoreFadeStep != 0) {
        ScoreFade += ScoreFadeStep * tickCount;
        if (ScoreFade > 55) {
            ScoreFade = 55;
            ScoreFadeStep = -ScoreFadeStep;
        }
        if (ScoreFade <= 0) ScoreFade = ScoreFadeStep = 0;
    }
    // 25.
    Probe("camera-effects");
    CameraEffects.Tick(float(tickCount) * 0.01f);
    Draw();
    // 26. Restart countdown.
    Seed(uint32_t(TickCounter));
    if (RestartPending) RestartCountdown -= tickCount;
    Draw();
    // 27.
    Probe("menu-level");
    Draw();
    // 28.
    PreviousFirstTick = FirstTick;
    FirstTick = false;
    // 29. Round countdown.
    if (RoundTimeLeft > 0) {
        --RoundTimeLeft;
        if (RoundTimeLeft >= 1 && RoundTimeLeft <= 1000 && RoundTimeLeft % 100 == 0) {
            Probe("round-tick");
            if (Physics.Sound)
                Physics.Sound->PlayAt(MenuTickSound, Player() ? Player()->Centre : TVec2{}, 1.0f, -1);
        }
        if (RoundTimeLeft == 0) RoundOver = true;
    }
    Probe("end");
}

void TLevel::UpdateLevelSounds(bool /*updateListener*/) {
    // The listener, the placed sounds and the rain sound follow with the
    // sound manager. The rain sound's volume will be max(Rain->Intensity, 0);
    // the sound side has no looping sound to set it on yet, so nothing is
    // done with it here.
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
