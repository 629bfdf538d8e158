#include "audio/SoundMan.h"

#include "app/Ease.h"
#include "app/Log.h"
#include "app/Paths.h"
#include "app/Random.h"
#include "app/SiteTrace.h"
#include "assets/ByteStream.h"
#include "assets/MassFile.h"
#include "audio/OggDecode.h"

#include <algorithm>
#include <cmath>

std::unique_ptr<TSoundMan> SoundMan;
std::array<float, WobbleTableSize> WobbleTable{};

namespace {

constexpr int32_t MinSampleRecordSize = 2 + TSoundParams::Size;
constexpr size_t OneShotGrowth = 200;
// The output takes only positive pitches.
constexpr float MinPitch = 1.0f / 1024.0f;

float SafePitch(float pitch) {
    if (!std::isfinite(pitch)) return 1.0f;
    return std::max(pitch, MinPitch);
}

// Names compared as the archive does, letter by letter, without a copy.
bool SameSampleName(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [](char x, char y) { return UpperAnsi(x) == UpperAnsi(y); });
}

} // namespace

// ---- Index file ----

bool ReadSoundLib(TByteReader& in, std::vector<TSampleRecord>& samples) {
    RecordSite(82101);
    const int32_t n = in.ReadInt32();
    if (in.ShortRead || n < 0 || n > in.Remaining() / MinSampleRecordSize) return false;
    samples.reserve(samples.size() + size_t(n));
    for (int32_t i = 0; i < n; ++i) {
        const int32_t length = uint16_t(in.ReadInt16());
        if (in.ShortRead || length > in.Remaining() - TSoundParams::Size) return false;
        TSampleRecord r;
        r.Name.resize(size_t(length));
        in.Read(r.Name.data(), length);
        uint8_t block[TSoundParams::Size];
        in.Read(block, TSoundParams::Size);
        if (in.ShortRead) return false;
        r.Params.FromBytes(block);
        r.Index = int32_t(samples.size());
        samples.push_back(std::move(r));
    }
    return true;
}

void WriteSoundLib(TByteWriter& out, const std::vector<TSampleRecord>& samples) {
    RecordSite(82102);
    out.WriteInt32(int32_t(samples.size()));
    for (const TSampleRecord& r : samples) {
        const size_t length = std::min<size_t>(r.Name.size(), 0xFFFF);
        out.WriteInt16(int16_t(uint16_t(length)));
        out.WriteBlock(r.Name.data(), int32_t(length));
        uint8_t block[TSoundParams::Size];
        r.Params.ToBytes(block);
        out.WriteBlock(block, TSoundParams::Size);
    }
}

// ---- Wobble ----

void BuildWobbleTable() {
    RecordSite(82103);
    // Made once from the generator seeded with 100; the generator is given
    // back as it was, so building the table never moves a level's draws.
    const uint32_t saved = RandSeed;
    Seed(100);
    float a = 1.0f;
    int32_t i = 0;
    for (;;) {
        const float r = float(RandomFloat());
        if (i >= WobbleTableSize) break;
        const int32_t b = WobbleTableSize - i;
        const int32_t j = b > 30 ? 2 + Random(20) : b;
        const float c = j < b ? 0.875f + 0.25f * r : 1.0f;
        for (int32_t k = 0; k < j; ++k)
            WobbleTable[size_t(i++)] = a + EaseInOut(float(k) / float(j)) * (c - a);
        a = c;
    }
    RandSeed = saved;
}

// ---- Gain ----

float DistanceGain(float d, float nearDistance, float farDistance) {
    if (d <= nearDistance) return 1.0f;
    if (d >= farDistance) return 0.0f;
    if (nearDistance == farDistance) return 1.0f;
    const float r = std::max(d / std::max(nearDistance, 1.0f), 1.0f);
    return (1.0f - (d - nearDistance) / (farDistance - nearDistance)) * std::exp2(-(r - 1.0f));
}

// ---- Sounds ----

TMySound::~TMySound() {
    if (Man && Man->Output && Man->Output->IsSource(Source)) Man->Output->DeleteSource(Source);
}

void TMySound::Prepare() {
    TAudioBackend& out = *Man->Output;
    if (!out.IsSource(Source)) Source = out.CreateSource();
    // What Prepare sends is what the output has now.
    LastPitch = 1.0f;
    if (Source == 0) return;
    const TSampleRecord* sample = SampleIndex >= 0 && size_t(SampleIndex) < Man->Samples.size()
                                      ? &Man->Samples[size_t(SampleIndex)]
                                      : nullptr;
    out.SetSourceBuffer(Source, sample ? sample->Buffer : 0);
    out.SetSourcePitch(Source, 1.0f);
    out.SetSourceGain(Source, 1.0f);
    out.SetSourcePosition(Source, 0.0f, 0.0f, 0.0f);
    out.SetSourceVelocity(Source, 0.0f, 0.0f, 0.0f);
    out.SetSourceLooping(Source, false);
}

void TMySound::Play() {
    RecordSite(82104);
    Man->UpdateSound(*this, 0);
    PlayedFrames = 0.0;
    Started = true;
    if (Source == 0) return;
    Man->Output->SetSourceLooping(Source, Params.Loop != 0);
    Man->Output->PlaySource(Source);
}

void TMySound::Stop() {
    if (Source != 0) Man->Output->StopSource(Source);
    Started = false;
}

bool TMySound::IsPlaying() const {
    if (!Started) return false;
    if (Params.Loop) return true;
    const TSampleRecord* sample = SampleIndex >= 0 && size_t(SampleIndex) < Man->Samples.size()
                                      ? &Man->Samples[size_t(SampleIndex)]
                                      : nullptr;
    return sample && PlayedFrames < double(sample->Frames);
}

// ---- Manager ----

TSoundMan::TSoundMan(TAudioBackend* output) : Output(output) {
    RecordSite(82105);
    static TAudioBackend silent;
    if (!Output) Output = &silent;
    Folder = AppDir + "Sounds\\";
    LoadSoundLib();
    Enabled = true;
    NextKey = 1;
}

TSoundMan::~TSoundMan() {
    // The sounds go first: their sources hold the buffers.
    Sounds.clear();
    LoopSounds.clear();
    ReleaseAllSamples();
}

void TSoundMan::LoadSoundLib() {
    RecordSite(82106);
    Samples.clear();
    const std::string path = Folder + SoundLibName;
    if (!MassFileExists(path)) return;
    std::vector<uint8_t> bytes;
    if (!MassFile.ReadFile(path, bytes)) return;
    TByteReader in(std::move(bytes));
    ReadSoundLib(in, Samples);
}

int32_t TSoundMan::FindSampleIndex(const std::string& name) const {
    // Asked for by every sound a level starts: no name is copied.
    for (size_t i = 0; i < Samples.size(); ++i)
        if (SameSampleName(Samples[i].Name, name)) return int32_t(i);
    return -1;
}

int32_t TSoundMan::SampleToPlay(const std::string& name) {
    const int32_t i = FindSampleIndex(name);
    if (i < 0 && std::find(Missing.begin(), Missing.end(), name) == Missing.end()) {
        Missing.push_back(name);
        LogLine("sound \"" + name + "\" is not in the sound library");
    }
    return i;
}

TSampleRecord* TSoundMan::FindSample(const std::string& name) {
    const int32_t i = FindSampleIndex(name);
    return i < 0 ? nullptr : &Samples[size_t(i)];
}

void TSoundMan::UploadSample(int32_t index) {
    RecordSite(82107);
    if (index < 0 || size_t(index) >= Samples.size()) return;
    TSampleRecord& s = Samples[size_t(index)];
    s.Needed = true;
    s.Used = true;
    if (s.Loaded || s.Failed) return;
    TDecodedSample decoded;
    bool ok = false;
    GuardErrors([&] { ok = DecodeOggFile(Folder + s.Name, decoded); });
    if (!ok) {
        s.Failed = true;
        return;
    }
    s.Channels = decoded.Channels;
    s.Rate = decoded.Rate;
    s.Frames = decoded.Frames;
    // Without a device the sample is still known by its length; it plays
    // silence (buffer 0).
    s.Buffer = Output->CreateBuffer(decoded.Channels, decoded.Rate, decoded.Pcm.data(), decoded.Frames);
    s.Loaded = true;
}

void TSoundMan::ReleaseSample(int32_t index) {
    if (index < 0 || size_t(index) >= Samples.size()) return;
    TSampleRecord& s = Samples[size_t(index)];
    if (Output->IsBuffer(s.Buffer)) Output->DeleteBuffer(s.Buffer);
    s.Buffer = 0;
    s.Loaded = false;
}

void TSoundMan::LoadSampleByName(const std::string& name) {
    const int32_t i = FindSampleIndex(name);
    if (i >= 0 && !Samples[size_t(i)].Loaded) UploadSample(i);
}

void TSoundMan::ReleaseAllSamples() {
    RecordSite(82108);
    for (size_t i = 0; i < Samples.size(); ++i)
        if (Samples[i].Loaded) ReleaseSample(int32_t(i));
}

TMySound* TSoundMan::NewSound(int32_t index, std::vector<std::unique_ptr<TMySound>>& list) {
    if (!Enabled || index < 0 || size_t(index) >= Samples.size()) return nullptr;
    if (!Samples[size_t(index)].Loaded) UploadSample(index);
    const TSampleRecord& sample = Samples[size_t(index)];
    auto s = std::make_unique<TMySound>();
    s->Man = this;
    s->Level = CurrentLevel;
    s->Key = NextKey++;
    if (NextKey == 0) NextKey = 1;
    s->SampleIndex = index;
    s->Params = sample.Params;
    s->Wobble = sample.Params.Wobble;
    s->WobbleCursor = std::clamp(int32_t(float(WobbleTableSize) * NextRandom()), 0, WobbleTableSize - 1);
    if (&list == &Sounds && Sounds.size() == Sounds.capacity()) Sounds.reserve(Sounds.size() + OneShotGrowth);
    list.push_back(std::move(s));
    return list.back().get();
}

TMySound* TSoundMan::CreateSound(int32_t index) {
    TMySound* s = NewSound(index, Sounds);
    if (s) s->Prepare();
    return s;
}

TMySound* TSoundMan::CreateSoundByName(const std::string& name) {
    const int32_t i = SampleToPlay(name);
    return i < 0 ? nullptr : CreateSound(i);
}

int32_t TSoundMan::SoundKeyByName(const std::string& name) {
    TMySound* s = CreateSoundByName(name);
    return s ? s->Key : 0;
}

TMySound* TSoundMan::CreateLoopSound(int32_t index, TVec2 position) {
    TMySound* s = NewSound(index, LoopSounds);
    if (!s) return nullptr;
    s->Position = position;
    s->Params.Loop = 1;
    return s;
}

TMySound* TSoundMan::CreateLoopSoundByName(const std::string& name, TVec2 position) {
    const int32_t i = SampleToPlay(name);
    return i < 0 ? nullptr : CreateLoopSound(i, position);
}

int32_t TSoundMan::LoopSoundKey(const std::string& name, TVec2 position) {
    TMySound* s = CreateLoopSoundByName(name, position);
    return s ? s->Key : 0;
}

TMySound* TSoundMan::CreateSoundNear(const std::string& name, TVec2 position, float radius) {
    const int32_t i = SampleToPlay(name);
    if (i < 0) return nullptr;
    const TSoundParams& p = Samples[size_t(i)].Params;
    if (!IsInRange(position, radius < 0.0f ? p.FarDistance : radius, p.Depth)) return nullptr;
    TMySound* s = CreateSound(i);
    if (s) s->Position = position;
    return s;
}

int32_t TSoundMan::SoundKeyNear(const std::string& name, TVec2 position, float radius) {
    TMySound* s = CreateSoundNear(name, position, radius);
    return s ? s->Key : 0;
}

TMySound* TSoundMan::FindSound(int32_t key) const {
    if (key == 0) return nullptr;
    for (auto it = Sounds.rbegin(); it != Sounds.rend(); ++it)
        if ((*it)->Key == key) return it->get();
    for (auto it = LoopSounds.rbegin(); it != LoopSounds.rend(); ++it)
        if ((*it)->Key == key) return it->get();
    return nullptr;
}

bool TSoundMan::RemoveSound(int32_t key) {
    if (key == 0) return false;
    for (auto* list : {&Sounds, &LoopSounds}) {
        for (auto it = list->end(); it != list->begin();) {
            --it;
            if ((*it)->Key != key) continue;
            (*it)->Stop();
            list->erase(it);
            return true;
        }
    }
    return false;
}

void TSoundMan::StopLevelSounds() {
    RecordSite(82109);
    for (auto& s : Sounds)
        if (s->Level) s->Stop();
    std::erase_if(Sounds, [](const std::unique_ptr<TMySound>& s) { return s->Level != nullptr; });
    for (auto& s : LoopSounds)
        s->Stop();
    LoopSounds.clear();
}

void TSoundMan::SilenceLevel(const void* level) {
    for (auto* list : {&Sounds, &LoopSounds})
        for (auto& s : *list)
            if (s->Level == level) s->Stop();
}

void TSoundMan::PrepareForLevels(const std::vector<std::vector<std::string>>& names) {
    RecordSite(82110);
    for (TSampleRecord& s : Samples)
        s.Needed = false;
    for (const auto& level : names)
        for (const std::string& n : level) {
            const int32_t i = FindSampleIndex(n);
            if (i < 0) continue;
            Samples[size_t(i)].Needed = true;
            if (!Samples[size_t(i)].Loaded) UploadSample(i);
        }
    // A buffer a sound holds stays until the sound is gone.
    std::vector<bool> held(Samples.size(), false);
    for (auto* list : {&Sounds, &LoopSounds})
        for (auto& s : *list)
            if (s->SampleIndex >= 0) held[size_t(s->SampleIndex)] = true;
    for (size_t i = 0; i < Samples.size(); ++i)
        if (Samples[i].Loaded && !Samples[i].Needed && !held[i]) ReleaseSample(int32_t(i));
}

bool TSoundMan::IsInRange(TVec2 position, float radius, float depth) const {
    const float dx = position.X - ListenerX, dy = position.Y - ListenerY;
    if (std::fabs(dx) > radius || std::fabs(dy) > radius) return false;
    return std::sqrt(dx * dx + dy * dy + depth * depth) < radius;
}

void TSoundMan::Update(TVec2 listener, int32_t ticks) {
    RecordSite(82111);
    ListenerX = listener.X;
    ListenerY = listener.Y;
    Output->SetListener(ListenerX, ListenerY, MasterVolume / 100.0f);
    for (auto& s : LoopSounds)
        UpdateSound(*s, ticks);
    for (size_t i = 0; i < Sounds.size();) {
        if (UpdateSound(*Sounds[i], ticks)) {
            ++i;
            continue;
        }
        RemoveSound(Sounds[i]->Key);
    }
}

bool TSoundMan::UpdateSound(TMySound& s, int32_t ticks) {
    // The sample's clock runs at the pitch the output plays it at.
    if (s.Started && ticks > 0 && s.SampleIndex >= 0 && size_t(s.SampleIndex) < Samples.size())
        s.PlayedFrames +=
            double(ticks) * 0.01 * double(Samples[size_t(s.SampleIndex)].Rate) * double(s.LastPitch);
    const TSoundParams& p = s.Params;
    const TVec2 at = s.HeardAt();
    bool audible = false;
    if (!(s.Volume > 0.0f)) {
        if (s.IsPlaying()) s.Stop();
    } else {
        const float dx = at.X - ListenerX, dy = at.Y - ListenerY;
        bool heard = !(std::fabs(dx) > p.FarDistance || std::fabs(dy) > p.FarDistance);
        float d = 0.0f;
        if (heard) {
            d = std::sqrt(dx * dx + dy * dy + p.Depth * p.Depth);
            heard = !(d > p.FarDistance);
        }
        const bool playing = s.IsPlaying();
        if (playing || !s.Started) {
            audible = heard;
            if (playing && !heard) s.Stop();
        }
        if (audible) {
            if (!s.IsPlaying()) s.Prepare();
            const float gain =
                DistanceGain(d, p.NearDistance, p.FarDistance) * s.Volume * float(p.VolumePercent) / 100.0f;
            s.LastGain = gain;
            if (s.Source != 0) Output->SetSourceGain(s.Source, std::max(gain, 0.0f));
            float c = s.PitchFactor;
            const bool distancePitch = !((p.NearPitch == 0.0f && p.FarPitch == 0.0f) ||
                                         (p.NearPitch == 100.0f && p.FarPitch == 100.0f));
            if (distancePitch) {
                float q;
                if (d > p.FarDistance)
                    q = p.FarPitch;
                else if (p.FarDistance != p.NearDistance && d >= p.NearDistance)
                    q = p.NearPitch +
                        (p.FarPitch - p.NearPitch) * (d - p.NearDistance) / (p.FarDistance - p.NearDistance);
                else
                    q = p.NearPitch;
                c = q / 100.0f * s.PitchFactor;
            }
            if (s.Wobble) {
                s.WobbleCursor += ticks;
                if (s.WobbleCursor >= WobbleTableSize || s.WobbleCursor < 0) s.WobbleCursor = 0;
                c *= WobbleTable[size_t(s.WobbleCursor)];
            }
            // The pitch factor counts twice: in c and in the value sent.
            const float pitch = SafePitch(c * s.PitchFactor * p.PitchPercent / 100.0f);
            if (pitch != s.LastPitch) {
                s.LastPitch = pitch;
                if (s.Source != 0) Output->SetSourcePitch(s.Source, pitch);
            }
        }
    }
    if (s.Source != 0) Output->SetSourcePosition(s.Source, at.X, at.Y, p.Depth);
    return audible;
}

// ---- Preload ----

std::vector<std::string> PreloadSampleNames(const std::string& levelFileName) {
    std::vector<std::string> names = {"Water\\Rollix bubbles.ogg"};
    for (int n = 1; n <= 4; ++n) {
        const std::string k = std::to_string(n);
        names.push_back("Acid\\Acid Splech " + k + ".ogg");
        names.push_back("Water\\Splech " + k + ".ogg");
        names.push_back("FX\\Lep " + k + ".ogg");
    }
    for (const char* n : {"FX\\woda prask.ogg", "FX\\Baloon blast.ogg", "Acid\\Acid Hukot vody.ogg",
                          "Water\\Bublina vo vode.ogg", "FX\\Menu tick.ogg", "FX\\GateEff2.ogg",
                          "FX\\GateEff.ogg", "FX\\RotateEff.ogg", "FX\\Crep.ogg", "Boosts\\StarPut.ogg"})
        names.push_back(n);
    std::string file = levelFileName;
    const size_t cut = file.find_last_of("\\/");
    if (cut != std::string::npos) file = file.substr(cut + 1);
    const std::string head = UpperAnsi(file).substr(0, 7);
    // "ZESTAR" is shorter than the seven characters compared: every name that
    // starts with it counts.
    if (head == "FAZULKY" || head.rfind("ZESTAR", 0) == 0) {
        for (const char* n : {"Fazulky\\Fazulka ahoj.ogg",
                              "Fazulky\\Fazulka bum.ogg",
                              "Fazulky\\Fazulka hwuii.ogg",
                              "Fazulky\\Fazulka pink.ogg",
                              "Fazulky\\Fazulka tip top.ogg",
                              "Fazulky\\Fazulka tuk.ogg",
                              "Fazulky\\Fazulka uf.ogg",
                              "Fazulky\\Fazulka uiiiiiiii.ogg",
                              "Fazulky\\Fazulka wini wini.ogg",
                              "Fazulky\\Fazulka wini.ogg",
                              "Fazulky\\Fazulka wintaramparam.ogg",
                              "Fazulky\\Fazulka yeah.ogg",
                              "Fazulky\\Fazulka yep.ogg",
                              "xRollix\\uff.ogg",
                              "xRollix\\chi je je.ogg",
                              "xRollix\\tuk tuk.ogg",
                              "xRollix\\ihiihihi.ogg",
                              "xRollix\\sibi sibi sibi.ogg",
                              "xRollix\\tuki tuki.ogg",
                              "xRollix\\bmmmm.ogg"})
            names.push_back(n);
    }
    names.push_back("Untitled\\Zvoncoky.ogg");
    names.push_back("FX\\openGate.ogg");
    return names;
}

// ---- Placed sounds ----

bool PauseOver(TLevelSound& placed) {
    if (placed.PauseCountdown > 0) return false;
    if (placed.PauseMin != 0 || placed.PauseMax != 0)
        placed.PauseCountdown =
            placed.PauseMin + int32_t(NextRandom() * float(placed.PauseMax - placed.PauseMin));
    else
        placed.PauseCountdown = 0;
    return true;
}

void ApplyPlacedSound(TMySound& sound, TLevelSound& placed) {
    sound.Params = placed.Params;
    sound.Wobble = placed.Wobble;
    sound.LastGain = 0.0f;
    sound.LastPitch = 0.0f;
    sound.Started = false;
    if (placed.RandomPitch != 0.0f)
        sound.Params.PitchPercent += NextRandom() * (placed.RandomPitch - sound.Params.PitchPercent);
    if (placed.KeepHome) {
        sound.Position = placed.Position;
        sound.Follows = false;
        sound.FollowId = -1;
    } else {
        placed.Position = placed.HomePosition = sound.Position;
    }
}

void ResetLevelSound(TLevelSound& placed) {
    placed.Position = placed.HomePosition;
    placed.PauseCountdown = 0;
}

void StepLevelSound(TLevelSound& placed, TSoundMan& man, const TPlacedSoundBoost& boost) {
    if (placed.FollowBoost && boost.Attached) placed.Position = boost.Centre;
    placed.PauseCountdown = std::max(placed.PauseCountdown - 1, 0);
    if (placed.Disabled) return;
    const bool present = !boost.Attached || boost.Shown;
    const bool inRange =
        present && man.IsInRange(placed.Position, placed.Params.FarDistance, placed.Params.Depth);
    TMySound* sound = man.FindSound(placed.SoundKey);
    if (!present || !inRange) {
        if (sound) {
            sound->Stop();
            man.RemoveSound(placed.SoundKey);
        }
        placed.SoundKey = 0;
        return;
    }
    if (sound) {
        if (sound->IsPlaying()) return;
        sound->Started = false;
        if (!PauseOver(placed)) return;
    } else {
        if (!PauseOver(placed)) return;
        sound = placed.Params.Loop
                    ? man.CreateLoopSoundByName(placed.SampleName, placed.Position)
                    : man.CreateSoundNear(placed.SampleName, placed.Position, placed.Params.FarDistance);
        if (!sound) return;
    }
    sound->Position = placed.Position;
    placed.SoundKey = sound->Key;
    ApplyPlacedSound(*sound, placed);
    sound->Play();
}
