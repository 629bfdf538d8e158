// The ghost of a run: the player's path kept tick by tick, saved and read
// back as it was (a damaged file changes nothing), drawn as a pale body at
// the level's tick, and never a change to the game: the same run takes the
// same states with a ghost drawn every tick and with none.
#include "LevelWorld.h"

#include "level/GhostTrack.h"
#include "level/Mechanics.h"
#include "render/NullRenderBackend.h"
#include "render/RenderContext.h"

#include <algorithm>

using namespace level_world;

namespace {

class Ghosts : public TLevelTest {
  public:
    void Load() {
        Level = std::make_unique<TLevel>();
        ASSERT_TRUE(Level->LoadFromBytes(WritePlannedLevel({{{0.0f, 150.0f}}})));
        Level->Player()->KeyRight = 'D';
    }
    void Frame() {
        Level->PrepareFrameView();
        BeginFrame();
        Renderer().Clear(Gl::ColorBufferBit | Gl::DepthBufferBit);
        Level->DrawLevel();
    }
    // Rolls right for n ticks; with draw, a frame after every tick.
    uint64_t Roll(int32_t n, bool draw) {
        SetKey('D', true);
        for (int32_t i = 0; i < n; ++i) {
            PlayTicks(*Level);
            if (draw) Frame();
        }
        SetKey('D', false);
        TStateHash h;
        h.AddInt32(Level->TickCounter);
        AddCharacterNodes(h, *Level);
        return h.Value;
    }
    TArchive Archive{"ghosts"};
};

TEST_F(Ghosts, ThePathIsKeptTickByTickAndReadBackAsItWasSaved) {
    Load();
    Roll(120, false);
    const TGhostTrack& track = Level->RunTrack;
    ASSERT_EQ(track.Ticks(), 120);
    EXPECT_EQ(track.OutlineAt(120).size(), Level->Player()->Vertices.size());
    EXPECT_EQ(track.OutlineAt(120).front(), Level->Player()->Vertices.front().Pos);
    EXPECT_TRUE(track.OutlineAt(0).empty());
    EXPECT_TRUE(track.OutlineAt(121).empty());
    // The same tick twice (a held tick counter) adds nothing.
    TGhostTrack copy = track;
    copy.Record(120, *Level->Player());
    EXPECT_EQ(copy.Ticks(), 120);

    const std::vector<uint8_t> bytes = track.Write();
    TGhostTrack back;
    std::string why;
    ASSERT_TRUE(back.Read(bytes, why)) << why;
    EXPECT_EQ(back.Write(), bytes);
    for (int32_t t : {1, 60, 120})
        EXPECT_EQ(back.OutlineAt(t), track.OutlineAt(t)) << t;

    // Cut anywhere, or with its count beyond the file: damage, nothing changed.
    for (size_t n = 0; n < bytes.size(); n += 97) {
        TGhostTrack target = back;
        EXPECT_FALSE(target.Read({bytes.begin(), bytes.begin() + long(n)}, why)) << n;
        EXPECT_EQ(target.Ticks(), 120) << n;
    }
    std::vector<uint8_t> huge = bytes;
    huge[8] = 0xff;
    huge[9] = 0xff;
    EXPECT_FALSE(back.Read(huge, why));
    // A restart starts the path afresh.
    Level->RestartLevel(false, false);
    EXPECT_EQ(Level->RunTrack.Ticks(), 0);
}

TEST_F(Ghosts, TheGhostIsDrawnAtTheLevelsTickAndNeverChangesTheGame) {
    InitRenderContext(std::make_unique<TNullRenderBackend>());
    auto& null = static_cast<TNullRenderBackend&>(Renderer());
    // A first run's path becomes the ghost of the next.
    Load();
    Roll(200, false);
    const TGhostTrack best = Level->RunTrack;

    Load();
    const uint64_t plain = Roll(150, true);
    Load();
    Level->Ghost = best;
    const uint64_t withGhost = Roll(150, true);
    EXPECT_EQ(withGhost, plain);

    // The last frame holds the ghost's pale body where the first run was at
    // tick 150, and none once the ghost is hidden.
    const auto pale = [&] {
        return std::count(null.VertexColours.begin(), null.VertexColours.end(),
                          std::array<uint8_t, 4>{210, 235, 255, 96});
    };
    EXPECT_EQ(size_t(pale()), best.OutlineAt(150).size() + 2);
    const auto at = std::find(null.VertexColours.begin(), null.VertexColours.end(),
                              std::array<uint8_t, 4>{210, 235, 255, 96});
    // After the fan's centre come the run's nodes at tick 150.
    const size_t first = size_t(at - null.VertexColours.begin()) + 1;
    const std::vector<TVec2> nodes = best.OutlineAt(150);
    for (size_t i = first; i < first + nodes.size(); ++i) {
        const TVec2 drawn{null.Vertices[i][0], null.Vertices[i][1]};
        EXPECT_NE(std::find(nodes.begin(), nodes.end(), drawn), nodes.end()) << i;
    }
    GhostShown = false;
    Frame();
    EXPECT_EQ(pale(), 0);
    GhostShown = true;
}

} // namespace
