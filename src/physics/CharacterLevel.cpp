#include "physics/CharacterLevel.h"

#include "assets/TextureResolver.h"
#include "physics/Appearance.h"
#include "physics/BoostHooks.h"
#include "physics/ParticleSink.h"
#include "physics/QuestSink.h"
#include "physics/SoundSink.h"
#include "physics/WaterHooks.h"

namespace {
const TInputSource NullInput;
TSoundSink NullSound;
TParticleSink NullParticles;
TQuestSink NullQuests;
TBoostHooks NullBoosts;
TWaterHooks NullWaters;
TTextureResolver NullTextures;
TAppearanceHooks NullAppearance;
} // namespace

TCharacterLevel::TCharacterLevel() {
    UseNullSinks();
}

void TCharacterLevel::UseNullSinks() {
    Input = &NullInput;
    Sound = &NullSound;
    Particles = &NullParticles;
    Quests = &NullQuests;
    Boosts = &NullBoosts;
    Waters = &NullWaters;
    Textures = &NullTextures;
    Appearance = &NullAppearance;
}
