// The level table, players' results, the record tables and the unlock rules.
#include "game/Records.h"
#include "assets/Texts.h"

#include <gtest/gtest.h>

namespace {
uint32_t FixedClock() {
    return 4242;
}

class RecordsTest : public ::testing::Test {
  protected:
    void SetUp() override { ResetTexts(); }
    void TearDown() override { ResetTexts(); }
};

// Finishes a level for the player as LevelFinished would.
void Finish(TGameRecords& game, TMubPlayer& player, const std::string& file) {
    player.StoreRoundRecord(file, 1234, 0, nullptr, 500, &game);
}
} // namespace

TEST_F(RecordsTest, TheTableHoldsTheFortyLevelsWithTheirTitles) {
    struct TCase {
        int32_t Index;
        const char* File;
        const char16_t* Title;
    };
    const TCase cases[] = {
        {0, "Tutorial 01.map", u"Rainbow day"}, {6, "Tutorial 07.map", u"Bug's jewel"},
        {7, "Tutorial 08.map", u"Dive!"},       {10, "Tutorial 11.map", u"Impaled"},
        {16, "Bonus 1.map", u"Bonus focus"},    {25, "Louka 01.map", u"Fairy and drops"},
        {30, "Bonus 4.map", u"Bonus groupus"},  {31, "Podzemi 01.map", u"Mole hole"},
        {33, "Bonus 3.map", u"Bonus revealus"}, {39, "Jeskyne 05.map", u"The hell"},
    };
    TGameRecords game;
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.File);
        EXPECT_EQ(game.LevelTable[size_t(c.Index)].LevelFile, c.File);
        EXPECT_EQ(game.LevelTable[size_t(c.Index)].DisplayName, c.Title);
    }
    // A language that leaves a title empty shows the level's file name.
    ParseLanguageFile({'~', '1', '0', '0', '\n'});
    game.FillLevelTable();
    EXPECT_EQ(game.LevelTable[0].DisplayName, u"Tutorial 01");
}

TEST_F(RecordsTest, FindLevelIndexComparesTableNamesExactly) {
    struct TCase {
        const char* File;
        int32_t Index;
    };
    const TCase cases[] = {
        {"Zestars.map", -2},
        {"ZESTARS.MAP", -2},
        {"Tutorial 05.map", 4},
        {"Tutorial 05.MAP", -1},
        {"MagicDust 01.map", 11},
        {"Jeskyne 05.map", 39},
        {"Levels\\Tutorial 05.map", -1},
        {"", -1},
    };
    TGameRecords game;
    for (const TCase& c : cases)
        EXPECT_EQ(game.FindLevelIndex(c.File), c.Index) << c.File;
}

TEST_F(RecordsTest, DefaultRecordTablesHoldFiveMadeUpPlayers) {
    TGameRecords game;
    const TLevelTableEntry& first = game.LevelTable[0];
    EXPECT_EQ(first.BestTimes[0].PlayerName, u"| Roller");
    EXPECT_EQ(first.BestTimes[0].Time, 2000);
    EXPECT_EQ(first.BestTimes[4].PlayerName, u"| Knacky");
    EXPECT_EQ(first.BestTimes[4].Time, 2400);
    EXPECT_EQ(first.BestScores[4].Score, 300);
    EXPECT_TRUE(first.BestTimes[5].PlayerName.empty());
    EXPECT_TRUE(first.BestScores[9].PlayerName.empty());
    // A bonus level has no time list; its scores fall by its own step.
    const TLevelTableEntry& bonus = game.LevelTable[30];
    for (const TTimeRecord& r : bonus.BestTimes)
        EXPECT_TRUE(r.PlayerName.empty());
    EXPECT_EQ(bonus.BestScores[0].Score, 3400);
    EXPECT_EQ(bonus.BestScores[4].Score, 3000);
    EXPECT_EQ(game.LevelTable[39].BestTimes[4].Time, 64000);
}

TEST_F(RecordsTest, ANewPlayerHasTheTutorialsEnteredAndAUniqueId) {
    TGameRecords game;
    game.PlayerIdClock = FixedClock;
    TMubPlayer& ann = game.AddPlayer(u"Ann");
    EXPECT_EQ(game.CurrentPlayer, &ann);
    EXPECT_EQ(game.PlayerName(), u"Ann");
    ASSERT_EQ(ann.FinishedLevels.size(), 11u);
    EXPECT_EQ(ann.FinishedLevels[10].LevelFile, "Tutorial 11.map");
    // The placeholder result stays as it is.
    EXPECT_EQ(ann.FinishedLevels[0].BestTime, -1);
    EXPECT_EQ(ann.FinishedLevels[0].BestScore, NoBestScore);
    EXPECT_EQ(ann.LastLevel, "Tutorial 01.map");
    // Players made in the same millisecond, and a clock at 0 or beyond
    // int32, still get positive ids of their own.
    TMubPlayer& bob = game.AddPlayer(u"Bob");
    EXPECT_EQ(ann.PlayerId, 4242);
    EXPECT_EQ(bob.PlayerId, 4243);
    EXPECT_EQ(game.NewPlayerId(0), 1);
    EXPECT_EQ(game.NewPlayerId(0x80000000u), 1);
    EXPECT_EQ(game.NewPlayerId(4242), 4244);
    game.SelectPlayer(-5);
    EXPECT_EQ(game.CurrentPlayer, &ann);
    game.SelectPlayer(9);
    EXPECT_EQ(game.CurrentPlayer, &bob);
}

TEST_F(RecordsTest, StoringResultsKeepsTheBestsAndTheRoundBests) {
    TGameRecords game;
    TMubPlayer& p = game.AddPlayer(u"Ann");
    const TRunScore run{300, 50, 20};
    p.StoreRoundRecord("Levels\\Zestars.map", 4000, 12000, &run, 370, &game);
    p.StoreRoundRecord("Zestars.map", 5000, 12000, nullptr, 200, &game);
    const TFinishedLevel* z = p.Finished("Zestars.map");
    ASSERT_NE(z, nullptr);
    EXPECT_EQ(p.LastLevel, "Zestars.map");
    EXPECT_EQ(z->LastTime, 5000);
    EXPECT_EQ(z->LastScore, 200); // a lower round score is the last, not the best
    EXPECT_EQ(z->BestTime, 4000);
    EXPECT_EQ(z->BestScore, 370);
    EXPECT_EQ(z->Jewels, 0);
    EXPECT_EQ(game.RoundBest(p, "Zestars.map", 12000), 370);
    EXPECT_EQ(game.RoundBest(p, "Zestars.map", 30000), -1);
    EXPECT_EQ(game.RoundBest(p, "Fazulky 01.map", 12000), -1);
    EXPECT_TRUE(game.IsNewRoundRecord(p, "Zestars.map", 12000, 371));
    EXPECT_FALSE(game.IsNewRoundRecord(p, "Zestars.map", 12000, 370));
    EXPECT_FALSE(game.IsNewRoundRecord(p, "Zestars.map", 30000, 5));

    // A tutorial's placeholder time −1 gives way to the first real time.
    p.StoreRoundRecord("Tutorial 03.map", 2600, 0, &run, 370, &game);
    EXPECT_EQ(p.Finished("Tutorial 03.map")->BestTime, 2600);
    EXPECT_EQ(p.Finished("Tutorial 03.map")->Secrets, 50);
    // Levels outside the table are never stored.
    p.StoreRoundRecord("Menu.map", 10, 0, nullptr, 10, &game);
    EXPECT_EQ(p.Finished("Menu.map"), nullptr);
    EXPECT_EQ(p.LastLevel, "Tutorial 03.map");

    // The total counts positive bests only, and not the main level.
    EXPECT_EQ(game.TotalBestScore(p), 370);
}

TEST_F(RecordsTest, FinishingMagicDustOneUnlocksTheFirstLevelOfEachWorld) {
    TGameRecords game;
    TMubPlayer& p = game.AddPlayer(u"Ann");
    struct TCase {
        const char* File;
        bool Fresh, AfterMagicDust1;
    };
    const TCase cases[] = {
        {"Tutorial 01.map", true, true},   {"MagicDust 01.map", true, true},
        {"MagicDust 02.map", false, true}, {"MagicDust 03.map", false, false},
        {"Bonus 1.map", false, false},     {"Fazulky 01.map", false, true},
        {"Fazulky 02.map", false, false},  {"Louka 01.map", false, true},
        {"Louka 02.map", false, false},    {"Podzemi 01.map", false, false},
        {"Zestars.map", true, true},       {"Menu.map", false, false},
    };
    for (const TCase& c : cases)
        EXPECT_EQ(game.CanEnterLevel(p, c.File), c.Fresh) << c.File;
    Finish(game, p, "MagicDust 01.map");
    for (const TCase& c : cases)
        EXPECT_EQ(game.CanEnterLevel(p, std::string("Levels\\") + c.File), c.AfterMagicDust1) << c.File;
    // Later worlds need everything from MagicDust 01 up to them.
    for (int32_t i = 12; i < 31; ++i)
        Finish(game, p, game.LevelTable[size_t(i)].LevelFile);
    EXPECT_TRUE(game.CanEnterLevel(p, "Podzemi 01.map"));
    EXPECT_FALSE(game.CanEnterLevel(p, "Podzemi 02.map"));
}

TEST_F(RecordsTest, RecordTablesInsertInOrderAndDropTheLast) {
    TGameRecords game;
    TLevelTableEntry& entry = game.LevelTable[0];
    for (int32_t k = 0; k < RecordTableLength; ++k) {
        entry.BestTimes[size_t(k)] = {u"P" + std::u16string(1, char16_t(u'0' + k)), 2000 + 100 * k};
        entry.BestScores[size_t(k)] = {u"P" + std::u16string(1, char16_t(u'0' + k)), 1000 - 100 * k};
    }
    game.AddToRecordTables("Tutorial 01.map", u"Ann", 900, 2050);
    EXPECT_EQ(entry.BestTimes[0].Time, 2000);
    EXPECT_EQ(entry.BestTimes[1].PlayerName, u"Ann");
    EXPECT_EQ(entry.BestTimes[1].Time, 2050);
    EXPECT_EQ(entry.BestTimes[2].Time, 2100);
    EXPECT_EQ(entry.BestTimes[9].Time, 2800); // 2900 is dropped
    // A tie keeps the older record first.
    EXPECT_EQ(entry.BestScores[1].PlayerName, u"P1");
    EXPECT_EQ(entry.BestScores[2].PlayerName, u"Ann");
    EXPECT_EQ(entry.BestScores[9].Score, 200);
    // Worse than all ten: nothing changes; better than all: first.
    game.AddToRecordTables("Tutorial 01.map", u"Slow", 0, 99999);
    EXPECT_EQ(entry.BestTimes[9].Time, 2800);
    game.AddToRecordTables("Tutorial 01.map", u"Fast", 5000, 10);
    EXPECT_EQ(entry.BestTimes[0].PlayerName, u"Fast");
    EXPECT_EQ(entry.BestScores[0].PlayerName, u"Fast");
    // Into the default table with five unused records: after the last better one.
    game.AddToRecordTables("Tutorial 02.map", u"Ann", 10, 99999);
    EXPECT_EQ(game.LevelTable[1].BestTimes[5].PlayerName, u"Ann");
    EXPECT_EQ(game.LevelTable[1].BestScores[5].PlayerName, u"Ann");
}
