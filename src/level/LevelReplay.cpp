// The level's replays: loading one from the archives or from the player's
// own replay folder, and saving the recorded run into that folder.
#include "app/FileSave.h"
#include "app/Log.h"
#include "app/Paths.h"
#include "app/SiteTrace.h"
#include "assets/MassFile.h"
#include "level/Level.h"

#include <cstdio>
#include <filesystem>

namespace {
namespace fs = std::filesystem;
} // namespace

std::string PlayerReplayDir() {
    return UserDataDir() + "Gbvs/";
}

bool TLevel::LoadReplay(const std::string& name) {
    RecordSite(21120);
    const std::string file = ReplayFileName(name);
    std::vector<uint8_t> bytes;
    const std::string packed = AppDir + "Gbvs\\" + file;
    bool found = MassFileExists(packed) && MassFile.ReadFile(packed, bytes);
    if (!found)
        if (std::optional<std::vector<uint8_t>> own = LoadPlainFile(PlayerReplayDir() + file)) {
            bytes = std::move(*own);
            found = true;
        }
    if (!found) {
        LogLine("replay " + file + " is neither in the archives nor in " + PlayerReplayDir());
        return false;
    }
    TReplayFile replay;
    std::string why;
    if (!ReadReplayFile(bytes, replay, why)) {
        LogLine("replay " + file + " is damaged (" + why + "); it is not played");
        return false;
    }
    UseReplay(replay);
    return true;
}

void TLevel::UseReplay(const TReplayFile& replay) {
    // The run's level name takes the place of the current one's, in the
    // current one's folder.
    const size_t cut = FileName.find_last_of("\\/");
    FileName = (cut == std::string::npos ? std::string() : FileName.substr(0, cut + 1)) + replay.LevelFile;
    Replay.ReplayEvents = replay.Events;
}

TReplayFile TLevel::RecordedReplay() const {
    TReplayFile replay;
    replay.LevelFile = ShortFileName();
    replay.Events = Replay.ReplayEvents;
    return replay;
}

bool TLevel::SaveReplay(const std::string& name, std::string& outPath, const TReplayTag* tag) const {
    RecordSite(21121);
    // The save makes the folder when it is missing.
    const std::string dir = PlayerReplayDir();
    std::string file;
    if (!name.empty()) {
        file = ReplayFileName(name);
        if (fs::exists(dir + file)) {
            LogLine("replay " + dir + file + " exists already; it is kept and nothing is saved");
            return false;
        }
    } else {
        std::string stem = ShortFileName();
        if (const size_t dot = stem.find_last_of('.'); dot != std::string::npos) stem.resize(dot);
        for (int32_t i = 0; i < 1000 && file.empty(); ++i) {
            char number[8];
            std::snprintf(number, sizeof number, "%03d", int(i));
            const std::string candidate = stem + "~" + number + ".gbv";
            if (!fs::exists(dir + candidate)) file = candidate;
        }
        if (file.empty()) {
            LogLine("every replay name " + stem + "~000 ... ~999 is taken in " + dir + "; nothing is saved");
            return false;
        }
    }
    TReplayFile replay = RecordedReplay();
    if (tag) replay.SetTag(*tag);
    outPath = dir + file;
    if (!SaveFileAtomic(outPath, WriteReplayFile(replay))) {
        LogLine("replay " + outPath + " cannot be written");
        return false;
    }
    return true;
}
