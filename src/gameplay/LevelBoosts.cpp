#include "gameplay/LevelBoosts.h"

#include "app/Random.h"
#include "app/SiteTrace.h"
#include "physics/CharacterLevel.h"
#include "physics/FigureFile.h"
#include "physics/Rollix.h"
#include "physics/RollixsMan.h"
#include "physics/SoundSink.h"
#include "world/SplineObj.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cmath>

namespace {
TBoostWorld NoWorld;
TBoostQuests NoQuests;

constexpr int32_t KeyFlashTicks = 250;
constexpr int32_t LightFadeTicks = 200;
// A boost's own light fades in when it is shown and out when it is taken.
constexpr int32_t BoostLightFadeTicks = 250;
constexpr int32_t DropGuardTicks = 200;
constexpr int32_t TreasureTime = 1000;
constexpr int32_t GateSwitchDelay = 100;
constexpr const char* NoSample = " no sample";
constexpr const char* DefaultSound = "default";

// Counts from a file may be anything: sums stop at the ends of the range.
int32_t Saturated(int64_t v) {
    return int32_t(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
}

bool Extends(int32_t type) {
    using namespace BoostType;
    return type == Diver || type == AcidCoat || type == Magnetizer || type == SkidStick || type == Hiccup;
}

// Taking it acts once; nothing stays with the character.
bool Instant(int32_t type) {
    using namespace BoostType;
    return (type >= Morpher && type <= RollixLight) || type == Regenerator || type == Graviter ||
           type == Buck || type == Diamond || type == Stopper || type == RainWind || type == CheckPoint;
}

bool GivesPoints(int32_t type) {
    using namespace BoostType;
    return type == CatWalk || type == Graviter || type == Diamond || type == Shard || type == Secret ||
           type == Hiccup || type == CheckPoint || type >= BoostTypeCount;
}

bool Treasure(const TBoost& b) {
    return b.Type == BoostType::Shard || b.Type == BoostType::Secret;
}

// An effect whose icon sits in the row of timed effects.
bool InHudRow(const TBoost& b) {
    return !b.IsKeyItem && !Treasure(b);
}

bool HasBody(const TBoost& b) {
    return b.Shape && !b.Shape->Body.Meshes.empty() && !b.Shape->Body.Meshes.front()->Outline.empty();
}

bool BoxesMeet(const TBox2& a, const TBox2& b) {
    return a.Left <= b.Right && b.Left <= a.Right && a.Top <= b.Bottom && b.Top <= a.Bottom;
}

// An edge of the character's outline crosses the outline of the boost's body.
bool OutlineCrosses(const TRollix& c, const TBoost& b) {
    if (!HasBody(b) || c.VertexCount() < 2) return false;
    const TSplineObj& shape = *b.Shape;
    if (!BoxesMeet(c.Bounds, shape.Body.Bounds)) return false;
    const std::vector<TVec2>& poly = shape.Body.Meshes.front()->Outline;
    const int32_t n = c.VertexCount(), m = int32_t(poly.size());
    for (int32_t i = 0; i < n; ++i) {
        const TVec2 a = c.Vertices[size_t(i)].Pos, a1 = c.Vertices[size_t(WrapIndex(i + 1, n))].Pos;
        for (int32_t k = 0; k < m; ++k) {
            TVec2 hit;
            if (SegmentCrossPoint(a, a1, poly[size_t(k)], poly[size_t(WrapIndex(k + 1, m))], hit))
                return true;
        }
    }
    return false;
}

bool CentreInShape(const TRollix& c, const TBoost& b) {
    return b.Shape && PointInBox(c.Centre, b.Shape->Body.Bounds);
}

std::string Upper(std::string s) {
    for (char& ch : s)
        ch = char(std::toupper(static_cast<unsigned char>(ch)));
    return s;
}
} // namespace

TBoost* FindByType(const TBoosts& list, int32_t type) {
    for (const auto& b : list.Items)
        if (b->Type == type) return b.get();
    return nullptr;
}

TVec2 ShapeCentre(const TBoost& b) {
    if (!b.Shape) return {};
    const TBox2& r = b.Shape->Body.Bounds;
    return {(r.Left + r.Right) * 0.5f, (r.Top + r.Bottom) * 0.5f};
}

float NearestDistance(const TBoosts& list, TVec2 p, int32_t type) {
    float best = -1.0f;
    for (const auto& b : list.Items) {
        if (b->Type != type || !b->Shape) continue;
        const float d = Length(ShapeCentre(*b) - p);
        if (best < 0.0f || d < best) best = d;
    }
    return best;
}

std::string GateTarget(const std::string& target, const std::string& levelTitle) {
    if (target.empty()) return levelTitle == "GAMEMENU" ? std::string() : std::string("_Menu_.map");
    const size_t cut = target.find_last_of("\\/");
    const std::string name = cut == std::string::npos ? target : target.substr(cut + 1);
    if (Upper(name) == "_MAINMENU_.MAP") return "Zestars.map";
    return target;
}

TLevelBoosts::TLevelBoosts(TBoosts& placed, TCharacterLevel& level) : Placed(placed), Level(level) {
    UseDefaultLinks();
}

void TLevelBoosts::UseDefaultLinks() {
    World = &NoWorld;
    Quests = &NoQuests;
}

// ---- Carried lists ----

TBoosts& TLevelBoosts::CarriedOf(TRollix& c) {
    if (!c.Carried) c.Carried = std::make_unique<TCarriedBoosts>();
    return static_cast<TCarriedBoosts&>(*c.Carried).List;
}

const TBoosts* TLevelBoosts::CarriedOf(const TRollix& c) const {
    return c.Carried ? &static_cast<const TCarriedBoosts&>(*c.Carried).List : nullptr;
}

TBoost* TLevelBoosts::FirstKeyItem(const TRollix& c) const {
    if (const TBoosts* list = CarriedOf(c))
        for (const auto& b : list->Items)
            if (b->IsKeyItem) return b.get();
    return nullptr;
}

bool TLevelBoosts::CarriesEffectOf(const TRollix& c, const TBoost& source) const {
    if (const TBoosts* list = CarriedOf(c))
        for (const auto& b : list->Items)
            if (b->Source == &source) return true;
    return false;
}

bool TLevelBoosts::Carries(const TRollix& c, int32_t kind) const {
    const TBoosts* list = CarriedOf(c);
    return list && FindByType(*list, kind);
}

bool TLevelBoosts::ControlledHiccup(const TRollix& c) const {
    const TBoosts* list = CarriedOf(c);
    const TBoost* h = list ? FindByType(*list, BoostType::Hiccup) : nullptr;
    return h && h->Switch('A');
}

float TLevelBoosts::StrongestGrip(const TRollix& c) const {
    float best = 0.0f;
    if (const TBoosts* list = CarriedOf(c))
        for (const auto& b : list->Items)
            if (b->Type == BoostType::SkidStick && b->Switch('A')) best = std::max(best, b->Param1Float());
    return best;
}

float TLevelBoosts::StrongestGlue(const TRollix& c) const {
    float best = 0.0f;
    if (const TBoosts* list = CarriedOf(c))
        for (const auto& b : list->Items)
            if (b->Type == BoostType::SkidStick && b->Switch('B')) best = std::max(best, b->Param2Float());
    return best;
}

int32_t TLevelBoosts::TreasureValue(const TRollix& c) const {
    int64_t sum = 0;
    if (const TBoosts* list = CarriedOf(c))
        for (const auto& b : list->Items)
            if (b->Type == BoostType::Secret) sum += b->PointsValue;
    return Saturated(sum);
}

float TLevelBoosts::NearestGateDistance(TVec2 p) const {
    return NearestDistance(Placed, p, BoostType::Gate);
}

void TLevelBoosts::ClearEffects(TRollix& c) {
    if (!c.Carried) return;
    TBoosts& list = CarriedOf(c);
    for (const auto& e : list.Items)
        World->DetachFollowers(*e);
    list.Items.clear();
}

TBoost* TLevelBoosts::NewestCheckpoint() const {
    TBoost* best = nullptr;
    for (const auto& b : Placed.Items)
        if (b->Type == BoostType::CheckPoint && b->Param1Int() >= 0 &&
            (!best || b->Param1Int() > best->Param1Int()))
            best = b.get();
    return best;
}

void TLevelBoosts::RemoveCarried(TRollix& c, TBoosts& list, int32_t index) {
    if (index < 0 || index >= list.Count()) return;
    const bool row = InHudRow(*list.Items[size_t(index)]);
    if (list.Items[size_t(index)]->Type == BoostType::SkidStick) c.ReleaseGlue();
    World->DetachFollowers(*list.Items[size_t(index)]);
    list.Items.erase(list.Items.begin() + index);
    if (!row) return;
    // The icons after it close the gap.
    for (size_t i = size_t(index); i < list.Items.size(); ++i) {
        TBoost& e = *list.Items[i];
        if (!InHudRow(e)) continue;
        e.HudSlot.X -= HudRowStep;
        e.HudSlideLeft = e.HudSlideTotal = HudSlideTicks;
    }
}

// ---- Carried effects over time ----

void TLevelBoosts::TickEffects(TRollix& c) {
    RecordSite(51101);
    if (!c.Carried) {
        c.MagnetValue.Clear();
        return;
    }
    TBoosts& list = CarriedOf(c);
    for (auto& item : list.Items) {
        TBoost& e = *item;
        if (e.HudFlash > 0) e.HudFlash -= 1;
        if (e.HudSlideLeft > 0) {
            e.HudSlideLeft -= 1;
            if (e.HudSlideLeft == 0 || e.HudSlideTotal <= 0) {
                e.HudPos = e.HudSlot;
            } else {
                const float f = 0.2f * float(e.HudSlideTotal - e.HudSlideLeft) / float(e.HudSlideTotal);
                e.HudPos = e.HudPos + (e.HudSlot - e.HudPos) * f;
            }
        }
        if (e.TimeLeft == -1 || e.IsKeyItem || e.TimeLeft < 1) continue;
        if (Treasure(e)) {
            e.TimeLeft = TreasureTime;
        } else {
            e.TimeLeft = std::max(e.TimeLeft - 1, 0);
        }
    }
    if (const TBoost* magnet = FindByType(list, BoostType::Magnetizer)) {
        const float v = magnet->Param1Float();
        c.MagnetValue.Value = c.MagnetValue.From = c.MagnetValue.To = v;
    } else {
        c.MagnetValue.Clear();
    }
}

void TLevelBoosts::GateEffect(TBoost& e, TRollix& c) {
    e.TimeLeft = 0;
    World->FinishRound();
    if (e.TypeBlock[8] != 0) c.Swallow(e.Source ? ShapeCentre(*e.Source) : c.Centre);
    World->RequestLevelSwitch(e.Param1Int(), c.Centre, GateTarget(e.TargetLevel, World->LevelTitle()),
                              GateSwitchDelay);
}

void TLevelBoosts::EndTickEffects(TRollix& c) {
    RecordSite(51102);
    if (!c.Carried) return;
    TBoosts& list = CarriedOf(c);
    for (int32_t i = list.Count() - 1; i >= 0; --i) {
        TBoost& e = *list.Items[size_t(i)];
        if (e.Type == BoostType::Teleport) {
            e.TimeLeft = 0;
            World->RequestLevelSwitch(1, {e.Param1Float(), e.Param2Float()}, std::string(), 0);
        } else if (e.Type == BoostType::Gate) {
            if (const int32_t page = e.BlockInt(12); page != 0) {
                // A menu gate opens its page and is done.
                World->OpenMenuPage(page);
                RemoveCarried(c, list, i);
                return;
            }
            GateEffect(e, c);
        }
    }
    for (int32_t i = list.Count() - 1; i >= 0; --i)
        if (list.Items[size_t(i)]->TimeLeft == 0) RemoveCarried(c, list, i);
}

// ---- The placed boosts ----

void TLevelBoosts::Reset() {
    RecordSite(51103);
    for (auto& item : Placed.Items) {
        TBoost& b = *item;
        b.Partner = nullptr;
        b.UsesLeft = b.Uses;
        b.ShownTicks = 0;
        b.JustDropped = false;
        b.HudFlash = 0;
        if (b.Type == BoostType::Star) b.TypeBlock[2] = b.TypeBlock[1]; // lit as placed
        if (b.Type == BoostType::Gate) b.TypeBlock[1] = 0;              // closed
        if (b.Type == BoostType::CheckPoint) b.SetParam1(int32_t(-1));
        b.QuestLeft = b.QuestCount;
        Show(b, true, nullptr);
    }
}

void TLevelBoosts::PlaySound(const std::string& name, TVec2 at, float pitch, int32_t slot) {
    if (name.empty() || !World->SoundSlotAllows(slot)) return;
    // The boost's sound slot, a placed level sound, lends its volume and range.
    TSoundPlay how;
    how.Pitch = pitch;
    how.PlacedId = slot;
    Level.Sound->Play(name, at, how);
}

void TLevelBoosts::Show(TBoost& b, bool resetting, const TVec2* at) {
    b.Visible = true;
    b.HiddenTicks = -1;
    b.ShownTicks = 0;
    b.UsesLeft = Saturated(int64_t(b.UsesLeft) - 1);
    if (TSplineObj* shape = b.Shape) {
        if (at) {
            const TVec2 d = *at - ShapeCentre(b);
            shape->MoveBy(d.X, d.Y, true);
            b.ShapeMoved = true;
        } else if (b.ShapeMoved) {
            shape->RestoreBaseShape();
            b.ShapeMoved = false;
        }
        if (resetting) {
            b.Visible = b.StartsHidden == 0;
            shape->SetVisible(b.Visible, true);
        } else {
            shape->SetVisible(true, false);
        }
    } else if (resetting) {
        b.Visible = b.StartsHidden == 0;
    }
    if (resetting) return;
    PlaySound(ShowSoundOf(b), ShapeCentre(b), 1.0f, b.ShowSoundSlot);
    World->FadeBoostLight(b, true, BoostLightFadeTicks);
    if (b.IsKeyItem) World->RestoreMainLight(KeyFlashTicks);
}

void TLevelBoosts::Hide(TBoost& b) {
    b.Visible = false;
    if (!b.Shape) return;
    switch (b.Activation) {
    case 0:
    case 2:
    case 3:
    case 4:
        b.Shape->SetVisible(false, false);
        World->FadeBoostLight(b, false, BoostLightFadeTicks);
        break;
    case 1:
        // Taken by touch: the object stays solid and in sight.
        b.Shape->SetVisible(false, false);
        b.Shape->SetVisible(true, false);
        break;
    default:
        break;
    }
}

void TLevelBoosts::AdvancePlaced(int32_t ticks) {
    RecordSite(51104);
    TRollix* player =
        Level.Characters && !Level.Characters->Items.empty() ? Level.Characters->Items[0].get() : nullptr;
    for (auto& item : Placed.Items) {
        TBoost& b = *item;
        b.ShownTicks = Saturated(int64_t(b.ShownTicks) + ticks);
        if (!b.Visible && !b.IsKeyItem && b.RespawnTime > 0 && (b.UsesLeft > 0 || b.Uses < 1)) {
            b.HiddenTicks = Saturated(int64_t(b.HiddenTicks) + ticks);
            if (b.HiddenTicks > std::max(100, b.RespawnTime)) Show(b, false, nullptr);
        }
        if (b.Type == BoostType::Gate && !b.Switch('A') && player && player->Points >= World->TargetScore() &&
            Quests->AllQuestsDone()) {
            b.TypeBlock[1] = 1;
            Show(b, false, nullptr);
        }
        if (b.Type == BoostType::Teleport && b.Visible && b.Switch('E') && b.Shape && Level.Characters) {
            for (auto& other : Level.Characters->Items) {
                TRollix& c = *other;
                if (&c == player || c.Dead || c.Teleporting || !PointInBox(c.Centre, b.Shape->Body.Bounds))
                    continue;
                c.Teleporting = true;
                c.TeleportLeft = 100;
                c.TeleportHalf = 50;
                c.TeleportAlpha = 255;
                c.TeleportTargetX = b.Param1Float();
                c.TeleportTargetY = b.Param2Float();
            }
        }
    }
}

bool TLevelBoosts::KeyFits(const TBoost& b, const TRollix& c) const {
    if (b.RequiredKey == 0) return true;
    const TBoost* key = FirstKeyItem(c);
    return key && key->Type == b.RequiredKey;
}

bool TLevelBoosts::Candidate(const TBoost& b, const TRollix& player) const {
    if (!b.Visible || !HasBody(b) || b.Partner || player.Points < b.MinPoints) return false;
    if (b.Type == BoostType::CheckPoint && b.Param1Int() != -1) return false;
    // A gate the player stays in would ask for its switch again every tick
    // and so put it off for ever.
    if (b.Type == BoostType::Gate && (!b.Switch('A') || World->SwitchPending())) return false;
    return true;
}

void TLevelBoosts::PickUp(TRollix& player) {
    RecordSite(51105);
    if (player.SwallowLeft > 0) return;
    for (int32_t i = 0; i < Placed.Count(); ++i) {
        TBoost& b = *Placed.Items[size_t(i)];
        if (!Candidate(b, player) || b.Activation == 1) continue;
        bool overlap = false;
        switch (b.Activation) {
        case 0:
            overlap = OutlineCrosses(player, b) || CentreInShape(player, b);
            break;
        case 2:
            overlap = CentreInShape(player, b);
            break;
        case 3:
            overlap = OutlineCrosses(player, b);
            break;
        default:
            break; // star slots belong to the star puzzle
        }
        if (!overlap) continue;
        if (!b.IsKeyItem) {
            if (KeyFits(b, player)) Take(b, player);
            continue;
        }
        if (b.AutoUse && b.JustDropped && b.ShownTicks < DropGuardTicks) continue;
        if (b.ShownTicks >= DropGuardTicks) b.JustDropped = false;
        const TBoost* key = FirstKeyItem(player);
        const bool fits = !key || (b.RequiredKey != 0 && key->Type == b.RequiredKey);
        if (fits && (player.Buttons.Action.Held || b.AutoUse) && Quests->KeyItemAllowed(i) &&
            (b.Type != BoostType::Star || Quests->StarQuestRunning()) && (!player.ActionUsed || b.AutoUse)) {
            Take(b, player);
            if (b.Partner) b.Partner->Partner = nullptr;
            b.Partner = nullptr;
            player.ActionUsed = true;
        }
    }
}

void TLevelBoosts::EdgeTouched(TRollix& c, TSplineObj* owner) {
    if (!owner || !owner->Boost) return;
    TBoost& b = *owner->Boost;
    if (b.Activation != 1 || Placed.IndexOf(&b) < 0 || !Candidate(b, c) || !KeyFits(b, c)) return;
    Take(b, c);
}

void TLevelBoosts::DropKey(TRollix& player) {
    RecordSite(51106);
    TBoost* key = FirstKeyItem(player);
    if (!key || !key->Source) return;
    const bool allowed =
        key->AutoUse ? Quests->DropAllowed() : player.Buttons.Action.Pressed && !player.ActionUsed;
    if (!allowed) return;
    TBoost& source = *key->Source;
    Show(source, false, &player.Centre);
    source.JustDropped = true;
    source.ShownTicks = 0;
    Quests->KeyDropped(Placed.IndexOf(&source));
    TBoosts& list = CarriedOf(player);
    RemoveCarried(player, list, list.IndexOf(key));
    player.ActionUsed = true;
    PlaySound("FX\\Crep.ogg", player.Centre, 1.0f, -1);
}

// ---- Taking a boost ----

void TLevelBoosts::Take(TBoost& b, TRollix& c) {
    RecordSite(51107);
    if (b.Type == BoostType::Gate && Level.MenuPageOpen) return;
    TBoost* key = FirstKeyItem(c);
    if (b.IsKeyItem && key && !(b.RequiredKey != 0 && key->Type == b.RequiredKey)) return;
    if (b.Type != BoostType::Gate || b.Activation == 1) Hide(b);
    if (b.Type == BoostType::Teleport && b.Switch('D')) Show(b, false, nullptr);
    if (b.RequiredKey != 0 && key) {
        // The key is used up; its own boost comes back to its place.
        if (TBoost* source = key->Source; source && source->UsesLeft > 0) {
            source->HiddenTicks = 0;
            Show(*source, false, nullptr);
        }
        TBoosts& list = CarriedOf(c);
        RemoveCarried(c, list, list.IndexOf(key));
    }
    const bool placed = Placed.IndexOf(&b) >= 0;
    if (b.IsKeyItem && placed) World->FlashMainLight(b.FlashColour, KeyFlashTicks);
    b.HiddenTicks = b.RespawnTime < 0 ? -1 : 0;
    Apply(b, c);
    for (int32_t link : b.Links) {
        if (link < 0 || link >= Placed.Count()) continue;
        TBoost& other = *Placed.Items[size_t(link)];
        if (!other.Visible) Show(other, false, nullptr);
    }
}

std::string TLevelBoosts::ShowSoundOf(const TBoost& b) {
    if (b.ShowSound.empty() && b.Type == BoostType::Gate) return "FX\\openGate.ogg";
    return b.ShowSound;
}

std::string TLevelBoosts::TakeSoundOf(const TBoost& b) const {
    if (b.TakeSound == NoSample) return {};
    if (b.TakeSound != DefaultSound) return b.TakeSound;
    if (b.Type >= 0 && b.Type < BoostTypeCount) {
        const std::string& own = Placed.TypeSounds[size_t(b.Type)];
        if (!own.empty() && own != DefaultSound) return own;
    }
    switch (b.Type) {
    case BoostType::Morpher:
        switch (FigureMaterialKind(b.Param1Int())) {
        case 1:
            return "Boosts\\Morpher to wind.ogg";
        case 2:
            return "Boosts\\Morpher to water.ogg";
        default:
            return "Boosts\\Morpher to mub.ogg";
        }
    case BoostType::Scaler:
        return b.Param1Float() < 1.0f ? "Boosts\\Scaler_down.ogg" : DefaultTakeSound(b.Type);
    case BoostType::Graviter:
        return "Boosts\\Rotator.ogg";
    case BoostType::Hiccup:
        return "FX\\ticks.ogg";
    default:
        return DefaultTakeSound(b.Type);
    }
}

void TLevelBoosts::Points(TBoost& b, TRollix& c) {
    if (b.IsKeyItem || !GivesPoints(b.Type)) return;
    const int32_t n = b.PointsValue;
    if (b.Type == BoostType::Secret) {
        if (c.IsPlayer && !c.Dead && !c.Impaled && n > 0) c.Items.push_back(n);
    } else {
        const int32_t before = c.Points;
        c.AddPoints(n);
        if (c.Points != before) World->ScoreChanged();
    }
    if (n > 0 && b.Shape && Placed.IndexOf(&b) >= 0) World->AddScoreHint(n, ShapeCentre(b));
}

void TLevelBoosts::AddCarried(TBoost& b, TRollix& c) {
    TBoosts& list = CarriedOf(c);
    if (Extends(b.Type))
        if (TBoost* carried = FindByType(list, b.Type)) {
            carried->Duration = Saturated(int64_t(carried->Duration) + b.Duration);
            carried->TimeLeft = Saturated(int64_t(carried->TimeLeft) + b.Duration);
            if (carried->Source != &b) {
                // The effect now comes from b: the emitters of b's object go along instead.
                World->DetachFollowers(*carried);
                carried->Source = &b;
                World->AttachFollowers(b, c, *carried);
            }
            return;
        }
    if (Instant(b.Type) && !b.IsKeyItem) return;
    auto e = std::make_unique<TBoost>();
    e->Source = &b;
    e->HudFlash = 50;
    e->PointsValue = b.PointsValue;
    e->Type = b.Type;
    e->TypeName = b.TypeName;
    e->Duration = e->TimeLeft = b.Duration;
    e->TargetLevel = b.TargetLevel;
    e->AutoUse = b.AutoUse;
    e->TypeBlock = b.TypeBlock;
    e->IsKeyItem = b.IsKeyItem;
    if (Treasure(*e)) e->Duration = e->TimeLeft = TreasureTime;
    if (e->IsKeyItem) {
        e->HudSlot = HudKeySlot;
    } else if (Treasure(*e)) {
        e->HudSlot = HudShardSlot;
    } else {
        const auto row = std::count_if(list.Items.begin(), list.Items.end(),
                                       [](const std::unique_ptr<TBoost>& o) { return InHudRow(*o); });
        e->HudSlot = {HudRowStart.X + HudRowStep * float(row), HudRowStart.Y};
    }
    const TVec2 screen = World->ScreenPosition(c.Centre);
    e->HudPos = screen + (e->HudSlot - screen) * 0.1f;
    e->HudSlideLeft = e->HudSlideTotal = HudSlideTicks;
    list.Items.push_back(std::move(e));
    World->AttachFollowers(b, c, *list.Items.back());
}

void TLevelBoosts::Apply(TBoost& b, TRollix& c) {
    RecordSite(51108);
    const int32_t index = Placed.IndexOf(&b);
    const bool placed = index >= 0;
    Points(b, c);
    if (placed && !b.VoiceName.empty()) c.Voice(b.VoiceName.c_str());
    b.QuestLeft = Saturated(std::max<int64_t>(int64_t(b.QuestLeft) - 1, 0));
    if (b.QuestLeft == 0 && placed) Quests->BoostTaken(index);
    if (c.IsPlayer && b.Type != BoostType::Morpher && b.Type != BoostType::Teleport &&
        b.Type != BoostType::Gate) {
        const std::string sound = TakeSoundOf(b);
        if (!sound.empty() && World->SoundSlotAllows(b.TakeSoundSlot)) {
            const bool varied = b.Type == BoostType::Graviter || b.Type == BoostType::Hiccup;
            PlaySound(sound, c.Centre, varied ? 0.87f + 0.13f * NextRandom() : 1.0f, b.TakeSoundSlot);
        }
    }
    AddCarried(b, c);
    if (b.TintBlend > 0.0f && placed) World->BlendMainLight(b.TintColour, b.TintBlend, LightFadeTicks);
    Effect(b, c);
}

void TLevelBoosts::Effect(TBoost& b, TRollix& c) {
    using namespace BoostType;
    switch (b.Type) {
    case Morpher:
        c.LoadFigure(b.Param1Int());
        c.MorphStep(true);
        if (c.IsPlayer) PlaySound(TakeSoundOf(b), c.Centre, 1.0f, b.TakeSoundSlot);
        break;
    case Scaler: {
        // A size that is no positive number would fold or break the body.
        const float p = b.Param1Float();
        if (!(p > 0.0f) || !std::isfinite(p)) break;
        c.ScaleBody(true, p, p);
        c.MorphStep(true);
        break;
    }
    case RollixLight:
        World->BlendMainLight({b.TypeBlock[1], b.TypeBlock[2], b.TypeBlock[3], b.TypeBlock[4]},
                              b.Param2Float(), LightFadeTicks);
        break;
    case CatWalk:
        c.DisplayValues[0].Start(false, b.Duration, b.Param1Float());
        c.DisplayValues[1].Start(false, b.Duration, b.Param2Float());
        break;
    case Regenerator:
        if (b.Switch('A')) {
            TBoosts& list = CarriedOf(c);
            for (int32_t i = list.Count() - 1; i >= 0; --i) {
                const TBoost& e = *list.Items[size_t(i)];
                if (!e.IsKeyItem && !Treasure(e)) RemoveCarried(c, list, i);
            }
            c.StartHiccups(0, false, false);
            c.ReverseControls = false;
        }
        c.SizeFactor = 1.0f;
        c.Damage = 0.0f;
        c.LoadFigure(c.FigureNumber);
        c.MorphStep(true);
        break;
    case Graviter:
        if (b.Switch('F')) c.GravityAngle.Start(b.Switch('D'), b.Param2Int(), b.Param1Float());
        if (b.Switch('E')) c.CameraAngle.Start(b.Switch('D'), b.Param2Int(), b.Param1Float());
        break;
    case SlowerFaster:
        c.RollFactor.Start(b.TypeBlock[8] != 0, b.BlockInt(12), b.Param1Float());
        break;
    case Buck:
        c.ReverseControls = !c.ReverseControls;
        break;
    case Stopper:
        c.BrakeRamp.Start(false, b.Param1Int(), 0.0f);
        c.FreezeCancelable = b.Switch('D');
        c.FreezeTicks = b.Param2Int() != 0 ? b.Param2Int() : 100;
        break;
    case RainWind:
        World->SetWeather(b.Param1Int(), b.Param2Int());
        break;
    case Hiccup:
        c.StartHiccups(b.Duration, true, b.Switch('A'));
        break;
    case CheckPoint:
        b.SetParam1(Level.TickCounter);
        b.SetParam2(c.FigureNumber);
        break;
    default:
        break;
    }
}
