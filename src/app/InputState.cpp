#include "app/InputState.h"

#include "app/SiteTrace.h"

#include <cmath>
#include <cstdlib>

std::array<uint8_t, KeyTableSize> KeysNow{};
std::array<uint8_t, KeyTableSize> KeysBefore{};
std::vector<int32_t> ChangedKeys;

const std::array<int32_t, KeyTableCount> KeyTable = [] {
    std::array<int32_t, KeyTableCount> t{
        Vk::Left, Vk::Right, Vk::Up,     Vk::Down,   Vk::Control, Vk::Shift, Vk::Menu,  Vk::Return, Vk::Space,
        Vk::Tab,  Vk::Back,  Vk::Insert, Vk::Delete, Vk::Home,    Vk::End,   Vk::Prior, Vk::Next};
    for (int32_t i = 0; i < 26; ++i)
        t[size_t(17 + i)] = Vk::A + i;
    for (int32_t i = 0; i < 10; ++i)
        t[size_t(43 + i)] = Vk::Digit0 + i;
    return t;
}();

const std::array<const char*, 17> KeyTableNames{
    "Arrow left", "Arrow right", "Arrow up", "Arrow down", "Control", "Shift", "Alt",     "Enter",    "Space",
    "Tab",        "Backspace",   "Insert",   "Delete",     "Home",    "End",   "Page up", "Page down"};

TGameMouse GameMouse;
TTextInput* ActiveTextInput = nullptr;
int32_t IdleMs = 0;
bool CursorHidden = false;
int32_t HiddenAtX = 0, HiddenAtY = 0;

namespace {
bool InTable(int32_t code) {
    return code >= 0 && code < KeyTableSize;
}
} // namespace

TKeyBindings KeyBindings;

int32_t BoundKey(int32_t index, int32_t defaultIndex) {
    RecordSite(13001);
    if (index < 0 || index >= KeyTableCount) index = defaultIndex;
    if (index < 0 || index >= KeyTableCount) return 0;
    return KeyTable[size_t(index)];
}

void SetKey(int32_t code, bool down) {
    RecordSite(13002);
    if (!InTable(code)) return;
    KeysNow[size_t(code)] = down ? 1 : 0;
    if (ChangedKeys.size() < size_t(MaxChangedKeys)) ChangedKeys.push_back(code);
}

bool IsKeyDown(int32_t code) {
    return InTable(code) && KeysNow[size_t(code)] != 0;
}

bool IsNewPress(int32_t code) {
    return InTable(code) && KeysNow[size_t(code)] != 0 && KeysBefore[size_t(code)] == 0;
}

bool AnyNewPress() {
    RecordSite(13003);
    for (int32_t code : ChangedKeys)
        if (IsNewPress(code)) return true;
    return false;
}

void EndTick() {
    RecordSite(13004);
    for (int32_t code : ChangedKeys)
        KeysBefore[size_t(code)] = KeysNow[size_t(code)];
    ChangedKeys.clear();
    for (int32_t wheel : {KeyWheelUp, KeyWheelDown})
        KeysNow[size_t(wheel)] = KeysBefore[size_t(wheel)] = 0;
}

void ClearKeys() {
    RecordSite(13005);
    KeysNow.fill(0);
    KeysBefore.fill(0);
    ChangedKeys.clear();
}

void MouseEvent(int32_t x, int32_t y, uint32_t shift, const TMouseView& view) {
    RecordSite(13006);
    TGameMouse& m = GameMouse;
    m.PrevX = m.X;
    m.PrevY = m.Y;
    m.X = x - view.ViewLeft;
    m.Y = y - view.ViewTop;
    m.XF = float(m.X);
    m.YF = float(m.Y);
    m.LeftDown = (shift & ShiftLeftButton) != 0;
    m.RightDown = (shift & ShiftRightButton) != 0;
}

void UpdateGameMouse(int32_t ticksRun, const TMouseView& view) {
    RecordSite(13007);
    TGameMouse& m = GameMouse;
    if (m.X == m.PrevX && m.Y == m.PrevY)
        m.StillTicks += ticksRun > 0 ? ticksRun : 0;
    else
        m.StillTicks = 0;
    if (m.StillTicks > 300) m.StillTicks = 300;
    m.Still = m.StillTicks > 299;
    m.PrevX = m.X;
    m.PrevY = m.Y;
    // A view with no area (a minimized window) keeps the last world point.
    if (view.ViewWidth < 1 || view.ViewHeight < 1) return;
    const TBox2& r = view.PlayRect;
    double wx = double(r.Left) + double(r.Right - r.Left) * m.X / view.ViewWidth;
    double wy = double(r.Top) + double(r.Bottom - r.Top) * m.Y / view.ViewHeight;
    if (!std::isfinite(wx) || !std::isfinite(wy) || std::fabs(wx) > 2e9 || std::fabs(wy) > 2e9) return;
    m.WorldX = int32_t(std::lround(wx));
    m.WorldY = int32_t(std::lround(wy));
    m.WorldXF = float(m.WorldX);
    m.WorldYF = float(m.WorldY);
}

bool WindowToPixels(int32_t x, int32_t y, int32_t windowW, int32_t windowH, int32_t pixelW, int32_t pixelH,
                    int32_t& outX, int32_t& outY) {
    if (windowW < 1 || windowH < 1 || pixelW < 1 || pixelH < 1) return false;
    outX = int32_t(int64_t(x) * pixelW / windowW);
    outY = int32_t(int64_t(y) * pixelH / windowH);
    return true;
}

void TypeCharacter(uint32_t ch) {
    RecordSite(13008);
    TTextInput* input = ActiveTextInput;
    if (!input) return;
    if (ch == 13 || ch == 8 || ch < 32 || ch == 127 || ch > 0xFFFF) return;
    if (ch >= 0xD800 && ch <= 0xDFFF) return; // lone surrogate halves are no characters
    if (ch == ' ' && input->Text.empty()) return;
    input->Text.push_back(char16_t(ch));
    if (input->MaxLength >= 0 && input->Text.size() > size_t(input->MaxLength))
        input->Text.resize(size_t(input->MaxLength));
}

bool EraseCharacter() {
    RecordSite(13009);
    if (!ActiveTextInput || ActiveTextInput->Text.empty()) return false;
    ActiveTextInput->Text.pop_back();
    return true;
}

bool UpdateCursorIdle(int32_t lagMs, int32_t mouseX, int32_t mouseY) {
    RecordSite(13010);
    if (lagMs > 0 && IdleMs < 1000000000) IdleMs += lagMs;
    if (IdleMs >= CursorHideMs) {
        if (!CursorHidden) {
            CursorHidden = true;
            HiddenAtX = mouseX;
            HiddenAtY = mouseY;
        }
    } else {
        CursorHidden = false;
    }
    return CursorHidden;
}

void NoteMouseMove(int32_t x, int32_t y) {
    RecordSite(13011);
    if (std::abs(int64_t(x) - HiddenAtX) > 100 || std::abs(int64_t(y) - HiddenAtY) > 100) IdleMs = 0;
}

void ResetInputState() {
    ClearKeys();
    KeyBindings = DefaultKeyBindings;
    ChangedKeys.reserve(size_t(MaxChangedKeys));
    GameMouse = TGameMouse{};
    ActiveTextInput = nullptr;
    IdleMs = 0;
    CursorHidden = false;
    HiddenAtX = HiddenAtY = 0;
}
