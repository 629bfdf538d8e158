#include "render/ParticleSystem.h"

#include "app/SiteTrace.h"
#include "assets/ByteStream.h"
#include "world/EdgeGrid.h"

#include <algorithm>
#include <cmath>
#include <limits>

void ReadColour(TByteReader& in, TColor4& c) {
    c.R = in.ReadByte();
    c.G = in.ReadByte();
    c.B = in.ReadByte();
    c.A = in.ReadByte();
}

void WriteColour(TByteWriter& out, TColor4 c) {
    out.WriteByte(c.R);
    out.WriteByte(c.G);
    out.WriteByte(c.B);
    out.WriteByte(c.A);
}

float BounceTurn(TVec2 reversed, float normalAngle) {
    // Rotate adds its angle to atan2(x, y); the incoming direction is
    // −reversed, so this lands on twice the normal's angle minus the
    // incoming one, turned half round.
    return 2.0f * (normalAngle - std::atan2(-reversed.X, -reversed.Y));
}

// ---- The pool ----

TParticles::TParticles(int32_t capacity) : Capacity(std::max(capacity, 0)), Pool(size_t(Capacity)) {
    FreeAll();
}

void TParticles::FreeAll() {
    // Every particle back on the free list, in array order.
    for (size_t i = 0; i < Pool.size(); ++i) {
        Pool[i] = TParticle{};
        Pool[i].Next = i + 1 < Pool.size() ? &Pool[i + 1] : nullptr;
    }
    FreeHead = Pool.empty() ? nullptr : &Pool[0];
    Alive = nullptr;
    AliveCount = 0;
}

TParticle* TParticles::Take() {
    if (!FreeHead) return Alive; // full: the newest particle serves again
    TParticle* p = FreeHead;
    FreeHead = p->Next;
    p->Prev = nullptr;
    p->Next = Alive;
    if (Alive) Alive->Prev = p;
    Alive = p;
    ++AliveCount;
    p->BounceSoundDone = p->WaterSoundDone = p->ContactSoundDone = 0;
    return p;
}

TParticle* TParticles::Free(TParticle* p) {
    TParticle* next = p->Next;
    if (p->Prev)
        p->Prev->Next = next;
    else
        Alive = next;
    if (next) next->Prev = p->Prev;
    p->Prev = nullptr;
    p->Next = FreeHead;
    FreeHead = p;
    --AliveCount;
    return next;
}

// ---- The empty world ----

TWaterArea* TParticleWorld::WaterAt(TVec2 p) const {
    const TFragments* grid = Grid();
    return grid ? grid->WaterAt(p) : nullptr;
}

TParticleWorld& EmptyParticleWorld() {
    static TParticleWorld world;
    return world;
}

// ---- The emitter base ----

TParticleSystem_Emiter::TParticleSystem_Emiter(TParticleSystem* system) : System(system) {}

void TParticleSystem_Emiter::SetColours(TColor4 start, TColor4 end) {
    RecordSite(64001);
    StartColour = start;
    EndColour = end;
    ColourBase = start;
    ColourDiff = {int32_t(end.R) - start.R, int32_t(end.G) - start.G, int32_t(end.B) - start.B,
                  int32_t(end.A) - start.A};
}

void TParticleSystem_Emiter::Restart(bool /*flag*/) {
    NextEmission = 0;
    CycleTimer = 0;
    PhaseLength = 0;
    CycleState = StartsOff ? 0 : 1;
}

TParticle* TParticleSystem_Emiter::Emit(int32_t n) {
    TParticle* first = nullptr;
    for (int32_t i = 0; i < n; ++i) {
        TParticle* p = System->Take();
        if (!first) first = p;
    }
    return first;
}

int32_t TParticleSystem_Emiter::CharacterSlot(int32_t count) const {
    if (CharacterIndex < 0 || count <= 0) return -1;
    return std::min(CharacterIndex, count - 1);
}

TWindPush TParticleSystem_Emiter::WindPush(int32_t windIndex, bool followsPlayer) const {
    if (System->WindFactor == 0.0f) return TWindPush::None;
    if (OwnWindOnly && windIndex != WindIndex && !followsPlayer) return TWindPush::None;
    if (!followsPlayer) return TWindPush::All;
    if (!PlayerWinds) return TWindPush::None;
    return System->WindBox ? TWindPush::OutsideGoalBox : TWindPush::All;
}

void TParticleSystem_Emiter::Unbind() {
    ShapeIndex = 0;
    BoostIndex = -1;
    WindIndex = -1;
    CharacterIndex = -1;
    Source = nullptr;
}

// ---- The system ----

TParticleSystem::TParticleSystem(int32_t capacity) : TParticles(capacity), Limit(Capacity) {}

TParticleSystem::~TParticleSystem() = default;

void TParticleSystem::Tick(int32_t ticks) {
    EmittedThisTick = 0;
    Clock += ticks;
    if (Emitter) Emitter->Tick(ticks);
    if (Player) Player->Move(ticks);
}

int32_t TParticleSystem::Draw(const TBox2& view) const {
    return Renderer ? Renderer->Draw(view) : 0;
}

void TParticleSystem::Restart(bool flag) {
    RecordSite(64004);
    Clock = 0;
    FadeStart = StoredFadeStart;
    FadeLength = StoredFadeLength;
    StartCount = 0;
    // A stored count beyond the pool would ask for more than it can ever
    // hold, and a full pool only recycles its newest particle.
    EndCount = std::min(TargetCount, Limit);
    CaptionSerial = 0;
    FreeAll();
    if (Emitter) Emitter->Restart(flag);
}

void TParticleSystem::SetCount(int32_t n) {
    TargetCount = std::min(n, Limit);
    EndCount = TargetCount;
}

void TParticleSystem::Fade(int32_t target, int32_t length) {
    StartCount = AliveCount;
    EndCount = std::min(target, Limit);
    FadeStart = Clock;
    FadeLength = length;
}

TBox2 TParticleSystem::Bounds() const {
    TBox2 b;
    const TParticle* p = AliveHead();
    if (!p) {
        const TVec2 at = Emitter ? Emitter->Position : TVec2{};
        return {at.X - 10.0f, at.Y - 10.0f, at.X + 10.0f, at.Y + 10.0f};
    }
    b = {p->Position.X, p->Position.Y, p->Position.X, p->Position.Y};
    for (; p; p = p->Next) {
        b.Left = std::min(b.Left, p->Position.X);
        b.Top = std::min(b.Top, p->Position.Y);
        b.Right = std::max(b.Right, p->Position.X);
        b.Bottom = std::max(b.Bottom, p->Position.Y);
    }
    const float m = Emitter ? Emitter->BoundsMargin() : 0.0f;
    b = {b.Left - m, b.Top - m, b.Right + m, b.Bottom + m};
    if (b.Right - b.Left < 30.0f) {
        const float c = (b.Left + b.Right) * 0.5f;
        b.Left = c - 15.0f;
        b.Right = c + 15.0f;
    }
    if (b.Bottom - b.Top < 30.0f) {
        const float c = (b.Top + b.Bottom) * 0.5f;
        b.Top = c - 15.0f;
        b.Bottom = c + 15.0f;
    }
    return b;
}

bool TParticleSystem::NearestParticle(TVec2 point, TVec2& position) const {
    float best = std::numeric_limits<float>::infinity();
    bool found = false;
    for (const TParticle* p = AliveHead(); p; p = p->Next) {
        const float dx = p->Position.X - point.X, dy = p->Position.Y - point.Y;
        const float d = dx * dx + dy * dy;
        if (!found || d < best) {
            best = d;
            position = p->Position;
            found = true;
        }
    }
    return found;
}

int32_t TParticleSystem::GoalBoxCount() const {
    int32_t n = 0;
    for (const TParticle* p = AliveHead(); p; p = p->Next)
        if (p->Position.X > GoalBox.Left && p->Position.X < GoalBox.Right && p->Position.Y > GoalBox.Top &&
            p->Position.Y < GoalBox.Bottom)
            ++n;
    return n;
}

bool TParticleSystem::Load(TByteReader& in) {
    RecordSite(64002);
    in.ReadInt32();
    FreeAll();
    TargetCount = in.ReadInt32();
    // As SetCount: the pool holds no more than its limit.
    EndCount = std::min(TargetCount, Limit);
    StartCount = 0;
    RainKept[0] = in.ReadFloat32();
    RainKept[1] = in.ReadFloat32();
    StoredFadeStart = in.ReadInt32();
    StoredFadeLength = in.ReadInt32();
    FadeStart = StoredFadeStart;
    FadeLength = StoredFadeLength;
    ReadColour(in, Colour);
    MaterialStored = in.ReadInt32() != 0;
    if (MaterialStored) Material.Read(in);
    in.Skip(16);
    RainWind = in.ReadFloat32();
    RainWindKept = in.ReadFloat32();
    ReadColour(in, SplashColour);
    in.Skip(20);
    return !in.ShortRead;
}

void TParticleSystem::Write(TByteWriter& out) const {
    RecordSite(64003);
    out.WriteInt32(Limit);
    out.WriteInt32(TargetCount);
    out.WriteFloat32(RainKept[0]);
    out.WriteFloat32(RainKept[1]);
    out.WriteInt32(StoredFadeStart);
    out.WriteInt32(StoredFadeLength);
    WriteColour(out, Colour);
    out.WriteInt32(MaterialStored ? 1 : 0);
    if (MaterialStored) Material.Write(out);
    out.Pad(16);
    out.WriteFloat32(RainWind);
    out.WriteFloat32(RainWindKept);
    WriteColour(out, SplashColour);
    out.Pad(20);
}
