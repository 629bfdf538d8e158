#include "game/ReplayRun.h"

#include "app/FileSave.h"
#include "app/LoopLevel.h"
#include "app/SiteTrace.h"
#include "game/GameMan.h"

#include <fstream>
#include <iterator>

namespace {
bool ReadDisk(const std::string& path, std::vector<uint8_t>& bytes) {
    std::ifstream f(path, std::ios::binary);
    if (!f) return false;
    bytes.assign(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
    return !f.bad();
}

} // namespace

bool ReadReplayFromDisk(const std::string& path, TReplayFile& replay, std::string& error) {
    std::vector<uint8_t> bytes;
    if (!ReadDisk(path, bytes)) {
        error = "replay " + path + " cannot be read";
        return false;
    }
    std::string why;
    if (!ReadReplayFile(bytes, replay, why)) {
        error = "replay " + path + " is damaged: " + why;
        return false;
    }
    return true;
}

uint64_t ReplayStateHash(const TLevel& level) {
    TStateHash hash;
    HashLevelState(level, hash);
    return hash.Value;
}

TReplayTag ReplayTagOf(const TLevel& level) {
    TReplayTag tag;
    tag.LevelChecksum = level.FileChecksum;
    tag.EndTick = level.TickCounter;
    tag.EndHash = ReplayStateHash(level);
    return tag;
}

bool PlayReplayFile(const std::string& path, std::string& error) {
    RecordSite(91201);
    TReplayFile replay;
    if (!ReadReplayFromDisk(path, replay, error)) return false;
    if (!GameHooks.LoadLevel || !GameHooks.LoadLevel(replay.LevelFile) || !CurrentLevel) {
        error = "replay " + path + " plays level " + replay.LevelFile + ", which cannot be loaded";
        return false;
    }
    CurrentLevel->UseReplay(replay);
    CurrentLevel->RestartLevel(true, false);
    return true;
}

bool SaveCurrentReplay(const std::string& path, std::string& error) {
    RecordSite(91202);
    if (!CurrentLevel) {
        error = "no level is playing, so there is no run to save";
        return false;
    }
    TReplayFile replay = CurrentLevel->RecordedReplay();
    replay.SetTag(ReplayTagOf(*CurrentLevel));
    if (!SaveFileAtomic(path, WriteReplayFile(replay))) {
        error = "replay " + path + " cannot be written";
        return false;
    }
    return true;
}
