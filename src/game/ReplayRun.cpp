#include "game/ReplayRun.h"

#include "app/FileSave.h"
#include "app/Log.h"
#include "app/LoopLevel.h"
#include "app/SiteTrace.h"
#include "assets/Texts.h"
#include "game/GameMan.h"

#include <ctime>

#include <filesystem>
#include <string_view>

bool ReadReplayFromDisk(const std::string& path, TReplayFile& replay, std::string& error) {
    const std::optional<std::vector<uint8_t>> bytes = LoadPlainFile(path);
    if (!bytes) {
        error = "replay " + path + " cannot be read";
        return false;
    }
    std::string why;
    if (!ReadReplayFile(*bytes, replay, why)) {
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

namespace {
const TLevel* FinishedRunLevel = nullptr;

std::string RunStem(const TLevel& level) {
    std::string stem = level.ShortFileName();
    if (const size_t dot = stem.find_last_of('.'); dot != std::string::npos) stem.resize(dot);
    return stem;
}
std::u16string FinishedRunPlayer;

// A name part that is a file name on every system: no folders, no
// controls, no characters the desktops refuse.
std::string FileNamePart(const std::string& s) {
    std::string out;
    for (char ch : s)
        out += (static_cast<unsigned char>(ch) < 32 ||
                std::string_view("/\\:*?\"<>|").find(ch) != std::string_view::npos)
                   ? '_'
                   : ch;
    return out.empty() ? "guest" : out;
}
} // namespace

void NoteFinishedRun(const TLevel& level, const std::u16string& player) {
    FinishedRunLevel = &level;
    FinishedRunPlayer = player;
}

std::string SaveFinishedRun() {
    const TLevel* level = FinishedRunLevel;
    FinishedRunLevel = nullptr;
    // The level must still be the one playing (a run is never saved from a freed level).
    if (!level || level != CurrentLevel) return {};
    const std::string stem = RunStem(*level);
    char when[32] = "";
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    if (localtime_r(&now, &local)) std::strftime(when, sizeof when, "%Y-%m-%d %H-%M-%S", &local);
    const std::string base =
        FileNamePart(stem) + " " + FileNamePart(Utf16ToUtf8(FinishedRunPlayer)) + " " + when;
    const TReplayTag tag = ReplayTagOf(*level);
    std::string path;
    for (int32_t n = 1; n < 100; ++n) {
        const std::string name = n == 1 ? base + ".gbv" : base + " (" + std::to_string(n) + ").gbv";
        if (std::filesystem::exists(PlayerReplayDir() + name)) continue;
        if (!level->SaveReplay(name, path, &tag)) break;
        // The path goes beside the replay; a run without it still plays.
        const std::string ghost = path.substr(0, path.size() - 4) + ".ghost";
        if (!SaveFileAtomic(ghost, level->RunTrack.Write()))
            LogLine("the ghost " + ghost + " cannot be written");
        return path;
    }
    LogLine("the finished run of " + stem + " could not be saved as a replay");
    return {};
}

bool LoadBestGhost(TLevel& level, const std::u16string& player) {
    RecordSite(91204);
    level.Ghost.Clear();
    const std::string prefix = FileNamePart(RunStem(level)) + " " + FileNamePart(Utf16ToUtf8(player)) + " ";
    std::error_code ec;
    std::filesystem::directory_iterator it(PlayerReplayDir(), ec);
    if (ec) return false;
    for (const auto& entry : it) {
        const std::string name = entry.path().filename().string();
        if (name.rfind(prefix, 0) != 0 || entry.path().extension() != ".ghost") continue;
        const std::optional<std::vector<uint8_t>> bytes = LoadPlainFile(entry.path().string());
        TGhostTrack track;
        std::string why;
        if (!bytes || !track.Read(*bytes, why)) {
            LogLine("ghost " + name + " is not used: " + (why.empty() ? "it cannot be read" : why));
            continue;
        }
        if (track.Ticks() > 0 && (level.Ghost.Ticks() == 0 || track.Ticks() < level.Ghost.Ticks()))
            level.Ghost = std::move(track);
    }
    return level.Ghost.Ticks() > 0;
}
