#include "game/MubDat.h"

#include "app/FileSave.h"
#include "app/Log.h"
#include "app/SiteTrace.h"
#include "assets/ByteStream.h"

#include <algorithm>
#include <cstring>
#include <filesystem>

namespace {
constexpr int32_t FileMagic = 9090909;
constexpr int32_t TableMarker = 821982;
constexpr uint8_t RoundListMarker = 222;
constexpr int32_t ReservedBytes = 24;
constexpr char SealMagic[4] = {'R', 'X', 'M', 'D'};
constexpr int32_t SealVersion = 1;

// The fewest bytes a record can take, for checking stored counts.
constexpr int64_t MinPlayerBytes = 4 + 4 + 4 + 4 + 4 + 48;
constexpr int64_t MinResultBytes = 4 + 7 * 4 + 1 + 11;
constexpr int64_t RoundBestBytes = 4 + 4 + 1;

// Titles are stored as 8-bit text: Latin-1, "?" for anything beyond it.
std::string Narrow(const std::u16string& s) {
    std::string out;
    out.reserve(s.size());
    for (char16_t c : s)
        out.push_back(c < 256 ? char(c) : '?');
    return out;
}

// Strings whose length is negative or beyond the bytes left are damage.
bool ReadText(TByteReader& r, std::string& out) {
    const int32_t n = r.ReadInt32();
    if (r.ShortRead || n < 0 || n > MaxStoredStringLength || n > r.Remaining()) return false;
    out.assign(size_t(n), '\0');
    r.Read(out.data(), n);
    return true;
}

bool ReadWideText(TByteReader& r, std::u16string& out) {
    const int32_t n = r.ReadInt32();
    if (r.ShortRead || n < 0 || n > MaxStoredStringLength || int64_t(n) * 2 > r.Remaining()) return false;
    out.assign(size_t(n), u'\0');
    for (int32_t i = 0; i < n; ++i) {
        const uint8_t lo = r.ReadByte();
        out[size_t(i)] = char16_t(lo | r.ReadByte() << 8);
    }
    return true;
}

bool Fail(std::string* reason, const std::string& why) {
    if (reason) *reason = why;
    return false;
}

void WriteResult(TByteWriter& w, const TFinishedLevel& f) {
    w.WriteString(f.LevelFile);
    for (int32_t v : {f.LastTime, f.LastScore, f.BestTime, f.BestScore, f.Jewels, f.Secrets, f.Bonus})
        w.WriteInt32(v);
    w.WriteByte(RoundListMarker);
    w.WriteInt32(int32_t(f.RoundBests.size()));
    for (const TRoundBest& r : f.RoundBests) {
        w.WriteInt32(r.RoundLength);
        w.WriteInt32(r.BestScore);
        w.Pad(1);
    }
    w.Pad(11);
}

bool ReadResult(TByteReader& r, TMubPlayer& player, const TGameRecords& records, std::string* reason,
                const std::string& where) {
    std::string file;
    if (!ReadText(r, file)) return Fail(reason, where + ": the level name does not fit the file");
    // A level the table does not list is read and dropped.
    TFinishedLevel dropped;
    TFinishedLevel* entry = &dropped;
    if (records.IsListed(WithoutFolder(file))) {
        player.StoreRoundRecord(file, -1, 0, nullptr, NoBestScore, &records);
        entry = player.Finished(WithoutFolder(file));
        if (!entry) entry = &dropped;
    }
    for (int32_t* v : {&entry->LastTime, &entry->LastScore, &entry->BestTime, &entry->BestScore,
                       &entry->Jewels, &entry->Secrets, &entry->Bonus})
        *v = r.ReadInt32();
    if (r.ReadByte() == RoundListMarker) {
        const int32_t rounds = r.ReadCount(RoundBestBytes);
        if (rounds < 0) return Fail(reason, where + ": the round count does not fit the file");
        entry->RoundBests.clear();
        for (int32_t i = 0; i < rounds; ++i) {
            TRoundBest best;
            best.RoundLength = r.ReadInt32();
            best.BestScore = r.ReadInt32();
            r.Skip(1);
            entry->RoundBests.push_back(best);
        }
    }
    r.Skip(11);
    if (r.ShortRead) return Fail(reason, where + " is cut short");
    return true;
}

bool ReadPlayer(TByteReader& r, TGameRecords& records, int32_t index, std::string* reason) {
    const std::string where = "player " + std::to_string(index + 1);
    TMubPlayer& player = records.AddPlayer(u"");
    if (!ReadWideText(r, player.PlayerName)) return Fail(reason, where + ": the name does not fit the file");
    player.FinishedLevels.clear();
    const int32_t results = r.ReadCount(MinResultBytes);
    if (results < 0) return Fail(reason, where + ": the result count does not fit the file");
    for (int32_t i = 0; i < results; ++i)
        if (!ReadResult(r, player, records, reason, where + ", result " + std::to_string(i + 1)))
            return false;
    if (!ReadText(r, player.LastLevel)) return Fail(reason, where + ": the last level does not fit the file");
    player.PlayTicks = r.ReadInt32();
    player.PlayerId = r.ReadInt32();
    r.Skip(48);
    if (r.ShortRead) return Fail(reason, where + " is cut short");
    return true;
}

bool ReadTableEntry(TByteReader& r, TLevelTableEntry& entry, std::string* reason, const std::string& where) {
    std::string file, title;
    if (!ReadText(r, file) || !ReadText(r, title))
        return Fail(reason, where + ": a name does not fit the file");
    entry.LevelFile = file;
    r.ReadInt32(); // the record count, always 10
    for (int32_t k = 0; k < RecordTableLength; ++k) {
        TTimeRecord& t = entry.BestTimes[size_t(k)];
        TScoreRecord& s = entry.BestScores[size_t(k)];
        if (!ReadWideText(r, t.PlayerName))
            return Fail(reason, where + ": a record name does not fit the file");
        t.Time = r.ReadInt32();
        r.Skip(4);
        if (!ReadWideText(r, s.PlayerName))
            return Fail(reason, where + ": a record name does not fit the file");
        s.Score = r.ReadInt32();
        r.Skip(4);
    }
    if (r.ShortRead) return Fail(reason, where + " is cut short");
    return true;
}

int32_t LoadInt32(const uint8_t* p) {
    return int32_t(uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24);
}
} // namespace

uint32_t Crc32(const uint8_t* data, size_t size) {
    static const auto table = [] {
        std::array<uint32_t, 256> t{};
        for (uint32_t i = 0; i < 256; ++i) {
            uint32_t c = i;
            for (int k = 0; k < 8; ++k)
                c = c & 1 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[i] = c;
        }
        return t;
    }();
    uint32_t crc = 0xFFFFFFFFu;
    for (size_t i = 0; i < size; ++i)
        crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
    return crc ^ 0xFFFFFFFFu;
}

std::vector<uint8_t> WriteGameData(const TGameRecords& records) {
    RecordSite(91201);
    TByteWriter w;
    w.WriteInt32(FileMagic);
    w.WriteInt32(int32_t(records.Players.size()));
    for (const auto& player : records.Players) {
        w.WriteWideString(player->PlayerName);
        w.WriteInt32(int32_t(player->FinishedLevels.size()));
        for (const TFinishedLevel& f : player->FinishedLevels)
            WriteResult(w, f);
        w.WriteString(player->LastLevel);
        w.WriteInt32(player->PlayTicks);
        w.WriteInt32(player->PlayerId);
        w.Pad(48);
    }
    w.WriteInt32(TableMarker);
    w.WriteInt32(LevelTableCount);
    for (const TLevelTableEntry& entry : records.LevelTable) {
        w.WriteString(entry.LevelFile);
        w.WriteString(Narrow(entry.DisplayName));
        w.WriteInt32(RecordTableLength);
        for (int32_t k = 0; k < RecordTableLength; ++k) {
            w.WriteWideString(entry.BestTimes[size_t(k)].PlayerName);
            w.WriteInt32(entry.BestTimes[size_t(k)].Time);
            w.Pad(4);
            w.WriteWideString(entry.BestScores[size_t(k)].PlayerName);
            w.WriteInt32(entry.BestScores[size_t(k)].Score);
            w.Pad(4);
        }
    }
    w.WriteInt32(records.CurrentPlayer ? records.CurrentPlayer->PlayerId : 0);
    const size_t sealed = w.Bytes.size();
    w.WriteBlock(SealMagic, 4);
    w.WriteInt32(SealVersion);
    w.WriteInt32(int32_t(sealed));
    w.WriteUInt32(Crc32(w.Bytes.data(), sealed));
    w.Pad(8);
    return std::move(w.Bytes);
}

bool ReadGameData(const std::vector<uint8_t>& bytes, TGameRecords& records, std::string* reason) {
    RecordSite(91202);
    TByteReader r(bytes);
    records.Players.clear();
    records.CurrentPlayer = nullptr;
    r.ReadInt32(); // the magic number, not checked
    const int32_t players = r.ReadCount(MinPlayerBytes);
    if (players < 0) return Fail(reason, "the player count does not fit the file");
    for (int32_t i = 0; i < players; ++i)
        if (!ReadPlayer(r, records, i, reason)) return false;
    if (r.ReadInt32() == TableMarker) {
        r.ReadInt32(); // the entry count, always 40
        for (int32_t i = 0; i < LevelTableCount; ++i)
            if (!ReadTableEntry(r, records.LevelTable[size_t(i)], reason,
                                "level entry " + std::to_string(i + 1)))
                return false;
    }
    const int32_t current = r.ReadInt32();
    if (r.ShortRead || r.Remaining() < ReservedBytes) return Fail(reason, "the file is cut short");
    if (r.Remaining() > ReservedBytes) return Fail(reason, "bytes follow the end of the file");
    const int32_t sealAt = r.Position;
    const uint8_t* seal = r.Data() + sealAt;
    const bool unsealed = std::all_of(seal, seal + ReservedBytes, [](uint8_t b) { return b == 0; });
    if (!unsealed) {
        const bool sound = std::memcmp(seal, SealMagic, 4) == 0 && LoadInt32(seal + 4) == SealVersion &&
                           LoadInt32(seal + 8) == sealAt &&
                           uint32_t(LoadInt32(seal + 12)) == Crc32(r.Data(), size_t(sealAt)) &&
                           std::all_of(seal + 16, seal + ReservedBytes, [](uint8_t b) { return b == 0; });
        if (!sound) return Fail(reason, "the file's seal does not match its bytes");
    }
    // The stored current player, else the last one read stays selected.
    for (size_t i = 0; i < records.Players.size(); ++i)
        if (records.Players[i]->PlayerId == current) {
            records.SelectPlayer(int32_t(i));
            break;
        }
    return true;
}

bool LoadGameData(TGameRecords& records, const std::string& path, std::string& notice) {
    RecordSite(91203);
    notice.clear();
    records.Players.clear();
    records.CurrentPlayer = nullptr;
    records.FillLevelTable();
    records.DefaultRecordTables();
    if (path.empty()) return false;
    std::string keptAs;
    bool loaded = false;
    for (const std::string& file : {path, path + ".bak"}) {
        std::error_code ec;
        if (!std::filesystem::exists(file, ec)) continue;
        const std::optional<std::vector<uint8_t>> bytes = LoadPlainFile(file);
        std::string reason = "it cannot be read";
        if (bytes) {
            TGameRecords read;
            if (ReadGameData(*bytes, read, &reason)) {
                records.LevelTable = std::move(read.LevelTable);
                records.Players = std::move(read.Players);
                records.CurrentPlayer = read.CurrentPlayer;
                loaded = true;
                if (!keptAs.empty())
                    notice = "The player data was damaged and is kept as " + keptAs +
                             "; the players were read from its backup.";
                break;
            }
        }
        LogLine(file + " is damaged: " + reason);
        const std::string aside = KeepAsideDamaged(file);
        if (keptAs.empty()) keptAs = aside.empty() ? file : aside;
    }
    if (!keptAs.empty() && !loaded)
        notice =
            "The player data was damaged and is kept as " + keptAs + "; the game starts without players.";
    if (!notice.empty()) LogLine(notice);
    return loaded;
}

bool SaveGameData(const TGameRecords& records, const std::string& path) {
    RecordSite(91204);
    if (path.empty()) return false;
    const std::vector<uint8_t> bytes = WriteGameData(records);
    // The file being replaced becomes the backup, when it is sound and differs.
    if (const std::optional<std::vector<uint8_t>> old = LoadPlainFile(path); old && *old != bytes) {
        TGameRecords check;
        if (ReadGameData(*old, check) && !SaveFileAtomic(path + ".bak", *old))
            LogLine("cannot keep the player data's backup " + path + ".bak");
    }
    if (!SaveFileAtomic(path, bytes)) {
        LogLine("the player data was not saved: " + path + " stays as it was");
        return false;
    }
    return true;
}
