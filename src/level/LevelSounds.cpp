#include "level/LevelSounds.h"

#include "app/Random.h"
#include "app/SiteTrace.h"
#include "audio/SoundMan.h"
#include "level/Level.h"

#include <algorithm>

namespace {

constexpr const char* SpoutSound = "Water\\Bublina vo vode.ogg";
constexpr const char* RainSound = "FX\\dazd.ogg";

TVec2 ListenerOf(const TLevel& level) {
    const TRollix* p = level.Player();
    return p ? p->Centre : TVec2{level.CameraX, level.CameraY};
}

} // namespace

TLevelSoundLink::~TLevelSoundLink() {
    if (!SoundMan) return;
    for (auto* list : {&SoundMan->Sounds, &SoundMan->LoopSounds}) {
        for (auto& s : *list)
            if (s->Level == &Level) s->Stop();
        std::erase_if(*list, [this](const std::unique_ptr<TMySound>& s) { return s->Level == &Level; });
    }
    if (SoundMan->CurrentLevel == &Level) SoundMan->CurrentLevel = nullptr;
}

TLevelSound* TLevelSoundLink::FindPlaced(int32_t id) const {
    for (const auto& s : Level.LevelSounds)
        if (s->Id == id) return s.get();
    return nullptr;
}

bool TLevelSoundLink::PlacedSoundAllows(int32_t placedId) {
    TLevelSound* placed = placedId >= 0 ? FindPlaced(placedId) : nullptr;
    return !placed || PauseOver(*placed);
}

TMySound* TLevelSoundLink::Start(const std::string& name, TVec2 at, const TSoundPlay& how) {
    if (!SoundMan || name.empty()) return nullptr;
    SoundMan->CurrentLevel = &Level;
    TLevelSound* placed = how.PlacedId >= 0 ? FindPlaced(how.PlacedId) : nullptr;
    // A governing placed sound whose pause runs plays nothing.
    if (placed && !PauseOver(*placed)) return nullptr;
    float radius = placed ? placed->Params.FarDistance : -1.0f;
    if (!placed && how.Far > 0.0f) radius = how.Far;
    TMySound* s = SoundMan->CreateSoundNear(name, at, radius);
    if (!s) return nullptr;
    s->Position = at;
    s->PitchFactor = how.Pitch;
    s->Volume = how.Volume;
    if (!placed && how.Far > 0.0f) {
        s->Params.NearDistance = how.Near;
        s->Params.FarDistance = how.Far;
        s->Params.NearPitch = how.NearPitch;
        s->Params.FarPitch = how.FarPitch;
    }
    if (how.FollowId >= 0) {
        s->FollowId = how.FollowId;
        s->Follows = true;
        s->FollowPoint = at;
    }
    if (placed) ApplyPlacedSound(*s, *placed);
    s->Play();
    return s;
}

void TLevelSoundLink::PlayAt(const std::string& name, TVec2 at, float pitch, int32_t followId) {
    RecordSite(21501);
    TSoundPlay how;
    how.Pitch = pitch;
    how.FollowId = followId;
    Start(name, at, how);
}

void TLevelSoundLink::Play(const std::string& name, TVec2 at, const TSoundPlay& how) {
    RecordSite(21502);
    Start(name, at, how);
}

void TLevelSoundLink::StopLevelSounds() {
    RecordSite(21503);
    if (SoundMan) SoundMan->StopLevelSounds();
    RainKey = 0;
    AmbientKeys.clear();
    for (auto& s : Level.LevelSounds)
        s->SoundKey = 0;
}

void TLevelSoundLink::Restart() {
    RecordSite(21504);
    StopLevelSounds();
    for (auto& s : Level.LevelSounds)
        ResetLevelSound(*s);
    if (!SoundMan) return;
    SoundMan->CurrentLevel = &Level;
    for (const auto& w : Level.Waters)
        for (const TBubbleSpout& spout : w->Spouts)
            if (TMySound* s = SoundMan->CreateLoopSoundByName(SpoutSound, spout.Pos))
                AmbientKeys.push_back(s->Key);
    if (const TRollix* p = Level.Player())
        if (TMySound* s = SoundMan->CreateLoopSoundByName(RainSound, p->Centre)) {
            s->Volume = 0.0f;
            s->FollowId = p->Id;
            s->Follows = true;
            s->FollowPoint = p->Centre;
            RainKey = s->Key;
        }
}

void TLevelSoundLink::FollowCharacters() {
    for (auto* list : {&SoundMan->Sounds, &SoundMan->LoopSounds})
        for (auto& s : *list) {
            if (s->Level != &Level || s->FollowId < 0) continue;
            const TRollix* c = nullptr;
            for (const auto& item : Level.Characters.Items)
                if (item->Id == s->FollowId) c = item.get();
            if (c)
                s->FollowPoint = c->Centre;
            else
                s->FollowId = -1; // it stays where the character was last
        }
}

void TLevelSoundLink::Update(bool updateListener) {
    RecordSite(21505);
    if (!SoundMan) return;
    SoundMan->CurrentLevel = &Level;
    const TVec2 listener =
        updateListener ? ListenerOf(Level) : TVec2{SoundMan->ListenerX, SoundMan->ListenerY};
    SoundMan->ListenerX = listener.X;
    SoundMan->ListenerY = listener.Y;
    // The placed sounds, each with what its boost says.
    const int32_t boostCount = int32_t(Level.Boosts.Items.size());
    for (auto& placed : Level.LevelSounds) {
        TPlacedSoundBoost boost;
        if (placed->AttachesBoost(boostCount)) {
            const TBoost& b = *Level.Boosts.Items[size_t(placed->BoostIndex)];
            boost.Attached = true;
            boost.Shown = b.Visible;
            boost.Centre = b.Shape ? ShapeCentre(b) : placed->Position;
        }
        StepLevelSound(*placed, *SoundMan, boost);
    }
    FollowCharacters();
    // The rain is heard as loud as it falls.
    if (TMySound* rain = SoundMan->FindSound(RainKey)) {
        rain->Volume = Level.Rain ? std::max(Level.Rain->Intensity, 0.0f) : 0.0f;
        if (rain->Volume > 0.0f && !rain->IsPlaying())
            rain->Play();
        else if (!(rain->Volume > 0.0f) && rain->IsPlaying())
            rain->Stop();
    }
    // A spout's loop starts again when the listener comes back to it.
    for (int32_t key : AmbientKeys)
        if (TMySound* s = SoundMan->FindSound(key))
            if (!s->IsPlaying() && SoundMan->IsInRange(s->HeardAt(), s->Params.FarDistance, s->Params.Depth))
                s->Play();
    SoundMan->Update(listener, 1);
}

std::vector<std::string> TLevelSoundLink::SampleNames() const {
    std::vector<std::string> names = PreloadSampleNames(Level.FileName);
    // What the level plays besides: the rain, the deaths, the hiccup's ticks.
    for (const char* n : {RainSound, "FX\\Alarm.ogg", "FX\\Pad 4.ogg", "FX\\ticks.ogg"})
        names.push_back(n);
    for (const auto& b : Level.Boosts.Items) {
        names.push_back(Level.BoostHooks.TakeSoundOf(*b));
        names.push_back(b->ShowSound);
        names.push_back(b->VoiceName);
    }
    auto system = [&](const TParticleSystem* s) {
        if (!s) return;
        for (const std::string* n : {&s->BounceSound, &s->WaterSound, &s->ContactSound, &s->EmitSound})
            names.push_back(*n);
    };
    for (const auto& s : Level.DropSystems)
        system(s.get());
    for (const auto& s : Level.LevelSounds)
        names.push_back(s->SampleName);
    std::vector<std::string> unique;
    for (std::string& n : names)
        if (!n.empty() && n != "default" && n != " no sample" &&
            std::find(unique.begin(), unique.end(), n) == unique.end())
            unique.push_back(std::move(n));
    return unique;
}
