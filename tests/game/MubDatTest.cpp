// "MubDat.ini": the golden file read and written back, and what the reader
// makes of files older than the seal and of records it cannot keep.
#include "MubDatFixture.h"

#include "assets/Texts.h"
#include "game/MubDat.h"

#include <gtest/gtest.h>

namespace {
std::vector<uint8_t> Golden() {
    return LoadByteFixture(std::string(ROLLIX_TEST_DATA) + "/MubDat-golden.txt");
}

class MubDatTest : public ::testing::Test {
  protected:
    void SetUp() override { ResetTexts(); }
};
} // namespace

TEST_F(MubDatTest, TheGoldenFileReadsAndWritesBackToIdenticalBytes) {
    const std::vector<uint8_t> golden = Golden();
    ASSERT_EQ(golden.size(), 11429u);
    TGameRecords game;
    std::string reason;
    ASSERT_TRUE(ReadGameData(golden, game, &reason)) << reason;

    ASSERT_EQ(game.Players.size(), 2u);
    const TMubPlayer& ann = *game.Players[0];
    EXPECT_EQ(ann.PlayerName, u"Ann");
    EXPECT_EQ(ann.PlayerId, 4242);
    EXPECT_EQ(ann.PlayTicks, 123456);
    EXPECT_EQ(ann.LastLevel, "Zestars.map");
    ASSERT_EQ(ann.FinishedLevels.size(), 2u);
    const TFinishedLevel& z = ann.FinishedLevels[0];
    EXPECT_EQ(z.LevelFile, "Zestars.map");
    EXPECT_EQ(z.LastTime, 4000);
    EXPECT_EQ(z.LastScore, 370);
    EXPECT_EQ(z.BestTime, 3900);
    EXPECT_EQ(z.BestScore, 420);
    EXPECT_EQ(z.Jewels, 300);
    EXPECT_EQ(z.Secrets, 50);
    EXPECT_EQ(z.Bonus, 20);
    ASSERT_EQ(z.RoundBests.size(), 1u);
    EXPECT_EQ(z.RoundBests[0].RoundLength, 12000);
    EXPECT_EQ(z.RoundBests[0].BestScore, 420);
    EXPECT_EQ(ann.FinishedLevels[1].BestTime, -1);
    EXPECT_EQ(ann.FinishedLevels[1].BestScore, NoBestScore);
    EXPECT_EQ(game.Players[1]->PlayerName, u"Bob");
    EXPECT_TRUE(game.Players[1]->FinishedLevels.empty());
    // The stored current player is the first, though the second was read last.
    EXPECT_EQ(game.CurrentPlayer, &ann);

    EXPECT_EQ(game.LevelTable[0].BestTimes[0].PlayerName, u"Ann");
    EXPECT_EQ(game.LevelTable[0].BestTimes[0].Time, 2050);
    EXPECT_EQ(game.LevelTable[0].BestScores[0].PlayerName, u"| Roller");
    EXPECT_TRUE(game.LevelTable[0].BestTimes[1].PlayerName.empty());
    EXPECT_TRUE(game.LevelTable[39].BestScores[0].PlayerName.empty());

    EXPECT_EQ(WriteGameData(game), golden);
}

TEST_F(MubDatTest, WrittenRecordsReadBackAsTheyWere) {
    TGameRecords game;
    for (int i = 0; i < 3; ++i) {
        TMubPlayer& p = game.AddPlayer(u"Player \u017d" + std::u16string(1, char16_t(u'0' + i)));
        const TRunScore run{100 * i, 7, 3};
        p.StoreRoundRecord("Zestars.map", 5000 + i, 30000, &run, 110 * i, &game);
        p.StoreRoundRecord("Fazulky 03.map", 9000, 0, &run, 999, &game);
        p.PlayTicks = 1000 * i;
        game.AddToRecordTables("Fazulky 03.map", p.PlayerName, 999 + i, 9000 - i);
    }
    game.SelectPlayer(1);
    const std::vector<uint8_t> bytes = WriteGameData(game);
    TGameRecords back;
    ASSERT_TRUE(ReadGameData(bytes, back));
    ASSERT_EQ(back.Players.size(), 3u);
    EXPECT_EQ(back.CurrentPlayer, back.Players[1].get());
    EXPECT_EQ(back.Players[2]->PlayerName, u"Player \u017d2");
    EXPECT_EQ(back.RoundBest(*back.Players[2], "Zestars.map", 30000), 220);
    EXPECT_EQ(back.Players[2]->Finished("Fazulky 03.map")->Jewels, 200);
    EXPECT_EQ(back.LevelTable[19].BestTimes[0].Time, 8998);
    EXPECT_EQ(WriteGameData(back), bytes);
}

TEST_F(MubDatTest, AFileWithoutSealReadsAndAWrongSealIsDamage) {
    std::vector<uint8_t> bytes = Golden();
    // A file from before the seal has zeros in the reserved bytes.
    std::vector<uint8_t> unsealed = bytes;
    std::fill(unsealed.end() - 24, unsealed.end(), 0);
    TGameRecords game;
    ASSERT_TRUE(ReadGameData(unsealed, game));
    EXPECT_EQ(game.Players.size(), 2u);
    // A sealed file whose bytes changed, or with bytes after its end.
    std::vector<uint8_t> changed = bytes;
    changed[40] ^= 1; // the last time of the first result
    std::string reason;
    EXPECT_FALSE(ReadGameData(changed, game, &reason));
    EXPECT_EQ(reason, "the file's seal does not match its bytes");
    std::vector<uint8_t> longer = bytes;
    longer.push_back(0);
    EXPECT_FALSE(ReadGameData(longer, game, &reason));
    EXPECT_EQ(reason, "bytes follow the end of the file");
}

TEST_F(MubDatTest, CountsAndLengthsBeyondTheBytesLeftAreDamage) {
    struct TCase {
        const char* What;
        size_t At; // offset of the int32 to change in the unsealed golden file
        int32_t Value;
        const char* Reason;
    };
    const TCase cases[] = {
        {"negative player count", 4, -1, "the player count does not fit the file"},
        {"player count beyond the file", 4, 1000, "the player count does not fit the file"},
        {"name longer than the file", 8, 100000, "player 1: the name does not fit the file"},
        {"negative name length", 8, -3, "player 1: the name does not fit the file"},
        {"result count beyond the file", 18, 5000, "player 1: the result count does not fit the file"},
        {"level name longer than the file", 22, 0x7FFFFFFF,
         "player 1, result 1: the level name does not fit the file"},
        {"negative round count", 66, -2, "player 1, result 1: the round count does not fit the file"},
    };
    for (const TCase& c : cases) {
        std::vector<uint8_t> bytes = Golden();
        std::fill(bytes.end() - 24, bytes.end(), 0);
        for (int k = 0; k < 4; ++k)
            bytes[c.At + size_t(k)] = uint8_t(uint32_t(c.Value) >> (8 * k));
        TGameRecords game;
        std::string reason;
        EXPECT_FALSE(ReadGameData(bytes, game, &reason)) << c.What;
        EXPECT_EQ(reason, c.Reason) << c.What;
    }
}

TEST_F(MubDatTest, ResultsOfLevelsOutsideTheTableAreDropped) {
    TGameRecords game;
    TMubPlayer& p = game.AddPlayer(u"Ann");
    // Stored without a listing, as an older game might have.
    p.StoreRoundRecord("Menu.map", 10, 0, nullptr, 10, nullptr);
    p.StoreRoundRecord("Bonus 2.map", 10, 0, nullptr, 10, nullptr);
    TGameRecords back;
    ASSERT_TRUE(ReadGameData(WriteGameData(game), back));
    EXPECT_EQ(back.Players[0]->Finished("Menu.map"), nullptr);
    EXPECT_NE(back.Players[0]->Finished("Bonus 2.map"), nullptr);
    EXPECT_EQ(back.Players[0]->FinishedLevels.size(), 12u);
}
